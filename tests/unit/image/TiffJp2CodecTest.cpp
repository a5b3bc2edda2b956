// The TIFF and JPEG-2000 decoders against the libraries' own tools: libtiff's
// test pictures against its RGBA reading, pages, tiles against strips, the
// orientation tag against ImageMagick, oversized pictures; JPEG-2000 files
// written by opj_compress at test time, which must come back lossless.
#include "image/DibImage.h"
#include "image/codec/DibImageTIF.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ByteFiles.h"
#include "tests/unit/image/ImageTools.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace glint;
using test::FromImage;
using test::Rgba;
using test::SameRgba;
namespace fs = std::filesystem;

namespace {

const std::string kTiffDir = GLINT_TIFF_CORPUS;

// libtiff's own RGBA reading of page 0, as its tool tiff2rgba writes it.
bool LibtiffRgba(const std::string& path, Rgba& out)
{
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return false;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    std::vector<uint32_t> raster(size_t(width) * height);
    const bool ok = TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_TOPLEFT, 0) == 1;
    TIFFClose(tif);
    out = {int32_t(width), int32_t(height), {}};
    for (uint32_t p : raster)
        out.bytes.insert(out.bytes.end(), {uint8_t(TIFFGetR(p)), uint8_t(TIFFGetG(p)), uint8_t(TIFFGetB(p)),
                                           uint8_t(TIFFGetA(p))});
    return ok;
}

// Our colours are kept apart from their opacity; the library's tool
// multiplies them.
constexpr test::Match kMultiplied{.alpha = true, .premultiplied = true}, kExact{.alpha = true};

bool Decode(CDibImage& image, const std::string& path, uint32_t format, int32_t frame = 0)
{
    const std::vector<uint8_t> bytes = test::ReadFile(path);
    image.SetFrame(frame);
    return !bytes.empty() && image.DecodeBuffer(bytes.data(), bytes.size(), format);
}

// ---------------------------------------------------------------- TIFF

TEST(TiffCodec, CorpusMatchesLibtiffsRgbaReading)
{
    int compared = 0, refused = 0;
    for (const auto& entry : fs::directory_iterator(kTiffDir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".tif" && entry.path().extension() != ".tiff")
            continue;
        SCOPED_TRACE(name);
        Rgba ref;
        CDibImage image;
        const bool ours = Decode(image, entry.path().string(), FORMAT_TIF);
        if (!LibtiffRgba(entry.path().string(), ref)) {
            // The library's own RGBA reading refuses it (floating-point samples):
            // we refuse it too, and say why.
            EXPECT_FALSE(ours);
            EXPECT_STRNE(image.LastError(), "");
            ++refused;
            continue;
        }
        ASSERT_TRUE(ours) << image.LastError();
        EXPECT_EQ(image.Type(), FORMAT_TIF);
        EXPECT_TRUE(SameRgba(FromImage(image), ref, kMultiplied));
        ++compared;
    }
    EXPECT_GE(compared, 20);
    EXPECT_EQ(refused, 2);
}

