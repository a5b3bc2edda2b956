// The JPEG and PNG decoders against the libraries' own readings: PngSuite
// against libpng's simplified API, libjpeg-turbo's test pictures against
// djpeg; damaged and oversized files; the resolution rules (Exif over JFIF,
// dots per centimetre), scaling, greyscale and CMYK.
#include "image/DibImage.h"
#include "image/ImageStream.h"
#include "image/codec/DibImageJPG.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ByteFiles.h"
#include "tests/unit/image/ImageTools.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace glint;
namespace fs = std::filesystem;

namespace {

using test::FromImage;
using test::ReadFile;
using test::Rgba;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
void PutBe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
}

// ---------------------------------------------------------------- PNG

const std::string kPngDir = GLINT_PNG_CORPUS;

// The file without its gamma and colour-space chunks, so that libpng's
// simplified API hands back the stored samples instead of converting them.
std::vector<uint8_t> WithoutColourChunks(const std::vector<uint8_t>& file)
{
    std::vector<uint8_t> out(file.begin(), file.begin() + 8);
    for (size_t at = 8; at + 12 <= file.size();) {
        const size_t next = at + 12 + Be32(&file[at]);
        if (next > file.size())
            break;
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        if (type != "gAMA" && type != "sRGB" && type != "cHRM" && type != "iCCP")
            out.insert(out.end(), file.begin() + long(at), file.begin() + long(next));
        at = next;
    }
    return out;
}

// libpng's simplified reading as 8-bit RGBA. It takes 16-bit samples as
// linear light: those files are read as linear 16-bit (premultiplied) and
// un-premultiplied here, 8-bit ones as stored.
bool SimplifiedRgba(const std::vector<uint8_t>& file, uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgba)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return false;
    const bool sixteen = file[24] == 16;
    image.format = sixteen ? PNG_FORMAT_LINEAR_RGB_ALPHA : PNG_FORMAT_RGBA;
    std::vector<uint8_t> raw(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, raw.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = image.width, height = image.height;
    if (!sixteen) {
        rgba = std::move(raw);
        return true;
    }
    rgba.assign(size_t(width) * height * 4, 0);
    const uint16_t* in = reinterpret_cast<const uint16_t*>(raw.data());
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        const uint32_t a = in[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            rgba[i * 4 + c] = uint8_t(a ? (uint32_t(in[i * 4 + c]) * 65535 / a) >> 8 : 0);
        rgba[i * 4 + 3] = uint8_t(a >> 8);
    }
    return true;
}

std::vector<std::string> PngSuite()
{
    std::vector<std::string> files;
    for (const std::string& dir : {kPngDir, kPngDir + "/interlaced"})
        if (fs::is_directory(dir))
            for (const auto& e : fs::directory_iterator(dir))
                if (e.path().extension() == ".png")
                    files.push_back(e.path().string());
    return files;
}

TEST(PngCorpus, EveryValidFileGivesTheSimplifiedApisPixels)
{
    const std::vector<std::string> files = PngSuite();
    ASSERT_GE(files.size(), 50u) << "PngSuite missing or incomplete in " << kPngDir;
    int interlaced = 0, compared = 0;
    for (const std::string& path : files) {
        const std::string name = fs::path(path).filename().string();
        if (name[0] == 'x')
            continue; // damaged on purpose: see the next test
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = ReadFile(path);
        uint32_t w = 0, h = 0;
        std::vector<uint8_t> expected;
        ASSERT_TRUE(SimplifiedRgba(WithoutColourChunks(bytes), w, h, expected));
        CDibImage image;
        ASSERT_TRUE(image.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_PNG)) << image.LastError();
        ASSERT_EQ(image.Type(), uint32_t(FORMAT_PNG));
        ASSERT_EQ(uint32_t(image.Width()), w);
        ASSERT_EQ(uint32_t(image.Height()), h);
        // 16-bit samples: we keep the high byte; the reference went through
        // premultiplication, which loses precision where alpha is low.
        const int tolerance = bytes[24] == 16 ? 1 : 0;
        interlaced += image.CodecOption(FORMAT_PNG) == 1;
        const Rgba got = FromImage(image);
        for (size_t i = 0; i < expected.size(); ++i)
            if ((i % 4 == 3 || expected[i | 3] >= 128 || tolerance == 0) &&
                std::abs(int(got.bytes[i]) - int(expected[i])) > tolerance) {
                ADD_FAILURE() << "pixel " << i / 4 % w << "," << i / 4 / w << " channel " << i % 4 << ": "
                              << int(got.bytes[i]) << " instead of " << int(expected[i]);
                break;
            }
        ++compared;
    }
    EXPECT_GE(compared, 50);
    EXPECT_GE(interlaced, 20); // the i* files report their interlacing
}

