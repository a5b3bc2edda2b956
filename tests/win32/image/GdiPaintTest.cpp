// CDibImage on real GDI device contexts: what Paint, PaintScaled,
// PaintScaledPlain and PaintTiled leave on a bitmap like the screen's, read
// back with GetDIBits; conversion to and from GDI bitmaps.
#include "image/DibImage.h"
#include "image/gdi/GdiGuards.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace glint;

namespace {

RGBQUAD Quad(uint8_t b, uint8_t g, uint8_t r, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }

// A memory device context holding a bitmap compatible with the screen,
// filled with one colour; Picture() reads it back through GetDIBits.
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

    // The whole bitmap as lettered "RRGGBB" colours, top row first.
    std::string Picture()
    {
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<uint8_t> pixels(size_t(width_) * size_t(height_) * 4);
        SelectObject(dc_.Get(), previous_); // GetDIBits wants the bitmap unselected
        GetDIBits(dc_.Get(), bitmap_, 0, UINT(height_), pixels.data(), &bmi, DIB_RGB_COLORS);
        SelectObject(dc_.Get(), bitmap_);
        return test::Lettered(width_, height_, [&](int32_t x, int32_t y) {
            const uint8_t* p = &pixels[(size_t(y) * size_t(width_) + size_t(x)) * 4];
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X%02X%02X", p[2], p[1], p[0]);
            return std::string(hex);
        });
    }

private:
    int width_, height_;
    gdi::ScreenDC screen_;
    gdi::MemoryDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A 3 x 2 picture of six colours: red 0x63, green 5 on the top row and 0x37 on
// the bottom one, blue 0x0A, 0x32, 0x5A from the left.
struct SixColours : CDibImage {
    SixColours() : CDibImage(3, 2, 24, FORMAT_BMP)
    {
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x)
                SetPixelColor(x, y, Quad(uint8_t(40 * x + 10), uint8_t(50 * (1 - y) + 5), 99));
    }
};
const std::string kSix = "b=63050A c=630532 d=63055A e=63370A f=633732 g=63375A ";

constexpr COLORREF kBackground = RGB(10, 20, 30); // "0A141E"

} // namespace

TEST(GdiPaint, RefusesWithoutPictureDeviceOrSize)
{
    Canvas canvas(2, 2, kBackground);
    CDibImage empty;
    EXPECT_EQ(empty.Paint(canvas.Dc(), 0, 0), 0);
    CDibImage image(2, 2, 24, FORMAT_BMP);
    EXPECT_EQ(image.Paint(nullptr, 0, 0), 0);
    EXPECT_EQ(image.Paint(canvas.Dc(), 0, 0, 0, 5), 0);
    image.SetEnabled(false);
    EXPECT_EQ(image.Paint(canvas.Dc(), 0, 0), 0);
    EXPECT_EQ(image.PaintScaled(canvas.Dc(), 0, 0, 4, 4), 0);
    EXPECT_EQ(canvas.Picture(), "a=0A141E | aa/aa");
}

TEST(GdiPaint, OneToOneAndScaledPlaceTheTopRowAtTheTop)
{
    Canvas canvas(5, 4, kBackground);
    SixColours image;
    ASSERT_EQ(image.Paint(canvas.Dc(), 1, 1), 1);
    EXPECT_EQ(canvas.Picture(), "a=0A141E " + kSix + "| aaaaa/abcda/aefga/aaaaa");
    // Twice the size in both directions: nearest neighbour.
    Canvas twice(8, 5, kBackground);
    ASSERT_EQ(image.Paint(twice.Dc(), 1, 1, 6, 4), 1);
    EXPECT_EQ(twice.Picture(), "a=0A141E " + kSix + "| aaaaaaaa/abbccdda/abbccdda/aeeffgga/aeeffgga");
}

// Blended and keyed pixels show what the device held.
TEST(GdiPaint, ColourKeyAndAlpha)
{
    Canvas canvas(5, 2, kBackground);
    CDibImage keyed(4, 1, 8, FORMAT_BMP);
    keyed.SetPaletteEntry(1, 255, 0, 0);
    keyed.SetPaletteEntry(2, 0, 255, 0);
    keyed.SetPaletteEntry(3, 255, 0, 0); // the key's colour under another index
    for (int32_t x = 0; x < 4; ++x)
        keyed.SetPixelIndex(x, 0, uint8_t(x % 2 ? 2 : x + 1));
    keyed.SetTransIndex(1);
    ASSERT_EQ(keyed.Paint(canvas.Dc(), 1, 0), 1);

    CDibImage blended(2, 1, 24, FORMAT_BMP);
    blended.SetPixelColor(0, 0, Quad(200, 100, 50));
    blended.SetPixelColor(1, 0, Quad(200, 100, 50));
    ASSERT_TRUE(blended.AlphaCreate());
    blended.AlphaSet(0, 0, 128);
    blended.AlphaSet(1, 0, 0);
    ASSERT_EQ(blended.Paint(canvas.Dc(), 0, 1), 1);
    // (c * 128 + background * 127) >> 8
    EXPECT_EQ(canvas.Picture(), "a=0A141E b=00FF00 c=1D3B72 | aabab/caaaa");
    blended.SetAlphaMax(0);
    Canvas none(2, 1, kBackground);
    ASSERT_EQ(blended.Paint(none.Dc(), 0, 0), 1);
    EXPECT_EQ(none.Picture(), "a=0A141E | aa");
}

