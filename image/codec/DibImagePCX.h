#pragma once
// ZSoft PCX pictures: run-length data of all planes (runs may cross lines and
// planes), packed pixels of 1, 2, 4 or 8 bits, up to 4 planes, 24-bit with an
// optional alpha plane, header and 256-colour palettes. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImagePCX : public CDibImage {
public:
    explicit CDibImagePCX(uint32_t format = FORMAT_PCX) : CDibImage(format) {}

    bool Decode(ImageStream* stream, uint32_t format = FORMAT_PCX);

private:
    const char* DecodeSteps(ImageStream* stream);
};

} // namespace glint
