#pragma once
// Format codes of the image library. A code is also the index of the image's
// per-format option word, so the list is fixed at FORMAT_COUNT entries.
#include <cstdint>

namespace glint {

enum ImageFormat : uint32_t {
    FORMAT_UNKNOWN = 0, // decode: try every codec in turn
    FORMAT_BMP = 1,
    FORMAT_GIF = 2,
    FORMAT_JPG = 3,
    FORMAT_PNG = 4,
    FORMAT_ICO = 5,
    FORMAT_TIF = 6,
    FORMAT_TGA = 7,
    FORMAT_PCX = 8,
    FORMAT_WBMP = 9,
    FORMAT_WMF = 10,
    FORMAT_JP2 = 11,
    FORMAT_JPC = 12,
    FORMAT_PGX = 13,
    FORMAT_PNM = 14,
    FORMAT_RAS = 15,
    FORMAT_COUNT = 16,
};

// Short upper-case name for messages and tools ("BMP", "UNKNOWN"...).
const char* FormatName(uint32_t format);

} // namespace glint
