#include "image/codec/DibImageICO.h"

#include "base/ByteOrder.h"
#include "image/ImageStream.h"
#include "image/codec/CodecSupport.h"
#include "image/codec/DibImageBMP.h"

#include <cstring>
#include <vector>

namespace glint {

namespace {

#pragma pack(push, 1)
struct IconDirectory {
    uint8_t reserved[2]; // 0
    uint8_t type[2];     // 1 icon, 2 cursor
    uint8_t count[2];
};
struct IconEntry {
    uint8_t width, height; // 0 means 256
    uint8_t colorCount, reserved;
    uint8_t planes[2];   // cursors: hot spot x
    uint8_t bitCount[2]; // cursors: hot spot y
    uint8_t bytes[4];    // size of the entry's data
    uint8_t offset[4];   // from the start of the directory
};
#pragma pack(pop)
static_assert(sizeof(IconDirectory) == 6);
static_assert(sizeof(IconEntry) == 16);

constexpr uint8_t kPngSignature[4] = {0x89, 'P', 'N', 'G'};

} // namespace

bool CDibImageICO::Decode(ImageStream* stream, uint32_t)
{
    return EndDecode(*this, stream ? DecodeSteps(stream) : "Not an icon");
}

const char* CDibImageICO::DecodeSteps(ImageStream* stream)
{
    const int32_t start = stream->Tell();
    IconDirectory dir;
    if (start < 0 || stream->Read(&dir, sizeof dir, 1) != 1)
        return "Not an icon";
    const uint16_t type = ReadU16LE(dir.type);
    if (ReadU16LE(dir.reserved) != 0 || (type != 1 && type != 2))
        return "Not an icon";
    const uint32_t count = ReadU16LE(dir.count);
    info_.frameCount = int32_t(count);
    // All entries must be there: a directory claiming more than the file
    // holds is damaged, whichever entry is asked for.
    std::vector<IconEntry> entries(count);
    if (count == 0 || stream->Read(entries.data(), sizeof(IconEntry), count) != count)
        return "icon directory larger than the file";
    if (info_.frame < 0 || uint32_t(info_.frame) >= count)
        return "icon entry out of range";
    const IconEntry& e = entries[size_t(info_.frame)];
    const int32_t width = e.width ? e.width : 256, height = e.height ? e.height : 256;
    const uint32_t offset = ReadU32LE(e.offset), bytes = ReadU32LE(e.bytes);
    const int32_t size = stream->Size();
    if (size < 0 || uint64_t(start) + offset + 40 > uint64_t(size) ||
        !stream->Seek(int32_t(start + offset), ImageStream::SEEK_FROM_START))
        return "icon entry outside the file";

    uint8_t signature[4];
    if (stream->Read(signature, 4, 1) != 1 || !stream->Seek(-4, ImageStream::SEEK_FROM_CURRENT))
        return "icon entry outside the file";
    if (std::memcmp(signature, kPngSignature, 4) == 0)
        return DecodePngEntry(stream, bytes);

    BITMAPINFOHEADER h;
    if (!CDibImageBMP::ReadBitmapHeader(stream, &h))
        return "bad icon bitmap header";
    const uint32_t bitCount = h.biBitCount;
    if ((bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) ||
        h.biCompression != BI_RGB)
        return "unsupported icon bitmap";
    if (!Create(width, height, bitCount, FORMAT_ICO))
        return info_.lastError;
    if (const char* error = ReadColourPixels(stream, bitCount, h.biClrUsed))
        return error;

    const uint32_t maskStride = (uint32_t(width) + 31) / 32 * 4;
    std::vector<uint8_t> mask(size_t(maskStride) * size_t(height));
    if (stream->Read(mask.data(), 1, mask.size()) != mask.size())
        return nullptr; // no mask: the colour picture alone
    ApplyMask(mask.data(), maskStride);
    return nullptr;
}

const char* CDibImageICO::DecodePngEntry(ImageStream* stream, uint32_t bytes)
{
    // The entry is handed to the PNG decoder on its own, so the picture
    // cannot read beyond the entry's bytes.
    if (bytes == 0 || bytes > BytesLeft(stream))
        return "icon entry outside the file";
    std::vector<uint8_t> data(bytes);
    if (stream->Read(data.data(), 1, bytes) != bytes)
        return "icon entry outside the file";
    CDibImage png(FORMAT_PNG);
    if (!png.DecodeBuffer(data.data(), data.size(), FORMAT_PNG))
        return "corrupted PNG-compressed icon entry";
    const ImageInfo keep = info_;
    if (!TakeFrom(png))
        return "PNG-compressed icon entry cannot replace a borrowed image";
    const uint32_t stride = info_.effWidth;
    AssignInfo(keep);
    info_.effWidth = stride;
    info_.type = FORMAT_ICO;
    return nullptr;
}

const char* CDibImageICO::ReadColourPixels(ImageStream* stream, uint32_t bitCount, uint32_t colors)
{
    if (IsIndexed()) {
        if (colors > ColorsUsed())
            return "corrupted icon palette";
        std::vector<RGBQUAD> palette(colors);
        if (stream->Read(palette.data(), 4, colors) != colors)
            return "corrupted icon palette";
        for (RGBQUAD& q : palette)
            q.rgbReserved = 0;
        SetPalette(palette.data(), colors);
    }
    const int32_t width = Width(), height = Height();
    if (bitCount == 32) {
        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
        if (stream->Read(pixels.data(), 1, pixels.size()) != pixels.size())
            return "corrupted icon pixels";
        if (!AlphaCreate())
            return "can't allocate memory";
        const uint8_t* p = pixels.data();
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* row = RowPointer(y);
            uint8_t* alpha = alpha_ + size_t(y) * size_t(width);
            for (int32_t x = 0; x < width; ++x, p += 4) {
                row[x * 3] = p[0];
                row[x * 3 + 1] = p[1];
                row[x * 3 + 2] = p[2];
                alpha[x] = p[3];
            }
        }
        return nullptr;
    }
    if (stream->Read(info_.bits, 1, ImageSize()) != ImageSize())
        return "corrupted icon pixels";
    return nullptr;
}

