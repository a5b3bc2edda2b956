#include "image/codec/DibImagePCX.h"

#include "base/ByteOrder.h"
#include "image/codec/CodecSupport.h"

#include <cstring>
#include <memory>
#include <new>

namespace glint {

namespace {

#pragma pack(push, 1)
struct PcxHeader {
    uint8_t manufacturer; // 0x0A
    uint8_t version;
    uint8_t encoding; // 1: run-length
    uint8_t bitsPerPixel; // per plane
    uint8_t xMin[2], yMin[2], xMax[2], yMax[2];
    uint8_t hRes[2], vRes[2];
    uint8_t colorMap[48]; // 16 entries of red, green, blue
    uint8_t reserved;
    uint8_t planes;
    uint8_t bytesPerLine[2]; // per plane
    uint8_t rest[60];
};
#pragma pack(pop)
static_assert(sizeof(PcxHeader) == 128);

constexpr uint8_t kPaletteSignature = 0x0C;

} // namespace

bool CDibImagePCX::Decode(ImageStream* stream, uint32_t)
{
    return EndDecode(*this, stream ? DecodeSteps(stream) : "Can't read PCX image");
}

const char* CDibImagePCX::DecodeSteps(ImageStream* stream)
{
    PcxHeader h;
    if (stream->Read(&h, sizeof h, 1) != 1)
        return "Can't read PCX image";
    if (h.manufacturer != 0x0A)
        return "Error: Not a PCX file";
    if (h.encoding != 1)
        return "PCX file has unknown encoding scheme";
    const int32_t width = int32_t(ReadU16LE(h.xMax)) - ReadU16LE(h.xMin) + 1;
    const int32_t height = int32_t(ReadU16LE(h.yMax)) - ReadU16LE(h.yMin) + 1;
    const uint32_t planes = h.planes, bpp = h.bitsPerPixel, bytesPerLine = ReadU16LE(h.bytesPerLine);
    if (planes > 4)
        return "Can't handle image with more than 4 planes";
    if (width <= 0 || height <= 0 || planes == 0 || (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8))
        return "corrupted PCX";
    if (planes > 1 && bpp != 1 && bpp != 8)
        return "Can't handle more than 1 bit per pixel";
    if (planes == 2 && bpp == 8)
        return "Can't handle more than 1 bit per pixel";
    // A line must hold its pixels; a shorter one would make every later
    // line read the wrong bytes.
    if (uint64_t(bytesPerLine) * 8 < uint64_t(width) * bpp)
        return "corrupted PCX";
    // Each two bytes of run-length data give at most 63 bytes: a picture
    // bigger than the file can describe is damaged, not worth memory.
    const uint64_t total = uint64_t(bytesPerLine) * planes * uint64_t(height);
    if (total > BytesLeft(stream) * 32 + 63)
        return "corrupted PCX";

    SetXDPI(ReadU16LE(h.hRes));
    SetYDPI(ReadU16LE(h.vRes));
    const bool trueColor = bpp == 8 && planes >= 3;
    // Separate 1-bit planes combine into indices of planes bits.
    const uint32_t bitCount = trueColor ? 24 : planes > 1 ? planes : bpp;
    if (!Create(width, height, bitCount, FORMAT_PCX))
        return info_.lastError;
    if (trueColor && planes == 4 && !AlphaCreate())
        return "can't allocate memory";
    if (info_.escape)
        return "Cancelled";

    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[size_t(total)]);
    if (!data)
        return "can't allocate memory";
    CodecReader in(stream);
    for (uint64_t at = 0; at < total;) {
        int b = in.Next();
        if (b < 0)
            return "corrupted PCX";
        uint32_t count = 1;
        if ((b & 0xC0) == 0xC0) {
            count = uint32_t(b & 0x3F);
            b = in.Next();
            if (b < 0)
                return "corrupted PCX";
            if (count > total - at)
                return "repeat count spans end of image";
        }
        std::memset(data.get() + at, b, count);
        at += count;
    }

    // Palette: the header's 16 entries, replaced by the 256 at the end for
    // 8-bit pictures, black and white for 1-bit ones.
    uint8_t colours[768];
    std::memcpy(colours, h.colorMap, sizeof h.colorMap);
    if (planes == 1 && bpp == 8) {
        if (in.Next() != kPaletteSignature)
            return "bad color map signature";
        if (!in.Take(colours, sizeof colours))
            return "corrupted PCX";
    } else if (planes == 1 && bpp == 1) {
        static const uint8_t kBlackWhite[6] = {0, 0, 0, 255, 255, 255};
        std::memcpy(colours, kBlackWhite, sizeof kBlackWhite);
    }
    in.Give();
    for (uint32_t i = 0; i < ColorsUsed() && i < 256; ++i)
        SetPaletteEntry(i, colours[i * 3], colours[i * 3 + 1], colours[i * 3 + 2]);

    const uint32_t w = uint32_t(width);
    for (int32_t y = 0; y < height; ++y) {
        if (info_.escape)
            return "Cancelled";
        const int32_t row = height - 1 - y;
        const uint8_t* line = data.get() + size_t(y) * planes * bytesPerLine;
        uint8_t* out = RowPointer(row);
        if (trueColor) {
            const uint8_t *r = line, *g = line + bytesPerLine, *b = line + 2 * bytesPerLine;
            for (uint32_t x = 0; x < w; ++x) {
                out[x * 3] = b[x];
                out[x * 3 + 1] = g[x];
                out[x * 3 + 2] = r[x];
            }
            if (planes == 4)
                std::memcpy(alpha_ + size_t(row) * w, line + 3 * bytesPerLine, w);
        } else if (planes == 1) {
            if (bpp == 8) {
                std::memcpy(out, line, w);
                continue;
            }
            const uint32_t perByte = 8 / bpp, mask = (1u << bpp) - 1;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t shift = 8 - bpp * (x % perByte + 1);
                SetPixelIndex(int32_t(x), row, uint8_t((line[x / perByte] >> shift) & mask));
            }
        } else {
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t index = 0;
                for (uint32_t p = 0; p < planes; ++p)
                    index |= uint8_t(((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1) << p);
                SetPixelIndex(int32_t(x), row, index);
            }
        }
    }
    return nullptr;
}

} // namespace glint
