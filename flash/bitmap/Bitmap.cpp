#include "flash/bitmap/Bitmap.h"

#include "flash/PixelRuns.h"
#include "flash/SwfTags.h"
#include "image/DibImage.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace glint::flash {

namespace {

// Already premultiplied channels, kept no brighter than their alpha so that
// blending never overflows.
inline uint32_t ClampedPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return (a << 24) | (std::min(r, a) << 16) | (std::min(g, a) << 8) | std::min(b, a);
}

bool SizeAllowed(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width * height <= kMaxBitmapPixels;
}

// Inflates exactly `want` bytes (a shorter stream leaves the rest zero);
// false when the stream gives nothing at all.
bool InflateExact(const uint8_t* data, size_t size, size_t want, std::vector<uint8_t>& out)
{
    out.assign(want, 0);
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(std::min<size_t>(size, 0x7FFFFFFF));
    z.next_out = out.data();
    z.avail_out = uInt(want);
    int rc = Z_OK;
    while (rc == Z_OK && z.avail_out > 0)
        rc = inflate(&z, Z_NO_FLUSH);
    size_t got = want - z.avail_out;
    inflateEnd(&z);
    return got > 0;
}

bool IsPng(const uint8_t* p, size_t n) { return n >= 24 && std::memcmp(p, "\x89PNG\r\n\x1A\n", 8) == 0; }
bool IsGif(const uint8_t* p, size_t n) { return n >= 10 && std::memcmp(p, "GIF8", 4) == 0; }

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

// Decodes a JPEG, PNG or GIF stream with the image library; alpha comes from
// the picture's own alpha plane or transparent colour.
bool DecodePicture(const uint8_t* data, size_t size, uint32_t format, Bitmap& out)
{
    CDibImage image;
    if (!image.DecodeBuffer(data, size, format) || !image.IsValid())
        return false;
    const int w = image.Width(), h = image.Height();
    if (!SizeAllowed(uint64_t(std::max(w, 0)), uint64_t(std::max(h, 0))))
        return false;
    out.width = w;
    out.height = h;
    out.pixels.resize(size_t(w) * size_t(h));
    const int32_t trans = image.IsIndexed() ? image.TransIndex() : -1;
    for (int y = 0; y < h; ++y) {
        const int row = h - 1 - y; // the picture's rows count from the bottom
        uint32_t* dst = out.pixels.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            RGBQUAD c = image.PixelColor(x, row, false);
            uint32_t a = 255;
            if (image.HasAlpha())
                a = image.AlphaGet(x, row);
            else if (trans >= 0 && image.PixelIndex(x, row) == uint8_t(trans))
                a = 0;
            dst[x] = PremultipliedPixel(c.rgbRed, c.rgbGreen, c.rgbBlue, a);
        }
    }
    return true;
}

// A JPEG-family tag's picture data: JPEG (with the tag's own tables), or PNG
// or GIF as later movies may hold.
bool DecodeImageData(const uint8_t* tables, size_t tablesSize, const uint8_t* data, size_t size, Bitmap& out)
{
    if (IsPng(data, size)) {
        if (!SizeAllowed(Be32(data + 16), Be32(data + 20)))
            return false;
        return DecodePicture(data, size, FORMAT_PNG, out);
    }
    if (IsGif(data, size)) {
        if (!SizeAllowed(data[6] | (data[7] << 8), data[8] | (data[9] << 8)))
            return false;
        return DecodePicture(data, size, FORMAT_GIF, out);
    }
    std::vector<uint8_t> jpeg;
    if (!NormalizeJpeg(tables, tablesSize, data, size, jpeg))
        return false;
    return DecodePicture(jpeg.data(), jpeg.size(), FORMAT_JPG, out);
}

