#pragma once
// Truevision TGA pictures: colour-mapped, true-colour and grey, raw or
// run-length coded (packets may run on into the next line), 8, 15, 16, 24 and
// 32 bits with alpha, every origin. No encoder.
#include "image/DibImage.h"

namespace glint {

class CodecReader;

class CDibImageTGA : public CDibImage {
public:
    explicit CDibImageTGA(uint32_t format = FORMAT_TGA) : CDibImage(format) {}

    bool Decode(ImageStream* stream, uint32_t format = FORMAT_TGA);

private:
    const char* DecodeSteps(ImageStream* stream);
    const char* ReadColourMap(CodecReader& in, uint32_t first, uint32_t length, uint32_t entryBits);
};

} // namespace glint