// Grey and palette pictures keep their stored form; the rest become 24-bit.
TEST(TiffCodec, BitCountByKind)
{
    const struct {
        const char* file;
        uint32_t bits;
        bool alpha;
    } cases[] = {
        {"miniswhite-1c-1b.tiff", 1, false}, {"palette-1c-4b.tiff", 4, false}, {"palette-1c-8b.tiff", 8, false},
        {"minisblack-1c-8b.tiff", 8, false}, {"minisblack-1c-16b.tiff", 24, false},
        {"rgb-3c-16b.tiff", 24, false},      {"minisblack-2c-8b-alpha.tiff", 24, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CDibImage image;
        ASSERT_TRUE(Decode(image, kTiffDir + "/" + c.file, FORMAT_UNKNOWN)) << image.LastError();
        EXPECT_EQ(image.BitCount(), c.bits);
        EXPECT_EQ(image.HasAlpha(), c.alpha);
    }
    // The 8-bit grey twin in the corpus holds the same samples.
    CDibImage grey, twin;
    ASSERT_TRUE(Decode(grey, kTiffDir + "/minisblack-1c-8b.tiff", FORMAT_TIF));
    ASSERT_TRUE(Decode(twin, kTiffDir + "/minisblack-1c-8b.pgm", FORMAT_UNKNOWN)) << twin.LastError();
    EXPECT_TRUE(SameRgba(FromImage(grey), FromImage(twin), kExact));
}

TEST(TiffCodec, PagesAndMissingPage)
{
    test::TempDir dir;
    const std::string a = dir.File("a.tif"), b = dir.File("b.tif"), two = dir.File("two.tif");
    ASSERT_TRUE(test::Shell("convert -size 9x5 gradient:red-blue -depth 8 '" + a + "' && convert -size 4x7 xc:green "
                            "-depth 8 -type TrueColor '" + b + "' && tiffcp '" + a + "' '" + b + "' '" + two + "'"));
    CDibImage first, second, missing, page;
    ASSERT_TRUE(Decode(first, two, FORMAT_TIF, 0)) << first.LastError();
    ASSERT_TRUE(Decode(second, two, FORMAT_TIF, 1)) << second.LastError();
    EXPECT_EQ(first.FrameCount(), 2);
    EXPECT_EQ(first.Width(), 9);
    ASSERT_TRUE(Decode(page, b, FORMAT_TIF));
    EXPECT_TRUE(SameRgba(FromImage(second), FromImage(page), kExact));
    missing.SetFrameCount(0);
    EXPECT_FALSE(Decode(missing, two, FORMAT_TIF, 2));
    EXPECT_STREQ(missing.LastError(), "Error: page not present in TIFF file");
    EXPECT_EQ(missing.FrameCount(), 2);
    // A directory chain that loops back ends the count instead of hanging.
    CDibImage loop;
    ASSERT_TRUE(Decode(loop, kTiffDir + "/test_ifd_loop_to_first.tif", FORMAT_TIF)) << loop.LastError();
    EXPECT_EQ(loop.FrameCount(), 2);
}

// The same pictures written in tiles (partial at the right and bottom) and
// in strips (a short last strip) decode alike, in both reading paths; the
// RGBA reader also when it has to work in bands of rows.
TEST(TiffCodec, TilesStripsAndBands)
{
    test::TempDir dir;
    // A colour picture with unassociated alpha, as ImageMagick writes it.
    ASSERT_TRUE(test::Shell("convert -size 70x45 gradient:red-blue -alpha set -channel A -fx 'j/h' +channel -depth 8 '" +
                            dir.File("alpha.tif") + "'"));
    for (const std::string file : {"minisblack-1c-8b.tiff", "palette-1c-4b.tiff", "miniswhite-1c-1b.tiff",
                                   "rgb-3c-8b.tiff", "alpha.tif"}) {
        SCOPED_TRACE(file);
        const std::string in = file == "alpha.tif" ? dir.File(file) : kTiffDir + "/" + file, tiled = dir.File("t.tif"), strips = dir.File("s.tif");
        ASSERT_TRUE(test::Shell("tiffcp -t -w 32 -l 16 '" + in + "' '" + tiled + "' && tiffcp -s -r 7 -c lzw '" + in +
                                "' '" + strips + "'"));
        CDibImage whole, t, s;
        ASSERT_TRUE(Decode(whole, in, FORMAT_TIF)) << whole.LastError();
        ASSERT_TRUE(Decode(t, tiled, FORMAT_TIF)) << t.LastError();
        ASSERT_TRUE(Decode(s, strips, FORMAT_TIF)) << s.LastError();
        EXPECT_EQ(t.BitCount(), whole.BitCount());
        EXPECT_TRUE(SameRgba(FromImage(t), FromImage(whole), kExact));
        EXPECT_TRUE(SameRgba(FromImage(s), FromImage(whole), kExact));
        CDibImageTIF::SetRasterBudget(3 * 64 * 4); // three rows of 64 pixels a band
        CDibImage banded;
        const bool ok = Decode(banded, tiled, FORMAT_TIF);
        CDibImageTIF::SetRasterBudget(uint64_t(64) << 20);
        ASSERT_TRUE(ok) << banded.LastError();
        EXPECT_TRUE(SameRgba(FromImage(banded), FromImage(whole), kExact));
    }
}

// Every orientation shows the picture as ImageMagick turns it, in both the
// stored path (8-bit grey) and the RGBA path (colour).
TEST(TiffCodec, OrientationTag)
{
    test::TempDir dir;
    for (const char* file : {"minisblack-1c-8b.tiff", "rgb-3c-8b.tiff"}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::string(file) + " orientation " + std::to_string(orientation));
            const std::string turned = dir.File("o.tif"), expected = dir.File("o.rgb");
            ASSERT_TRUE(test::Shell("cp '" + kTiffDir + "/" + file + "' '" + turned + "' && chmod u+w '" + turned +
                                    "' && tiffset -s 274 " + std::to_string(orientation) + " '" + turned + "'"));
            CDibImage image;
            ASSERT_TRUE(Decode(image, turned, FORMAT_TIF)) << image.LastError();
            Rgba ref;
            ASSERT_TRUE(test::MagickRgba("'" + turned + "'", expected, ref));
            EXPECT_TRUE(SameRgba(FromImage(image), ref, kMultiplied));
        }
    }
}