// Multiplies a decoded picture by a separate alpha plane (zlib data, one byte a pixel).
void ApplyAlphaPlane(const uint8_t* data, size_t size, Bitmap& bm)
{
    std::vector<uint8_t> alpha;
    if (!InflateExact(data, size, bm.pixels.size(), alpha))
        return; // no usable plane: the picture stays opaque
    for (size_t i = 0; i < bm.pixels.size(); ++i) {
        uint32_t p = bm.pixels[i];
        bm.pixels[i] = PremultipliedPixel((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, alpha[i]);
    }
}

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

} // namespace

bool IsBitmapTag(uint16_t code)
{
    switch (code) {
    case kDefineBits:
    case kDefineBitsLossless:
    case kDefineBitsJpeg2:
    case kDefineBitsJpeg3:
    case kDefineBitsLossless2:
    case kDefineBitsJpeg4:
        return true;
    default:
        return false;
    }
}

bool NormalizeJpeg(const uint8_t* tables, size_t tablesSize, const uint8_t* data, size_t size,
                   std::vector<uint8_t>& out)
{
    out.clear();
    out.reserve(tablesSize + size + 4);
    out.push_back(0xFF);
    out.push_back(0xD8);
    bool frame = false;
    // Copies the marker segments of one stream, leaving out start and end of
    // image; true once the start of scan has been copied with the rest of the stream.
    auto segments = [&](const uint8_t* p, size_t n) {
        size_t i = 0;
        while (i + 1 < n) {
            if (p[i] != 0xFF) {
                ++i; // bytes between segments (damage) are passed over
                continue;
            }
            uint8_t m = p[i + 1];
            if (m == 0xFF) { // fill byte
                ++i;
                continue;
            }
            if (m == 0xD8 || m == 0xD9 || (m >= 0xD0 && m <= 0xD7) || m == 0x01) {
                i += 2; // markers without a length
                continue;
            }
            if (i + 4 > n)
                return false;
            size_t len = (size_t(p[i + 2]) << 8) | p[i + 3];
            if (len < 2 || i + 2 + len > n)
                return false;
            // Frame headers: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
                if (len < 8)
                    return false;
                uint32_t height = (uint32_t(p[i + 5]) << 8) | p[i + 6];
                uint32_t width = (uint32_t(p[i + 7]) << 8) | p[i + 8];
                if (!SizeAllowed(width, height))
                    return false;
                frame = true;
            }
            if (m == 0xDA) { // start of scan: the rest is the coded picture
                out.insert(out.end(), p + i, p + n);
                return true;
            }
            out.insert(out.end(), p + i, p + i + 2 + len);
            i += 2 + len;
        }
        return false;
    };
    if (tables && tablesSize)
        segments(tables, tablesSize);
    if (!segments(data, size) || !frame)
        return false;
    if (out.size() < 2 || out[out.size() - 2] != 0xFF || out.back() != 0xD9) {
        out.push_back(0xFF); // a stream cut short still gets its end, for the decoder
        out.push_back(0xD9);
    }
    return true;
}

