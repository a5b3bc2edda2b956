// BMP files written by independent programs (ImageMagick, netpbm) decode to
// exactly the pixels those programs read back from them. Top-down rows, which
// no tool writes, are made here from a tool's file and checked against that
// tool's reading; the codec test builds the other variants byte by byte.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ImageTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace glint;

namespace {

struct Rgb {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bytes; // red, green, blue; top row first
};

using test::MagickSize;
using test::ReadFile;
using test::Shell;

void WriteFile(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// ImageMagick's reading of a file, as 8-bit RGB.
bool MagickPixels(const std::string& path, const std::string& scratch, Rgb& out)
{
    if (!Shell("convert '" + path + "' -depth 8 rgb:'" + scratch + "'") || !MagickSize("'" + path + "'", out.width, out.height))
        return false;
    out.bytes = ReadFile(scratch);
    return out.bytes.size() == size_t(out.width) * size_t(out.height) * 3;
}

// netpbm's reading of a file (bmptopnm), as 8-bit RGB.
bool NetpbmPixels(const std::string& path, const std::string& scratch, Rgb& out)
{
    // Whatever netpbm type bmptopnm makes, as an 8-bit PPM.
    if (!Shell("bmptopnm '" + path + "' | ppmtoppm | pamdepth 255 > '" + scratch + "'"))
        return false;
    std::vector<uint8_t> data = ReadFile(scratch);
    std::string text(data.begin(), data.end());
    std::istringstream in(text);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    if (!in || maxval != 255 || (magic != "P6" && magic != "P5" && magic != "P4"))
        return false;
    size_t start = size_t(in.tellg()) + 1;
    size_t n = size_t(out.width) * size_t(out.height);
    out.bytes.clear();
    if (magic == "P6") {
        out.bytes.assign(data.begin() + std::ptrdiff_t(start), data.end());
    } else if (magic == "P5") {
        for (size_t i = 0; i < n && start + i < data.size(); ++i)
            out.bytes.insert(out.bytes.end(), 3, data[start + i]);
    }
    return out.bytes.size() == n * 3;
}

bool OurPixels(const std::string& path, Rgb& out, CDibImage& image)
{
    if (!image.LoadFile(path.c_str(), FORMAT_UNKNOWN))
        return false;
    out.width = image.Width();
    out.height = image.Height();
    out.bytes.clear();
    for (int32_t y = out.height - 1; y >= 0; --y)
        for (int32_t x = 0; x < out.width; ++x) {
            RGBQUAD c = image.PixelColor(x, y, false);
            out.bytes.push_back(c.rgbRed);
            out.bytes.push_back(c.rgbGreen);
            out.bytes.push_back(c.rgbBlue);
        }
    return true;
}

// Compares two readings; with channelBits set (16-bit files), compares the
// field values: tools scale a 5-bit value v to round(v * 255 / 31) while our
// decoder puts it in the top bits (v << 3), so both are reduced to v.
::testing::AssertionResult SamePixels(const Rgb& ours, const Rgb& theirs, const int* channelBits = nullptr)
{
    if (ours.width != theirs.width || ours.height != theirs.height)
        return ::testing::AssertionFailure() << "size " << ours.width << "x" << ours.height << " vs " << theirs.width
                                             << "x" << theirs.height;
    for (size_t i = 0; i < ours.bytes.size(); ++i) {
        int a = ours.bytes[i], b = theirs.bytes[i];
        if (channelBits) {
            const int bits = channelBits[i % 3], max = (1 << bits) - 1;
            if ((a & ((1 << (8 - bits)) - 1)) != 0)
                return ::testing::AssertionFailure() << "low bits set at byte " << i;
            a >>= 8 - bits;
            b = int(std::lround(b * max / 255.0));
        }
        if (a != b) {
            const size_t pixel = i / 3;
            return ::testing::AssertionFailure()
                   << "pixel (" << pixel % size_t(ours.width) << ", " << pixel / size_t(ours.width) << ") channel "
                   << i % 3 << ": ours " << a << ", tool " << b;
        }
    }
    return ::testing::AssertionSuccess();
}

class BmpTools : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir();
        // An odd width exercises the row padding of every depth.
        ok_ = Shell("convert -seed 7 -size 61x37 xc: +noise Random -depth 8 '" + File("noise.ppm") + "'") &&
              // Flat areas make real runs for the run-length coders.
              Shell("convert -size 61x37 gradient:red-blue -fill lime -draw 'rectangle 10,5 40,20' -depth 8 '" +
                  File("flat.ppm") + "'") &&
              Shell("convert '" + File("noise.ppm") + "' \\( +clone -fx 'i/w' \\) -alpha off -compose copy_opacity "
                  "-composite '" + File("alpha.png") + "'");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string File(const std::string& name) { return dir_->File(name); }

    // Makes `name` with `command` ({in} and {out} replaced), then compares.
    void Check(const std::string& name, const std::string& command, bool netpbmToo, const int* channelBits = nullptr)
    {
        Make(name, command);
        CompareWithTools(File(name), netpbmToo, channelBits);
    }

    // Makes `name` unless an earlier test already did: tests that reuse a
    // file must not depend on the order gtest runs them in.
    static void Make(const std::string& name, const std::string& command)
    {
        ASSERT_TRUE(ok_) << "ImageMagick could not make the source pictures";
        if (std::filesystem::exists(File(name)))
            return;
        std::string cmd = command;
        const std::pair<const char*, std::string> names[] = {
            {"{noise}", File("noise.ppm")}, {"{flat}", File("flat.ppm")}, {"{alpha}", File("alpha.png")}, {"{out}", File(name)}};
        for (const auto& [key, value] : names)
            for (size_t at; (at = cmd.find(key)) != std::string::npos;)
                cmd.replace(at, std::strlen(key), "'" + value + "'");
        ASSERT_TRUE(Shell(cmd)) << cmd;
        ASSERT_TRUE(std::filesystem::exists(File(name))) << cmd;
    }

    void CompareWithTools(const std::string& path, bool netpbmToo, const int* channelBits = nullptr)
    {
        Rgb ours, magick, netpbm;
        CDibImage image;
        ASSERT_TRUE(OurPixels(path, ours, image)) << path << ": " << image.LastError();
        ASSERT_TRUE(MagickPixels(path, File("scratch.rgb"), magick)) << path;
        EXPECT_TRUE(SamePixels(ours, magick, channelBits)) << path << " (ImageMagick)";
        if (netpbmToo) {
            ASSERT_TRUE(NetpbmPixels(path, File("scratch.ppm"), netpbm)) << path;
            EXPECT_TRUE(SamePixels(ours, netpbm, channelBits)) << path << " (netpbm)";
        }
    }

    static test::TempDir* dir_;
    static bool ok_;
};

test::TempDir* BmpTools::dir_ = nullptr;
bool BmpTools::ok_ = false;

// Header fields of a file with the 14-byte file header.
uint32_t DataOffset(const std::vector<uint8_t>& f) { return ReadU32LE(&f[10]); }
int32_t InfoWidth(const std::vector<uint8_t>& f) { return ReadI32LE(&f[18]); }
int32_t InfoHeight(const std::vector<uint8_t>& f) { return ReadI32LE(&f[22]); }

} // namespace

