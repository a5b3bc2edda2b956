#include "image/codec/DibImageWBMP.h"

#include "image/codec/CodecSupport.h"

namespace glint {

namespace {

// A multi-byte integer: 7 bits a byte, most significant group first, the
// high bit set on every byte but the last. False when it does not end or
// does not fit a picture dimension.
bool ReadMultiByte(ImageStream* stream, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 5; ++i) {
        const int32_t b = stream->GetC();
        if (b < 0)
            return false;
        value = (value << 7) | uint32_t(b & 0x7F);
        if (value > INT32_MAX)
            return false;
        if (!(b & 0x80))
            return true;
    }
    return false;
}

} // namespace

bool CDibImageWBMP::Decode(ImageStream* stream, uint32_t)
{
    return EndDecode(*this, stream ? DecodeSteps(stream) : "Not a WBMP");
}

const char* CDibImageWBMP::DecodeSteps(ImageStream* stream)
{
    const int32_t type = stream->GetC();
    const int32_t fixedHeader = stream->GetC();
    if (type < 0 || fixedHeader < 0)
        return "Not a WBMP";
    // Type 0 has no extension headers, so its fixed header is 0 as well.
    if (type != 0 || fixedHeader != 0)
        return "Unsupported WBMP type";
    uint32_t width = 0, height = 0;
    if (!ReadMultiByte(stream, width) || !ReadMultiByte(stream, height) || width == 0 || height == 0)
        return "Corrupted WBMP";
    const uint32_t rowBytes = (width + 7) / 8;
    // Uncompressed rows: a picture larger than the file is damaged, and
    // must not cost the memory it claims.
    if (uint64_t(rowBytes) * height > BytesLeft(stream))
        return "Corrupted WBMP";
    if (!Create(int32_t(width), int32_t(height), 1, FORMAT_WBMP))
        return "WBMP Create failed";
    SetGrayPalette();
    for (uint32_t y = 0; y < height; ++y)
        if (stream->Read(RowPointer(int32_t(height - 1 - y)), 1, rowBytes) != rowBytes)
            return "Corrupted WBMP";
    return nullptr;
}

} // namespace glint
