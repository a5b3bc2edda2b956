#pragma once
// The pixel work of CDibImage::Paint, kept apart from GDI so that it builds
// and is tested on every platform: sample the picture (nearest neighbour)
// into a 24-bit block of device pixels, either plainly or over the block's
// current content with colour key and alpha.
#include "image/DibImage.h"

namespace glint {

// 24-bit rows, bottom row first, covering device pixels
// [left, left + width) x [top, top + height).
struct PaintBlock {
    uint8_t* bits;
    size_t stride;
    int32_t left, top, width, height;
};

// The picture is placed at (x, y) with the size cx x cy (both > 0).
// blend false: every pixel of the block becomes the picture's colour.
// blend true: the colour key (transIndex / TransparentColor) and the alpha
// (alpha plane, alphaMax, palette alpha when enabled) decide how much of the
// block's current pixel shows through: c * a + background * (255 - a), >> 8.
void ComposePicture(const CDibImage& image, int32_t x, int32_t y, int32_t cx, int32_t cy, const PaintBlock& block,
                    bool blend);

} // namespace glint
