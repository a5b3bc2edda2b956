#include "image/codec/DibImageBMP.h"

#include "base/ByteOrder.h"
#include "image/ImageStream.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace glint {

namespace {

#pragma pack(push, 1)
struct BmpFileHeader {
    uint8_t type[2]; // "BM"
    uint8_t fileSize[4];
    uint8_t reserved1[2];
    uint8_t reserved2[2];
    uint8_t dataOffset[4]; // from the start of this header
};
struct BmpCoreHeader {
    uint8_t size[4]; // 12
    uint8_t width[2];
    uint8_t height[2];
    uint8_t planes[2];
    uint8_t bitCount[2];
};
struct BmpInfoHeader {
    uint8_t size[4];
    uint8_t width[4];
    uint8_t height[4];
    uint8_t planes[2];
    uint8_t bitCount[2];
    uint8_t compression[4];
    uint8_t imageSize[4];
    uint8_t xPelsPerMeter[4];
    uint8_t yPelsPerMeter[4];
    uint8_t colorsUsed[4];
    uint8_t colorsImportant[4];
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14);
static_assert(sizeof(BmpCoreHeader) == 12);
static_assert(sizeof(BmpInfoHeader) == 40);

constexpr uint16_t kBmpMagic = 0x4D42; // "BM"

// Header sizes written by real programs beyond the 40-byte one: V2, V3,
// OS/2 2.x, V4 and V5. Their first 40 bytes are the common header and bit
// field masks, where present, sit right after those 40 bytes. We accept these
// sizes with any compression, more than the plain-bitmap rule that applies to
// other sizes above 40: files written this way are common and decode exactly.
bool IsKnownLongHeader(uint32_t size) { return size == 52 || size == 56 || size == 64 || size == 108 || size == 124; }

uint64_t RowBytes(uint64_t width, uint32_t bitCount) { return (uint64_t(bitCount) * width + 31) / 32 * 4; }

// Reads through the stream in large chunks; the run-length decoders take one
// byte at a time and a virtual call per byte would dominate their cost.
class ByteReader {
public:
    explicit ByteReader(ImageStream* stream) : stream_(stream) {}
    // The next byte, or -1 at the end of the stream.
    int Next()
    {
        if (pos_ == len_ && !Refill())
            return -1;
        return buf_[pos_++];
    }

private:
    bool Refill()
    {
        len_ = stream_->Read(buf_, 1, sizeof buf_);
        pos_ = 0;
        return len_ != 0;
    }
    ImageStream* stream_;
    uint8_t buf_[16384];
    size_t pos_ = 0, len_ = 0;
};

int CountBits(uint32_t v)
{
    int n = 0;
    for (; v; v &= v - 1)
        ++n;
    return n;
}

// One colour channel described by a bit mask, widened or narrowed to 8 bits.
// For the usual contiguous masks (5-5-5, 5-6-5, 4-4-4) this is the value
// shifted into the top of the byte; odd masks never make a negative shift.
struct Channel {
    explicit Channel(uint32_t mask) : mask(mask)
    {
        if (mask)
            while (!((mask >> shift) & 1))
                ++shift;
        width = CountBits(mask);
    }
    uint8_t Of(uint32_t pixel) const
    {
        uint32_t v = (pixel & mask) >> shift;
        return uint8_t(width >= 8 ? v >> (width - 8) : v << (8 - width));
    }
    uint32_t mask;
    int shift = 0;
    int width = 0;
};

} // namespace

