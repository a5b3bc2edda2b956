#pragma once
// TIFF pictures through libtiff: pages, strips and tiles, 1/4/8-bit grey and
// palette pictures as they are stored, everything else (colour, 16-bit,
// CMYK, YCbCr, old-style JPEG, LogLuv, extra alpha samples) through the
// library's RGBA reader into 24 bits with an alpha plane. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageTIF : public CDibImage {
public:
    explicit CDibImageTIF(uint32_t format = FORMAT_TIF) : CDibImage(format) {}

    // Reads page Info().frame; FrameCount() tells how many pages the file
    // has, also when the page is missing. escape = -1 asks only for the
    // size, which lands in the header's width and height.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_TIF);

    // Largest raster that the RGBA reader may fill at once; taller pictures
    // are read in bands of rows (settable so a test can force the banding).
    static void SetRasterBudget(uint64_t bytes);
};

} // namespace glint