// A copy of a PngSuite file with its header chunk changed and its CRC fixed.
std::vector<uint8_t> WithHeader(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bytes = ReadFile(kPngDir + "/basn2c08.png");
    EXPECT_GT(bytes.size(), 33u);
    PutBe32(&bytes[16], width);
    PutBe32(&bytes[20], height);
    PutBe32(&bytes[29], uint32_t(crc32(0, &bytes[12], 17)));
    return bytes;
}

TEST(PngDamage, DamagedAndHugeFilesAreRefusedWithAMessage)
{
    const std::vector<uint8_t> good = ReadFile(kPngDir + "/basn6a08.png");
    ASSERT_FALSE(good.empty()) << "PngSuite missing in " << kPngDir;
    std::vector<uint8_t> signature = good, headerCrc = good, dataCrc = good;
    signature[1] = 'Q';
    headerCrc[29] ^= 0xFF;
    dataCrc[good.size() - 20] ^= 0x55;
    // Over the limit: refused before any allocation.
    const std::vector<uint8_t> huge = WithHeader(60000, 60000);
    test::ExpectRefused({
        {"signature", signature, FORMAT_PNG},
        {"header CRC", headerCrc, FORMAT_PNG},
        {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 20), FORMAT_PNG},
        {"cut in the data", std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() / 2)), FORMAT_PNG},
        {"data CRC", dataCrc, FORMAT_PNG},
        {"zero width", WithHeader(0, 32), FORMAT_PNG},
        {"60000 x 60000", huge, FORMAT_PNG, "DIBIMAGE_MAX_MEMORY exceeded"},
    });
    test::ExpectSizeOnly(huge, FORMAT_PNG, 60000, 60000);
}

TEST(PngDetails, ResolutionPaletteAlphaAndDispatch)
{
    // A pHYs chunk of 11811 pixels per metre (300 dpi) after the header.
    std::vector<uint8_t> bytes = ReadFile(kPngDir + "/basn3p02.png");
    ASSERT_FALSE(bytes.empty()) << "PngSuite missing in " << kPngDir;
    std::vector<uint8_t> phys = {0, 0, 0, 9, 'p', 'H', 'Y', 's', 0, 0, 0x2E, 0x23, 0, 0, 0x0E, 0x74, 1, 0, 0, 0, 0};
    PutBe32(&phys[17], uint32_t(crc32(0, &phys[4], 13)));
    bytes.insert(bytes.begin() + 33, phys.begin(), phys.end());
    CDibImage image;
    ASSERT_TRUE(image.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_UNKNOWN)) << image.LastError();
    EXPECT_EQ(image.Type(), uint32_t(FORMAT_PNG));
    EXPECT_EQ(image.XDPI(), 300);
    EXPECT_EQ(image.YDPI(), 94); // 3700 per metre
    EXPECT_EQ(image.BitCount(), 4u); // 2-bit widened

    CDibImage grey;
    ASSERT_TRUE(grey.LoadFile((kPngDir + "/basn0g02.png").c_str(), FORMAT_PNG));
    EXPECT_EQ(grey.BitCount(), 4u);
    EXPECT_EQ(grey.PaletteEntry(2).rgbGreen, 170);

    CDibImage alpha;
    ASSERT_TRUE(alpha.LoadFile((kPngDir + "/basn4a16.png").c_str(), FORMAT_PNG));
    EXPECT_EQ(alpha.BitCount(), 24u);
    EXPECT_TRUE(alpha.HasAlpha());

    CDibImage palette; // tRNS with many values: per-entry alpha
    ASSERT_TRUE(palette.LoadFile((kPngDir + "/ftbbn3p08.png").c_str(), FORMAT_PNG));
    EXPECT_TRUE(palette.Info().alphaPaletteEnabled || palette.TransIndex() == 0);
    EXPECT_FALSE(palette.HasAlpha());
}

// ---------------------------------------------------------------- JPEG

const std::string kJpegDir = GLINT_JPEG_CORPUS;

// djpeg's reading of a file, with extra switches, as RGBA (read back from
// its plain PNM by ImageMagick).
bool Djpeg(const std::string& path, const std::string& switches, const std::string& scratch, Rgba& out)
{
    return test::Shell("djpeg " + switches + " -outfile '" + scratch + "' '" + path + "'") &&
           test::MagickRgba("'" + scratch + "'", scratch + ".rgba", out);
}

