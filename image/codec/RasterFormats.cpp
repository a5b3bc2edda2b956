#include "image/codec/RasterFormats.h"

#include "image/ImageStream.h"
#include "image/codec/CodecSupport.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace glint {

namespace {

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The header and the plain pixel values of PNM and PGX files: numbers
// between white space and (in PNM) comments, # to the end of the line.
class Lexer {
public:
    Lexer(CodecReader& in, bool comments) : in_(in), comments_(comments) {}

    int Get()
    {
        const int c = held_ == kNone ? in_.Next() : held_;
        held_ = kNone;
        return c;
    }
    // The next byte that is neither white space nor part of a comment, left unread.
    int Peek()
    {
        for (;;) {
            int c = Get();
            if (comments_ && c == '#') {
                while (c != -1 && c != '\n' && c != '\r')
                    c = Get();
            } else if (!IsSpace(c)) {
                held_ = c;
                return c;
            }
        }
    }
    // A decimal number of up to nine digits, ending at a byte left unread.
    bool Number(uint32_t& value)
    {
        if (Peek() < '0' || Peek() > '9')
            return false;
        value = 0;
        int digits = 0, c = Get();
        for (; c >= '0' && c <= '9'; c = Get()) {
            if (++digits > 9)
                return false;
            value = value * 10 + uint32_t(c - '0');
        }
        held_ = c;
        return true;
    }
    // The single white-space byte that ends a header before raw samples.
    bool EndHeader() { return IsSpace(Get()); }
    CodecReader& Raw() { return in_; }

private:
    static constexpr int kNone = -2;
    CodecReader& in_;
    bool comments_;
    int held_ = kNone;
};

uint8_t Scale(uint32_t value, uint32_t maxValue)
{
    return maxValue == 255 ? uint8_t(value) : uint8_t((uint64_t(value) * 255 + maxValue / 2) / maxValue);
}

// ---------------------------------------------------------------- PNM

const char* PnmBody(CDibImage& image, Lexer& lex, int kind, uint32_t maxValue)
{
    const uint32_t width = uint32_t(image.Width()), height = uint32_t(image.Height());
    const bool plain = kind <= 3;
    const uint32_t channels = kind == 3 || kind == 6 ? 3 : 1;
    const size_t sampleBytes = maxValue > 255 ? 2 : 1;
    std::vector<uint8_t> raw;
    if (kind == 6 || kind == 5)
        raw.resize(size_t(width) * channels * sampleBytes);
    for (uint32_t y = 0; y < height; ++y) {
        if (image.Info().escape)
            return "Cancelled";
        uint8_t* dst = image.RowPointer(int32_t(height - 1 - y));
        if (kind == 4) { // packed bits, 1 = black, as the picture's palette has it
            if (!lex.Raw().Take(dst, (size_t(width) + 7) / 8))
                return "PNM: the file ends before the picture";
            continue;
        }
        if (kind == 1) {
            std::memset(dst, 0, image.EffWidth());
            for (uint32_t x = 0; x < width; ++x) {
                const int c = lex.Peek() == -1 ? -1 : lex.Get();
                if (c != '0' && c != '1')
                    return c == -1 ? "PNM: the file ends before the picture" : "PNM: bad pixel value";
                if (c == '1')
                    dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
            continue;
        }
        if (!plain && !lex.Raw().Take(raw.data(), raw.size()))
            return "PNM: the file ends before the picture";
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t out[3];
            for (uint32_t c = 0; c < channels; ++c) {
                uint32_t v = 0;
                if (plain) {
                    if (!lex.Number(v))
                        return lex.Peek() == -1 ? "PNM: the file ends before the picture" : "PNM: bad pixel value";
                } else {
                    const uint8_t* s = &raw[(size_t(x) * channels + c) * sampleBytes];
                    v = sampleBytes == 2 ? uint32_t(s[0]) << 8 | s[1] : s[0];
                }
                if (v > maxValue)
                    return "PNM: pixel value above maxval";
                out[c] = Scale(v, maxValue);
            }
            if (channels == 3) {
                dst[x * 3] = out[2];
                dst[x * 3 + 1] = out[1];
                dst[x * 3 + 2] = out[0];
            } else {
                dst[x] = out[0];
            }
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------- Sun raster

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Sun's run-length coding: 0x80 0 is one 0x80 byte, 0x80 n v is n + 1 bytes
// v; anything else stands for itself. Runs may cross rows.
class SunRuns {
public:
    explicit SunRuns(CodecReader& in) : in_(in) {}
    bool Take(uint8_t* out, size_t n)
    {
        while (n) {
            if (!left_) {
                const int c = in_.Next();
                if (c < 0)
                    return false;
                value_ = uint8_t(c);
                left_ = 1;
                if (c == 0x80) {
                    const int count = in_.Next();
                    if (count < 0)
                        return false;
                    if (count) {
                        const int v = in_.Next();
                        if (v < 0)
                            return false;
                        value_ = uint8_t(v);
                        left_ = uint32_t(count) + 1;
                    }
                }
            }
            const size_t part = left_ < n ? left_ : n;
            std::memset(out, value_, part);
            out += part;
            n -= part;
            left_ -= uint32_t(part);
        }
        return true;
    }

private:
    CodecReader& in_;
    uint8_t value_ = 0;
    uint32_t left_ = 0;
};

} // namespace

const char* ReadPnm(CDibImage& image, ImageStream* stream, RasterSize& size)
{
    auto in = std::make_unique<CodecReader>(stream);
    Lexer lex(*in, true);
    if (lex.Get() != 'P')
        return "PNM: not a PNM file";
    const int kind = lex.Get() - '0';
    if (kind < 1 || kind > 6)
        return "PNM: not a PNM file";
    uint32_t width = 0, height = 0, maxValue = 1;
    if (!lex.Number(width) || !lex.Number(height) || (kind != 1 && kind != 4 && !lex.Number(maxValue)))
        return "PNM: bad header";
    if (kind > 3 && !lex.EndHeader())
        return "PNM: bad header";
    if (maxValue == 0 || maxValue > 65535)
        return "PNM: bad maxval";
    if (width == 0 || height == 0)
        return "PNM: bad size";
    if (image.Info().escape == -1) {
        size = {true, width, height};
        return nullptr;
    }
    const uint32_t bitCount = kind == 1 || kind == 4 ? 1 : kind == 3 || kind == 6 ? 24 : 8;
    if (!FitsMemory(width, height, bitCount))
        return "DIBIMAGE_MAX_MEMORY exceeded";
    // A raw picture larger than what the file has left cannot be whole
    // (the reader may already hold up to a buffer of it).
    const uint64_t rawBytes = kind == 4   ? (uint64_t(width) + 7) / 8 * height
                              : kind >= 5 ? uint64_t(width) * height * (kind == 6 ? 3 : 1) * (maxValue > 255 ? 2 : 1)
                                          : uint64_t(width) * height;
    if (stream->Size() > 0 && rawBytes > BytesLeft(stream) + CodecReader::kBufferSize)
        return "PNM: the file ends before the picture";
    if (!image.Create(int32_t(width), int32_t(height), bitCount, FORMAT_PNM))
        return image.LastError();
    if (bitCount == 1) {
        image.SetPaletteEntry(0, 255, 255, 255);
        image.SetPaletteEntry(1, 0, 0, 0);
    } else if (bitCount == 8) {
        image.SetGrayPalette();
    }
    return PnmBody(image, lex, kind, maxValue);
}

const char* ReadPgx(CDibImage& image, ImageStream* stream, RasterSize& size)
{
    auto in = std::make_unique<CodecReader>(stream);
    Lexer lex(*in, false);
    if (lex.Get() != 'P' || lex.Get() != 'G')
        return "PGX: not a PGX file";
    // Byte order: ML is most significant byte first, LM the other way.
    const int first = lex.Peek() == -1 ? -1 : lex.Get(), second = lex.Get();
    if (!((first == 'M' && second == 'L') || (first == 'L' && second == 'M')))
        return "PGX: bad header";
    const bool bigEndian = first == 'M';
    bool sign = false;
    const int c = lex.Peek();
    if (c == '+' || c == '-') {
        sign = c == '-';
        lex.Get();
    }
    uint32_t depth = 0, width = 0, height = 0;
    if (!lex.Number(depth) || !lex.Number(width) || !lex.Number(height) || !lex.EndHeader())
        return "PGX: bad header";
    if (depth < 1 || depth > 16)
        return "PGX: unsupported sample depth";
    if (width == 0 || height == 0)
        return "PGX: bad size";
    if (image.Info().escape == -1) {
        size = {true, width, height};
        return nullptr;
    }
    if (!FitsMemory(width, height, 8))
        return "DIBIMAGE_MAX_MEMORY exceeded";
    const size_t sampleBytes = depth > 8 ? 2 : 1;
    if (stream->Size() > 0 && uint64_t(width) * height * sampleBytes > BytesLeft(stream) + CodecReader::kBufferSize)
        return "PGX: the file ends before the picture";
    if (!image.Create(int32_t(width), int32_t(height), 8, FORMAT_PGX))
        return image.LastError();
    image.SetGrayPalette();
    std::vector<uint8_t> raw(size_t(width) * sampleBytes);
    const uint32_t mask = (1u << depth) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        if (image.Info().escape)
            return "Cancelled";
        if (!in->Take(raw.data(), raw.size()))
            return "PGX: the file ends before the picture";
        uint8_t* dst = image.RowPointer(int32_t(height - 1 - y));
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* s = &raw[size_t(x) * sampleBytes];
            uint32_t v = sampleBytes == 1 ? s[0] : bigEndian ? uint32_t(s[0]) << 8 | s[1] : uint32_t(s[1]) << 8 | s[0];
            v &= mask;
            // Signed samples: two's complement in `depth` bits, moved up so
            // the most negative value is black.
            if (sign)
                v = (v + (1u << (depth - 1))) & mask;
            dst[x] = depth > 8 ? uint8_t(v >> (depth - 8)) : Scale(v, mask);
        }
    }
    return nullptr;
}

const char* ReadSunRaster(CDibImage& image, ImageStream* stream, RasterSize& size)
{
    auto in = std::make_unique<CodecReader>(stream);
    uint8_t head[32];
    if (!in->Take(head, sizeof head) || Be32(head) != 0x59A66A95)
        return "Sun raster: not a Sun raster file";
    const uint32_t width = Be32(head + 4), height = Be32(head + 8), depth = Be32(head + 12);
    const uint32_t type = Be32(head + 20), mapType = Be32(head + 24), mapLength = Be32(head + 28);
    enum { kOld = 0, kStandard = 1, kRunLength = 2, kRgb = 3 };
    if (depth != 1 && depth != 8 && depth != 24 && depth != 32)
        return "Sun raster: unsupported depth";
    if (type > kRgb)
        return "Sun raster: unsupported type";
    if (mapType > 2 || (mapType == 1 && (mapLength % 3 || mapLength > 768)) || mapLength > (1u << 20))
        return "Sun raster: bad colour map";
    if (width == 0 || height == 0)
        return "Sun raster: bad size";
    if (image.Info().escape == -1) {
        size = {true, width, height};
        return nullptr;
    }
    const uint32_t bitCount = depth == 32 ? 24 : depth;
    if (!FitsMemory(width, height, bitCount))
        return "DIBIMAGE_MAX_MEMORY exceeded";
    uint8_t map[768] = {};
    if (mapType == 1 ? !in->Take(map, mapLength) : !in->Skip(mapLength))
        return "Sun raster: the file ends before the picture";
    // Rows are padded to 16 bits.
    const size_t rowBytes = (size_t(width) * depth + 15) / 16 * 2;
    if (type != kRunLength && stream->Size() > 0 &&
        uint64_t(rowBytes) * height > BytesLeft(stream) + CodecReader::kBufferSize)
        return "Sun raster: the file ends before the picture";
    if (!image.Create(int32_t(width), int32_t(height), bitCount, FORMAT_RAS))
        return image.LastError();
    const uint32_t entries = mapType == 1 ? mapLength / 3 : 0;
    if (depth == 1 && entries < 2) { // 0 is white, 1 black
        image.SetPaletteEntry(0, 255, 255, 255);
        image.SetPaletteEntry(1, 0, 0, 0);
    } else if (depth == 8 && entries == 0) {
        image.SetGrayPalette();
    } else if (depth <= 8) {
        const uint32_t count = entries < (1u << depth) ? entries : (1u << depth);
        for (uint32_t i = 0; i < count; ++i)
            image.SetPaletteEntry(i, map[i], map[entries + i], map[2 * entries + i]);
    }
    std::vector<uint8_t> row(rowBytes);
    SunRuns runs(*in);
    const bool rgbOrder = type == kRgb;
    for (uint32_t y = 0; y < height; ++y) {
        if (image.Info().escape)
            return "Cancelled";
        if (!(type == kRunLength ? runs.Take(row.data(), rowBytes) : in->Take(row.data(), rowBytes)))
            return "Sun raster: the file ends before the picture";
        uint8_t* dst = image.RowPointer(int32_t(height - 1 - y));
        if (depth <= 8) {
            std::memcpy(dst, row.data(), (size_t(width) * depth + 7) / 8);
            continue;
        }
        const size_t step = depth / 8, skip = depth == 32 ? 1 : 0; // 32 bits: a pad byte first
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* s = &row[x * step + skip];
            dst[x * 3] = rgbOrder ? s[2] : s[0];
            dst[x * 3 + 1] = s[1];
            dst[x * 3 + 2] = rgbOrder ? s[0] : s[2];
        }
    }
    return nullptr;
}

} // namespace glint
