// Pictures of the bitmap tags, and the bitmap fills that show them: each
// expected colour is worked out from the tag's pixels and the fill's matrix.
#include "flash/SwfPlayer.h"
#include "flash/SwfTags.h"
#include "flash/bitmap/Bitmap.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

// A JPEG of one colour (baseline, quality 95), made with the JPEG library.
std::vector<uint8_t> SolidJpeg(int w, int h, Rgba c)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < w; ++x)
        row.insert(row.end(), {c.r, c.g, c.b});
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(mem, mem + size);
    jpeg_destroy_compress(&cinfo);
    std::free(mem);
    return out;
}

// Splits a JPEG into a table stream (quantisation and Huffman tables) and the
// rest, the way DefineBits and JPEGTables hold it.
void SplitJpeg(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& tables, std::vector<uint8_t>& image)
{
    tables = {0xFF, 0xD8};
    image = {0xFF, 0xD8};
    size_t i = 2;
    while (i + 4 <= jpeg.size()) {
        uint8_t m = jpeg[i + 1];
        size_t len = (size_t(jpeg[i + 2]) << 8) | jpeg[i + 3];
        if (m == 0xDA) {
            image.insert(image.end(), jpeg.begin() + long(i), jpeg.end());
            break;
        }
        auto& to = (m == 0xDB || m == 0xC4) ? tables : image;
        to.insert(to.end(), jpeg.begin() + long(i), jpeg.begin() + long(i + 2 + len));
        i += 2 + len;
    }
    tables.push_back(0xFF);
    tables.push_back(0xD9);
}

// Bitmap 1 through `m` on a 100 x 100 pixel square, in a new player.
std::unique_ptr<SwfPlayer> ShowSquare(SwfWriter& swf, const Matrix& m, bool repeat = false, bool smooth = false,
                                      const ColorTransform* cx = nullptr)
{
    ShapeBuilder sb;
    sb.Rect(0, 0, 2000, 2000, sb.AddBitmapFill(1, m, repeat, smooth));
    swf.DefineShape(2, sb);
    swf.Place(1, 2, {}, cx);
    return Loaded(swf);
}

// A 2 x 2 picture of format 5 (alpha, red, green, blue): red, green / blue, white.
const std::vector<uint8_t> kFourColours = {255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255};

std::string Repeated(const std::string& s, int n)
{
    std::string out = s;
    for (int i = 1; i < n; ++i)
        out += "|" + s;
    return out;
}

TEST(BitmapFill, MatrixMapsThePictureClippedOrRepeating)
{
    // The picture sampled every 10 pixels; a picture pixel is 10 x 10 pixels.
    struct Case {
        const char* name;
        Matrix m;
        bool repeat;
        std::string want;
    };
    const Case cases[] = {
        // Corner at (20, 30); beyond the picture its edge pixels go on.
        {"clipped", Matrix{200, 0, 0, 200, 400, 600}, false,
         Repeated("RRRGGGGGGG", 4) + "|" + Repeated("BBBWWWWWWW", 6)},
        // The same tiled every 20 pixels, also left of and above the corner.
        {"repeating", Matrix{200, 0, 0, 200, 400, 600}, true, Repeated("BWBWBWBWBW|RGRGRGRGRG", 5)},
        // A quarter turn clockwise about (50, 20): u = (y - 20) / 10, v = (50 - x) / 10.
        {"rotated", Matrix{0, 200, -200, 0, 1000, 400}, false,
         Repeated("BBBBRRRRRR", 3) + "|" + Repeated("WWWWGGGGGG", 7)},
    };
    for (const Case& c : cases) {
        SwfWriter swf(100, 100, 12);
        swf.DefineBitsLossless(1, 5, 2, 2, kFourColours, false);
        EXPECT_EQ(Sketch(Draw(*ShowSquare(swf, c.m, c.repeat), 100, 100), 10), c.want) << c.name;
    }
}

