// CropTo, RotateBy and the pixel work of Paint (sampling, colour key, alpha).
#include "image/DibImage.h"
#include "image/PaintCompose.h"
#include "tests/unit/image/ByteFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace glint;

namespace {

RGBQUAD Quad(uint8_t b, uint8_t g, uint8_t r, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }
bool Same(RGBQUAD a, RGBQUAD b) { return std::memcmp(&a, &b, 4) == 0; }

void FillPositions(CDibImage& image)
{
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x)
            image.SetPixelColor(x, y, Quad(uint8_t(x), uint8_t(y), 200));
}

// A block of device pixels [left, left + w) x [top, top + h) of one colour,
// 24-bit bottom-up, as the painting code receives it.
struct Device {
    Device(int32_t left, int32_t top, int32_t w, int32_t h, RGBQUAD fill)
        : stride((size_t(w) * 3 + 3) & ~size_t(3)), bits(stride * size_t(h)), block{nullptr, stride, left, top, w, h}
    {
        block.bits = bits.data();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                std::memcpy(&bits[size_t(y) * stride + size_t(x) * 3], &fill, 3);
    }
    // The block as lettered "RRGGBB" colours, top row first.
    std::string Picture() const
    {
        return test::Lettered(block.width, block.height, [this](int32_t x, int32_t y) {
            const uint8_t* p = &bits[size_t(block.height - 1 - y) * stride + size_t(x) * 3];
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X%02X%02X", p[2], p[1], p[0]);
            return std::string(hex);
        });
    }
    size_t stride;
    std::vector<uint8_t> bits;
    PaintBlock block;
};

} // namespace

TEST(CropTo, WholePictureAndTopLeftCorner)
{
    CDibImage image(100, 90, 24, FORMAT_BMP);
    FillPositions(image);
    CDibImage whole;
    ASSERT_TRUE(image.CropTo(0, 0, 100, 90, &whole));
    ASSERT_EQ(whole.DibSize(), image.DibSize());
    EXPECT_EQ(std::memcmp(whole.Bits(), image.Bits(), image.Header().biSizeImage), 0);
    // Rectangles count rows from the top; the picture's rows go bottom up.
    ASSERT_TRUE(image.CropTo(0, 0, 10, 10, nullptr));
    ASSERT_EQ(image.Width(), 10);
    ASSERT_EQ(image.Height(), 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x)
            ASSERT_TRUE(Same(image.PixelColor(x, y), Quad(uint8_t(x), uint8_t(80 + y), 200)));
}

TEST(CropTo, EmptyRectangleFails)
{
    CDibImage image(100, 100, 24, FORMAT_BMP);
    EXPECT_FALSE(image.CropTo(10, 10, 10, 50, nullptr));
    EXPECT_FALSE(image.CropTo(-5, 200, 300, 150, nullptr)); // both rows clamp to the bottom
    CDibImage empty;
    EXPECT_FALSE(empty.CropTo(0, 0, 1, 1, nullptr));
}

TEST(CropTo, SwappedEdgesPackedDepthsAlphaAndKey)
{
    for (uint32_t bpp : {1u, 4u, 8u}) {
        CDibImage image(23, 11, bpp, FORMAT_BMP);
        image.SetGrayPalette();
        image.SetTransIndex(1);
        image.AlphaCreate();
        for (int32_t y = 0; y < 11; ++y)
            for (int32_t x = 0; x < 23; ++x) {
                image.SetPixelIndex(x, y, uint8_t(x + 2 * y));
                image.AlphaSet(x, y, uint8_t(x * 11 + y));
            }
        CDibImage cut;
        // right < left and bottom < top: the pairs are swapped.
        ASSERT_TRUE(image.CropTo(20, 9, 3, 2, &cut));
        ASSERT_EQ(cut.Width(), 17);
        ASSERT_EQ(cut.Height(), 7);
        EXPECT_EQ(cut.TransIndex(), 1);
        EXPECT_TRUE(Same(cut.PaletteEntry(1), image.PaletteEntry(1)));
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 17; ++x) {
                // rows 2..8 from the bottom (top = 2 and 9 from the top of 11 rows)
                ASSERT_EQ(cut.PixelIndex(x, y), image.PixelIndex(x + 3, y + 2)) << bpp;
                ASSERT_EQ(cut.AlphaGet(x, y), image.AlphaGet(x + 3, y + 2));
            }
    }
}

TEST(RotateBy, ZeroDegreesGrowsByTwoAndSamplesHalfAPixelBack)
{
    CDibImage image(6, 4, 24, FORMAT_BMP);
    FillPositions(image);
    CDibImage turned;
    ASSERT_TRUE(image.RotateBy(0.0f, &turned));
    EXPECT_EQ(turned.Width(), 8);
    EXPECT_EQ(turned.Height(), 6);
    // source = truncate(x - 0.5): column 0 and 1 both read column 0, then x - 1.
    EXPECT_TRUE(Same(turned.PixelColor(0, 0), image.PixelColor(0, 0)));
    EXPECT_TRUE(Same(turned.PixelColor(1, 1), image.PixelColor(0, 0)));
    EXPECT_TRUE(Same(turned.PixelColor(4, 3), image.PixelColor(3, 2)));
    // Outside the picture: the colour of pixel (0, 0).
    EXPECT_TRUE(Same(turned.PixelColor(7, 5), image.PixelColor(0, 0)));
    ASSERT_TRUE(image.RotateBy(0.0f, nullptr)); // in place
    EXPECT_TRUE(Same(image.PixelColor(4, 3), turned.PixelColor(4, 3)));
}