void CDibImageICO::ApplyMask(const uint8_t* mask, uint32_t maskStride)
{
    const int32_t width = Width(), height = Height();
    const size_t maskBytes = size_t(maskStride) * size_t(height);
    bool allSet = true;
    for (size_t i = 0; i < maskBytes && allSet; ++i)
        allSet = mask[i] == 0xFF;
    if (allSet) {
        // Nothing is drawn but the inverted screen: keep it as a negative
        // with index 0 transparent.
        info_.transIndex = 0;
        Negative();
        return;
    }
    auto masked = [&](int32_t x, int32_t y) { return (mask[size_t(y) * maskStride + size_t(x >> 3)] >> (7 - (x & 7))) & 1; };

    const bool ownAlpha = HasAlpha();
    if (!ownAlpha && !AlphaCreate())
        return;
    bool any = false;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (masked(x, y)) {
                alpha_[size_t(y) * size_t(width) + size_t(x)] = 0;
                any = true;
            }
    if (!any && !ownAlpha) {
        AlphaDelete();
        return;
    }
    if (!any || ownAlpha)
        return;

    if (BitCount() == 24) {
        // One colour behind every masked pixel is the transparent colour.
        bool same = true, seen = false;
        RGBQUAD colour{};
        for (int32_t y = 0; y < height && same; ++y)
            for (int32_t x = 0; x < width && same; ++x) {
                if (!masked(x, y))
                    continue;
                const RGBQUAD c = PixelColor(x, y, false);
                if (seen && (c.rgbBlue != colour.rgbBlue || c.rgbGreen != colour.rgbGreen || c.rgbRed != colour.rgbRed))
                    same = false;
                colour = c;
                seen = true;
            }
        if (same) {
            SetTransColor(colour);
            info_.transIndex = 0;
        }
        return;
    }
    // Indexed: a palette index no pixel uses becomes the transparent one.
    bool used[256] = {};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            used[PixelIndex(x, y)] = true;
    uint32_t free = 0;
    while (free < ColorsUsed() && used[free])
        ++free;
    if (free == ColorsUsed())
        return; // every index in use: the alpha plane carries the mask
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (masked(x, y))
                SetPixelIndex(x, y, uint8_t(free));
    info_.transIndex = int32_t(free);
    AlphaDelete();
}

} // namespace glint