TEST(GdiPaint, ClipRectangleLimitsAndIsUndone)
{
    Canvas canvas(4, 3, kBackground);
    SixColours image;
    image.AlphaCreate(); // the scratch-section path
    RECT clip = {1, 1, 3, 2};
    ASSERT_EQ(image.Paint(canvas.Dc(), 0, 0, -1, -1, &clip), 1);
    EXPECT_EQ(canvas.Picture(), "a=0A141E b=633732 c=63375A | aaaa/abca/aaaa");
    // The device has no clipping region afterwards, as before the call.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(canvas.Dc(), region), 0);
    DeleteObject(region);
    // Entirely outside the clip: nothing drawn, still a success.
    Canvas away(4, 3, kBackground);
    RECT beyond = {3, 2, 4, 3};
    ASSERT_EQ(image.Paint(away.Dc(), 0, 0, -1, -1, &beyond), 1);
    EXPECT_EQ(away.Picture(), "a=0A141E | aaaa/aaaa/aaaa");
}

TEST(GdiPaint, PaintScaledWithKeyUsesTheMask)
{
    Canvas canvas(6, 6, kBackground);
    CDibImage image(2, 2, 8, FORMAT_BMP);
    image.SetPaletteEntry(0, 255, 0, 255);
    image.SetPaletteEntry(1, 0, 0, 255);
    image.Fill(1);
    image.SetPixelIndex(0, 1, 0); // top-left keyed
    image.SetTransIndex(0);
    const COLORREF bk = SetBkColor(canvas.Dc(), RGB(1, 2, 3));
    ASSERT_EQ(image.PaintScaled(canvas.Dc(), 1, 1, 4, 4), 1);
    EXPECT_EQ(GetBkColor(canvas.Dc()), RGB(1, 2, 3)); // device colours are put back
    SetBkColor(canvas.Dc(), bk);
    EXPECT_EQ(canvas.Picture(), "a=0A141E b=0000FF | aaaaaa/aaabba/aaabba/abbbba/abbbba/aaaaaa");
}

TEST(GdiPaint, PaintScaledPlainStretchesEverything)
{
    Canvas canvas(4, 3, kBackground);
    CDibImage image(2, 1, 24, FORMAT_BMP);
    image.SetPixelColor(0, 0, Quad(0, 0, 255));
    image.SetPixelColor(1, 0, Quad(255, 0, 0));
    image.SetTransIndex(0); // ignored by the plain form
    ASSERT_EQ(image.PaintScaledPlain(canvas.Dc(), 0, 0, 4, 2), 1);
    EXPECT_EQ(canvas.Picture(), "a=FF0000 b=0000FF c=0A141E | aabb/aabb/cccc");
}

TEST(GdiPaint, TilesRepeatAndStopAtTheRectangle)
{
    Canvas canvas(9, 7, kBackground);
    SixColours image;
    RECT area = {1, 1, 8, 6}; // 7 x 5: the last column and row of tiles are cut
    ASSERT_EQ(image.PaintTiled(canvas.Dc(), &area), 1);
    EXPECT_EQ(canvas.Picture(),
              "a=0A141E " + kSix + "| aaaaaaaaa/abcdbcdba/aefgefgea/abcdbcdba/aefgefgea/abcdbcdba/aaaaaaaaa");
    EXPECT_EQ(image.PaintTiled(canvas.Dc(), nullptr), 0);
}

TEST(GdiBitmap, ToGdiBitmapBothWays)
{
    CDibImage empty;
    EXPECT_EQ(empty.ToGdiBitmap(nullptr), nullptr);
    SixColours image;
    gdi::ScreenDC screen;
    for (HDC dc : {HDC(nullptr), screen.Get()}) {
        gdi::GdiObject<HBITMAP> bitmap(image.ToGdiBitmap(dc));
        ASSERT_TRUE(bitmap);
        CDibImage back;
        back.CreateFromGdiBitmap(bitmap.Get());
        ASSERT_TRUE(back.IsValid()) << back.LastError();
        EXPECT_EQ(test::Picture(back), "a=63050A b=630532 c=63055A d=63370A e=633732 f=63375A | abc/def");
    }
}

TEST(GdiBitmap, ThirtyTwoBitBitmapBecomesTwentyFourBitPicture)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 7, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
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