bool CDibImageBMP::ReadBitmapHeader(ImageStream* stream, BITMAPINFOHEADER* header)
{
    if (!stream || !header)
        return false;
    // The size field first: a core header is only 12 bytes, and a small file
    // with one may not have 40 bytes to read at all.
    uint8_t raw[sizeof(BmpInfoHeader)] = {};
    if (stream->Read(raw, 4, 1) != 1)
        return false;
    const uint32_t size = ReadU32LE(raw);
    if (size == sizeof(BmpCoreHeader)) {
        if (stream->Read(raw + 4, sizeof(BmpCoreHeader) - 4, 1) != 1)
            return false;
        const auto* core = reinterpret_cast<const BmpCoreHeader*>(raw);
        BITMAPINFOHEADER h{};
        h.biSize = 12;
        h.biWidth = ReadU16LE(core->width);
        h.biHeight = ReadU16LE(core->height);
        h.biPlanes = ReadU16LE(core->planes);
        h.biBitCount = ReadU16LE(core->bitCount);
        *header = h;
    } else {
        if (size < sizeof(BmpInfoHeader) || stream->Read(raw + 4, sizeof(BmpInfoHeader) - 4, 1) != 1)
            return false;
        const auto* info = reinterpret_cast<const BmpInfoHeader*>(raw);
        BITMAPINFOHEADER h{};
        h.biSize = size;
        h.biWidth = ReadI32LE(info->width);
        h.biHeight = ReadI32LE(info->height);
        h.biPlanes = ReadU16LE(info->planes);
        h.biBitCount = ReadU16LE(info->bitCount);
        h.biCompression = ReadU32LE(info->compression);
        h.biSizeImage = ReadU32LE(info->imageSize);
        h.biXPelsPerMeter = ReadI32LE(info->xPelsPerMeter);
        h.biYPelsPerMeter = ReadI32LE(info->yPelsPerMeter);
        h.biClrUsed = ReadU32LE(info->colorsUsed);
        h.biClrImportant = ReadU32LE(info->colorsImportant);
        if (size > sizeof(BmpInfoHeader)) {
            if (!IsKnownLongHeader(size)) {
                // An unknown size is believed only when the rest of the header
                // looks like a plain uncompressed bitmap.
                const uint64_t expected = RowBytes(uint64_t(std::abs(int64_t(h.biWidth))), h.biBitCount) *
                                          uint64_t(std::abs(int64_t(h.biHeight)));
                if (h.biSizeImage != expected || h.biPlanes != 1 || h.biCompression != BI_RGB || h.biClrUsed != 0)
                    return false;
            }
            if (size - 40 > uint32_t(INT32_MAX) || !stream->Seek(int32_t(size - 40), ImageStream::SEEK_FROM_CURRENT))
                return false;
        }
        *header = h;
    }
    if (header->biSizeImage == 0) {
        const uint64_t bytes =
            RowBytes(uint64_t(std::abs(int64_t(header->biWidth))), header->biBitCount) *
            uint64_t(std::abs(int64_t(header->biHeight)));
        header->biSizeImage = bytes > UINT32_MAX ? UINT32_MAX : DWORD(bytes);
    }
    if (header->biClrUsed == 0)
        header->biClrUsed = header->biBitCount <= 8 ? (1u << header->biBitCount) : 0;
    return true;
}

bool CDibImageBMP::Decode(ImageStream* stream, uint32_t)
{
    const char* error = stream ? DecodeSteps(stream) : "Not a BMP";
    if (!error)
        return true;
    if (error != info_.lastError) // Create's own message is already in place
        SetLastError(error);
    return false;
}

