#pragma once
// What a caller does with a decoded picture, for the image fuzz targets:
// read pixels every `step` and write the picture as a BMP, which must
// always read back.
#include "image/DibImage.h"

#include <cstdint>
#include <cstdlib>

namespace glint::fuzz {

inline void ReadAndWriteBack(CDibImage& image, int32_t step)
{
    volatile uint32_t sink = 0;
    for (int32_t y = 0; y < image.Height(); y += step)
        for (int32_t x = 0; x < image.Width(); x += step)
            sink = sink + image.PixelColor(x, y).rgbRed + image.AlphaGet(x, y);
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (image.EncodeBuffer(bytes, length, FORMAT_BMP)) {
        CDibImage again;
        if (!again.DecodeBuffer(bytes, length, FORMAT_BMP))
            std::abort(); // our own output must always read back
        std::free(bytes);
    }
}

} // namespace glint::fuzz
