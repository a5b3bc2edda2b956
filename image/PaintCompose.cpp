#include "image/PaintCompose.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace glint {

void ComposePicture(const CDibImage& image, int32_t x, int32_t y, int32_t cx, int32_t cy, const PaintBlock& block,
                    bool blend)
{
    if (!image.IsValid() || cx <= 0 || cy <= 0 || block.width <= 0 || block.height <= 0 || !block.bits)
        return;
    const int32_t w = image.Width(), h = image.Height();
    // Single-precision ratios, as the stretching has always been computed.
    const float fx = float(w) / float(cx), fy = float(h) / float(cy);

    std::vector<int32_t> sourceColumn(size_t(block.width));
    for (int32_t i = 0; i < block.width; ++i) {
        int32_t col = int32_t(std::floor(float(block.left + i - x) * fx));
        sourceColumn[size_t(i)] = col < 0 ? 0 : col >= w ? w - 1 : col;
    }

    const ImageInfo& info = image.Info();
    const bool transparent = info.transIndex != -1;
    const RGBQUAD key = image.TransparentColor();
    const uint8_t* alphaPlane = image.AlphaPlane();
    const bool indexed = image.IsIndexed();
    const RGBQUAD* palette = image.Palette();
    const uint32_t bpp = image.BitCount();
    const uint32_t alphaScale = uint32_t(info.alphaMax) + 1;

    for (int32_t j = 0; j < block.height; ++j) {
        const int32_t deviceY = block.top + j;
        int32_t row = h - int32_t(std::ceil(float(deviceY + 1 - y) * fy));
        row = row < 0 ? 0 : row >= h ? h - 1 : row;
        const uint8_t* src = image.RowPointer(row);
        const uint8_t* alphaRow = alphaPlane ? alphaPlane + size_t(row) * size_t(w) : nullptr;
        uint8_t* out = block.bits + size_t(block.height - 1 - j) * block.stride;

        for (int32_t i = 0; i < block.width; ++i, out += 3) {
            const int32_t col = sourceColumn[size_t(i)];
            RGBQUAD c;
            if (indexed) {
                uint8_t index;
                if (bpp == 8)
                    index = src[col];
                else if (bpp == 4)
                    index = uint8_t(col & 1 ? src[col >> 1] & 0x0F : src[col >> 1] >> 4);
                else
                    index = uint8_t((src[col >> 3] >> (7 - (col & 7))) & 1);
                c = index < image.ColorsUsed() ? palette[index] : RGBQUAD{0, 0, 0, 0};
            } else {
                const uint8_t* p = src + size_t(col) * 3;
                c = RGBQUAD{p[0], p[1], p[2], 0};
            }
            if (!blend) {
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
                continue;
            }
            uint32_t a = alphaRow ? alphaRow[col] : 255;
            a = (alphaScale * a) >> 8;
            if (indexed && info.alphaPaletteEnabled)
                a = ((uint32_t(c.rgbReserved) + 1) * a) >> 8;
            // The key is a colour, not an index: another entry with the same
            // four bytes is transparent too.
            if ((transparent && std::memcmp(&c, &key, sizeof c) == 0) || a == 0)
                continue;
            if (a == 255) {
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
            } else {
                out[0] = uint8_t((c.rgbBlue * a + out[0] * (255 - a)) >> 8);
                out[1] = uint8_t((c.rgbGreen * a + out[1] * (255 - a)) >> 8);
                out[2] = uint8_t((c.rgbRed * a + out[2] * (255 - a)) >> 8);
            }
        }
    }
}

} // namespace glint