const char* CDibImageBMP::DecodeSteps(ImageStream* stream)
{
    const int32_t start = stream->Tell();
    if (start < 0)
        return "Not a BMP";
    BmpFileHeader fileHeader;
    if (stream->Read(&fileHeader, sizeof fileHeader, 1) != 1)
        return "Not a BMP";
    uint32_t dataOffset = ReadU32LE(fileHeader.dataOffset);
    const bool haveFileHeader = ReadU16LE(fileHeader.type) == kBmpMagic;
    if (!haveFileHeader) {
        // A bare information header: palette and pixels follow it directly.
        dataOffset = 0;
        if (!stream->Seek(start, ImageStream::SEEK_FROM_START))
            return "Not a BMP";
    }
    const int32_t headerStart = stream->Tell();

    BITMAPINFOHEADER fileInfo;
    if (!ReadBitmapHeader(stream, &fileInfo))
        return "Error reading BMP info";
    const uint32_t compression = fileInfo.biCompression;
    const uint32_t bitCount = fileInfo.biBitCount;
    const uint32_t headerSize = fileInfo.biSize;
    const bool oldFormat = headerSize == 12;
    // -INT32_MIN has no 32-bit value; no real picture is that tall anyway.
    if (fileInfo.biHeight == INT32_MIN || fileInfo.biWidth <= 0)
        return "Error reading BMP info";
    const bool topDown = fileInfo.biHeight < 0;
    const int32_t height = topDown ? -fileInfo.biHeight : fileInfo.biHeight;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return "unsupported bit count";

    if (!Create(fileInfo.biWidth, height, bitCount, FORMAT_BMP)) {
        // Keep Create's reason when it is not about memory: "Can't allocate
        // memory" for a zero-sized or absurdly large header would mislead.
        if (std::strcmp(LastError(), "CDibImage::Create can't allocate memory") == 0)
            return "Can't allocate memory";
        return info_.lastError;
    }
    head_.biXPelsPerMeter = fileInfo.biXPelsPerMeter;
    head_.biYPelsPerMeter = fileInfo.biYPelsPerMeter;
    std::memcpy(dib_, &head_, sizeof head_);
    const int32_t xDpi = int32_t(std::floor(fileInfo.biXPelsPerMeter * 0.0254 + 0.5));
    const int32_t yDpi = int32_t(std::floor(fileInfo.biYPelsPerMeter * 0.0254 + 0.5));
    info_.xDpi = xDpi >= 1 ? xDpi : 96;
    info_.yDpi = yDpi >= 1 ? yDpi : 96;

    if (info_.escape)
        return "Cancelled";
    if (IsIndexed()) {
        if (const char* error = ReadPalette(stream, oldFormat))
            return error;
    }
    if (info_.escape)
        return "Cancelled";

    const int64_t dataStart = dataOffset ? int64_t(start) + dataOffset : -1;
    if (dataStart > INT32_MAX)
        return "bad pixel data offset";
    if (const char* error = ReadPixels(stream, int32_t(dataStart), headerStart, bitCount, compression, headerSize))
        return error;
    if (topDown && !Flip())
        return "Can't allocate memory";
    return nullptr;
}

const char* CDibImageBMP::ReadPalette(ImageStream* stream, bool oldFormat)
{
    // The whole palette of the bit count is read, whatever the file's own
    // colours-used value says: a file without a usable data offset has its
    // pixels right after that many entries.
    const uint32_t n = ColorsUsed();
    RGBQUAD* pal = Palette();
    uint8_t* raw = reinterpret_cast<uint8_t*>(pal);
    // A short file leaves the entries it lacks black.
    const uint32_t toRead = uint32_t(oldFormat ? stream->Read(raw, 3, n) : stream->Read(raw, 4, n));
    if (oldFormat) {
        // 3-byte entries, widened in place from the last one down.
        for (uint32_t i = toRead; i-- > 0;) {
            const uint8_t b = raw[i * 3], g = raw[i * 3 + 1], r = raw[i * 3 + 2];
            pal[i] = RGBQUAD{b, g, r, 0};
        }
    } else {
        for (uint32_t i = 0; i < toRead; ++i)
            pal[i].rgbReserved = 0;
    }
    for (uint32_t i = toRead; i < n; ++i)
        pal[i] = RGBQUAD{0, 0, 0, 0};
    info_.lastValid = false;
    return nullptr;
}

