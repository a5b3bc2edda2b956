#pragma once
// The JPEG-2000 family and its neighbours: JPEG-2000 code streams and JP2
// files through OpenJPEG; PGX, PNM (P1-P6) and Sun raster files through the
// small readers in RasterFormats.cpp. The format comes from the first bytes
// when the code is FORMAT_UNKNOWN; a named format must match them. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageJAS : public CDibImage {
public:
    explicit CDibImageJAS(uint32_t format = FORMAT_JP2) : CDibImage(format) {}

    // Colour pictures become 24-bit (with an alpha plane when the file has
    // an opacity component), one-component pictures 8-bit grey. Samples of
    // other depths are scaled to 8 bits. escape = -1 asks only for the size.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_UNKNOWN);

    // The format the first bytes of the stream announce (FORMAT_JP2,
    // FORMAT_JPC, FORMAT_PGX, FORMAT_PNM, FORMAT_RAS), or FORMAT_UNKNOWN.
    // The stream is left where it was.
    static uint32_t Sniff(ImageStream* stream);
};

} // namespace glint
