// The picture object: creation limits, copying and ownership, pixel and
// palette access with their out-of-range answers, the NearestIndex cache,
// the alpha plane and the whole-picture transforms.
#include "image/DibImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using namespace glint;

namespace {

RGBQUAD Quad(uint8_t b, uint8_t g, uint8_t r, uint8_t a = 0) { return RGBQUAD{b, g, r, a}; }
bool Same(RGBQUAD a, RGBQUAD b) { return std::memcmp(&a, &b, 4) == 0; }

// Colours (grey entries when indexed) and opacities that tell positions apart, as far as the depth allows.
void FillPattern(CDibImage& image)
{
    if (image.BitCount() < 24)
        image.SetGrayPalette();
    image.AlphaCreate();
    for (int32_t y = 0; y < image.Height(); ++y)
        for (int32_t x = 0; x < image.Width(); ++x) {
            if (image.BitCount() == 24)
                image.SetPixelColor(x, y, Quad(uint8_t(x), uint8_t(y), uint8_t(x ^ y)));
            else
                image.SetPixelIndex(x, y, uint8_t(x * 5 + y * 3));
            image.AlphaSet(x, y, uint8_t(x + y));
        }
}

} // namespace

TEST(DibImageCreate, RefusedSizesLeaveTheImageEmpty)
{
    const struct {
        int32_t width, height;
        const char* message;
    } cases[] = {
        {0, 10, "CDibImage::Create : width and height must be greater than zero"},
        {10, -3, "CDibImage::Create : width and height must be greater than zero"},
        {60000, 60000, "DIBIMAGE_MAX_MEMORY exceeded"},
        // Products that wrap around 32 (and 64) bits must still be refused.
        {0x7FFFFFFF, 0x7FFFFFFF, "DIBIMAGE_MAX_MEMORY exceeded"},
        // Within the limit by the formula but with a row stride beyond 32 bits.
        {0x7FFFFFFF, 1, nullptr},
    };
    for (const auto& c : cases) {
        CDibImage image(4, 4, 8, FORMAT_BMP);
        EXPECT_EQ(image.Create(c.width, c.height, 24, FORMAT_BMP), nullptr) << c.width << "x" << c.height;
        EXPECT_FALSE(image.IsValid());
        EXPECT_EQ(image.Bits(), nullptr);
        if (c.message) {
            EXPECT_STREQ(image.LastError(), c.message);
        }
    }
}

TEST(DibImageCreate, BitCountIsNormalisedAndRowsPadded)
{
    CDibImage image;
    ASSERT_NE(image.Create(100, 100, 16, FORMAT_BMP), nullptr);
    EXPECT_EQ(image.BitCount(), 24u);
    EXPECT_EQ(image.EffWidth(), 300u);
    EXPECT_EQ(image.ColorsUsed(), 0u);
    ASSERT_NE(image.Create(10, 1, 1, FORMAT_BMP), nullptr);
    EXPECT_EQ(image.EffWidth(), 4u);
    EXPECT_EQ(image.ColorsUsed(), 2u);
    ASSERT_NE(image.Create(3, 2, 3, FORMAT_GIF), nullptr);
    EXPECT_EQ(image.BitCount(), 4u);
    EXPECT_EQ(image.ColorsUsed(), 16u);
    EXPECT_EQ(image.Type(), uint32_t(FORMAT_GIF));
    EXPECT_EQ(image.DibSize(), 40u + 64u + 8u);
    // The stored header is the working header.
    EXPECT_EQ(std::memcmp(image.Dib(), &image.Header(), 40), 0);
    EXPECT_EQ(image.Bits(), image.Dib() + 40 + 64);
}

TEST(DibImageCreate, NewPixelRowsAreZero)
{
    CDibImage image(33, 17, 24, FORMAT_BMP);
    for (uint32_t i = 0; i < image.Header().biSizeImage; ++i)
        ASSERT_EQ(image.Bits()[i], 0) << i;
}

TEST(DibImageLifetime, TakeFromLeavesSourceZeroed)
{
    CDibImage source(5, 5, 8, FORMAT_BMP);
    source.SetTransIndex(3);
    source.AlphaCreate();
    uint8_t* dib = source.Dib();
    CDibImage target(2, 2, 24, FORMAT_PNG);
    ASSERT_TRUE(target.TakeFrom(source));
    EXPECT_EQ(target.Dib(), dib);
    EXPECT_EQ(target.TransIndex(), 3);
    EXPECT_TRUE(target.HasAlpha());
    EXPECT_FALSE(source.IsValid());
    EXPECT_FALSE(source.HasAlpha());
    EXPECT_EQ(source.Width(), 0);
    EXPECT_EQ(source.TransIndex(), 0); // zeroed, not reset to -1
    EXPECT_EQ(source.Info().quality, 0);
}

