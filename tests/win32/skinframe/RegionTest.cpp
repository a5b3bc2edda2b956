// Regions cut from bitmaps of every depth by the key colour, and placed over
// a target by moving, tiling and scaling. Each region is checked pixel by
// pixel against what the test itself stored in the picture.
#include <windows.h>

#include "FrameTestSupport.h"
#include "image/DibImage.h"
#include "skin/runtime/SkinRegion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace glint;
using namespace glint::test;

namespace {

constexpr int kW = 13, kH = 9;

// Corners cut by the key (a triangle of 6 pixels each), one key pixel in the
// middle, everything else coloured; the right column is never key in the
// middle rows, so runs there end at the row's end.
bool IsKeyPixel(int x, int y)
{
    auto corner = [](int a, int b) { return a + b < 3; };
    return corner(x, y) || corner(kW - 1 - x, y) || corner(x, kH - 1 - y) || corner(kW - 1 - x, kH - 1 - y) ||
           (x == 6 && y == 4);
}

COLORREF PatternColour(int x, int y) { return RGB(x * 16, y * 24, 100); }

struct Dib {
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    size_t stride = 0;
};

// A top-down DIB section of the depth; 16-bit pixels are 5-6-5.
Dib MakeDib(int depth, int width, int height, const RGBQUAD* palette = nullptr)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(depth);
    info.header.biCompression = depth == 16 ? BI_BITFIELDS : BI_RGB;
    if (depth == 16) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colours, masks, sizeof masks);
    }
    if (depth == 8 && palette) {
        info.header.biClrUsed = 256;
        std::memcpy(info.colours, palette, sizeof info.colours);
    }
    Dib dib;
    dib.bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  reinterpret_cast<void**>(&dib.bits), nullptr, 0);
    dib.stride = ((size_t(width) * size_t(depth) + 31) / 32) * 4;
    return dib;
}

void Put(const Dib& dib, int depth, int x, int y, COLORREF c, uint8_t index = 0, uint8_t fourth = 0)
{
    uint8_t* p = dib.bits + size_t(y) * dib.stride;
    switch (depth) {
    case 8: p[x] = index; break;
    case 16: {
        const uint16_t v = uint16_t(((GetRValue(c) >> 3) << 11) | ((GetGValue(c) >> 2) << 5) | (GetBValue(c) >> 3));
        std::memcpy(p + 2 * x, &v, 2);
        break;
    }
    case 24: p[3 * x] = GetBValue(c), p[3 * x + 1] = GetGValue(c), p[3 * x + 2] = GetRValue(c); break;
    default: p[4 * x] = GetBValue(c), p[4 * x + 1] = GetGValue(c), p[4 * x + 2] = GetRValue(c), p[4 * x + 3] = fourth;
    }
}

void ExpectRegion(HRGN region, int width, int height, const std::function<bool(int, int)>& inside,
                  const char* what)
{
    ASSERT_NE(region, nullptr) << what;
    for (int y = -1; y <= height; ++y)
        for (int x = -1; x <= width; ++x) {
            const bool expected = x >= 0 && y >= 0 && x < width && y < height && inside(x, y);
            EXPECT_EQ(PtInRegion(region, x, y) != 0, expected) << what << " at " << x << "," << y;
        }
}

TEST(SkinRegion, EveryDepthLeavesOutExactlyTheKeyPixels)
{
    // Also a key whose components are not at their maximum: the 16-bit key
    // must be packed the way 5-6-5 pixels hold that colour. At 24 and 32 bits
    // a colour one step off the key stays in the region.
    const COLORREF nearKey = RGB(254, 0, 255);
    for (COLORREF key : {kKey, RGB(128, 64, 32)})
        for (int depth : {8, 16, 24, 32}) {
            // 8 bits compare through the colour table; two of its entries hold the key.
            RGBQUAD palette[256] = {};
            for (int i = 0; i < 256; ++i)
                palette[i] = {BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
            palette[0] = palette[200] = {GetBValue(key), GetGValue(key), GetRValue(key), 0};
            Dib dib = MakeDib(depth, kW, kH, palette);
            ASSERT_NE(dib.bitmap, nullptr) << depth;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const bool k = IsKeyPixel(x, y);
                    const COLORREF c = k ? key : depth >= 24 && x == 1 && y == 4 ? nearKey : PatternColour(x, y);
                    // 32-bit pixels carry an opaque fourth byte: it is not part of the colour.
                    Put(dib, depth, x, y, c, k ? ((x + y) % 2 ? 200 : 0) : uint8_t(1 + x + y * kW), 0xFF);
                }
            HRGN region = CreateRegionFromBitmap(dib.bitmap, key);
            const std::string what = std::to_string(depth) + "-bit, key " + std::to_string(key);
            ExpectRegion(region, kW, kH, [](int x, int y) { return !IsKeyPixel(x, y); }, what.c_str());
            DeleteObject(region);
            DeleteObject(dib.bitmap);
        }
}