// Every depth and header that ImageMagick and netpbm write, run-length
// coding included (4-bit runs no tool writes: the codec test builds them).
TEST_F(BmpTools, EveryDepthAndHeaderTheToolsWrite)
{
    const struct {
        const char *name, *command;
        bool netpbmToo;
    } files[] = {
        {"m1.bmp", "convert {noise} -monochrome BMP3:{out}", true},
        {"n1.bmp", "convert {noise} -monochrome ppm:- | ppmtobmp -bpp=1 > {out}", true},
        {"c4.bmp", "convert {noise} -colors 16 BMP3:{out}", true},
        {"n4.bmp", "convert {noise} -colors 16 ppm:- | ppmtobmp -bpp=4 > {out}", true},
        {"c8.bmp", "convert {noise} -colors 200 -compress None BMP3:{out}", true},
        {"n8.bmp", "convert {noise} -colors 16 ppm:- | ppmtobmp -bpp=8 > {out}", true},
        {"c24.bmp", "convert {noise} BMP3:{out}", true},
        {"n24.bmp", "ppmtobmp -bpp=24 < {noise} > {out}", true},
        {"o1.bmp", "convert {noise} -monochrome ppm:- | ppmtobmp -os2 -bpp=1 > {out}", true},
        {"o4.bmp", "convert {noise} -colors 16 ppm:- | ppmtobmp -os2 -bpp=4 > {out}", true},
        {"o8.bmp", "convert {noise} -colors 100 ppm:- | ppmtobmp -os2 -bpp=8 > {out}", true},
        {"o24.bmp", "ppmtobmp -os2 -bpp=24 < {noise} > {out}", true},
        {"a32v5.bmp", "convert {alpha} BMP:{out}", true},                           // V5 header, bit fields
        {"a32b3.bmp", "convert {alpha} -define bmp3:alpha=true BMP3:{out}", false}, // 40-byte header, plain
        {"rle8.bmp", "convert {flat} -colors 60 -compress RLE BMP3:{out}", false},
        {"rle8n.bmp", "convert {noise} -colors 200 -compress RLE BMP3:{out}", false},
    };
    for (const auto& f : files)
        Check(f.name, f.command, f.netpbmToo);
    // The files really are what they are named for.
    std::vector<uint8_t> plain = ReadFile(File("a32b3.bmp")), rle = ReadFile(File("rle8.bmp"));
    ASSERT_GT(plain.size(), 34u);
    ASSERT_GT(rle.size(), 34u);
    EXPECT_EQ(plain[28], 32);
    EXPECT_EQ(plain[30], 0);          // compression 0
    EXPECT_EQ(ReadU32LE(&rle[30]), 1u); // run-length coded
}

