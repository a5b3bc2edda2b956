#pragma once
// Win32: window regions cut from pictures by a key colour, and placed over a
// target rectangle the way the picture is drawn there.
#include <windows.h>

#include "skin/layout/RegionRuns.h"

namespace glint {

class CDibImage;

// The region of every pixel of the bitmap that is not the key colour, read in
// the bitmap's own format (8-bit through its colour table, 16-bit as 5-6-5,
// 24- and 32-bit). Null when the bitmap cannot be read. A picture that is all
// key colour gives an empty region, not null.
HRGN CreateRegionFromBitmap(HBITMAP bitmap, COLORREF key);

// The same for a section of a decoded picture (left, top, right, bottom).
HRGN CreateRegionFromImage(CDibImage& image, const RECT& section, COLORREF key);

// A region made of rectangles (region data); null when it cannot be made.
HRGN CreateRegionFromRects(const std::vector<RECT>& rects);

// A new region: source (of size sourceSize, origin 0, 0) moved to the target's
// corner, tiled over the target, or scaled to it, and clipped to the target.
// A null source or an empty source size gives the whole target rectangle.
HRGN PlaceRegion(HRGN source, SIZE sourceSize, RegionPlaceMode mode, const RECT& target);

// The rectangles of a region (empty for none or a null region).
std::vector<RECT> RegionRects(HRGN region);

} // namespace glint
