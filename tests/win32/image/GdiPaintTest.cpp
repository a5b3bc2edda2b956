// CDibImage on real GDI device contexts: what Paint, PaintScaled,
// PaintScaledPlain and PaintTiled leave on a bitmap like the screen's, read
// back with GetDIBits; conversion to and from GDI bitmaps.
#include "image/DibImage.h"
#include "image/gdi/GdiGuards.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace glint;

namespace {

RGBQUAD Quad(uint8_t b, uint8_t g, uint8_t r, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }

// A memory device context holding a bitmap compatible with the screen,
// filled with one colour; Pixel() reads it back through GetDIBits.
class Canvas {
public:
    Canvas(int w, int h, COLORREF fill) : width_(w), height_(h), dc_(screen_.Get())
    {
        bitmap_ = CreateCompatibleBitmap(screen_.Get(), w, h);
        previous_ = SelectObject(dc_.Get(), bitmap_);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT all = {0, 0, w, h};
        FillRect(dc_.Get(), &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(dc_.Get(), previous_);
        DeleteObject(bitmap_);
    }
    HDC Dc() const { return dc_.Get(); }

    // Red, green, blue of device pixel (x, y).
    COLORREF Pixel(int x, int y)
    {
        Refresh();
        const uint8_t* p = &pixels_[(size_t(y) * size_t(width_) + size_t(x)) * 4];
        return RGB(p[2], p[1], p[0]);
    }

private:
    void Refresh()
    {
        BITMAPINFO bmi;
        std::memset(&bmi, 0, sizeof bmi);
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = width_;
        bmi.bmiHeader.biHeight = -height_; // top row first
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        pixels_.assign(size_t(width_) * size_t(height_) * 4, 0);
        SelectObject(dc_.Get(), previous_); // GetDIBits wants the bitmap unselected
        GetDIBits(dc_.Get(), bitmap_, 0, UINT(height_), pixels_.data(), &bmi, DIB_RGB_COLORS);
        SelectObject(dc_.Get(), bitmap_);
    }

    int width_, height_;
    gdi::ScreenDC screen_;
    gdi::MemoryDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::vector<uint8_t> pixels_;
};

// A 24-bit picture whose pixel at (x, row-from-top ty) is a distinct colour.
void FillDistinct(CDibImage& image)
{
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            const int ty = image.Height() - 1 - y;
            image.SetPixelColor(x, y, Quad(uint8_t(40 * x + 10), uint8_t(50 * ty + 5), 99));
        }
}
COLORREF Distinct(int x, int ty) { return RGB(99, 50 * ty + 5, 40 * x + 10); }

constexpr COLORREF kBackground = RGB(10, 20, 30);

} // namespace

TEST(GdiPaint, RefusesWithoutPictureDeviceOrSize)
{
    Canvas canvas(4, 4, kBackground);
    CDibImage empty;
    EXPECT_EQ(empty.Paint(canvas.Dc(), 0, 0), 0);
    CDibImage image(2, 2, 24, FORMAT_BMP);
    EXPECT_EQ(image.Paint(nullptr, 0, 0), 0);
    EXPECT_EQ(image.Paint(canvas.Dc(), 0, 0, 0, 5), 0);
    image.SetEnabled(false);
    EXPECT_EQ(image.Paint(canvas.Dc(), 0, 0), 0);
    EXPECT_EQ(image.PaintScaled(canvas.Dc(), 0, 0, 4, 4), 0);
    EXPECT_EQ(canvas.Pixel(0, 0), kBackground);
}

TEST(GdiPaint, OpaqueOneToOnePlacesTopRowAtTop)
{
    Canvas canvas(10, 10, kBackground);
    CDibImage image(3, 2, 24, FORMAT_BMP);
    FillDistinct(image);
    ASSERT_EQ(image.Paint(canvas.Dc(), 4, 5), 1);
    for (int ty = 0; ty < 2; ++ty)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(canvas.Pixel(4 + x, 5 + ty), Distinct(x, ty));
    EXPECT_EQ(canvas.Pixel(3, 5), kBackground);
    EXPECT_EQ(canvas.Pixel(7, 7), kBackground);
}