const char* CDibImageBMP::ReadPixels(ImageStream* stream, int32_t dataStart, int32_t headerStart, uint32_t bitCount,
                                     uint32_t compression, uint32_t headerSize)
{
    // Without a data offset, indexed pixels follow the palette (where the
    // stream already is); the others follow the header, and a 40-byte header
    // with bit fields has 12 bytes of masks after it. Longer headers hold
    // their masks inside, and reading the masks moves the stream, so the
    // place is computed, not taken from the stream.
    const bool masksAfterHeader = compression == BI_BITFIELDS && headerSize == 40;
    const int64_t afterHeader = int64_t(headerStart) + headerSize + (masksAfterHeader ? 12 : 0);
    auto seekToData = [&]() -> bool {
        if (dataStart >= 0)
            return stream->Seek(dataStart, ImageStream::SEEK_FROM_START);
        if (bitCount > 8)
            return afterHeader <= INT32_MAX && stream->Seek(int32_t(afterHeader), ImageStream::SEEK_FROM_START);
        return true;
    };
    const uint64_t width = uint64_t(Width()), height = uint64_t(Height());

    switch (bitCount) {
    case 32: {
        if (compression != BI_RGB && compression != BI_BITFIELDS)
            return "unknown compression";
        if (!seekToData())
            return "bad pixel data offset";
        const uint64_t bytes = width * height * 4;
        if (bytes > SIZE_MAX)
            return "can't allocate memory";
        // Zeroed: a short file leaves black rows, not heap contents.
        std::unique_ptr<uint8_t, decltype(&std::free)> buffer(static_cast<uint8_t*>(std::calloc(size_t(bytes), 1)),
                                                             &std::free);
        if (!buffer)
            return "can't allocate memory";
        stream->Read(buffer.get(), 1, size_t(bytes));
        BitfieldsToRgb(buffer.get(), 0, 0, 0, 32);
        return nullptr;
    }
    case 24:
        if (compression != BI_RGB)
            return "unknown compression";
        if (!seekToData())
            return "bad pixel data offset";
        stream->Read(info_.bits, 1, ImageSize());
        return nullptr;
    case 16: {
        uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F}; // 5-5-5 unless the file says otherwise
        if (compression == BI_BITFIELDS) {
            uint8_t raw[12];
            if (!stream->Seek(headerStart + 40, ImageStream::SEEK_FROM_START) || stream->Read(raw, 12, 1) != 1)
                return "Error reading BMP info";
            for (int i = 0; i < 3; ++i)
                masks[i] = ReadU32LE(raw + 4 * i);
        } else if (compression != BI_RGB) {
            return "unknown compression";
        }
        if (!seekToData())
            return "bad pixel data offset";
        // The 16-bit rows are read into the start of the 24-bit pixel area,
        // which is larger, and widened in place from the end.
        const uint64_t bytes = (width + 1) / 2 * 4 * height;
        stream->Read(info_.bits, 1, size_t(bytes));
        BitfieldsToRgb(info_.bits, masks[0], masks[1], masks[2], 16);
        return nullptr;
    }
    default: // 1, 4, 8
        if (!seekToData())
            return "bad pixel data offset";
        switch (compression) {
        case BI_RGB: stream->Read(info_.bits, 1, ImageSize()); return nullptr;
        case BI_RLE8:
            if (bitCount != 8)
                return "compression type not supported";
            DecodeRle(stream, false);
            return nullptr;
        case BI_RLE4:
            if (bitCount != 4)
                return "compression type not supported";
            DecodeRle(stream, true);
            return nullptr;
        default: return "compression type not supported";
        }
    }
}

