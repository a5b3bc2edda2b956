#pragma once
// Key-colour runs and region placement as plain rectangle arithmetic. A
// region leaving out a key colour is the set of one-pixel-high rectangles of
// the runs of other pixels; placing it over a target repeats, moves or scales it.
#include "base/Win32Layouts.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glint {

// Pixels of one picture, one value a pixel, rows top first, `stride` values
// from one row to the next. A pixel is compared to the key as a whole value,
// so the caller packs both the same way (palette entry, 16-bit word...).
struct PixelRows {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
};

// Every maximal run of pixels other than key, row by row from the top, as a
// rectangle one pixel high; a run open at the row's end is closed there.
std::vector<RECT> KeyRuns(const PixelRows& rows, uint32_t key);

// How a region of size source is placed over a target rectangle.
enum RegionPlaceMode { REGION_MOVE = 0, REGION_TILE = 1, REGION_SCALE = 2 };
// The image drawing modes map onto these: 0 moved, 1 tiled, any other scaled.
RegionPlaceMode RegionModeForDrawMode(int32_t drawMode);

// The top-left corners of the copies that tile source over target: every
// source width and height from the target's corner, the last ones reaching
// past it (the caller clips). None for an empty source or target.
std::vector<POINT> TileOrigins(SIZE source, const RECT& target);

// Placing region data (a list of rectangles of a source of the given size)
// over a target: moved to the target's corner, or repeated every source width
// and height from it; both clipped to the target. Empty rectangles are dropped.
std::vector<RECT> MoveRects(const std::vector<RECT>& rects, const RECT& target);
std::vector<RECT> TileRects(const std::vector<RECT>& rects, SIZE source, const RECT& target);

// Scaling a source of the given size onto a target: x' = x * scaleX + dx and
// y' = y * scaleY + dy. Identity factors for an empty source.
struct RegionScale {
    float scaleX = 1, scaleY = 1, dx = 0, dy = 0;
};
RegionScale ScaleOnto(SIZE source, const RECT& target);

// The smallest rectangle around all; empty for none.
RECT BoundsOf(const std::vector<RECT>& rects);

} // namespace glint