// Positive angles turn clockwise as the picture is seen; Rotate90 turns
// counter-clockwise, so RotateBy(-90) is its twin.
TEST(RotateBy, MinusQuarterTurnMatchesRotate90AndKeepsInfo)
{
    CDibImage image(9, 5, 8, FORMAT_BMP);
    image.SetGrayPalette();
    image.SetTransIndex(200);
    image.AlphaCreate();
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 9; ++x)
            image.SetPixelIndex(x, y, uint8_t(10 * x + y));
    CDibImage turned;
    ASSERT_TRUE(image.RotateBy(-90.0f, &turned));
    EXPECT_EQ(turned.TransIndex(), 200);
    EXPECT_TRUE(turned.HasAlpha());
    CDibImage quarter(image, true, false);
    ASSERT_TRUE(quarter.Rotate90());
    // Every pixel of the quarter turn appears in the free rotation, shifted
    // by a constant offset; find it from pixel (0, 0) and check them all.
    int dx = -1, dy = -1;
    for (int32_t y = 0; y < turned.Height() && dx < 0; ++y)
        for (int32_t x = 0; x < turned.Width(); ++x)
            if (turned.PixelIndex(x, y) == quarter.PixelIndex(0, 0) && turned.PixelIndex(x + 1, y + 1) == quarter.PixelIndex(1, 1)) {
                dx = x;
                dy = y;
                break;
            }
    ASSERT_GE(dx, 0);
    for (int32_t y = 0; y < quarter.Height(); ++y)
        for (int32_t x = 0; x < quarter.Width(); ++x)
            ASSERT_EQ(turned.PixelIndex(x + dx, y + dy), quarter.PixelIndex(x, y)) << x << "," << y;
    // Points that came from outside have alpha 0, inside ones the source's 255.
    EXPECT_EQ(turned.AlphaGet(dx, dy), 255);
    EXPECT_EQ(turned.AlphaGet(turned.Width() - 1, turned.Height() - 1), 0);
}

TEST(RotateBy, EscapeStopsEarly)
{
    CDibImage image(30, 30, 24, FORMAT_BMP);
    image.SetEscape(1);
    CDibImage turned;
    EXPECT_TRUE(image.RotateBy(45.0f, &turned));
    EXPECT_TRUE(turned.IsValid());
    CDibImage empty;
    EXPECT_FALSE(empty.RotateBy(10.0f, nullptr));
}

TEST(PaintCompose, AlphaBlendFormula)
{
    CDibImage image(2, 1, 24, FORMAT_BMP);
    image.SetPixelColor(0, 0, Quad(200, 100, 0));
    image.SetPixelColor(1, 0, Quad(200, 100, 0));
    image.AlphaCreate();
    image.AlphaSet(0, 0, 128);
    Device device(0, 0, 2, 1, Quad(10, 20, 30));
    ComposePicture(image, 0, 0, 2, 1, device.block, true);
    // weight ((255 + 1) * 128) >> 8 = 128: (c * 128 + background * 127) >> 8
    EXPECT_EQ(device.Picture(), "a=0E3B68 b=0064C8 | ab");
}

TEST(PaintCompose, AlphaMaxAndPaletteAlpha)
{
    CDibImage image(2, 1, 8, FORMAT_BMP);
    image.SetPaletteEntry(1, 255, 255, 255, 63);
    image.Fill(1);
    image.AlphaCreate();
    image.SetAlphaMax(0);
    Device device(0, 0, 2, 1, Quad(1, 2, 3));
    ComposePicture(image, 0, 0, 2, 1, device.block, true);
    EXPECT_EQ(device.Picture(), "a=030201 | aa"); // alphaMax 0 keeps the background
    image.SetAlphaMax(255);
    image.SetAlphaPaletteEnabled(true);
    ComposePicture(image, 0, 0, 2, 1, device.block, true);
    // a = ((63 + 1) * 255) >> 8 = 63: (255 * 63 + background * 192) >> 8
    EXPECT_EQ(device.Picture(), "a=41403F | aa");
}

TEST(PaintCompose, ColourKeyComparesColoursNotIndices)
{
    CDibImage image(3, 1, 8, FORMAT_BMP);
    image.SetPaletteEntry(4, 9, 9, 9);
    image.SetPaletteEntry(5, 9, 9, 9);    // the key's colour under another index
    image.SetPaletteEntry(6, 9, 9, 9, 1); // differs in the reserved byte
    for (int32_t x = 0; x < 3; ++x)
        image.SetPixelIndex(x, 0, uint8_t(4 + x));
    image.SetTransIndex(4);
    Device device(0, 0, 3, 1, Quad(50, 60, 70));
    ComposePicture(image, 0, 0, 3, 1, device.block, true);
    EXPECT_EQ(device.Picture(), "a=463C32 b=090909 | aab");
}

TEST(PaintCompose, SamplingPlacesTopRowAtTopAndStretches)
{
    CDibImage image(2, 2, 24, FORMAT_BMP);
    image.SetPixelColor(0, 1, Quad(1, 0, 0)); // top-left as seen
    image.SetPixelColor(1, 1, Quad(2, 0, 0));
    image.SetPixelColor(0, 0, Quad(3, 0, 0));
    image.SetPixelColor(1, 0, Quad(4, 0, 0));
    // Drawn at (10, 20) stretched to 4 x 4; the block covers only part of it.
    Device device(11, 20, 3, 4, Quad(9, 9, 9));
    ComposePicture(image, 10, 20, 4, 4, device.block, false);
    EXPECT_EQ(device.Picture(), "a=000001 b=000002 c=000003 d=000004 | abb/abb/cdd/cdd");
}
