#pragma once
// Small readers of our own for the plain raster formats that travel with
// JPEG-2000 tools: PGX (one grey component, any depth up to 16 bits), PNM
// (P1-P6, comments, 16-bit maxval) and Sun raster (RLE, colour maps).
// Each fills `image` (created with `format`) and returns null, or returns
// the message of the failure. escape -1: only the size is set (sizeOnly).
#include "image/DibImage.h"

#include <cstdint>

namespace glint {

class ImageStream;

struct RasterSize {
    bool sizeOnly = false;
    uint32_t width = 0, height = 0;
};

const char* ReadPgx(CDibImage& image, ImageStream* stream, RasterSize& size);
const char* ReadPnm(CDibImage& image, ImageStream* stream, RasterSize& size);
const char* ReadSunRaster(CDibImage& image, ImageStream* stream, RasterSize& size);

// The limit every reader applies before it creates a picture.
inline bool FitsMemory(uint64_t width, uint64_t height, uint32_t bitCount)
{
    return width && height && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
           width * height * bitCount / 256 <= DIBIMAGE_MAX_MEMORY;
}

} // namespace glint
