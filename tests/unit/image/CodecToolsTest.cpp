// GIF, icon, PCX, TGA and WBMP files written by independent programs
// (ImageMagick, netpbm) in every variant those formats have, decoded by us
// and by the tools, compared pixel by pixel; and giflib's own test pictures
// against the pixels giflib decoded from them.
#include "image/DibImage.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ImageTools.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace glint;

namespace {

using test::MagickSize;
using test::ReadFile;
using test::Shell;

struct Rgba {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bytes; // red, green, blue, alpha; top row first
};

// ImageMagick's reading of one frame, as 8-bit RGBA.
bool MagickRgba(const std::string& path, int frame, const std::string& scratch, Rgba& out)
{
    const std::string frameName = "'" + path + "[" + std::to_string(frame) + "]'";
    // -auto-orient: ImageMagick keeps a TGA's origin as an attribute unless told to apply it.
    if (!Shell("convert " + frameName + " -auto-orient -depth 8 rgba:'" + scratch + "'") ||
        !MagickSize(frameName, out.width, out.height))
        return false;
    out.bytes = ReadFile(scratch);
    return out.bytes.size() == size_t(out.width) * size_t(out.height) * 4;
}

// A netpbm decoder's reading (a command that writes any PNM to standard
// output), as opaque RGBA.
bool NetpbmRgba(const std::string& command, const std::string& scratch, Rgba& out)
{
    if (!Shell(command + " | ppmtoppm | pnmtoplainpnm > '" + scratch + "'"))
        return false;
    std::ifstream in(scratch);
    std::string magic;
    int maxval = 0;
    in >> magic >> out.width >> out.height >> maxval;
    if (magic != "P3" || maxval <= 0)
        return false;
    out.bytes.clear();
    const size_t n = size_t(out.width) * size_t(out.height);
    for (size_t i = 0; i < n && in; ++i) {
        int v[3] = {};
        in >> v[0] >> v[1] >> v[2];
        for (int c : v)
            out.bytes.push_back(uint8_t(c * 255 / maxval));
        out.bytes.push_back(255);
    }
    return bool(in) && out.bytes.size() == n * 4;
}

// Our reading: colours, and alpha from the alpha plane, or 0 where the
// pixel holds the transparent index, else 255.
bool OurRgba(const std::string& path, int frame, uint32_t format, Rgba& out, CDibImage& image)
{
    image.SetFrame(frame);
    if (!image.LoadFile(path.c_str(), FORMAT_UNKNOWN) || image.Type() != format)
        return false;
    out.width = image.Width();
    out.height = image.Height();
    out.bytes.clear();
    const bool indexed = image.IsIndexed() && image.TransIndex() >= 0;
    for (int32_t y = out.height - 1; y >= 0; --y)
        for (int32_t x = 0; x < out.width; ++x) {
            const RGBQUAD c = image.PixelColor(x, y, false);
            uint8_t a = image.HasAlpha() ? image.AlphaGet(x, y) : 255;
            if (indexed && image.PixelIndex(x, y) == image.TransIndex())
                a = 0;
            out.bytes.insert(out.bytes.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue, a});
        }
    return true;
}

// Alpha must agree; colours must agree wherever the pixel is not fully
// transparent (a transparent pixel's colour is not part of the picture).
::testing::AssertionResult SameRgba(const Rgba& ours, const Rgba& theirs, bool compareAlpha)
{
    if (ours.width != theirs.width || ours.height != theirs.height)
        return ::testing::AssertionFailure() << "size " << ours.width << "x" << ours.height << " vs " << theirs.width
                                             << "x" << theirs.height;
    for (size_t i = 0; i < ours.bytes.size(); i += 4) {
        const size_t pixel = i / 4;
        const int32_t x = int32_t(pixel % size_t(ours.width)), y = int32_t(pixel / size_t(ours.width));
        const uint8_t a = ours.bytes[i + 3], b = theirs.bytes[i + 3];
        if (compareAlpha && a != b)
            return ::testing::AssertionFailure() << "alpha at (" << x << ", " << y << "): ours " << int(a) << ", tool "
                                                 << int(b);
        if (compareAlpha && a == 0)
            continue;
        for (int c = 0; c < 3; ++c)
            if (ours.bytes[i + size_t(c)] != theirs.bytes[i + size_t(c)])
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") channel " << c << ": ours "
                                                     << int(ours.bytes[i + size_t(c)]) << ", tool "
                                                     << int(theirs.bytes[i + size_t(c)]);
    }
    return ::testing::AssertionSuccess();
}