TEST(JpegCorpus, TestPicturesGiveDjpegsPixels)
{
    test::TempDir dir;
    for (const char* name : {"testorig.jpg", "testimgint.jpg", "testimgari.jpg"}) {
        SCOPED_TRACE(name);
        const std::string path = kJpegDir + "/" + name;
        ASSERT_TRUE(fs::exists(path)) << "JPEG corpus missing in " << kJpegDir;
        Rgba expected;
        ASSERT_TRUE(Djpeg(path, "-ppm", dir.File("out.ppm"), expected)) << "djpeg (libjpeg-turbo-progs) failed";
        CDibImage image;
        ASSERT_TRUE(image.LoadFile(path.c_str(), FORMAT_UNKNOWN)) << image.LastError();
        EXPECT_EQ(image.Type(), uint32_t(FORMAT_JPG));
        EXPECT_EQ(image.BitCount(), 24u);
        EXPECT_TRUE(test::SameRgba(FromImage(image), expected));
    }
}

TEST(JpegCorpus, ScaleAndGreyscaleMatchDjpeg)
{
    test::TempDir dir;
    const std::string path = kJpegDir + "/testorig.jpg";
    Rgba half, grey;
    ASSERT_TRUE(Djpeg(path, "-ppm -scale 1/2", dir.File("half.ppm"), half)) << "djpeg failed";
    ASSERT_TRUE(Djpeg(path, "-pnm -grayscale", dir.File("grey.pgm"), grey)) << "djpeg failed";

    // The scale lives in the info block, which only a codec object reaches.
    struct ScaledJpg : CDibImageJPG {
        explicit ScaledJpg(uint8_t scale) { info_.jpegScale = scale; }
    };
    const std::vector<uint8_t> bytes = ReadFile(path);
    ScaledJpg scaled(2);
    ImageMemoryStream stream(const_cast<uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(scaled.Decode(&stream)) << scaled.LastError();
    EXPECT_TRUE(test::SameRgba(FromImage(scaled), half));

    CDibImage greyImage;
    greyImage.SetCodecOption(CDibImageJPG::kGrayscale, FORMAT_JPG);
    ASSERT_TRUE(greyImage.LoadFile(path.c_str(), FORMAT_JPG)) << greyImage.LastError();
    EXPECT_EQ(greyImage.BitCount(), 8u);
    EXPECT_EQ(greyImage.ColorsUsed(), 256u);
    EXPECT_TRUE(greyImage.IsGrayPalette());
    EXPECT_TRUE(test::SameRgba(FromImage(greyImage), grey));
}

TEST(JpegDamage, TwelveBitTruncatedAndHugeFilesAreRefused)
{
    CDibImage twelve;
    EXPECT_FALSE(twelve.LoadFile((kJpegDir + "/testorig12.jpg").c_str(), FORMAT_JPG));
    EXPECT_STRNE(twelve.LastError(), "");

    std::vector<uint8_t> bytes = ReadFile(kJpegDir + "/testorig.jpg");
    ASSERT_GT(bytes.size(), 100u) << "JPEG corpus missing in " << kJpegDir;
    CDibImage notJpeg;
    std::vector<uint8_t> text(bytes.begin() + 2, bytes.begin() + 40);
    EXPECT_FALSE(notJpeg.DecodeBuffer(text.data(), text.size(), FORMAT_JPG));
    EXPECT_STRNE(notJpeg.LastError(), "");

    // The frame header declares 60000 x 60000.
    size_t sof = 2;
    while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && bytes[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, bytes.size());
    bytes[sof + 5] = 60000 >> 8, bytes[sof + 6] = 60000 & 0xFF;
    bytes[sof + 7] = 60000 >> 8, bytes[sof + 8] = 60000 & 0xFF;
    CDibImage huge;
    EXPECT_FALSE(huge.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_JPG));
    EXPECT_STREQ(huge.LastError(), "DIBIMAGE_MAX_MEMORY exceeded");
    test::ExpectSizeOnly(bytes, FORMAT_JPG, 60000, 60000);
}

