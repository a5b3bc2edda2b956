#pragma once
// PNG pictures through libpng: every colour type and bit depth (16-bit
// samples stripped to 8), interlacing, palette transparency, colour-key
// transparency and alpha channels (as an alpha plane), the physical
// resolution. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImagePNG : public CDibImage {
public:
    explicit CDibImagePNG(uint32_t format = FORMAT_PNG) : CDibImage(format) {}

    // escape = -1 asks only for the size, which lands in the header's width
    // and height. Sets CodecOption(FORMAT_PNG) to 1 for an interlaced file.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_PNG);
};

} // namespace glint
