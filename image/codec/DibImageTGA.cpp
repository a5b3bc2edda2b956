#include "image/codec/DibImageTGA.h"

#include "base/ByteOrder.h"
#include "image/codec/CodecSupport.h"

#include <cstring>
#include <memory>
#include <new>

namespace glint {

namespace {

#pragma pack(push, 1)
struct TgaHeader {
    uint8_t idLength;
    uint8_t colorMapType;
    uint8_t imageType;
    uint8_t mapFirst[2], mapLength[2];
    uint8_t mapEntryBits;
    uint8_t xOrigin[2], yOrigin[2];
    uint8_t width[2], height[2];
    uint8_t depth;
    uint8_t descriptor;
};
#pragma pack(pop)
static_assert(sizeof(TgaHeader) == 18);

constexpr uint8_t kRightToLeft = 0x10;
constexpr uint8_t kTopFirst = 0x20;

bool IsColourMapped(uint8_t type) { return type == 1 || type == 9; }
bool IsGrey(uint8_t type) { return type == 3 || type == 11; }
bool IsRunLength(uint8_t type) { return type >= 9; }

// A 5-5-5 word: blue in the low bits.
void Expand555(const uint8_t* p, uint8_t* bgr)
{
    const uint32_t w = ReadU16LE(p);
    bgr[0] = uint8_t((w & 0x1F) << 3);
    bgr[1] = uint8_t((w >> 2) & 0xF8);
    bgr[2] = uint8_t((w >> 7) & 0xF8);
}

// Stores n file pixels of the given byte size at column x of a row.
void StorePixels(const uint8_t* src, uint32_t n, uint32_t bytes, uint8_t* row, uint8_t* alpha, uint32_t x)
{
    switch (bytes) {
    case 1: std::memcpy(row + x, src, n); break;
    case 2:
        for (uint32_t i = 0; i < n; ++i)
            Expand555(src + 2 * i, row + 3 * (x + i));
        break;
    case 3: std::memcpy(row + 3 * x, src, size_t(n) * 3); break;
    default:
        for (uint32_t i = 0; i < n; ++i) {
            uint8_t* d = row + 3 * (x + i);
            d[0] = src[4 * i];
            d[1] = src[4 * i + 1];
            d[2] = src[4 * i + 2];
            alpha[x + i] = src[4 * i + 3];
        }
    }
}

// Stores one file pixel n times from column x.
void RepeatPixel(const uint8_t* src, uint32_t n, uint32_t bytes, uint8_t* row, uint8_t* alpha, uint32_t x)
{
    switch (bytes) {
    case 1: std::memset(row + x, src[0], n); break;
    case 2: {
        uint8_t bgr[3];
        Expand555(src, bgr);
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(row + 3 * (x + i), bgr, 3);
        break;
    }
    case 3:
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(row + 3 * (x + i), src, 3);
        break;
    default:
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(row + 3 * (x + i), src, 3);
        std::memset(alpha + x, src[3], n);
    }
}

} // namespace

bool CDibImageTGA::Decode(ImageStream* stream, uint32_t)
{
    return EndDecode(*this, stream ? DecodeSteps(stream) : "Not a TGA");
}

const char* CDibImageTGA::DecodeSteps(ImageStream* stream)
{
    TgaHeader h;
    if (stream->Read(&h, sizeof h, 1) != 1)
        return "Not a TGA";
    const uint8_t type = h.imageType;
    if (!(type >= 1 && type <= 3) && !(type >= 9 && type <= 11))
        return "Unknown TGA image type";
    const uint32_t width = ReadU16LE(h.width), height = ReadU16LE(h.height), depth = h.depth;
    const uint32_t mapFirst = ReadU16LE(h.mapFirst), mapLength = ReadU16LE(h.mapLength);
    if (!width || !height || !depth || mapLength > 256 ||
        (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return "bad TGA header";
    // Indices need a palette of 8 bits and grey levels are 8 bits; true
    // colour is never 8 bits. Other combinations cannot be shown right.
    if ((IsColourMapped(type) || IsGrey(type)) != (depth == 8))
        return "bad TGA header";
    if (IsColourMapped(type) && (h.colorMapType != 1 || mapFirst + mapLength > 256))
        return "bad TGA header";
    const uint32_t mapBits = h.mapEntryBits;
    if (h.colorMapType == 1 && mapLength && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return "bad TGA header";
    // Every run-length packet of 1 + bytes gives at most 128 pixels; a raw
    // picture needs all its bytes. Larger claims are damaged files.
    const uint32_t bytes = (depth + 7) / 8;
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t left = BytesLeft(stream);
    if (IsRunLength(type) ? pixels > (left / (1 + bytes) + 1) * 128 : pixels * bytes > left)
        return "corrupted TGA";

    CodecReader in(stream);
    if (!in.Skip(h.idLength))
        return "corrupted TGA";
    if (!Create(int32_t(width), int32_t(height), depth, FORMAT_TGA) || (depth == 32 && !AlphaCreate()))
        return "TGA Create failed";
    if (info_.escape)
        return "Cancelled";
    if (h.colorMapType == 1) {
        if (const char* error = ReadColourMap(in, mapFirst, mapLength, mapBits))
            return error;
    }
    if (IsGrey(type))
        SetGrayPalette();

    const bool topFirst = h.descriptor & kTopFirst;
    const uint32_t lineBytes = width * bytes;
    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[lineBytes]);
    if (!line)
        return "can't allocate memory";
    uint32_t runLeft = 0;   // pixels of the current packet still to come
    bool repeat = false;    // the packet repeats one pixel
    uint8_t pixel[4] = {};  // that pixel
    for (uint32_t y = 0; y < height; ++y) {
        if (info_.escape)
            return "Cancelled";
        const int32_t row = topFirst ? int32_t(height - 1 - y) : int32_t(y);
        uint8_t* out = RowPointer(row);
        uint8_t* alpha = alpha_ ? alpha_ + size_t(row) * width : nullptr;
        if (!IsRunLength(type)) {
            if (!in.Take(line.get(), lineBytes))
                return "corrupted TGA";
            StorePixels(line.get(), width, bytes, out, alpha, 0);
            continue;
        }
        for (uint32_t x = 0; x < width;) {
            if (runLeft == 0) {
                const int packet = in.Next();
                if (packet < 0)
                    return "corrupted TGA";
                runLeft = uint32_t(packet & 0x7F) + 1;
                repeat = packet & 0x80;
                if (repeat && !in.Take(pixel, bytes))
                    return "corrupted TGA";
            }
            // A packet may run on into the next line: what is left is carried.
            const uint32_t n = runLeft < width - x ? runLeft : width - x;
            if (repeat) {
                RepeatPixel(pixel, n, bytes, out, alpha, x);
            } else {
                if (!in.Take(line.get(), size_t(n) * bytes))
                    return "corrupted TGA";
                StorePixels(line.get(), n, bytes, out, alpha, x);
            }
            x += n;
            runLeft -= n;
        }
    }
    in.Give();
    if ((h.descriptor & kRightToLeft) && !Mirror())
        return "can't allocate memory";
    return nullptr;
}

const char* CDibImageTGA::ReadColourMap(CodecReader& in, uint32_t first, uint32_t length, uint32_t entryBits)
{
    const uint32_t entryBytes = (entryBits + 7) / 8;
    uint8_t raw[256 * 4];
    if (!in.Take(raw, size_t(length) * entryBytes))
        return "corrupted TGA";
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t bgr[3];
        const uint8_t* e = raw + i * entryBytes;
        if (entryBytes == 2)
            Expand555(e, bgr);
        else
            std::memcpy(bgr, e, 3);
        // True-colour pictures keep no palette; their map is only skipped.
        if (IsIndexed() && first + i < ColorsUsed())
            SetPaletteEntry(first + i, bgr[2], bgr[1], bgr[0]);
    }
    return nullptr;
}

} // namespace glint