// testorig.jpg with its JFIF density set, and optionally an Exif record
// (big-endian, resolution 300/1 per inch, orientation 6) after the JFIF one.
std::vector<uint8_t> WithResolution(uint8_t jfifUnit, uint16_t jfifDensity, bool exif)
{
    std::vector<uint8_t> bytes = ReadFile(kJpegDir + "/testorig.jpg");
    EXPECT_TRUE(bytes.size() > 20 && std::memcmp(&bytes[6], "JFIF", 4) == 0);
    bytes[13] = jfifUnit;
    bytes[14] = uint8_t(jfifDensity >> 8), bytes[15] = uint8_t(jfifDensity);
    bytes[16] = uint8_t(jfifDensity >> 8), bytes[17] = uint8_t(jfifDensity);
    if (!exif)
        return bytes;
    std::vector<uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 4};
    auto entry = [&](uint16_t tag, uint16_t format, uint32_t count, uint32_t value) {
        const uint8_t e[12] = {uint8_t(tag >> 8), uint8_t(tag), uint8_t(format >> 8), uint8_t(format),
                               uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8), uint8_t(count),
                               uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
        tiff.insert(tiff.end(), e, e + 12);
    };
    entry(0x0112, 3, 1, 6u << 16);  // orientation: short, left-justified
    entry(0x011A, 5, 1, 62);         // X resolution at offset 62
    entry(0x011B, 5, 1, 70);
    entry(0x0128, 3, 1, 2u << 16);   // inches
    tiff.insert(tiff.end(), {0, 0, 0, 0});               // no next directory (offset 58..61)
    tiff.insert(tiff.end(), {0, 0, 1, 44, 0, 0, 0, 1});  // 300/1
    tiff.insert(tiff.end(), {0, 0, 1, 44, 0, 0, 0, 1});
    std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    app1[2] = uint8_t((app1.size() - 2) >> 8), app1[3] = uint8_t(app1.size() - 2);
    bytes.insert(bytes.begin() + 20, app1.begin(), app1.end());
    return bytes;
}

TEST(JpegResolution, ExifOverJfifAndDotsPerCentimetre)
{
    const std::vector<uint8_t> exif = WithResolution(1, 72, true);
    CDibImageJPG codec;
    ImageMemoryStream stream(const_cast<uint8_t*>(exif.data()), exif.size());
    ASSERT_TRUE(codec.Decode(&stream)) << codec.LastError();
    EXPECT_EQ(codec.XDPI(), 300);
    EXPECT_EQ(codec.YDPI(), 300);
    EXPECT_EQ(codec.Exif().orientation, 6);
    EXPECT_FLOAT_EQ(codec.Exif().resolutionUnit, 1.0f);
    // JFIF alone: per centimetre, per inch, and aspect ratio only (unit 0:
    // no resolution, the default stays).
    for (auto [unit, density, dpi] : {std::tuple{2, 118, 300}, {1, 72, 72}, {0, 1, 96}}) {
        const std::vector<uint8_t> bytes = WithResolution(uint8_t(unit), uint16_t(density), false);
        CDibImage image;
        ASSERT_TRUE(image.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_JPG)) << image.LastError();
        EXPECT_EQ(image.XDPI(), dpi) << unit;
        EXPECT_EQ(image.YDPI(), dpi) << unit;
    }
}

TEST(JpegExif, DamagedRecordsAreRejectedWithoutFailingTheDecode)
{
    std::vector<uint8_t> bytes = WithResolution(1, 72, true);
    // The X resolution's offset now points past the record.
    bytes[20 + 10 + 10 + 12 + 8 + 3] = 0xF0;
    CDibImage image;
    ASSERT_TRUE(image.DecodeBuffer(bytes.data(), bytes.size(), FORMAT_JPG)) << image.LastError();
    EXPECT_EQ(image.XDPI(), 72); // falls back to JFIF

    ExifRecord record{};
    ExifReader reader(&record);
    const uint8_t badOrder[] = {'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 0, 42, 0, 0, 0, 8};
    EXPECT_FALSE(reader.ParseExif(badOrder, sizeof badOrder));
    EXPECT_STREQ(reader.Error(), "Invalid Exif alignment marker.");
    // A sub-directory link that points at its own directory ends, not loops.
    const uint8_t loop[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                            1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 8, 0, 0, 0};
    EXPECT_FALSE(reader.ParseExif(loop, sizeof loop));
    EXPECT_STREQ(reader.Error(), "Illegal subdirectory link");
}

TEST(JpegColour, CmykBecomesTwentyFourBits)
{
    test::TempDir dir;
    const std::string cmyk = dir.File("cmyk.jpg");
    ASSERT_TRUE(test::Shell("convert '" + kJpegDir + "/testorig.ppm' -colorspace CMYK -quality 95 '" + cmyk + "'"))
        << "ImageMagick's convert failed";
    Rgba original;
    ASSERT_TRUE(test::MagickRgba("'" + kJpegDir + "/testorig.ppm'", dir.File("original.rgba"), original));
    CDibImage image;
    ASSERT_TRUE(image.LoadFile(cmyk.c_str(), FORMAT_JPG)) << image.LastError();
    ASSERT_EQ(image.BitCount(), 24u);
    const Rgba got = FromImage(image);
    ASSERT_EQ(got.bytes.size(), original.bytes.size());
    // Lossy twice over (CMYK separation, JPEG): close on average, not exact.
    double error = 0;
    for (size_t i = 0; i < got.bytes.size(); ++i)
        error += std::abs(int(got.bytes[i]) - int(original.bytes[i]));
    EXPECT_LT(error / (double(got.bytes.size()) * 3 / 4), 12.0);
}

} // namespace
