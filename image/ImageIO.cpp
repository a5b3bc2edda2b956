// The door of the image library: loading by path, decoding from a stream or
// a memory block with a known or an unknown format, and encoding (BMP).
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/codec/DibImageBMP.h"
#include "image/codec/DibImageGIF.h"
#include "image/codec/DibImageICO.h"
#include "image/codec/DibImageJAS.h"
#include "image/codec/DibImageJPG.h"
#include "image/codec/DibImagePNG.h"
#include "image/codec/DibImageTIF.h"
#include "image/codec/DibImagePCX.h"
#include "image/codec/DibImageTGA.h"
#include "image/codec/DibImageWBMP.h"
#ifdef _WIN32
#include "image/gdi/DibImageWMF.h"
#endif

#include <cstring>

namespace glint {

namespace {

// Runs one codec on its own temporary object, so a failed decode leaves the
// caller's picture as it was; a successful one is moved into the caller.
// Codec classes provide Codec(format) and Decode(stream, format).
template <class Codec, bool ReportsFrameCount = false>
bool RunCodec(CDibImage& caller, ImageStream* stream, uint32_t format)
{
    Codec codec(format);
    codec.CopyInfoFrom(caller);
    if (codec.Decode(stream, format)) {
        if (caller.TakeFrom(codec))
            return true;
        caller.SetLastError("Decode: the image borrows another's buffers and cannot be replaced");
        return false;
    }
    caller.SetLastError(codec.LastError());
    if (ReportsFrameCount)
        caller.SetFrameCount(codec.FrameCount()); // so a caller asking for a missing frame learns how many exist
    return false;
}

#ifndef _WIN32
// Metafiles are played through Windows GDI; without it they are left out,
// and a caller naming the format learns why when the data is one.
bool RefuseMetafile(CDibImage& caller, ImageStream* stream, uint32_t format)
{
    if (format != FORMAT_WMF)
        return false;
    uint8_t head[44] = {};
    const size_t got = stream->Read(head, 1, sizeof head);
    const bool placeable = got >= 4 && head[0] == 0xD7 && head[1] == 0xCD && head[2] == 0xC6 && head[3] == 0x9A;
    const bool enhanced = got == sizeof head && head[0] == 1 && std::memcmp(head + 40, " EMF", 4) == 0;
    caller.SetLastError(placeable || enhanced
                            ? "WMF: metafiles (WMF, EMF) are drawn through Windows GDI, which this build does not have"
                            : "corrupted WMF");
    return false;
}
#endif

struct CodecEntry {
    uint32_t firstFormat, lastFormat; // the ImageFormat codes this codec decodes
    bool (*run)(CDibImage& caller, ImageStream* stream, uint32_t format);
};

// One entry per codec, in the order they are tried for FORMAT_UNKNOWN:
// BMP, JPG, ICO, GIF, PNG, TIF, TGA, PCX, WBMP, WMF, JAS.
constexpr CodecEntry kCodecs[] = {
    {FORMAT_BMP, FORMAT_BMP, &RunCodec<CDibImageBMP>},
    {FORMAT_JPG, FORMAT_JPG, &RunCodec<CDibImageJPG>},
    {FORMAT_ICO, FORMAT_ICO, &RunCodec<CDibImageICO, true>},
    {FORMAT_GIF, FORMAT_GIF, &RunCodec<CDibImageGIF, true>},
    {FORMAT_PNG, FORMAT_PNG, &RunCodec<CDibImagePNG>},
    {FORMAT_TIF, FORMAT_TIF, &RunCodec<CDibImageTIF, true>},
    {FORMAT_TGA, FORMAT_TGA, &RunCodec<CDibImageTGA>},
    {FORMAT_PCX, FORMAT_PCX, &RunCodec<CDibImagePCX>},
    {FORMAT_WBMP, FORMAT_WBMP, &RunCodec<CDibImageWBMP>},
#ifdef _WIN32
    {FORMAT_WMF, FORMAT_WMF, &RunCodec<CDibImageWMF>},
#else
    {FORMAT_WMF, FORMAT_WMF, &RefuseMetafile},
#endif
    {FORMAT_JP2, FORMAT_RAS, &RunCodec<CDibImageJAS, true>},
};

const CodecEntry* CodecFor(uint32_t format)
{
    for (const CodecEntry& entry : kCodecs)
        if (format >= entry.firstFormat && format <= entry.lastFormat)
            return &entry;
    return nullptr;
}

const char kUnknownFormat[] = "Decode: Unknown or wrong format";

} // namespace

bool CDibImage::LoadFile(const char* path, uint32_t format)
{
    if (!path)
        return false;
    if (format >= 1 && format < FORMAT_COUNT) {
        std::FILE* file = std::fopen(path, "rb");
        if (!file)
            return false;
        const bool ok = DecodeFile(file, format);
        std::fclose(file);
        if (ok)
            return true;
    }
    // The typed attempt failed (or none was asked for): try every codec, but
    // report the typed attempt's message when that fails too.
    char saved[sizeof info_.lastError];
    std::memcpy(saved, info_.lastError, sizeof saved);
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    const bool ok = DecodeFile(file, FORMAT_UNKNOWN);
    std::fclose(file);
    if (ok)
        return true;
    if (format != FORMAT_UNKNOWN)
        std::memcpy(info_.lastError, saved, sizeof saved);
    return false;
}

bool CDibImage::DecodeFile(std::FILE* file, uint32_t format)
{
    ImageFileStream stream(file); // does not close the caller's file
    return DecodeStream(&stream, format);
}

bool CDibImage::DecodeBuffer(const uint8_t* bytes, size_t size, uint32_t format)
{
    if (!bytes) {
        SetLastError(kUnknownFormat);
        return false;
    }
    // The stream only reads; it never writes to or frees the caller's bytes.
    ImageMemoryStream stream(const_cast<uint8_t*>(bytes), size);
    return DecodeStream(&stream, format);
}

bool CDibImage::DecodeStream(ImageStream* stream, uint32_t format)
{
    if (!stream) {
        SetLastError(kUnknownFormat);
        return false;
    }
    if (format != FORMAT_UNKNOWN) {
        const CodecEntry* entry = CodecFor(format);
        if (!entry) {
            SetLastError(kUnknownFormat);
            return false;
        }
        return entry->run(*this, stream, format);
    }
    const int32_t start = stream->Tell();
    char saved[sizeof info_.lastError];
    std::memcpy(saved, info_.lastError, sizeof saved);
    for (const CodecEntry& entry : kCodecs) {
        // Each codec starts from the first byte of the picture.
        if (!stream->Seek(start, ImageStream::SEEK_FROM_START))
            break;
        if (entry.run(*this, stream, FORMAT_UNKNOWN))
            return true;
        std::memcpy(info_.lastError, saved, sizeof saved); // a trial's message is not kept
    }
    stream->Seek(start, ImageStream::SEEK_FROM_START);
    SetLastError(kUnknownFormat);
    return false;
}

bool CDibImage::EncodeStream(ImageStream* stream, uint32_t format)
{
    if (format != FORMAT_BMP) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    CDibImageBMP codec;
    codec.ShareFrom(this); // borrows our buffers; its destruction frees nothing of ours
    if (codec.Encode(stream))
        return true;
    SetLastError(codec.LastError());
    return false;
}

bool CDibImage::EncodeBuffer(uint8_t*& buffer, uint32_t& size, uint32_t format)
{
    if (buffer)
        return false;
    ImageMemoryStream stream;
    if (!stream.OpenEmpty()) {
        SetLastError("can't allocate memory");
        return false;
    }
    if (!EncodeStream(&stream, format))
        return false; // the stream frees what it wrote
    size = uint32_t(stream.Size());
    buffer = stream.Buffer();
    stream.Release();
    return true;
}

} // namespace glint
