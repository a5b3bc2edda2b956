#pragma once
// Windows bitmap files: the decoder (file header optional; core, 40-byte and
// larger headers; 1, 4, 8, 16, 24, 32 bits; both run-length codings; bit
// fields; top-down rows) and the library's only encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageBMP : public CDibImage {
public:
    explicit CDibImageBMP(uint32_t format = FORMAT_BMP) : CDibImage(format) {}

    bool Decode(ImageStream* stream, uint32_t format = FORMAT_BMP);
    bool Encode(ImageStream* stream);

    // Reads a core, 40-byte or larger information header as a 40-byte one
    // (core fields widened, image size and colour count filled in when 0).
    static bool ReadBitmapHeader(ImageStream* stream, BITMAPINFOHEADER* header);
    // Fills the 24-bit rows from packed 16- or 32-bit pixels; may run in place.
    void BitfieldsToRgb(const uint8_t* source, uint32_t redMask, uint32_t greenMask, uint32_t blueMask, uint32_t bits);

private:
    const char* DecodeSteps(ImageStream* stream);
    const char* ReadPalette(ImageStream* stream, bool oldFormat);
    const char* ReadPixels(ImageStream* stream, int32_t dataStart, int32_t headerStart, uint32_t bitCount,
                           uint32_t compression, uint32_t headerSize);
    void DecodeRle(ImageStream* stream, bool fourBit);
};

} // namespace glint