TEST(GdiPaint, ColourKeyShowsTheBackground)
{
    Canvas canvas(8, 8, kBackground);
    CDibImage image(4, 1, 8, FORMAT_BMP);
    image.SetPaletteEntry(1, 255, 0, 0);
    image.SetPaletteEntry(2, 0, 255, 0);
    image.SetPaletteEntry(3, 255, 0, 0); // same colour as the key under another index
    image.SetPixelIndex(0, 0, 1);
    image.SetPixelIndex(1, 0, 2);
    image.SetPixelIndex(2, 0, 3);
    image.SetPixelIndex(3, 0, 2);
    image.SetTransIndex(1);
    ASSERT_EQ(image.Paint(canvas.Dc(), 2, 2), 1);
    EXPECT_EQ(canvas.Pixel(2, 2), kBackground);
    EXPECT_EQ(canvas.Pixel(3, 2), RGB(0, 255, 0));
    EXPECT_EQ(canvas.Pixel(4, 2), kBackground);
    EXPECT_EQ(canvas.Pixel(5, 2), RGB(0, 255, 0));
}

TEST(GdiPaint, AlphaBlendFollowsTheFormula)
{
    Canvas canvas(4, 4, kBackground);
    CDibImage image(2, 1, 24, FORMAT_BMP);
    image.SetPixelColor(0, 0, Quad(200, 100, 50));
    image.SetPixelColor(1, 0, Quad(200, 100, 50));
    ASSERT_TRUE(image.AlphaCreate());
    image.AlphaSet(0, 0, 128);
    image.AlphaSet(1, 0, 0);
    ASSERT_EQ(image.Paint(canvas.Dc(), 1, 1), 1);
    auto blend = [](int c, int bg) { return (c * 128 + bg * 127) >> 8; };
    EXPECT_EQ(canvas.Pixel(1, 1), RGB(blend(50, 10), blend(100, 20), blend(200, 30)));
    EXPECT_EQ(canvas.Pixel(2, 1), kBackground); // alpha 0
    image.SetAlphaMax(0);
    Canvas second(4, 4, kBackground);
    ASSERT_EQ(image.Paint(second.Dc(), 1, 1), 1);
    EXPECT_EQ(second.Pixel(1, 1), kBackground);
}

TEST(GdiPaint, ClipRectangleLimitsAndIsUndone)
{
    Canvas canvas(10, 10, kBackground);
    CDibImage image(6, 6, 24, FORMAT_BMP);
    FillDistinct(image);
    image.AlphaCreate(); // the scratch-section path
    RECT clip = {2, 2, 4, 4};
    ASSERT_EQ(image.Paint(canvas.Dc(), 0, 0, -1, -1, &clip), 1);
    EXPECT_EQ(canvas.Pixel(2, 2), Distinct(2, 2));
    EXPECT_EQ(canvas.Pixel(3, 3), Distinct(3, 3));
    EXPECT_EQ(canvas.Pixel(1, 2), kBackground);
    EXPECT_EQ(canvas.Pixel(4, 4), kBackground);
    // The device has no clipping region afterwards, as before the call.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(canvas.Dc(), region), 0);
    DeleteObject(region);
    // Entirely outside the clip: nothing drawn, still a success.
    RECT away = {8, 8, 10, 10};
    ASSERT_EQ(image.Paint(canvas.Dc(), 0, 0, -1, -1, &away), 1);
    EXPECT_EQ(canvas.Pixel(9, 9), kBackground);
}

TEST(GdiPaint, ScaledPaintSamplesNearestNeighbour)
{
    Canvas canvas(12, 12, kBackground);
    CDibImage image(3, 2, 24, FORMAT_BMP);
    FillDistinct(image);
    ASSERT_EQ(image.Paint(canvas.Dc(), 1, 1, 6, 4), 1); // 2x in both directions
    for (int Y = 1; Y < 5; ++Y)
        for (int X = 1; X < 7; ++X)
            EXPECT_EQ(canvas.Pixel(X, Y), Distinct((X - 1) / 2, (Y - 1) / 2)) << X << "," << Y;
    EXPECT_EQ(canvas.Pixel(7, 1), kBackground);
}

