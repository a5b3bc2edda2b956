#pragma once
// Windows metafiles (placeable WMF) and enhanced metafiles (EMF), played by
// GDI into a bitmap like the screen's. Win32 only: the native build has no
// metafile player and leaves the format out of its dispatcher. No encoder.
#include "image/DibImage.h"

namespace glint {

class CDibImageWMF : public CDibImage {
public:
    explicit CDibImageWMF(uint32_t format = FORMAT_WMF) : CDibImage(format) {}

    // The picture at the size the metafile states.
    bool Decode(ImageStream* stream, uint32_t format = FORMAT_WMF) { return DecodeSized(stream, 0, 0); }
    // A forced width or height of 0 keeps the metafile's own.
    bool DecodeSized(ImageStream* stream, int32_t forcedWidth, int32_t forcedHeight);

    // The longer side of a picture is at most this many pixels.
    static constexpr int32_t kMaxSide = 4000;
};

} // namespace glint