class CodecTools : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new test::TempDir();
        // Source pictures: a plasma (many colours), the same with an alpha
        // ramp, and a wide one for multi-byte WBMP widths.
        toolsOk_ = Shell("cd '" + dir_->Path().string() +
                         "' && convert -seed 3 -size 37x23 plasma:fractal base.ppm"
                         " && convert base.ppm -alpha set -channel A -fx 'i/w' +channel alpha.png"
                         " && convert -seed 5 -size 200x9 plasma:fractal wide.ppm"
                         " && convert base.ppm -negate neg.ppm && convert base.ppm -flop flop.ppm");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(toolsOk_) << "ImageMagick (convert) could not make the source pictures"; }

    // Makes a file with a shell command run in the scratch folder, then
    // compares our reading of each frame with ImageMagick's and, when given,
    // with a netpbm decoder's.
    void Check(const std::string& name, const std::string& make, uint32_t format, int frames = 1,
               bool compareAlpha = false, const std::string& netpbmReader = "", bool withMagick = true)
    {
        SCOPED_TRACE(name);
        const std::string dir = dir_->Path().string();
        ASSERT_TRUE(Shell("cd '" + dir + "' && " + make)) << "the tool failed to write " << name << ": " << make;
        const std::string path = dir_->File(name);
        for (int frame = 0; frame < frames; ++frame) {
            Rgba ours, theirs;
            CDibImage image;
            ASSERT_TRUE(OurRgba(path, frame, format, ours, image)) << name << " frame " << frame << ": "
                                                                  << image.LastError();
            if (withMagick) {
                ASSERT_TRUE(MagickRgba(path, frame, dir_->File("magick.rgba"), theirs)) << name;
                EXPECT_TRUE(SameRgba(ours, theirs, compareAlpha)) << name << " frame " << frame << " against ImageMagick";
            }
            if (!netpbmReader.empty()) {
                Rgba pnm;
                ASSERT_TRUE(NetpbmRgba("cd '" + dir + "' && " + netpbmReader + " " + name, dir_->File("netpbm.pnm"), pnm))
                    << netpbmReader;
                EXPECT_TRUE(SameRgba(ours, pnm, false)) << name << " against " << netpbmReader;
            }
        }
    }

    static test::TempDir* dir_;
    static bool toolsOk_;
};

test::TempDir* CodecTools::dir_ = nullptr;
bool CodecTools::toolsOk_ = false;