TEST(DibImageLifetime, SharedImageFreesNothingAndItsCopyIsIndependent)
{
    CDibImage owner(4, 4, 8, FORMAT_BMP);
    owner.SetPixelIndex(1, 1, 3);
    {
        CDibImage borrower;
        borrower.ShareFrom(&owner);
        EXPECT_EQ(borrower.Dib(), owner.Dib());
        CDibImage copy(borrower, true, true);
        ASSERT_TRUE(copy.IsValid());
        EXPECT_NE(copy.Dib(), owner.Dib());
        EXPECT_EQ(copy.PixelIndex(1, 1), 3);
        EXPECT_TRUE(copy.Destroy()); // owns its copy
        EXPECT_FALSE(borrower.Destroy());
        EXPECT_EQ(borrower.Create(2, 2, 8, FORMAT_BMP), nullptr); // cannot replace borrowed buffers
    }
    EXPECT_TRUE(owner.IsValid());
    EXPECT_EQ(owner.PixelIndex(1, 1), 3);
}

TEST(DibImageLifetime, CopyFromWithoutPixelsKeepsPaletteAndAlpha)
{
    CDibImage source(4, 3, 4, FORMAT_BMP);
    source.SetPaletteEntry(5, 1, 2, 3);
    source.SetPixelIndex(0, 0, 5);
    source.AlphaCreate();
    source.AlphaSet(3, 2, 7);
    CDibImage copy(source, false, true);
    EXPECT_TRUE(Same(copy.PaletteEntry(5), Quad(3, 2, 1)));
    EXPECT_EQ(copy.PixelIndex(0, 0), 0);
    EXPECT_EQ(copy.AlphaGet(3, 2), 7);
    CDibImage noAlpha(source, true, false);
    EXPECT_EQ(noAlpha.PixelIndex(0, 0), 5);
    EXPECT_FALSE(noAlpha.HasAlpha());
}

TEST(DibImagePixels, IndexOutsideGivesTransIndexOrFirstByte)
{
    CDibImage image(4, 4, 8, FORMAT_BMP);
    image.SetPixelIndex(0, 0, 9);
    image.SetTransIndex(5);
    EXPECT_EQ(image.PixelIndex(-1, 0), 5);
    EXPECT_EQ(image.PixelIndex(4, 0), 5);
    image.SetTransIndex(-1);
    EXPECT_EQ(image.PixelIndex(-1, 0), 9);
    CDibImage truecolor(4, 4, 24, FORMAT_BMP);
    EXPECT_EQ(truecolor.PixelIndex(0, 0), 0);
}

TEST(DibImagePixels, PackedIndicesUseTheRightBits)
{
    // Fill repeats the index in every bit or nibble of the bytes.
    CDibImage filled(9, 2, 1, FORMAT_BMP), nibbles(3, 2, 4, FORMAT_BMP);
    filled.Fill(1);
    nibbles.Fill(0x23);
    EXPECT_EQ(filled.Bits()[7], 255);
    EXPECT_EQ(nibbles.Bits()[5], 0x33);

    CDibImage mono(10, 1, 1, FORMAT_BMP);
    mono.SetPixelIndex(0, 0, 1);
    mono.SetPixelIndex(9, 0, 3); // only the low bit counts
    EXPECT_EQ(mono.Bits()[0], 0x80);
    EXPECT_EQ(mono.Bits()[1], 0x40);
    EXPECT_EQ(mono.PixelIndex(9, 0), 1);
    CDibImage nibble(3, 1, 4, FORMAT_BMP);
    nibble.SetPixelIndex(0, 0, 0xA);
    nibble.SetPixelIndex(1, 0, 0x1B);
    EXPECT_EQ(nibble.Bits()[0], 0xAB);
    EXPECT_EQ(nibble.PixelIndex(1, 0), 0xB);
    nibble.SetPixelIndex(3, 0, 0xF); // outside: ignored
    EXPECT_EQ(nibble.Bits()[1], 0);
}

TEST(DibImagePixels, ColorOutsideFollowsSubstitutes)
{
    CDibImage image(2, 2, 24, FORMAT_BMP);
    image.SetPixelColor(0, 0, Quad(1, 2, 3));
    EXPECT_TRUE(Same(image.PixelColor(-5, 9), Quad(1, 2, 3)));
    image.SetTransIndex(0);
    image.SetTransColor(Quad(7, 8, 9, 200));
    EXPECT_TRUE(Same(image.PixelColor(-5, 9), Quad(7, 8, 9, 0))); // stored without reserved byte
    CDibImage indexed(2, 2, 8, FORMAT_BMP);
    indexed.SetPaletteEntry(4, 50, 60, 70, 80);
    indexed.SetTransIndex(4);
    EXPECT_TRUE(Same(indexed.PixelColor(2, 0), Quad(70, 60, 50, 80)));
}

