#include "image/DibImage.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace glint {

namespace {

uint32_t NormalisedBitCount(uint32_t bitCount)
{
    if (bitCount <= 1)
        return 1;
    if (bitCount <= 4)
        return 4;
    if (bitCount <= 8)
        return 8;
    return 24;
}

int32_t PelsPerMeter(int32_t dpi) { return int32_t(std::floor(dpi * 39.37007874015748 + 0.5)); }

bool SameColor(RGBQUAD a, RGBQUAD b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

const char* FormatName(uint32_t format)
{
    static const char* const kNames[FORMAT_COUNT] = {"UNKNOWN", "BMP", "GIF", "JPG", "PNG", "ICO", "TIF", "TGA",
                                                     "PCX",     "WBMP", "WMF", "JP2", "JPC", "PGX", "PNM", "RAS"};
    return format < FORMAT_COUNT ? kNames[format] : "?";
}

// ---- lifetime ----

CDibImage::CDibImage(uint32_t format) { ResetInfo(format); }

CDibImage::CDibImage(int32_t width, int32_t height, uint32_t bitCount, uint32_t format)
{
    ResetInfo(format);
    Create(width, height, bitCount, format);
}

CDibImage::CDibImage(const CDibImage& source, bool copyPixels, bool copyAlpha)
{
    ResetInfo(source.info_.type);
    CopyFrom(source, copyPixels, copyAlpha);
}

CDibImage::~CDibImage() { Destroy(); }

void CDibImage::ResetInfo(uint32_t format)
{
    std::memset(&head_, 0, sizeof head_);
    std::memset(&info_, 0, sizeof info_);
    info_.type = format;
    info_.quality = 90;
    info_.alphaMax = 255;
    info_.transIndex = -1;
    info_.enabled = true;
    SetXDPI(96);
    SetYDPI(96);
}

void CDibImage::AssignInfo(const ImageInfo& source)
{
    uint8_t* bits = info_.bits;
    CDibImage* owner = info_.shareOwner;
    info_ = source;
    info_.bits = bits;
    info_.shareOwner = owner;
}

bool CDibImage::Destroy()
{
    if (info_.shareOwner)
        return false;
    std::free(alpha_);
    std::free(dib_);
    alpha_ = nullptr;
    dib_ = nullptr;
    info_.bits = nullptr;
    return true;
}

namespace {

// A large picture in 4 KB pages costs a page fault every 4 KB on first touch,
// which for a 36 MB picture takes longer than filling it (a rotation, a
// decode). On Linux such blocks are asked for in 2 MB pages where the system
// offers them, before anything touches them.
uint8_t* AllocateZeroed(size_t size)
{
    void* block = std::calloc(size, 1);
#ifdef __linux__
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    if (block && size >= 4 * kHugePage) {
        const uintptr_t first = (uintptr_t(block) + kHugePage - 1) & ~(kHugePage - 1);
        const uintptr_t end = (uintptr_t(block) + size) & ~(kHugePage - 1);
        if (end > first)
            madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#endif
    return static_cast<uint8_t*>(block);
}

} // namespace

uint8_t* CDibImage::Create(int32_t width, int32_t height, uint32_t bitCount, uint32_t format)
{
    if (!Destroy())
        return nullptr;
    if (width <= 0 || height <= 0) {
        SetLastError("CDibImage::Create : width and height must be greater than zero");
        return nullptr;
    }
    bitCount = NormalisedBitCount(bitCount);
    // (w * h * bits) / 256 > limit, without forming a product that can overflow.
    uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (pixels > (DIBIMAGE_MAX_MEMORY * 256 + 255) / bitCount) {
        SetLastError("DIBIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }
    uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    uint64_t imageSize = stride * uint64_t(height);
    // The header's size field is 32 bits: a bigger picture cannot be a DIB.
    if (imageSize > UINT32_MAX) {
        SetLastError("DIBIMAGE_MAX_MEMORY exceeded");
        return nullptr;
    }
    uint32_t colors = bitCount == 24 ? 0 : (1u << bitCount);
    uint64_t total = 40 + uint64_t(colors) * 4 + imageSize;
    if (total > SIZE_MAX) {
        SetLastError("CDibImage::Create can't allocate memory");
        return nullptr;
    }

    head_.biSize = 40;
    head_.biWidth = width;
    head_.biHeight = height;
    head_.biPlanes = 1;
    head_.biBitCount = WORD(bitCount);
    head_.biCompression = BI_RGB;
    head_.biSizeImage = DWORD(imageSize);
    head_.biXPelsPerMeter = PelsPerMeter(info_.xDpi);
    head_.biYPelsPerMeter = PelsPerMeter(info_.yDpi);
    head_.biClrUsed = colors;
    head_.biClrImportant = 0;
    info_.type = format;
    info_.effWidth = uint32_t(stride);
    info_.lastValid = false;

    // Zeroed, not as allocated: rows a decoder could not read must not show
    // whatever the heap held before.
    dib_ = AllocateZeroed(size_t(total));
    if (!dib_) {
        SetLastError("CDibImage::Create can't allocate memory");
        return nullptr;
    }
    std::memcpy(dib_, &head_, sizeof head_);
    info_.bits = dib_ + 40 + PaletteSize();
    return dib_;
}

bool CDibImage::CopyFrom(const CDibImage& source, bool copyPixels, bool copyAlpha)
{
    if (&source == this)
        return dib_ != nullptr;
    AssignInfo(source.info_);
    if (!Create(source.Width(), source.Height(), source.BitCount(), source.info_.type))
        return false;
    if (copyPixels && source.dib_ && source.DibSize() == DibSize()) {
        std::memcpy(dib_, source.dib_, DibSize());
        head_.biXPelsPerMeter = source.head_.biXPelsPerMeter;
        head_.biYPelsPerMeter = source.head_.biYPelsPerMeter;
        std::memcpy(dib_, &head_, sizeof head_);
    } else if (source.Palette()) {
        SetPalette(source.Palette(), source.ColorsUsed() > 256 ? 256 : source.ColorsUsed());
    }
    if (copyAlpha && source.alpha_ && AlphaCreate())
        std::memcpy(alpha_, source.alpha_, size_t(Width()) * size_t(Height()));
    return true;
}

void CDibImage::CopyInfoFrom(const CDibImage& source)
{
    if (!dib_)
        AssignInfo(source.info_);
}

bool CDibImage::TakeFrom(CDibImage& source)
{
    if (&source == this)
        return true;
    if (!Destroy())
        return false;
    head_ = source.head_;
    info_ = source.info_;
    dib_ = source.dib_;
    alpha_ = source.alpha_;
    std::memset(&source.head_, 0, sizeof source.head_);
    std::memset(&source.info_, 0, sizeof source.info_);
    source.dib_ = nullptr;
    source.alpha_ = nullptr;
    return true;
}

void CDibImage::ShareFrom(CDibImage* source)
{
    if (!source || source == this)
        return;
    Destroy();
    head_ = source->head_;
    info_ = source->info_;
    dib_ = source->dib_;
    alpha_ = source->alpha_;
    info_.shareOwner = source;
}

void CDibImage::SetLastError(const char* text)
{
    std::snprintf(info_.lastError, sizeof info_.lastError, "%s", text ? text : "");
}

void CDibImage::SetTransColor(RGBQUAD color)
{
    color.rgbReserved = 0;
    info_.transColor = color;
}

bool CDibImage::IsInside(int32_t x, int32_t y) const
{
    return x >= 0 && y >= 0 && x < head_.biWidth && y < head_.biHeight;
}

// ---- resolution and options ----

void CDibImage::SetXDPI(int32_t dpi)
{
    if (dpi < 1)
        dpi = 96;
    info_.xDpi = dpi;
    head_.biXPelsPerMeter = PelsPerMeter(dpi);
}

void CDibImage::SetYDPI(int32_t dpi)
{
    if (dpi < 1)
        dpi = 96;
    info_.yDpi = dpi;
    head_.biYPelsPerMeter = PelsPerMeter(dpi);
}

uint32_t CDibImage::CodecOption(uint32_t format) const
{
    if (format == 0)
        format = info_.type;
    return format < FORMAT_COUNT ? info_.codecOptions[format] : 0;
}

bool CDibImage::SetCodecOption(uint32_t value, uint32_t format)
{
    if (format == 0)
        format = info_.type;
    if (format >= FORMAT_COUNT)
        return false;
    info_.codecOptions[format] = value;
    return true;
}

// ---- rows and pixels ----

uint8_t* CDibImage::RowPointer(int32_t row) const
{
    if (!dib_ || row < 0 || row >= head_.biHeight)
        return nullptr;
    return info_.bits + size_t(row) * info_.effWidth;
}

void CDibImage::Fill(uint8_t value)
{
    if (!dib_)
        return;
    if (head_.biBitCount == 1 && value)
        value = 255;
    else if (head_.biBitCount == 4)
        value = uint8_t((value % 16) * 17);
    std::memset(info_.bits, value, head_.biSizeImage);
}

uint8_t CDibImage::PixelIndex(int32_t x, int32_t y) const
{
    if (!dib_ || !head_.biClrUsed)
        return 0;
    if (!IsInside(x, y))
        return info_.transIndex != -1 ? uint8_t(info_.transIndex) : info_.bits[0];
    const uint8_t* row = RowPointer(y);
    switch (head_.biBitCount) {
    case 8: return row[x];
    case 4: return uint8_t(x & 1 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    default: return uint8_t((row[x >> 3] >> (7 - (x & 7))) & 1);
    }
}

void CDibImage::SetPixelIndex(int32_t x, int32_t y, uint8_t index)
{
    if (!dib_ || !head_.biClrUsed || !IsInside(x, y))
        return;
    uint8_t* row = RowPointer(y);
    switch (head_.biBitCount) {
    case 8: row[x] = index; break;
    case 4: {
        uint8_t& b = row[x >> 1];
        b = x & 1 ? uint8_t((b & 0xF0) | (index & 0x0F)) : uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    default: {
        uint8_t mask = uint8_t(0x80 >> (x & 7));
        uint8_t& b = row[x >> 3];
        b = index & 1 ? uint8_t(b | mask) : uint8_t(b & ~mask);
        break;
    }
    }
}

RGBQUAD CDibImage::PixelColor(int32_t x, int32_t y, bool withAlpha) const
{
    if (!dib_ || !IsInside(x, y)) {
        if (info_.transIndex == -1 && dib_)
            return PixelColor(0, 0, true);
        if (info_.transIndex != -1 && head_.biBitCount < 24)
            return PaletteEntry(uint32_t(info_.transIndex));
        return info_.transColor;
    }
    RGBQUAD c;
    if (head_.biClrUsed) {
        c = PaletteEntry(PixelIndex(x, y));
    } else {
        const uint8_t* p = RowPointer(y) + size_t(x) * 3;
        c = RGBQUAD{p[0], p[1], p[2], 0};
    }
    if (alpha_ && withAlpha)
        c.rgbReserved = AlphaGet(x, y);
    return c;
}

void CDibImage::SetPixelColor(int32_t x, int32_t y, RGBQUAD color, bool setAlpha)
{
    if (!dib_ || !IsInside(x, y))
        return;
    if (head_.biClrUsed) {
        SetPixelIndex(x, y, NearestIndex(color));
    } else {
        uint8_t* p = RowPointer(y) + size_t(x) * 3;
        p[0] = color.rgbBlue;
        p[1] = color.rgbGreen;
        p[2] = color.rgbRed;
    }
    if (setAlpha)
        AlphaSet(x, y, color.rgbReserved);
}

void CDibImage::SetPixelColor(int32_t x, int32_t y, COLORREF color)
{
    SetPixelColor(x, y, RGBQUAD{GetBValue(color), GetGValue(color), GetRValue(color), 0}, false);
}

// ---- palette ----

RGBQUAD CDibImage::PaletteEntry(uint32_t index) const
{
    const RGBQUAD* pal = Palette();
    if (!pal || index >= head_.biClrUsed)
        return RGBQUAD{0, 0, 0, 0};
    return pal[index];
}

void CDibImage::SetPaletteEntry(uint32_t index, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
{
    RGBQUAD* pal = Palette();
    if (!pal || index >= head_.biClrUsed)
        return;
    pal[index] = RGBQUAD{blue, green, red, alpha};
    info_.lastValid = false;
}

void CDibImage::SetPalette(const RGBQUAD* entries, uint32_t count)
{
    RGBQUAD* pal = Palette();
    if (!pal || !entries)
        return;
    uint64_t bytes = uint64_t(count) * 4;
    std::memcpy(pal, entries, size_t(bytes < PaletteSize() ? bytes : PaletteSize()));
    info_.lastValid = false;
}

void CDibImage::SetPalette(const RgbTriple* triples, uint32_t count)
{
    RGBQUAD* pal = Palette();
    if (!pal || !triples)
        return;
    uint32_t n = count < head_.biClrUsed ? count : head_.biClrUsed;
    for (uint32_t i = 0; i < n; ++i) {
        pal[i].rgbRed = triples[i].red;
        pal[i].rgbGreen = triples[i].green;
        pal[i].rgbBlue = triples[i].blue;
    }
    info_.lastValid = false;
}

void CDibImage::SetPalette(uint32_t count, const uint8_t* red, const uint8_t* green, const uint8_t* blue)
{
    RGBQUAD* pal = Palette();
    if (!pal || !red)
        return;
    if (!green)
        green = red;
    if (!blue)
        blue = green;
    uint32_t n = count < head_.biClrUsed ? count : head_.biClrUsed;
    for (uint32_t i = 0; i < n; ++i) {
        pal[i].rgbRed = red[i];
        pal[i].rgbGreen = green[i];
        pal[i].rgbBlue = blue[i];
    }
    info_.lastValid = false;
}

void CDibImage::SetGrayPalette()
{
    RGBQUAD* pal = Palette();
    uint32_t n = head_.biClrUsed;
    if (!pal || n < 2)
        return;
    uint32_t step = 255 / (n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t v = uint8_t(step * i);
        pal[i].rgbBlue = pal[i].rgbGreen = pal[i].rgbRed = v;
    }
    info_.lastValid = false;
}

bool CDibImage::IsGrayPalette() const
{
    const RGBQUAD* pal = Palette();
    if (!pal)
        return false;
    for (uint32_t i = 0; i < head_.biClrUsed; ++i)
        if (pal[i].rgbBlue != i || pal[i].rgbGreen != i || pal[i].rgbRed != i)
            return false;
    return true;
}

uint8_t CDibImage::NearestIndex(RGBQUAD color)
{
    const RGBQUAD* pal = Palette();
    if (!pal)
        return 0;
    if (info_.lastValid && SameColor(info_.lastColor, color))
        return info_.lastIndex;
    info_.lastColor = color;
    info_.lastValid = true;

    uint32_t n = head_.biClrImportant ? head_.biClrImportant : head_.biClrUsed;
    if (n > head_.biClrUsed)
        n = head_.biClrUsed; // a stored "important" count must not read past the palette
    long best = 200000;
    uint8_t answer = 0;
    for (uint32_t i = 0; i < n; ++i) {
        long db = long(pal[i].rgbBlue) - color.rgbBlue;
        long dg = long(pal[i].rgbGreen) - color.rgbGreen;
        long dr = long(pal[i].rgbRed) - color.rgbRed;
        long d = db * db + dg * dg + dr * dr;
        if (d == 0) {
            answer = uint8_t(i);
            break;
        }
        if (d < best) {
            best = d;
            answer = uint8_t(i);
        }
    }
    info_.lastIndex = answer;
    return answer;
}

// ---- alpha plane ----

bool CDibImage::AlphaCreate()
{
    if (alpha_)
        return true;
    if (!dib_)
        return false;
    uint64_t n = uint64_t(Width()) * uint64_t(Height());
    if (n > SIZE_MAX)
        return false;
    alpha_ = static_cast<uint8_t*>(std::malloc(size_t(n)));
    if (!alpha_)
        return false;
    std::memset(alpha_, 255, size_t(n));
    return true;
}

void CDibImage::AlphaDelete()
{
    if (info_.shareOwner)
        return; // borrowed: not ours to free
    std::free(alpha_);
    alpha_ = nullptr;
}

void CDibImage::AlphaSet(int32_t x, int32_t y, uint8_t level)
{
    if (alpha_ && IsInside(x, y))
        alpha_[size_t(y) * size_t(Width()) + size_t(x)] = level;
}

uint8_t CDibImage::AlphaGet(int32_t x, int32_t y) const
{
    if (!alpha_ || !IsInside(x, y))
        return 0;
    return alpha_[size_t(y) * size_t(Width()) + size_t(x)];
}

// Both build the new plane in a fresh allocation, as the codecs expect the
// old plane untouched when that fails. fillRow(dest, y) writes row y.
template <class FillRow> static bool RebuildPlane(uint8_t*& plane, size_t w, size_t h, FillRow fillRow)
{
    if (!plane)
        return false;
    uint8_t* fresh = static_cast<uint8_t*>(std::malloc(w * h));
    if (!fresh)
        return false;
    for (size_t y = 0; y < h; ++y)
        fillRow(fresh + y * w, y);
    std::free(plane);
    plane = fresh;
    return true;
}

bool CDibImage::AlphaFlip()
{
    const size_t w = size_t(Width()), h = size_t(Height());
    const uint8_t* old = alpha_;
    return RebuildPlane(alpha_, w, h, [&](uint8_t* row, size_t y) { std::memcpy(row, old + (h - 1 - y) * w, w); });
}

bool CDibImage::AlphaMirror()
{
    const size_t w = size_t(Width()), h = size_t(Height());
    const uint8_t* old = alpha_;
    return RebuildPlane(alpha_, w, h, [&](uint8_t* row, size_t y) {
        for (size_t x = 0; x < w; ++x)
            row[x] = old[y * w + (w - 1 - x)];
    });
}

// ---- whole-picture transforms ----

bool CDibImage::Flip()
{
    if (!dib_)
        return false;
    CDibImage turned(*this, false, true);
    if (!turned.dib_)
        return false;
    int32_t h = Height();
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(turned.RowPointer(y), RowPointer(h - 1 - y), info_.effWidth);
    if (turned.alpha_)
        turned.AlphaFlip();
    return TakeFrom(turned);
}

bool CDibImage::Mirror()
{
    if (!dib_)
        return false;
    CDibImage mirrored(*this, false, true);
    if (!mirrored.dib_)
        return false;
    int32_t w = Width(), h = Height();
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* src = RowPointer(y);
        uint8_t* dst = mirrored.RowPointer(y);
        switch (head_.biBitCount) {
        case 24:
            for (int32_t x = 0; x < w; ++x)
                std::memcpy(dst + size_t(x) * 3, src + size_t(w - 1 - x) * 3, 3);
            break;
        case 8:
            for (int32_t x = 0; x < w; ++x)
                dst[x] = src[w - 1 - x];
            break;
        default:
            for (int32_t x = 0; x < w; ++x)
                mirrored.SetPixelIndex(x, y, PixelIndex(w - 1 - x, y));
            break;
        }
    }
    if (mirrored.alpha_)
        mirrored.AlphaMirror();
    return TakeFrom(mirrored);
}

bool CDibImage::Rotate90(CDibImage* destination)
{
    if (!dib_)
        return false;
    const int32_t oldW = Width(), oldH = Height();
    const int32_t newW = oldH, newH = oldW;
    CDibImage turned(info_.type);
    // The turned picture keeps what the info block says about it
    // (transparency, resolution, options), not only its pixels.
    turned.CopyInfoFrom(*this);
    if (!turned.Create(newW, newH, BitCount(), info_.type)) {
        SetLastError(turned.LastError());
        return false;
    }
    turned.SetPalette(Palette(), ColorsUsed());
    if (alpha_ && !turned.AlphaCreate()) {
        SetLastError("CDibImage::Create can't allocate memory");
        return false;
    }

    // New (x, y) takes old (y, oldH - 1 - x). The work goes in tiles of the
    // new picture small enough that the rows of both pictures they touch stay
    // in the caches; within a tile each new row is written left to right
    // while the old picture is read down one column.
    constexpr int32_t kTile = 64;
    const uint32_t bpp = BitCount();
    const size_t oldStride = EffWidth();
    uint8_t* const oldBits = info_.bits;
    for (int32_t bx = 0; bx < newW; bx += kTile) {
        const int32_t xEnd = bx + kTile < newW ? bx + kTile : newW;
        const int32_t n = xEnd - bx;
        // Old row of the tile's first new column; the next columns go down.
        const uint8_t* const oldColumnTop = oldBits + size_t(oldH - 1 - bx) * oldStride;
        for (int32_t by = 0; by < newH; by += kTile) {
            const int32_t yEnd = by + kTile < newH ? by + kTile : newH;
            for (int32_t y = by; y < yEnd; ++y) {
                uint8_t* dst = turned.RowPointer(y);
                if (bpp == 24) {
                    uint8_t* d = dst + size_t(bx) * 3;
                    const uint8_t* src = oldColumnTop + size_t(y) * 3;
                    int32_t i = 0;
                    // Four bytes at a time: the fourth belongs to the next
                    // pixel, written right after. Not for the tile's last
                    // pixel (at a row's end its fourth byte is the next
                    // row's, perhaps already written) and not from the old
                    // picture's last column (its fourth byte may lie past
                    // the end of the last row).
                    if (y + 1 < oldW) {
                        for (; i + 1 < n; ++i, d += 3, src -= oldStride) {
                            uint32_t pixel;
                            std::memcpy(&pixel, src, 4);
                            std::memcpy(d, &pixel, 4);
                        }
                    }
                    for (; i < n; ++i, d += 3, src -= oldStride) {
                        d[0] = src[0];
                        d[1] = src[1];
                        d[2] = src[2];
                    }
                } else if (bpp == 8) {
                    const uint8_t* src = oldColumnTop + size_t(y);
                    for (int32_t i = 0; i < n; ++i, src -= oldStride)
                        dst[bx + i] = *src;
                } else {
                    for (int32_t x = bx; x < xEnd; ++x)
                        turned.SetPixelIndex(x, y, PixelIndex(y, oldH - 1 - x));
                }
                if (alpha_) {
                    uint8_t* a = turned.alpha_ + size_t(y) * size_t(newW);
                    for (int32_t x = bx; x < xEnd; ++x)
                        a[x] = alpha_[size_t(oldH - 1 - x) * size_t(oldW) + size_t(y)];
                }
            }
        }
        info_.progress = int32_t(int64_t(100) * bx / newW);
    }
    return (destination ? destination : this)->TakeFrom(turned);
}

bool CDibImage::Negative()
{
    if (!dib_)
        return false;
    if (head_.biBitCount == 24) {
        for (uint32_t i = 0; i < head_.biSizeImage; ++i)
            info_.bits[i] = uint8_t(~info_.bits[i]);
        info_.transColor.rgbBlue = uint8_t(~info_.transColor.rgbBlue);
        info_.transColor.rgbGreen = uint8_t(~info_.transColor.rgbGreen);
        info_.transColor.rgbRed = uint8_t(~info_.transColor.rgbRed);
        return true;
    }
    if (!IsGrayPalette()) {
        RGBQUAD* pal = Palette();
        for (uint32_t i = 0; i < head_.biClrUsed; ++i) {
            pal[i].rgbBlue = uint8_t(~pal[i].rgbBlue);
            pal[i].rgbGreen = uint8_t(~pal[i].rgbGreen);
            pal[i].rgbRed = uint8_t(~pal[i].rgbRed);
        }
        info_.lastValid = false;
        return true;
    }
    // An identity grey ramp: the indices are the levels, so invert them.
    const uint8_t mask = uint8_t((1u << head_.biBitCount) - 1);
    for (int32_t y = 0; y < Height(); ++y)
        for (int32_t x = 0; x < Width(); ++x)
            SetPixelIndex(x, y, uint8_t(~PixelIndex(x, y) & mask));
    return true;
}

RGBQUAD CDibImage::TransparentColor() const
{
    if (head_.biBitCount < 24 && info_.transIndex != -1)
        return PaletteEntry(uint32_t(info_.transIndex));
    return info_.transColor;
}

bool CDibImage::EncodeGuard(ImageStream* stream)
{
    if (!stream) {
        SetLastError("null file handler");
        return false;
    }
    if (!dib_) {
        SetLastError("null image!!!");
        return false;
    }
    return true;
}

} // namespace glint