bool DecodeLossless(const uint8_t* body, size_t size, bool withAlpha, Bitmap& out)
{
    out = Bitmap{};
    if (size < 5)
        return false;
    const uint8_t format = body[0];
    const uint32_t w = body[1] | (body[2] << 8), h = body[3] | (body[4] << 8);
    if (!SizeAllowed(w, h))
        return false;
    size_t pos = 5;
    std::vector<uint8_t> raw;
    out.width = int(w);
    out.height = int(h);
    out.pixels.assign(size_t(w) * h, 0);
    if (format == 3) { // palette of up to 256 colours, then a byte a pixel, rows padded to 4 bytes
        if (size < 6)
            return false;
        const size_t colors = size_t(body[5]) + 1;
        pos = 6;
        const size_t entry = withAlpha ? 4 : 3;
        const size_t stride = (w + 3) & ~size_t(3);
        if (!InflateExact(body + pos, size - pos, colors * entry + stride * h, raw)) {
            out = Bitmap{};
            return false;
        }
        uint32_t palette[256] = {};
        for (size_t i = 0; i < colors; ++i) {
            const uint8_t* c = raw.data() + i * entry;
            palette[i] = withAlpha ? ClampedPixel(c[0], c[1], c[2], c[3]) : PremultipliedPixel(c[0], c[1], c[2], 255);
        }
        const uint8_t* idx = raw.data() + colors * entry;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t k = idx[size_t(y) * stride + x];
                out.pixels[size_t(y) * w + x] = k < colors ? palette[k] : 0;
            }
        return true;
    }
    if (format == 4 && !withAlpha) { // 15-bit colour, big-endian, rows padded to 4 bytes
        const size_t stride = (size_t(w) * 2 + 3) & ~size_t(3);
        if (!InflateExact(body + pos, size - pos, stride * h, raw)) {
            out = Bitmap{};
            return false;
        }
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                const uint8_t* p = raw.data() + size_t(y) * stride + size_t(x) * 2;
                uint32_t v = (uint32_t(p[0]) << 8) | p[1];
                uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                out.pixels[size_t(y) * w + x] =
                    PremultipliedPixel((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2), 255);
            }
        return true;
    }
    if (format == 5) { // 32 bits a pixel: alpha (or an unused byte), red, green, blue
        if (!InflateExact(body + pos, size - pos, size_t(w) * h * 4, raw)) {
            out = Bitmap{};
            return false;
        }
        for (size_t i = 0; i < out.pixels.size(); ++i) {
            const uint8_t* p = raw.data() + i * 4;
            out.pixels[i] = withAlpha ? ClampedPixel(p[1], p[2], p[3], p[0]) : PremultipliedPixel(p[1], p[2], p[3], 255);
        }
        return true;
    }
    out = Bitmap{};
    return false;
}

bool DecodeBitmapTag(uint16_t code, const uint8_t* body, size_t size, const std::vector<uint8_t>& tables,
                     Bitmap& out)
{
    out = Bitmap{};
    bool ok = false;
    switch (code) {
    case kDefineBits:
        ok = DecodeImageData(tables.data(), tables.size(), body, size, out);
        break;
    case kDefineBitsJpeg2:
        ok = DecodeImageData(nullptr, 0, body, size, out);
        break;
    case kDefineBitsJpeg3:
    case kDefineBitsJpeg4: {
        // The picture, then (after the deblocking value of version 4) a zlib alpha plane.
        size_t head = code == kDefineBitsJpeg4 ? 6 : 4;
        if (size < head)
            break;
        size_t imageSize = Le32(body);
        if (imageSize > size - head)
            break;
        const uint8_t* image = body + head;
        ok = DecodeImageData(nullptr, 0, image, imageSize, out);
        // A PNG or GIF picture carries its own alpha; the plane is for JPEG data.
        if (ok && !IsPng(image, imageSize) && !IsGif(image, imageSize) && size - head > imageSize)
            ApplyAlphaPlane(image + imageSize, size - head - imageSize, out);
        break;
    }
    case kDefineBitsLossless:
    case kDefineBitsLossless2:
        ok = DecodeLossless(body, size, code == kDefineBitsLossless2, out);
        break;
    default:
        break;
    }
    if (!ok)
        out = Bitmap{};
    FindOpaqueRuns(out);
    return ok;
}

void FindOpaqueRuns(Bitmap& bm)
{
    bm.opaqueRows.assign(size_t(bm.height), {0, 0});
    bm.opaque = !bm.pixels.empty();
    for (int y = 0; y < bm.height; ++y) {
        const uint32_t* row = bm.pixels.data() + size_t(y) * size_t(bm.width);
        std::pair<int, int>& best = bm.opaqueRows[size_t(y)];
        for (int x = 0; x < bm.width;) {
            if (row[x] < 0xFF000000u) {
                ++x;
                continue;
            }
            int end = x + 1;
            while (end < bm.width && row[end] >= 0xFF000000u)
                ++end;
            if (end - x > best.second - best.first)
                best = {x, end};
            x = end;
        }
        bm.opaque = bm.opaque && best.first == 0 && best.second == bm.width;
    }
}

} // namespace glint::flash