TEST(BitmapFill, SmoothingFiltersBetweenPixelCentres)
{
    // Black and white side by side, each 20 pixels wide.
    const std::vector<uint8_t> bw = {255, 0, 0, 0, 255, 255, 255, 255};
    for (bool smooth : {false, true}) {
        SwfWriter swf(100, 100, 12);
        swf.DefineBitsLossless(1, 5, 2, 1, bw, false);
        const FrameBuffer fb = Draw(*ShowSquare(swf, Matrix{400, 0, 0, 400, 0, 0}, false, smooth), 100, 100);
        // Pixel 19's centre is at u = 0.975, 47.5 % of the way from the first
        // picture pixel's centre (0.5) to the second's (1.5).
        EXPECT_NEAR(fb.G(19, 5), smooth ? int(255 * 0.475 + 0.5) : 0, 3) << "smooth " << smooth;
        EXPECT_EQ(fb.G(5, 5), 0);    // before the first centre: the edge pixel
        EXPECT_EQ(fb.G(35, 5), 255); // after the second
        EXPECT_NEAR(fb.G(20, 5), smooth ? 134 : 255, 3); // u 1.025 -> 52.5 %
    }
}

TEST(BitmapFill, ColourTransformAppliesAndAMissingPictureDrawsNothing)
{
    SwfWriter swf(100, 100, 12);
    swf.DefineBitsLossless(1, 5, 2, 2, kFourColours, false);
    ColorTransform cx;
    cx.mulR = 128;
    cx.addB = 100;
    const FrameBuffer fb = Draw(*ShowSquare(swf, Matrix{200, 0, 0, 200, 0, 0}, false, false, &cx), 100, 100);
    EXPECT_EQ(fb.Rgb(5, 5), 0x7F0064u);   // red: 255 * 128 / 256 = 127, blue 0 + 100
    EXPECT_EQ(fb.Rgb(15, 15), 0x7FFFFFu); // white: blue 255 + 100 is held at 255

    SwfWriter none = Stage(100, 100, Rgba{10, 20, 30, 255});
    EXPECT_EQ(Draw(*ShowSquare(none, Matrix{200, 0, 0, 200, 0, 0}), 100, 100).Rgb(50, 50), 0x0A141Eu);
}

TEST(BitmapTags, LosslessRowsArePaddedAndAlphaIsPremultiplied)
{
    // Format 3: three colours (red, green, blue), 3 x 2 pixels, rows of
    // indices padded to 4 bytes. Format 4: 15-bit colour, big-endian, one
    // pixel a row, padded to 4 bytes.
    const std::vector<uint8_t> palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 1, 2, 9, 2, 1, 0, 9};
    SwfWriter swf3(30, 20, 12);
    swf3.DefineBitsLossless(1, 3, 3, 2, palette, false, 3);
    EXPECT_EQ(Sketch(Draw(*ShowSquare(swf3, Matrix{200, 0, 0, 200, 0, 0}), 30, 20), 10), "RGB|BGR");
    SwfWriter swf4(10, 20, 12);
    swf4.DefineBitsLossless(1, 4, 1, 2, {0x7C, 0x00, 0, 0, 0x00, 0x1F, 0, 0}, false);
    EXPECT_EQ(Sketch(Draw(*ShowSquare(swf4, Matrix{200, 0, 0, 200, 0, 0}), 10, 20), 10), "R|B");

    // DefineBitsLossless2: red at half opacity, premultiplied, over white:
    // 128 + 255 * (255 - 128) / 255 = 255 for red, 127 for green and blue.
    SwfWriter swf = Stage(100, 100, kWhite);
    swf.DefineBitsLossless(1, 5, 1, 1, {128, 128, 0, 0}, true);
    const FrameBuffer fb = Draw(*ShowSquare(swf, Matrix{2000, 0, 0, 2000, 0, 0}), 100, 100);
    EXPECT_LE(ColorDistance(fb.Rgb(50, 50), 0xFF7F7Fu), 1);
}