TEST_F(CodecTools, Gif)
{
    Check("c2.gif", "convert base.ppm -colors 2 c2.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("c16.gif", "convert base.ppm -colors 16 c16.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("c256.gif", "convert base.ppm -colors 256 c256.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("v87.gif", "convert base.ppm -colors 64 gif87:v87.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("inter.gif", "convert base.ppm -colors 100 -interlace GIF inter.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("npbm.gif", "pnmquant 32 base.ppm | pamtogif -interlace > npbm.gif", FORMAT_GIF, 1, false, "giftopnm");
    Check("trans.gif", "convert alpha.png -channel A -threshold 50% +channel -colors 64 trans.gif", FORMAT_GIF, 1,
          true);
    // Three full frames with their own local tables.
    Check("anim.gif", "convert -delay 5 base.ppm neg.ppm flop.ppm -colors 40 anim.gif", FORMAT_GIF, 3, false);
}

TEST_F(CodecTools, Icons)
{
    // ImageMagick writes 32-bit entries with alpha and an AND mask.
    Check("magick.ico", "convert alpha.png -resize 16x16! \\( alpha.png -resize 32x24! \\) -channel A -threshold 40% "
                        "+channel magick.ico",
          FORMAT_ICO, 2, true);
    // netpbm writes palette entries of 1, 4 and 8 bits with the mask from a
    // grey picture.
    for (int colours : {2, 16, 200}) {
        const std::string name = "np" + std::to_string(colours) + ".ico";
        Check(name,
              "pamcut 0 0 16 16 base.ppm | pnmquant " + std::to_string(colours) +
                  " > q.ppm && pamcut 0 0 16 16 base.ppm | ppmtopgm | pamthreshold -simple -threshold 0.5 "
                  "| pamdepth 255 > m.pgm && ppmtowinicon -andpgms q.ppm m.pgm > " + name,
              FORMAT_ICO, 1, true);
    }
    Check("cur.ico", "convert base.ppm -resize 24x24! -colors 8 cur.ico", FORMAT_ICO, 1, false);
    // At 256 x 256 ImageMagick stores the entry as a PNG, and its directory
    // gives the size as 0.
    Check("png256.ico", "convert alpha.png -resize 256x256! -depth 8 png256.ico", FORMAT_ICO, 1, true);
}

TEST_F(CodecTools, Pcx)
{
    Check("m24.pcx", "convert base.ppm pcx:m24.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("m8.pcx", "convert base.ppm -colors 200 -type palette pcx:m8.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("m1.pcx", "convert base.ppm -monochrome pcx:m1.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("n24.pcx", "ppmtopcx -24bit base.ppm > n24.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("n8.pcx", "pnmquant 100 base.ppm | ppmtopcx -8bit > n8.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("planes4.pcx", "pnmquant 16 base.ppm | ppmtopcx -planes 4 > planes4.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("planes3.pcx", "pnmquant 8 base.ppm | ppmtopcx -planes 3 > planes3.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("packed4.pcx", "pnmquant 16 base.ppm | ppmtopcx -packed > packed4.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    Check("packed2.pcx", "pnmquant 4 base.ppm | ppmtopcx -packed > packed2.pcx", FORMAT_PCX, 1, false, "pcxtoppm");
    // ImageMagick reads a 1-bit PCX with the opposite colours of its header
    // palette; netpbm (and we) follow the palette.
    Check("mono.pcx", "ppmtopgm base.ppm | pamthreshold | pamtopnm | ppmtopcx > mono.pcx", FORMAT_PCX, 1, false,
          "pcxtoppm", false);
}

// A raw (uncompressed) TGA turned into its twin with the other vertical
// origin (descriptor bit 5) and/or stored right to left (bit 4): the rows or
// pixels are reordered so that the picture stays the same.
void Reorder(const std::string& in, const std::string& out, bool topFirst, bool rightToLeft)
{
    std::vector<uint8_t> f = ReadFile(in);
    ASSERT_GE(f.size(), 18u);
    const size_t id = f[0], mapLen = size_t(f[5] | f[6] << 8) * size_t((f[7] + 7) / 8) * size_t(f[1] != 0);
    const size_t w = size_t(f[12] | f[13] << 8), h = size_t(f[14] | f[15] << 8), px = size_t((f[16] + 7) / 8);
    const size_t start = 18 + id + mapLen;
    ASSERT_GE(f.size(), start + w * h * px);
    std::vector<uint8_t> pixels(f.begin() + std::ptrdiff_t(start), f.begin() + std::ptrdiff_t(start + w * h * px));
    for (size_t y = 0; y < h; ++y)
        for (size_t x = 0; x < w; ++x) {
            const size_t sy = topFirst ? h - 1 - y : y, sx = rightToLeft ? w - 1 - x : x;
            std::copy_n(&pixels[(sy * w + sx) * px], px, &f[start + (y * w + x) * px]);
        }
    f[17] = uint8_t((f[17] & 0x0F) | (topFirst ? 0x20 : 0) | (rightToLeft ? 0x10 : 0));
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
}

TEST_F(CodecTools, Tga)
{
    Check("raw24.tga", "convert base.ppm -compress none tga:raw24.tga", FORMAT_TGA, 1, false, "tgatoppm");
    Check("rle24.tga", "convert base.ppm -compress RLE tga:rle24.tga", FORMAT_TGA, 1, false, "tgatoppm");
    Check("raw32.tga", "convert alpha.png -compress none tga:raw32.tga", FORMAT_TGA, 1, true);
    Check("rle32.tga", "convert alpha.png -compress RLE tga:rle32.tga", FORMAT_TGA, 1, true);
    Check("map.tga", "convert base.ppm -colors 60 -type palette -compress none tga:map.tga", FORMAT_TGA, 1, false,
          "tgatoppm");
    Check("rlemap.tga", "convert base.ppm -colors 60 -type palette -compress RLE tga:rlemap.tga", FORMAT_TGA, 1,
          false, "tgatoppm");
    Check("grey.tga", "convert base.ppm -type grayscale -compress none tga:grey.tga", FORMAT_TGA, 1, false,
          "tgatoppm");
    Check("rlegrey.tga", "convert base.ppm -type grayscale -compress RLE tga:rlegrey.tga", FORMAT_TGA, 1, false,
          "tgatoppm");
    Check("np.tga", "ppmtotga -rgb base.ppm > np.tga", FORMAT_TGA, 1, false, "tgatoppm");
    Check("npmap.tga", "pnmquant 50 base.ppm | ppmtotga -cmap -norle > npmap.tga", FORMAT_TGA, 1, false, "tgatoppm");
    Check("npmono.tga", "ppmtopgm base.ppm | ppmtotga -mono > npmono.tga", FORMAT_TGA, 1, false, "tgatoppm");

    const std::string dir = dir_->Path().string();
    ASSERT_TRUE(Shell("cd '" + dir + "' && convert alpha.png -compress none tga:src32.tga"));
    struct {
        const char* name;
        bool top, rtl;
    } twins[] = {{"top.tga", true, false}, {"rtl.tga", false, true}, {"toprtl.tga", true, true}};
    for (const auto& t : twins) {
        Reorder(dir_->File("src32.tga"), dir_->File(t.name), t.top, t.rtl);
        Check(t.name, "true", FORMAT_TGA, 1, true);
    }
}

TEST_F(CodecTools, Wbmp)
{
    Check("m.wbmp", "convert base.ppm -monochrome wbmp:m.wbmp", FORMAT_WBMP, 1, false, "wbmptopbm");
    Check("wide.wbmp", "ppmtopgm wide.ppm | pamthreshold | pamtopnm | pbmtowbmp > wide.wbmp", FORMAT_WBMP, 1, false,
          "wbmptopbm");
}

// ---- giflib's test pictures ----

std::string GifCorpus() { return std::string(GLINT_GIF_CORPUS); }

TEST(GiflibPictures, DecodeToThePixelsGiflibGave)
{
    // Each expected picture is the screen after every image was drawn; the
    // files' frames cover the whole screen, so it is our last frame.
    const char* names[] = {"fire",  "gifgrid",  "porsche",  "solid2", "treescap-interlaced",
                           "treescap", "welcome2", "x-trans"};
    ASSERT_TRUE(std::filesystem::is_directory(GifCorpus() + "/expected"))
        << "the GIF corpus is missing: " << GifCorpus() << " (giflib's test pictures with expected/)";
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string gif = GifCorpus() + "/" + name + ".gif";
        const std::vector<uint8_t> expected = ReadFile(GifCorpus() + "/expected/" + name + ".rgb");
        ASSERT_FALSE(expected.empty()) << "missing expected pixels for " << name;
        CDibImage probe;
        ASSERT_TRUE(probe.LoadFile(gif.c_str(), FORMAT_GIF)) << probe.LastError();
        CDibImage image;
        image.SetFrame(probe.FrameCount() - 1);
        ASSERT_TRUE(image.LoadFile(gif.c_str(), FORMAT_GIF)) << image.LastError();
        ASSERT_EQ(expected.size(), size_t(image.Width()) * size_t(image.Height()) * 3);
        // giflib's picture paints every pixel of the last frame, transparent
        // ones too; over earlier frames ours leaves those showing the
        // screen's fill, the transparent index. So in files of several
        // frames only the pixels we show are compared; single pictures must
        // match everywhere.
        const bool layered = probe.FrameCount() > 1;
        size_t wrong = 0, shown = 0;
        for (int32_t y = 0; y < image.Height(); ++y)
            for (int32_t x = 0; x < image.Width(); ++x) {
                const int32_t row = image.Height() - 1 - y;
                if (layered && image.TransIndex() >= 0 && image.PixelIndex(x, row) == image.TransIndex())
                    continue;
                ++shown;
                const RGBQUAD c = image.PixelColor(x, row, false);
                const uint8_t* e = &expected[(size_t(y) * size_t(image.Width()) + size_t(x)) * 3];
                wrong += c.rgbRed != e[0] || c.rgbGreen != e[1] || c.rgbBlue != e[2];
            }
        EXPECT_GT(shown, expected.size() / 3 / 4);
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(GiflibPictures, EveryFileDecodesEveryFrame)
{
    ASSERT_TRUE(std::filesystem::is_directory(GifCorpus())) << "the GIF corpus is missing: " << GifCorpus();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(GifCorpus())) {
        if (entry.path().extension() != ".gif")
            continue;
        ++files;
        const std::string path = entry.path().string();
        CDibImage image;
        ASSERT_TRUE(image.LoadFile(path.c_str(), FORMAT_UNKNOWN)) << path << ": " << image.LastError();
        EXPECT_EQ(image.Type(), FORMAT_GIF);
        const int32_t frames = image.FrameCount();
        ASSERT_GE(frames, 1) << path;
        image.SetFrame(frames - 1);
        EXPECT_TRUE(image.LoadFile(path.c_str(), FORMAT_GIF)) << path;
        image.SetFrame(frames);
        EXPECT_FALSE(image.LoadFile(path.c_str(), FORMAT_GIF)) << path;
    }
    EXPECT_GE(files, 9);
}

} // namespace
