#pragma once
// Wireless bitmaps (WBMP type 0): a tiny header with multi-byte width and
// height, then 1-bit rows, top row first. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageWBMP : public CDibImage {
public:
    explicit CDibImageWBMP(uint32_t format = FORMAT_WBMP) : CDibImage(format) {}

    bool Decode(ImageStream* stream, uint32_t format = FORMAT_WBMP);

private:
    const char* DecodeSteps(ImageStream* stream);
};

} // namespace glint