TEST(DibImagePixels, AlphaGoesIntoReservedByteOnlyWhenAsked)
{
    CDibImage image(2, 2, 24, FORMAT_BMP);
    image.AlphaCreate();
    image.SetPixelColor(1, 0, Quad(10, 20, 30, 40), true);
    EXPECT_EQ(image.AlphaGet(1, 0), 40);
    EXPECT_EQ(image.PixelColor(1, 0, true).rgbReserved, 40);
    EXPECT_EQ(image.PixelColor(1, 0, false).rgbReserved, 0);
    image.SetPixelColor(0, 0, RGB(1, 2, 3)); // COLORREF form never touches alpha
    EXPECT_TRUE(Same(image.PixelColor(0, 0, false), Quad(3, 2, 1)));
    EXPECT_EQ(image.AlphaGet(0, 0), 255);
}

TEST(DibImagePalette, NearestIndexAndItsCache)
{
    CDibImage image(2, 2, 4, FORMAT_BMP);
    for (uint32_t i = 0; i < 16; ++i)
        image.SetPaletteEntry(i, uint8_t(i * 16), 0, 0);
    image.SetPaletteEntry(9, 32, 0, 0); // same colour as entry 2
    EXPECT_EQ(image.NearestIndex(Quad(0, 0, 32)), 2);  // first exact entry
    EXPECT_EQ(image.NearestIndex(Quad(0, 0, 250)), 15); // nearest
    // Answered from the cache: a change of the palette behind its back is not seen...
    image.Palette()[15] = Quad(0, 0, 0);
    EXPECT_EQ(image.NearestIndex(Quad(0, 0, 250)), 15);
    // ...but any palette call forgets the answer.
    image.SetPaletteEntry(14, 250, 0, 0);
    EXPECT_EQ(image.NearestIndex(Quad(0, 0, 250)), 14);
    // Every entry farther than the starting best: the answer stays 0.
    CDibImage black(1, 1, 1, FORMAT_BMP);
    black.SetPaletteEntry(0, 0, 0, 0);
    black.SetPaletteEntry(1, 0, 0, 0);
    EXPECT_EQ(black.NearestIndex(Quad(255, 255, 255)), 0);
    CDibImage truecolor(1, 1, 24, FORMAT_BMP);
    EXPECT_EQ(truecolor.NearestIndex(Quad(1, 1, 1)), 0);
}

TEST(DibImagePalette, SetPaletteFormsAndGreyRamp)
{
    CDibImage image(2, 2, 1, FORMAT_BMP);
    RGBQUAD big[4] = {Quad(1, 1, 1, 9), Quad(2, 2, 2, 8), Quad(3, 3, 3), Quad(4, 4, 4)};
    image.SetPalette(big, 4); // only 2 entries fit
    EXPECT_TRUE(Same(image.PaletteEntry(1), Quad(2, 2, 2, 8)));
    EXPECT_TRUE(Same(image.PaletteEntry(2), Quad(0, 0, 0)));
    const CDibImage::RgbTriple triples[2] = {{10, 20, 30}, {40, 50, 60}};
    image.SetPalette(triples, 2);
    EXPECT_TRUE(Same(image.PaletteEntry(1), Quad(60, 50, 40, 8))); // reserved left as it was
    const uint8_t red[2] = {5, 6};
    image.SetPalette(2, red);
    EXPECT_TRUE(Same(image.PaletteEntry(0), Quad(5, 5, 5, 9)));

    CDibImage gray(2, 2, 8, FORMAT_BMP);
    EXPECT_FALSE(gray.IsGrayPalette());
    gray.SetGrayPalette();
    EXPECT_TRUE(gray.IsGrayPalette());
    CDibImage gray4(2, 2, 4, FORMAT_BMP);
    gray4.SetGrayPalette();
    EXPECT_EQ(gray4.PaletteEntry(15).rgbRed, 255);
    EXPECT_FALSE(gray4.IsGrayPalette()); // 17-steps are not an identity ramp
}

TEST(DibImageOptions, ResolutionAndCodecOptions)
{
    CDibImage image(FORMAT_JPG);
    image.SetXDPI(0);
    EXPECT_EQ(image.XDPI(), 96);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
    image.SetYDPI(300);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 11811);
    EXPECT_TRUE(image.SetCodecOption(42));
    EXPECT_EQ(image.CodecOption(FORMAT_JPG), 42u);
    EXPECT_FALSE(image.SetCodecOption(1, 16));
    EXPECT_EQ(image.CodecOption(16), 0u);
}