// A little-endian grey TIFF whose directory declares width x height.
std::vector<uint8_t> DeclaredTiff(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const struct {
        uint16_t tag, type;
        uint32_t value;
    } entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8},   {259, 3, 1},   {262, 3, 1},
                   {273, 4, 200},   {277, 3, 1},      {278, 4, height}, {279, 4, 64}};
    test::Put16(f, sizeof entries / sizeof entries[0]);
    // Each of count 1; a short value takes the low half of its field, first in this byte order.
    for (const auto& e : entries)
        test::Put16(f, e.tag), test::Put16(f, e.type), test::Put32(f, 1), test::Put32(f, e.value);
    test::Put32(f, 0);
    f.resize(264, 0x80);
    return f;
}

TEST(TiffCodec, SizeLimitAndDamage)
{
    // 200000 x 60000 grey: over the limit, refused before any allocation,
    // while the size alone can still be asked for.
    const std::vector<uint8_t> huge = DeclaredTiff(200000, 60000);
    CDibImage refused;
    EXPECT_FALSE(refused.DecodeBuffer(huge.data(), huge.size(), FORMAT_TIF));
    EXPECT_STREQ(refused.LastError(), "DIBIMAGE_MAX_MEMORY exceeded");
    test::ExpectSizeOnly(huge, FORMAT_TIF, 200000, 60000);

    // The small version of the same file is whole and decodes.
    const std::vector<uint8_t> small = DeclaredTiff(8, 8);
    CDibImage ok;
    ASSERT_TRUE(ok.DecodeBuffer(small.data(), small.size(), FORMAT_TIF)) << ok.LastError();
    EXPECT_EQ(ok.PixelIndex(3, 3), 0x80);

    test::ExpectRefused({
        {"data cut short", std::vector<uint8_t>(small.begin(), small.begin() + 220), FORMAT_TIF},
        {"no directory", {'I', 'I', 42, 0, 0xF0, 0, 0, 0}, FORMAT_TIF},
        {"not a TIFF", {'M', 'M', 0, 43, 1, 2, 3, 4, 5}, FORMAT_TIF},
    });
}

// ---------------------------------------------------------------- JPEG-2000

struct Jp2Case {
    const char* source;  // ImageMagick's making of the source picture
    const char* name;    // the file opj_compress writes (its extension picks the kind)
    uint32_t format;     // what the bytes must be recognised as
    uint32_t bits;
};

