#pragma once
// Windows icons and cursors: every entry of the directory, the colour (XOR)
// pixels and the AND mask, which becomes the alpha plane or a transparent
// palette index. Entries stored as PNG go through the PNG decoder. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageICO : public CDibImage {
public:
    explicit CDibImageICO(uint32_t format = FORMAT_ICO) : CDibImage(format) {}

    // Decodes entry info.frame; frameCount is the number of entries.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_ICO);

private:
    const char* DecodeSteps(ImageStream* stream);
    const char* DecodePngEntry(ImageStream* stream, uint32_t bytes);
    const char* ReadColourPixels(ImageStream* stream, uint32_t bitCount, uint32_t colors);
    void ApplyMask(const uint8_t* mask, uint32_t maskStride);
};

} // namespace glint
