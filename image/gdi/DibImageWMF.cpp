#include "image/gdi/DibImageWMF.h"

#include "base/ByteOrder.h"
#include "image/ImageStream.h"
#include "image/gdi/GdiGuards.h"

#include <cstring>
#include <memory>
#include <vector>

namespace glint {

namespace {

#pragma pack(push, 1)
struct PlaceableHeader {
    uint8_t key[4]; // 0x9AC6CDD7
    uint8_t handle[2];
    uint8_t left[2], top[2], right[2], bottom[2];
    uint8_t unitsPerInch[2];
    uint8_t reserved[4];
    uint8_t checksum[2]; // XOR of the ten 16-bit words before it
};
struct MetafileHeader {
    uint8_t type[2]; // 1 in memory, 2 on disk
    uint8_t headerSize[2];
    uint8_t version[2];
    uint8_t sizeInWords[4];
    uint8_t objects[2];
    uint8_t largestRecord[4];
    uint8_t parameters[2];
};
#pragma pack(pop)
static_assert(sizeof(PlaceableHeader) == 22);
static_assert(sizeof(MetafileHeader) == 18);

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

bool IsValidPlaceable(const PlaceableHeader& h)
{
    if (ReadU32LE(h.key) != kPlaceableKey)
        return false;
    uint16_t sum = 0;
    const uint8_t* words = reinterpret_cast<const uint8_t*>(&h);
    for (int i = 0; i < 10; ++i)
        sum ^= ReadU16LE(words + 2 * i);
    const uint16_t inch = ReadU16LE(h.unitsPerInch);
    return sum == ReadU16LE(h.checksum) && inch >= 1 && inch <= 2540;
}

// A placeable metafile converted to an enhanced one; width and height are
// its size in screen pixels. Null when it is not one.
HENHMETAFILE ReadPlaceable(ImageStream* stream, int32_t start, int32_t& width, int32_t& height)
{
    PlaceableHeader ph;
    MetafileHeader mh;
    if (stream->Read(&ph, sizeof ph, 1) != 1 || !IsValidPlaceable(ph) || stream->Read(&mh, sizeof mh, 1) != 1)
        return nullptr;
    const uint16_t type = ReadU16LE(mh.type);
    const uint64_t bytes = uint64_t(ReadU32LE(mh.sizeInWords)) * 2;
    const int32_t size = stream->Size();
    if ((type != 1 && type != 2) || bytes == 0 || size < 0 || bytes > uint64_t(size) ||
        !stream->Seek(start + int32_t(sizeof ph), ImageStream::SEEK_FROM_START))
        return nullptr;
    std::vector<uint8_t> data(static_cast<size_t>(bytes));
    if (stream->Read(data.data(), 1, data.size()) != data.size())
        return nullptr;

    gdi::ScreenDC screen;
    const int32_t ppiX = GetDeviceCaps(screen.Get(), LOGPIXELSX), ppiY = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    const int32_t inch = ReadU16LE(ph.unitsPerInch);
    const int32_t boxW = int32_t(int16_t(ReadU16LE(ph.right))) - int16_t(ReadU16LE(ph.left));
    const int32_t boxH = int32_t(int16_t(ReadU16LE(ph.bottom))) - int16_t(ReadU16LE(ph.top));
    int32_t extX = boxW * ppiX / inch, extY = boxH * ppiY / inch;
    // The extents are in hundredths of a millimetre: scaled up so that small
    // pictures keep their precision.
    while (extX < 6554 && extY < 6554 && extX > 0 && extY > 0) {
        extX *= 10;
        extY *= 10;
    }
    METAFILEPICT picture = {MM_ANISOTROPIC, extX, extY, nullptr};
    HENHMETAFILE emf = SetWinMetaFileBits(UINT(data.size()), data.data(), nullptr, &picture);
    if (!emf) {
        picture.mm = MM_TEXT;
        emf = SetWinMetaFileBits(UINT(data.size()), data.data(), nullptr, &picture);
    }
    width = boxW * ppiX / inch;
    height = boxH * ppiY / inch;
    return emf;
}

HENHMETAFILE ReadEnhanced(ImageStream* stream, int32_t start, int32_t& width, int32_t& height)
{
    const int32_t size = stream->Size();
    if (size <= start || !stream->Seek(start, ImageStream::SEEK_FROM_START))
        return nullptr;
    std::vector<uint8_t> data(static_cast<size_t>(size - start));
    if (stream->Read(data.data(), 1, data.size()) != data.size())
        return nullptr;
    HENHMETAFILE emf = SetEnhMetaFileBits(UINT(data.size()), data.data());
    ENHMETAHEADER header;
    if (!emf || GetEnhMetaFileHeader(emf, sizeof header, &header) == 0) {
        if (emf)
            DeleteEnhMetaFile(emf);
        return nullptr;
    }
    width = header.rclBounds.right - header.rclBounds.left;
    height = header.rclBounds.bottom - header.rclBounds.top;
    return emf;
}

} // namespace

bool CDibImageWMF::DecodeSized(ImageStream* stream, int32_t forcedWidth, int32_t forcedHeight)
{
    if (!stream)
        return false;
    const int32_t start = stream->Tell();
    if (start < 0)
        return false;
    int32_t width = 0, height = 0;
    gdi::EnhMetafile emf(ReadPlaceable(stream, start, width, height));
    if (!emf.Get())
        emf.Reset(ReadEnhanced(stream, start, width, height));
    if (!emf.Get()) {
        SetLastError("corrupted WMF");
        return false;
    }
    if (info_.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (width <= 0 || height <= 0) {
        SetLastError("empty WMF");
        return false;
    }
    if (forcedWidth > 0)
        width = forcedWidth;
    if (forcedHeight > 0)
        height = forcedHeight;
    if (width > kMaxSide) {
        height = int32_t(int64_t(height) * kMaxSide / width);
        width = kMaxSide;
    }
    if (height > kMaxSide) {
        width = int32_t(int64_t(width) * kMaxSide / height);
        height = kMaxSide;
    }
    if (width <= 0 || height <= 0) {
        SetLastError("empty WMF");
        return false;
    }

    gdi::ScreenDC screen;
    gdi::GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    gdi::MemoryDC dc(screen.Get());
    if (!bitmap || !dc)
        return false;
    const int bitsPerPixel = GetDeviceCaps(dc.Get(), BITSPIXEL) * GetDeviceCaps(dc.Get(), PLANES);
    {
        gdi::Selection selected(dc.Get(), bitmap.Get());
        RECT all = {0, 0, width, height};
        SetBkColor(dc.Get(), GetSysColor(COLOR_WINDOW));
        ExtTextOutA(dc.Get(), 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);

        // The metafile's own colours, for screens that have a palette.
        HPALETTE created = nullptr;
        const UINT entries = GetEnhMetaFilePaletteEntries(emf.Get(), 0, nullptr);
        if (entries > 0 && entries != GDI_ERROR) {
            std::vector<uint8_t> raw(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
            auto* logical = reinterpret_cast<LOGPALETTE*>(raw.data());
            logical->palVersion = 0x300;
            logical->palNumEntries = WORD(entries);
            GetEnhMetaFilePaletteEntries(emf.Get(), entries, logical->palPalEntry);
            created = CreatePalette(logical);
            if (!created) {
                SetLastError("Cancelled");
                return false;
            }
        }
        gdi::GdiObject<HPALETTE> palette(created);
        HPALETTE previousPalette = nullptr;
        if (palette) {
            previousPalette = SelectPalette(dc.Get(), palette.Get(), FALSE);
            RealizePalette(dc.Get());
        }
        PlayEnhMetaFile(dc.Get(), emf.Get(), &all);
        if (previousPalette)
            SelectPalette(dc.Get(), previousPalette, FALSE);
    }
    emf.Reset(nullptr);
    if (info_.escape) {
        SetLastError("Cancelled");
        return false;
    }
    if (!Create(width, height, uint32_t(bitsPerPixel), FORMAT_WMF))
        return false;
    // The bitmap is no longer selected: GetDIBits needs it free.
    return GetDIBits(screen.Get(), bitmap.Get(), 0, UINT(height), info_.bits, reinterpret_cast<BITMAPINFO*>(dib_),
                     DIB_RGB_COLORS) == height;
}

} // namespace glint