// The plane's flips are checked with the picture's, below.
TEST(DibImageAlpha, PlaneAccess)
{
    CDibImage image(3, 2, 8, FORMAT_BMP);
    EXPECT_EQ(image.AlphaGet(0, 0), 0);
    EXPECT_FALSE(image.AlphaFlip());
    ASSERT_TRUE(image.AlphaCreate());
    EXPECT_EQ(image.AlphaGet(2, 1), 255);
    image.AlphaSet(3, 0, 9); // outside: ignored
    EXPECT_EQ(image.AlphaGet(0, 1), 255);
    image.AlphaDelete();
    EXPECT_FALSE(image.HasAlpha());
}

TEST(DibImageTransform, FlipAndMirrorEveryDepth)
{
    for (uint32_t bpp : {1u, 4u, 8u, 24u}) {
        CDibImage image(7, 5, bpp, FORMAT_BMP);
        FillPattern(image);
        CDibImage flipped(image, true, true);
        ASSERT_TRUE(flipped.Flip());
        CDibImage mirrored(image, true, true);
        ASSERT_TRUE(mirrored.Mirror());
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x) {
                EXPECT_TRUE(Same(flipped.PixelColor(x, y), image.PixelColor(x, 4 - y))) << bpp;
                EXPECT_TRUE(Same(mirrored.PixelColor(x, y), image.PixelColor(6 - x, y))) << bpp;
            }
    }
    CDibImage empty;
    EXPECT_FALSE(empty.Flip());
    EXPECT_FALSE(empty.Mirror());
}

TEST(DibImageTransform, Rotate90MovesPixelsAndAlphaCounterClockwise)
{
    // Larger than one tile, with ragged edges; 132 x 3 bytes fill their rows
    // exactly, so nothing may be read or written past a row's last pixel.
    for (auto [bpp, w, h] : {std::tuple{1u, 131, 70}, {4u, 131, 70}, {8u, 131, 70}, {24u, 131, 70},
                             {24u, 132, 65}, {24u, 64, 1}, {24u, 1, 129}}) {
        CDibImage image(w, h, bpp, FORMAT_BMP);
        image.SetTransIndex(1);
        FillPattern(image);
        CDibImage turned;
        ASSERT_TRUE(image.Rotate90(&turned));
        ASSERT_EQ(turned.Width(), h);
        ASSERT_EQ(turned.Height(), w);
        EXPECT_EQ(turned.TransIndex(), 1);
        for (int32_t y = 0; y < w; ++y)
            for (int32_t x = 0; x < h; ++x) {
                ASSERT_TRUE(Same(turned.PixelColor(x, y, false), image.PixelColor(y, h - 1 - x, false)))
                    << bpp << " " << x << "," << y;
                ASSERT_EQ(turned.AlphaGet(x, y), image.AlphaGet(y, h - 1 - x));
            }
        // The bottom-left corner goes to the bottom-right.
        EXPECT_TRUE(Same(turned.PixelColor(h - 1, 0, false), image.PixelColor(0, 0, false)));
        EXPECT_TRUE(image.IsValid()); // a destination leaves the source alone
        ASSERT_TRUE(image.Rotate90());
        EXPECT_EQ(image.Width(), h);
    }
}

TEST(DibImageTransform, NegativeByKind)
{
    CDibImage rgb(2, 1, 24, FORMAT_BMP);
    rgb.SetPixelColor(0, 0, Quad(0, 10, 255));
    rgb.SetTransColor(Quad(1, 2, 3));
    ASSERT_TRUE(rgb.Negative());
    EXPECT_TRUE(Same(rgb.PixelColor(0, 0), Quad(255, 245, 0)));
    EXPECT_TRUE(Same(rgb.TransColor(), Quad(254, 253, 252)));

    CDibImage ramp(2, 1, 8, FORMAT_BMP);
    ramp.SetGrayPalette();
    ramp.SetPixelIndex(0, 0, 3);
    ASSERT_TRUE(ramp.Negative());
    EXPECT_EQ(ramp.PixelIndex(0, 0), 252); // the index is inverted...
    EXPECT_TRUE(ramp.IsGrayPalette());     // ...the palette is not

    CDibImage colours(2, 1, 4, FORMAT_BMP);
    colours.SetPaletteEntry(2, 10, 20, 30);
    colours.SetPixelIndex(1, 0, 2);
    ASSERT_TRUE(colours.Negative());
    EXPECT_EQ(colours.PixelIndex(1, 0), 2);
    EXPECT_TRUE(Same(colours.PaletteEntry(2), Quad(225, 235, 245)));
}