TEST(GdiPaint, PaintScaledWithKeyUsesTheMask)
{
    Canvas canvas(12, 12, kBackground);
    CDibImage image(2, 2, 8, FORMAT_BMP);
    image.SetPaletteEntry(0, 255, 0, 255);
    image.SetPaletteEntry(1, 0, 0, 255);
    image.SetPixelIndex(0, 1, 0); // top-left keyed
    image.SetPixelIndex(1, 1, 1);
    image.SetPixelIndex(0, 0, 1);
    image.SetPixelIndex(1, 0, 1);
    image.SetTransIndex(0);
    const COLORREF bk = SetBkColor(canvas.Dc(), RGB(1, 2, 3));
    ASSERT_EQ(image.PaintScaled(canvas.Dc(), 2, 2, 8, 8), 1);
    EXPECT_EQ(GetBkColor(canvas.Dc()), RGB(1, 2, 3)); // device colours are put back
    SetBkColor(canvas.Dc(), bk);
    EXPECT_EQ(canvas.Pixel(2, 2), kBackground);
    EXPECT_EQ(canvas.Pixel(5, 5), kBackground);
    EXPECT_EQ(canvas.Pixel(6, 2), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(2, 6), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(9, 9), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(10, 10), kBackground);
}

TEST(GdiPaint, PaintScaledPlainStretchesEverything)
{
    Canvas canvas(8, 8, kBackground);
    CDibImage image(2, 1, 24, FORMAT_BMP);
    image.SetPixelColor(0, 0, Quad(0, 0, 255));
    image.SetPixelColor(1, 0, Quad(255, 0, 0));
    image.SetTransIndex(0); // ignored by the plain form
    ASSERT_EQ(image.PaintScaledPlain(canvas.Dc(), 0, 0, 8, 4), 1);
    EXPECT_EQ(canvas.Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(3, 3), RGB(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(4, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(7, 3), RGB(0, 0, 255));
    EXPECT_EQ(canvas.Pixel(0, 4), kBackground);
}

TEST(GdiPaint, TilesRepeatAndStopAtTheRectangle)
{
    Canvas canvas(12, 10, kBackground);
    CDibImage image(3, 2, 24, FORMAT_BMP);
    FillDistinct(image);
    RECT area = {1, 1, 9, 6}; // 8 x 5: the last column and row of tiles are cut
    ASSERT_EQ(image.PaintTiled(canvas.Dc(), &area), 1);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 12; ++X) {
            const bool inside = X >= 1 && X < 9 && Y >= 1 && Y < 6;
            EXPECT_EQ(canvas.Pixel(X, Y), inside ? Distinct((X - 1) % 3, (Y - 1) % 2) : kBackground) << X << "," << Y;
        }
    EXPECT_EQ(image.PaintTiled(canvas.Dc(), nullptr), 0);
}

TEST(GdiBitmap, ToGdiBitmapBothWays)
{
    CDibImage empty;
    EXPECT_EQ(empty.ToGdiBitmap(nullptr), nullptr);
    CDibImage image(5, 3, 24, FORMAT_BMP);
    FillDistinct(image);
    gdi::ScreenDC screen;
    for (HDC dc : {HDC(nullptr), screen.Get()}) {
        gdi::GdiObject<HBITMAP> bitmap(image.ToGdiBitmap(dc));
        ASSERT_TRUE(bitmap);
        CDibImage back;
        back.CreateFromGdiBitmap(bitmap.Get());
        ASSERT_TRUE(back.IsValid()) << back.LastError();
        ASSERT_EQ(back.Width(), 5);
        ASSERT_EQ(back.Height(), 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x)
            {
                const RGBQUAD a = back.PixelColor(x, y), b = image.PixelColor(x, y);
                EXPECT_EQ(std::memcmp(&a, &b, 3), 0) << x << "," << y;
            }
    }
}

TEST(GdiBitmap, ThirtyTwoBitBitmapBecomesTwentyFourBitPicture)
{
    BITMAPINFO bmi;
    std::memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 7;
    bmi.bmiHeader.biHeight = 4;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    gdi::GdiObject<HBITMAP> section(CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(section);
    auto* p = static_cast<uint8_t*>(bits);
    for (int i = 0; i < 7 * 4; ++i) {
        p[i * 4] = uint8_t(i);
        p[i * 4 + 1] = uint8_t(i * 2);
        p[i * 4 + 2] = uint8_t(i * 3);
    }
    CDibImage image;
    image.CreateFromGdiBitmap(section.Get());
    ASSERT_TRUE(image.IsValid()) << image.LastError();
    EXPECT_EQ(image.BitCount(), 24u);
    EXPECT_EQ(image.Width(), 7);
    EXPECT_EQ(image.Height(), 4);
    const RGBQUAD c = image.PixelColor(3, 2);
    EXPECT_EQ(c.rgbBlue, 17);
    EXPECT_EQ(c.rgbGreen, 34);
    EXPECT_EQ(c.rgbRed, 51);
    image.CreateFromGdiBitmap(nullptr);
    EXPECT_FALSE(image.IsValid());
}