TEST(BitmapTags, JpegFormsDecodeToTheirColour)
{
    const Rgba orange{240, 120, 30, 255};
    const std::vector<uint8_t> jpeg = SolidJpeg(16, 16, orange);
    std::vector<uint8_t> tables, image;
    SplitJpeg(jpeg, tables, image);
    // Older tools wrote an end and a start of image before the data.
    std::vector<uint8_t> withStrayMarkers = jpeg;
    withStrayMarkers.insert(withStrayMarkers.begin(), {0xFF, 0xD9, 0xFF, 0xD8});
    const std::vector<uint8_t> halfAlpha(16 * 16, 128);

    for (int form = 0; form < 4; ++form) {
        SwfWriter swf = Stage(20, 20, kBlack);
        if (form == 0) {
            swf.JpegTables(tables);
            swf.DefineBits(1, image);
        } else if (form == 1) {
            swf.DefineBitsJpeg2(1, withStrayMarkers);
        } else {
            swf.DefineBitsJpeg3(1, jpeg, halfAlpha, form == 3 ? 0 : -1);
        }
        const uint32_t got = Draw(*ShowSquare(swf, Matrix{20, 0, 0, 20, 0, 0}), 20, 20).Rgb(8, 8);
        // Over black, half alpha halves each channel.
        EXPECT_LE(ColorDistance(got, form < 2 ? 0xF0781Eu : 0x783C0Fu), 4) << "form " << form << ": " << std::hex << got;
    }
}

TEST(BitmapTags, OversizedPicturesAreRefused)
{
    // A lossless picture declaring 65535 x 65535 pixels is not inflated at all.
    std::vector<uint8_t> body = {5, 0xFF, 0xFF, 0xFF, 0xFF, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01};
    Bitmap bm;
    EXPECT_FALSE(DecodeLossless(body.data(), body.size(), true, bm));
    EXPECT_TRUE(bm.pixels.empty());
    // Nor is a JPEG whose frame header declares as much.
    std::vector<uint8_t> jpeg = SolidJpeg(8, 8, Rgba{1, 2, 3, 255});
    std::vector<uint8_t> out;
    ASSERT_TRUE(NormalizeJpeg(nullptr, 0, jpeg.data(), jpeg.size(), out));
    for (size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = jpeg[i + 6] = jpeg[i + 7] = jpeg[i + 8] = 0xFF;
            break;
        }
    EXPECT_FALSE(NormalizeJpeg(nullptr, 0, jpeg.data(), jpeg.size(), out));
    // The movie still plays, without the picture.
    SwfWriter swf = Stage(10, 10, Rgba{9, 9, 9, 255});
    swf.DefineBitsJpeg2(1, jpeg);
    EXPECT_EQ(Draw(*ShowSquare(swf, Matrix{20, 0, 0, 20, 0, 0}), 10, 10).Rgb(5, 5), 0x090909u);
}

TEST(BitmapTags, TruncatedDataGivesNoPicture)
{
    std::vector<uint8_t> jpeg = SolidJpeg(8, 8, Rgba{1, 2, 3, 255});
    for (size_t cut : {size_t(0), size_t(3), size_t(20), jpeg.size() / 2}) {
        Bitmap bm;
        std::vector<uint8_t> part(jpeg.begin(), jpeg.begin() + long(cut));
        // Whatever a cut stream gives, it is a whole picture or nothing.
        bool ok = DecodeBitmapTag(kDefineBitsJpeg2, part.data(), part.size(), {}, bm);
        if (ok)
            EXPECT_EQ(bm.pixels.size(), size_t(bm.width) * size_t(bm.height));
        else
            EXPECT_TRUE(bm.pixels.empty());
    }
    Bitmap bm;
    std::vector<uint8_t> lossless = {5, 4, 0, 4, 0, 0x78};
    EXPECT_FALSE(DecodeLossless(lossless.data(), lossless.size(), false, bm));
}

} // namespace
