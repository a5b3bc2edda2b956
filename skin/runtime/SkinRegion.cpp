#include "skin/runtime/SkinRegion.h"

#include "image/DibImage.h"
#include "image/gdi/GdiGuards.h"

#include <cstring>

namespace glint {

namespace {

// An information context on the display: enough for GetDIBits, cheaper than a device context.
class DisplayIC {
public:
    DisplayIC() : dc_(CreateICA("DISPLAY", nullptr, nullptr, nullptr)) {}
    ~DisplayIC()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    DisplayIC(const DisplayIC&) = delete;
    DisplayIC& operator=(const DisplayIC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

constexpr uint32_t kRed565 = 0xF800, kGreen565 = 0x07E0, kBlue565 = 0x001F;

uint32_t Pack565(COLORREF c)
{
    return ((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3);
}

} // namespace

HRGN CreateRegionFromRects(const std::vector<RECT>& rects)
{
    std::vector<uint8_t> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = DWORD(rects.size());
    header->nRgnSize = DWORD(rects.size() * sizeof(RECT));
    header->rcBound = BoundsOf(rects);
    if (!rects.empty())
        std::memcpy(data.data() + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
    return ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

HRGN CreateRegionFromBitmap(HBITMAP bitmap, COLORREF key)
{
    BITMAP bm = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    DisplayIC ic;
    if (!ic.Get())
        return nullptr;

    // Read in the bitmap's own depth so that a pixel is compared as stored;
    // depths below 8 are read as 24-bit colours.
    const int bits = bm.bmBitsPixel == 8 || bm.bmBitsPixel == 16 || bm.bmBitsPixel == 32 ? bm.bmBitsPixel : 24;
    BitmapInfo256 info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = bm.bmWidth;
    info.header.biHeight = -bm.bmHeight; // rows top first
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits);
    info.header.biCompression = BI_RGB;
    if (bits == 16) {
        info.header.biCompression = BI_BITFIELDS;
        auto* masks = reinterpret_cast<DWORD*>(info.colours);
        masks[0] = kRed565;
        masks[1] = kGreen565;
        masks[2] = kBlue565;
    }
    const size_t stride = ((size_t(bm.bmWidth) * size_t(bits) + 31) / 32) * 4;
    std::vector<uint8_t> raw(stride * size_t(bm.bmHeight));
    if (GetDIBits(ic.Get(), bitmap, 0, UINT(bm.bmHeight), raw.data(), reinterpret_cast<BITMAPINFO*>(&info),
                  DIB_RGB_COLORS) != bm.bmHeight)
        return nullptr;

    // One value a pixel, packed the way the key is packed for this depth.
    std::vector<uint32_t> pixels(size_t(bm.bmWidth) * size_t(bm.bmHeight));
    uint32_t packedKey = key & 0xFFFFFF;
    for (int32_t y = 0; y < bm.bmHeight; ++y) {
        const uint8_t* row = raw.data() + size_t(y) * stride;
        uint32_t* out = pixels.data() + size_t(y) * size_t(bm.bmWidth);
        for (int32_t x = 0; x < bm.bmWidth; ++x) {
            switch (bits) {
            case 8: {
                const RGBQUAD& c = info.colours[row[x]];
                out[x] = RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
                break;
            }
            case 16: out[x] = uint32_t(row[2 * x]) | uint32_t(row[2 * x + 1]) << 8; break;
            case 24: {
                const uint8_t* p = row + 3 * x;
                out[x] = RGB(p[2], p[1], p[0]);
                break;
            }
            default: {
                // The fourth byte of a 32-bit pixel is not part of its colour.
                const uint8_t* p = row + 4 * x;
                out[x] = RGB(p[2], p[1], p[0]);
                break;
            }
            }
        }
    }
    if (bits == 16)
        packedKey = Pack565(key);
    return CreateRegionFromRects(KeyRuns({pixels.data(), bm.bmWidth, bm.bmHeight, size_t(bm.bmWidth)}, packedKey));
}

HRGN CreateRegionFromImage(CDibImage& image, const RECT& section, COLORREF key)
{
    CDibImage cut;
    if (!image.CropTo(section.left, section.top, section.right, section.bottom, &cut))
        return nullptr;
    gdi::GdiObject<HBITMAP> bitmap(cut.ToGdiBitmap());
    return bitmap ? CreateRegionFromBitmap(bitmap.Get(), key) : nullptr;
}

std::vector<RECT> RegionRects(HRGN region)
{
    std::vector<RECT> rects;
    if (!region)
        return rects;
    const DWORD size = GetRegionData(region, 0, nullptr);
    if (size < sizeof(RGNDATAHEADER))
        return rects;
    std::vector<uint8_t> data(size);
    if (!GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data())))
        return rects;
    const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
    const size_t count = std::min<size_t>(header->nCount, (size - header->dwSize) / sizeof(RECT));
    rects.resize(count);
    if (count)
        std::memcpy(rects.data(), data.data() + header->dwSize, count * sizeof(RECT));
    return rects;
}

HRGN PlaceRegion(HRGN source, SIZE sourceSize, RegionPlaceMode mode, const RECT& target)
{
    if (!source || sourceSize.cx <= 0 || sourceSize.cy <= 0)
        return CreateRectRgnIndirect(&target);
    const std::vector<RECT> rects = RegionRects(source);
    switch (mode) {
    case REGION_MOVE: return CreateRegionFromRects(MoveRects(rects, target));
    case REGION_TILE: return CreateRegionFromRects(TileRects(rects, sourceSize, target));
    case REGION_SCALE: break;
    }
    const DWORD size = GetRegionData(source, 0, nullptr);
    std::vector<uint8_t> data(size);
    if (!size || !GetRegionData(source, size, reinterpret_cast<RGNDATA*>(data.data())))
        return nullptr;
    const RegionScale s = ScaleOnto(sourceSize, target);
    const XFORM transform = {s.scaleX, 0, 0, s.scaleY, s.dx, s.dy};
    HRGN scaled = ExtCreateRegion(&transform, size, reinterpret_cast<const RGNDATA*>(data.data()));
    if (scaled) {
        gdi::GdiObject<HRGN> clip(CreateRectRgnIndirect(&target));
        CombineRgn(scaled, scaled, clip.Get(), RGN_AND);
    }
    return scaled;
}

} // namespace glint