TEST(Jpeg2000Codec, LosslessRoundTripAndRecognition)
{
    test::TempDir dir;
    const Jp2Case cases[] = {
        {"-size 61x37 plasma:fractal -depth 8", "colour.jp2", FORMAT_JP2, 24},
        {"-size 61x37 plasma:fractal -depth 8", "colour.j2k", FORMAT_JPC, 24},
        {"-size 33x70 gradient:black-white -depth 8", "grey.jp2", FORMAT_JP2, 8},
        {"-size 33x70 gradient:black-white -depth 8", "grey.j2k", FORMAT_JPC, 8},
    };
    for (const Jp2Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool grey = c.bits == 8;
        const std::string source = dir.File(grey ? "src.pgm" : "src.ppm"), out = dir.File(c.name);
        ASSERT_TRUE(test::Shell(std::string("convert -seed 5 ") + c.source + (grey ? " -colorspace gray" : "") +
                                " '" + source + "' && opj_compress -n 3 -i '" + source + "' -o '" + out + "'"));
        CDibImage image, fromSource;
        ASSERT_TRUE(Decode(image, out, FORMAT_UNKNOWN)) << image.LastError();
        EXPECT_EQ(image.Type(), c.format);
        EXPECT_EQ(image.BitCount(), c.bits);
        ASSERT_TRUE(Decode(fromSource, source, FORMAT_UNKNOWN)) << fromSource.LastError();
        EXPECT_TRUE(SameRgba(FromImage(image), FromImage(fromSource), kExact));
        // Named with its own code it decodes; named as the other kind, not.
        CDibImage named, wrong;
        EXPECT_TRUE(Decode(named, out, c.format)) << named.LastError();
        EXPECT_FALSE(Decode(wrong, out, c.format == FORMAT_JP2 ? FORMAT_JPC : FORMAT_JP2));
        CDibImage frame;
        EXPECT_FALSE(Decode(frame, out, FORMAT_UNKNOWN, 1));
        test::ExpectSizeOnly(test::ReadFile(out), c.format, image.Width(), image.Height());
    }
}

TEST(Jpeg2000Codec, DeepSamplesAndAlpha)
{
    test::TempDir dir;
    // 16-bit samples come back as their high bytes.
    const std::string deep = dir.File("deep.pgm"), deepJ2k = dir.File("deep.j2k");
    ASSERT_TRUE(test::Shell("convert -size 40x20 gradient:black-white -depth 16 '" + deep + "' && opj_compress -n 3 -i '" +
                            deep + "' -o '" + deepJ2k + "'"));
    CDibImage image;
    ASSERT_TRUE(Decode(image, deepJ2k, FORMAT_UNKNOWN)) << image.LastError();
    const std::vector<uint8_t> pgm = test::ReadFile(deep);
    ASSERT_GE(pgm.size(), size_t(40 * 20 * 2));
    const uint8_t* samples = pgm.data() + pgm.size() - 40 * 20 * 2;
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 40; ++x)
            ASSERT_EQ(image.PixelIndex(x, 19 - y), samples[(y * 40 + x) * 2]) << x << "," << y;

    // A colour picture with opacity keeps it as an alpha plane: the same
    // pixels as OpenJPEG's own tool gives back.
    const std::string png = dir.File("a.png"), jp2 = dir.File("a.jp2"), back = dir.File("back.png");
    ASSERT_TRUE(test::Shell("convert -size 24x24 gradient:red-blue -depth 8 -alpha set -channel A -fx '0.2+0.8*i/w' "
                            "+channel '" + png + "' && opj_compress -n 3 -i '" + png + "' -o '" + jp2 +
                            "' && opj_decompress -i '" + jp2 + "' -o '" + back + "'"));
    CDibImage alpha, reference;
    ASSERT_TRUE(Decode(alpha, jp2, FORMAT_UNKNOWN)) << alpha.LastError();
    ASSERT_TRUE(Decode(reference, back, FORMAT_PNG));
    EXPECT_TRUE(alpha.HasAlpha());
    EXPECT_TRUE(SameRgba(FromImage(alpha), FromImage(reference), kExact));
}

TEST(Jpeg2000Codec, DamagedFilesRefused)
{
    test::TempDir dir;
    const std::string src = dir.File("s.ppm"), out = dir.File("s.jp2");
    ASSERT_TRUE(test::Shell("convert -size 16x16 xc:orange -depth 8 '" + src + "' && opj_compress -i '" + src +
                            "' -o '" + out + "' -n 2"));
    const std::vector<uint8_t> whole = test::ReadFile(out);
    ASSERT_GT(whole.size(), size_t(100));
    std::vector<uint8_t> garbage(200, 0x5A);
    std::copy(whole.begin(), whole.begin() + 12, garbage.begin()); // the signature, then nonsense
    test::ExpectRefused({{"cut after 60 bytes", std::vector<uint8_t>(whole.begin(), whole.begin() + 60), FORMAT_JP2},
                         {"nonsense after the signature", garbage, FORMAT_JP2}});
}

} // namespace