TEST_F(BmpTools, SixteenBitFields)
{
    const int bits555[3] = {5, 5, 5}, bits565[3] = {5, 6, 5};
    Check("r555.bmp", "convert {noise} -define bmp:subtype=RGB555 BMP:{out}", false, bits555);
    Check("r565.bmp", "convert {noise} -define bmp:subtype=RGB565 BMP:{out}", false, bits565);
    // netpbm reads them as well, with its own rounding of the fields.
    CompareWithTools(File("r565.bmp"), true, bits565);
}

TEST_F(BmpTools, TopDownRows)
{
    const std::pair<const char*, const char*> files[] = {
        {"c24.bmp", "convert {noise} BMP3:{out}"},
        {"c8.bmp", "convert {noise} -colors 200 -compress None BMP3:{out}"},
        {"a32b3.bmp", "convert {alpha} -define bmp3:alpha=true BMP3:{out}"}};
    for (const auto& [name, command] : files) {
        Make(name, command);
        std::vector<uint8_t> f = ReadFile(File(name));
        const int32_t w = InfoWidth(f), h = InfoHeight(f);
        const size_t stride = (size_t(w) * ReadU16LE(&f[28]) + 31) / 32 * 4;
        const uint32_t offset = DataOffset(f);
        std::vector<uint8_t> down(f);
        for (int32_t y = 0; y < h; ++y)
            std::copy_n(f.begin() + std::ptrdiff_t(offset + size_t(y) * stride), stride,
                        down.begin() + std::ptrdiff_t(offset + size_t(h - 1 - y) * stride));
        WriteU32LE(&down[22], uint32_t(-h));
        const std::string path = File(std::string("down-") + name);
        WriteFile(path, down);
        CompareWithTools(path, false);
    }
}

// Files written by real programs, from the shared corpus.
TEST_F(BmpTools, CorpusFiles)
{
    const std::filesystem::path corpus = GLINT_BMP_CORPUS;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << "no corpus at " << corpus;
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".bmp")
            continue;
        ++seen;
        CompareWithTools(entry.path().string(), true);
    }
    EXPECT_GT(seen, 0);
}

// The tool round trip: glintimg-style decode + our encoder gives a file the
// independent tools read as the same picture.
TEST_F(BmpTools, EncodedFilesReadBackByTools)
{
    const std::pair<const char*, const char*> files[] = {
        {"n1.bmp", "convert {noise} -monochrome ppm:- | ppmtobmp -bpp=1 > {out}"},
        {"n4.bmp", "convert {noise} -colors 16 ppm:- | ppmtobmp -bpp=4 > {out}"},
        {"c8.bmp", "convert {noise} -colors 200 -compress None BMP3:{out}"},
        {"r565.bmp", "convert {noise} -define bmp:subtype=RGB565 BMP:{out}"},
        {"rle8.bmp", "convert {flat} -colors 60 -compress RLE BMP3:{out}"}};
    for (const auto& [name, command] : files) {
        Make(name, command);
        CDibImage image;
        ASSERT_TRUE(image.LoadFile(File(name).c_str(), FORMAT_UNKNOWN)) << image.LastError();
        uint8_t* bytes = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(image.EncodeBuffer(bytes, size, FORMAT_BMP));
        const std::string out = File(std::string("enc-") + name);
        WriteFile(out, std::vector<uint8_t>(bytes, bytes + size));
        std::free(bytes);
        CompareWithTools(out, true);
    }
}