void CDibImageBMP::DecodeRle(ImageStream* stream, bool fourBit)
{
    ByteReader in(stream);
    const uint64_t stride = EffWidth();
    const uint64_t imageSize = ImageSize();
    uint8_t* const bits = info_.bits;
    uint64_t row = 0; // from the bottom
    uint64_t pos = 0; // pixel position in the row; may run past its end into the next row's bytes

    auto put = [&](uint8_t value) {
        if (fourBit) {
            const uint64_t at = row * stride + pos / 2;
            if (at < imageSize) {
                uint8_t& b = bits[at];
                b = pos & 1 ? uint8_t((b & 0xF0) | (value & 0x0F)) : uint8_t((b & 0x0F) | (value << 4));
            }
        } else {
            const uint64_t at = row * stride + pos;
            if (at < imageSize)
                bits[at] = value;
        }
        ++pos;
    };

    const uint64_t rowLimit = uint64_t(Height()) + 1; // past this nothing can land; stops the numbers growing
    for (;;) {
        const int count = in.Next();
        if (count < 0)
            return;
        if (count > 0) {
            const int value = in.Next();
            if (value < 0)
                return;
            for (int i = 0; i < count; ++i)
                put(fourBit ? uint8_t(i & 1 ? value & 0x0F : value >> 4) : uint8_t(value));
            continue;
        }
        const int code = in.Next();
        if (code < 0 || code == 1)
            return; // end of stream or end of bitmap
        if (code == 0) {
            if (row < rowLimit)
                ++row;
            pos = 0;
        } else if (code == 2) {
            const int dx = in.Next(), dy = in.Next();
            if (dx < 0 || dy < 0)
                return;
            pos += uint64_t(dx);
            row = row + uint64_t(dy) < rowLimit ? row + uint64_t(dy) : rowLimit;
        } else if (!fourBit) {
            for (int i = 0; i < code; ++i) {
                const int value = in.Next();
                if (value < 0)
                    return;
                put(uint8_t(value));
            }
            if (code & 1)
                in.Next();
        } else {
            const int bytes = (code + 1) / 2;
            for (int i = 0; i < bytes; ++i) {
                const int value = in.Next();
                if (value < 0)
                    return;
                put(uint8_t(value >> 4));
                if (2 * i + 1 < code)
                    put(uint8_t(value & 0x0F));
            }
            if (bytes & 1)
                in.Next(); // runs are padded to whole 16-bit words
        }
        if (pos > stride * 2 * rowLimit)
            pos = stride * 2 * rowLimit; // far past the end: nothing more can land, keep it bounded
    }
}

void CDibImageBMP::BitfieldsToRgb(const uint8_t* source, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                                  uint32_t bits)
{
    if (!dib_ || !source || BitCount() != 24)
        return;
    const size_t width = size_t(Width());
    const size_t dstStride = EffWidth();
    if (bits == 32) {
        const size_t srcStride = width * 4;
        for (size_t y = size_t(Height()); y-- > 0;) {
            const uint8_t* s = source + y * srcStride;
            uint8_t* d = info_.bits + y * dstStride;
            for (size_t x = width; x-- > 0;) {
                d[x * 3] = s[x * 4];
                d[x * 3 + 1] = s[x * 4 + 1];
                d[x * 3 + 2] = s[x * 4 + 2];
            }
        }
        return;
    }
    if (bits != 16)
        return;
    const Channel red(redMask), green(greenMask), blue(blueMask);
    const size_t srcStride = (width + 1) / 2 * 4;
    // Last row first and right to left: each 3-byte result lies at or after
    // the 2-byte source it came from, so the source is read before it is overwritten.
    for (size_t y = size_t(Height()); y-- > 0;) {
        const uint8_t* s = source + y * srcStride;
        uint8_t* d = info_.bits + y * dstStride;
        for (size_t x = width; x-- > 0;) {
            const uint32_t w = ReadU16LE(s + x * 2);
            d[x * 3] = blue.Of(w);
            d[x * 3 + 1] = green.Of(w);
            d[x * 3 + 2] = red.Of(w);
        }
    }
}

bool CDibImageBMP::Encode(ImageStream* stream)
{
    if (!EncodeGuard(stream))
        return false;
    const uint64_t fileSize = uint64_t(DibSize()) + sizeof(BmpFileHeader);
    if (fileSize > UINT32_MAX) {
        SetLastError("image too large for a BMP file");
        return false;
    }
    BmpFileHeader fileHeader;
    WriteU16LE(fileHeader.type, kBmpMagic);
    WriteU32LE(fileHeader.fileSize, uint32_t(fileSize));
    WriteU16LE(fileHeader.reserved1, 0);
    WriteU16LE(fileHeader.reserved2, 0);
    WriteU32LE(fileHeader.dataOffset, uint32_t(sizeof(BmpFileHeader) + 40 + PaletteSize()));
    // The dib's own header is current only after this copy.
    std::memcpy(dib_, &head_, sizeof head_);
    // Unlike a "write and hope" encoder, a short write is a failure: a
    // truncated skin picture must not be stored as if it were whole.
    if (stream->Write(&fileHeader, sizeof fileHeader, 1) != 1 || stream->Write(dib_, DibSize(), 1) != 1) {
        SetLastError("BMP write failed");
        return false;
    }
    return true;
}

} // namespace glint