TEST(SkinRegion, DisplayBitmapsAndEdgeSizes)
{
    // A bitmap of the display's own format, drawn through GDI.
    HDC screen = GetDC(nullptr);
    HBITMAP display = CreateCompatibleBitmap(screen, 20, 10);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, display);
    HBRUSH key = CreateSolidBrush(kKey), blue = CreateSolidBrush(RGB(0, 0, 200));
    RECT all = {0, 0, 20, 10}, inner = {4, 2, 20, 7};
    FillRect(dc, &all, key);
    FillRect(dc, &inner, blue);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    HRGN region = CreateRegionFromBitmap(display, kKey);
    ExpectRegion(region, 20, 10, [](int x, int y) { return x >= 4 && y >= 2 && y < 7; }, "display bitmap");
    DeleteObject(region);
    DeleteObject(display);
    DeleteObject(key);
    DeleteObject(blue);

    // All key: an empty region, which is still a region.
    Dib allKey = MakeDib(24, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            Put(allKey, 24, x, y, kKey);
    region = CreateRegionFromBitmap(allKey.bitmap, kKey);
    ASSERT_NE(region, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
    DeleteObject(allKey.bitmap);

    // One pixel, kept or not.
    for (COLORREF c : {RGB(0, 0, 0), kKey}) {
        Dib one = MakeDib(32, 1, 1);
        Put(one, 32, 0, 0, c);
        region = CreateRegionFromBitmap(one.bitmap, kKey);
        ExpectRegion(region, 1, 1, [c](int, int) { return c != kKey; }, "one pixel");
        DeleteObject(region);
        DeleteObject(one.bitmap);
    }
    EXPECT_EQ(CreateRegionFromBitmap(nullptr, kKey), nullptr);
}

TEST(SkinRegion, FromASectionOfADecodedPicture)
{
    // 8 x 4, key in column 2 and in the bottom row; the section (2, 0)-(6, 4).
    CDibImage image;
    image.Create(8, 4, 24, FORMAT_BMP);
    for (int top = 0; top < 4; ++top)
        for (int x = 0; x < 8; ++x)
            image.SetPixelColor(x, 3 - top, x == 2 || top == 3 ? RGBQUAD{255, 0, 255, 0} : RGBQUAD{10, 20, 30, 0});
    HRGN region = CreateRegionFromImage(image, {2, 0, 6, 4}, kKey);
    ExpectRegion(region, 4, 4, [](int x, int y) { return x > 0 && y < 3; }, "section");
    DeleteObject(region);
    EXPECT_EQ(CreateRegionFromImage(image, {20, 0, 24, 4}, kKey), nullptr) << "a section outside the picture";
}

// A 4 x 2 source: top row pixels 1 and 2, bottom row all four.
bool SourceInside(int x, int y) { return y == 1 || x == 1 || x == 2; }

HRGN Source() { return CreateRegionFromRects({{1, 0, 3, 1}, {0, 1, 4, 2}}); }

TEST(SkinRegion, PlacedByMode)
{
    HRGN source = Source();
    ASSERT_NE(source, nullptr);
    const struct {
        const char* name;
        HRGN source;
        RegionPlaceMode mode;
        RECT target;
        std::function<bool(int, int)> inside; // at a point relative to the target
    } cases[] = {
        {"moved", source, REGION_MOVE, {10, 20, 14, 22}, SourceInside},
        {"moved into a smaller target", source, REGION_MOVE, {10, 20, 12, 22}, SourceInside},
        {"tiled", source, REGION_TILE, {3, 1, 13, 6}, [](int x, int y) { return SourceInside(x % 4, y % 2); }},
        {"scaled twice", source, REGION_SCALE, {2, 2, 10, 6}, [](int x, int y) { return SourceInside(x / 2, y / 2); }},
        {"no source: the rectangle", nullptr, REGION_TILE, {1, 1, 3, 3}, [](int, int) { return true; }},
    };
    for (const auto& c : cases) {
        HRGN placed = PlaceRegion(c.source, {4, 2}, c.mode, c.target);
        const RECT& t = c.target;
        ExpectRegion(placed, t.right + 2, t.bottom + 2, [&](int x, int y) {
            return x >= t.left && x < t.right && y >= t.top && y < t.bottom && c.inside(x - t.left, y - t.top);
        }, c.name);
        DeleteObject(placed);
    }
    DeleteObject(source);
}

} // namespace
