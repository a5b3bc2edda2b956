// Files written by independent programs (ImageMagick, netpbm) in every variant
// those formats have, decoded by us and by the tools and compared pixel by
// pixel; our encoder's files read by the tools; BMP files of real programs
// from the corpus; and giflib's test pictures against the pixels giflib decoded.
#include "base/ByteOrder.h"
#include "image/DibImage.h"
#include "tests/support/TempDir.h"
#include "tests/unit/image/ByteFiles.h"
#include "tests/unit/image/ImageTools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace glint;
using test::FromImage;
using test::ReadFile;
using test::Rgba;
using test::Shell;

namespace {

// A netpbm decoder's reading of a file (`reader` writes any PNM), as RGBA
// (read back from an 8-bit PPM by ImageMagick).
bool NetpbmRgba(const std::string& reader, const std::string& scratch, Rgba& out)
{
    return Shell(reader + " | ppmtoppm | pamdepth 255 > '" + scratch + "'") &&
           test::MagickRgba("'" + scratch + "'", scratch + ".rgba", out);
}

// 16-bit BMP fields: tools widen a 5-bit value v to round(v * 255 / 31), our
// decoder to v << 3, so both are reduced to the field's value (with the check
// that ours has nothing in the low bits).
::testing::AssertionResult ToFields(Rgba& ours, Rgba& theirs, const char* bits)
{
    for (size_t i = 0; i < ours.bytes.size() && i < theirs.bytes.size(); ++i) {
        if (i % 4 == 3)
            continue;
        const int n = bits[i % 4] - '0', max = (1 << n) - 1;
        if (ours.bytes[i] & ((1 << (8 - n)) - 1))
            return ::testing::AssertionFailure() << "low bits set at byte " << i;
        ours.bytes[i] = uint8_t(ours.bytes[i] >> (8 - n));
        theirs.bytes[i] = uint8_t(std::lround(theirs.bytes[i] * max / 255.0));
    }
    return ::testing::AssertionSuccess();
}

struct ToolFile {
    const char* name;                 // the file, made in the scratch folder
    const char* make;                 // the shell command run there that makes it
    uint32_t format;                  // what we must recognise it as
    const char* netpbm = nullptr;     // a netpbm reader that must agree too
    int frames = 1;                   // each frame is compared
    bool alpha = false;               // opacity is compared too
    int tolerance = 0;                // 16-bit samples may round either way
    const char* fields = nullptr;     // 16-bit BMP: bits of red, green, blue
    bool magick = true;               // ImageMagick reads it as we do
};

class ToolFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // One thread an ImageMagick run: its threads only wait for each other
        // on a machine whose cores are busy.
        setenv("MAGICK_THREAD_LIMIT", "1", 1);
        dir_ = new test::TempDir();
        // A plasma (many colours), the same with an opacity ramp, noise of an
        // odd width (every depth's row padding), flat areas (real runs for
        // the run-length coders) and a wide picture (multi-byte WBMP widths).
        ok_ = Shell("cd '" + dir_->Path().string() +
                    "' && convert -seed 3 -size 37x23 plasma:fractal -depth 8 base.ppm"
                    " && convert base.ppm -alpha set -channel A -fx 'i/w' +channel alpha.png"
                    " && convert base.ppm -negate neg.ppm && convert base.ppm -flop flop.ppm"
                    " && convert -seed 7 -size 61x37 xc: +noise Random -depth 8 noise.ppm"
                    " && convert -size 61x37 gradient:red-blue -fill lime -draw 'rectangle 10,5 40,20' -depth 8 flat.ppm"
                    " && convert -seed 5 -size 200x9 plasma:fractal wide.ppm");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(ok_) << "ImageMagick (convert) could not make the source pictures"; }
    static std::string File(const std::string& name) { return dir_->File(name); }
    static void MakeNamed(const std::string& name); // the file of the table with that name, once
    static void MakeAndCompareHalf(bool first);      // see FirstHalf

    static void Make(const ToolFile& f)
    {
        ASSERT_TRUE(Shell("cd '" + dir_->Path().string() + "' && " + f.make)) << "the tool failed: " << f.make;
    }

    // Compares our reading of each frame with ImageMagick's and netpbm's.
    static void Compare(const ToolFile& f)
    {
        SCOPED_TRACE(f.name);
        const std::string path = File(f.name);
        for (int frame = 0; frame < f.frames; ++frame) {
            CDibImage image;
            image.SetFrame(frame);
            ASSERT_TRUE(image.LoadFile(path.c_str(), FORMAT_UNKNOWN)) << "frame " << frame << ": " << image.LastError();
            ASSERT_EQ(image.Type(), f.format);
            const Rgba ours = FromImage(image);
            Rgba theirs;
            if (f.magick) {
                ASSERT_TRUE(test::MagickRgba("'" + path + "[" + std::to_string(frame) + "]'", File("magick.rgba"), theirs));
                Expect(ours, theirs, f, "ImageMagick");
            }
            if (f.netpbm) {
                ASSERT_TRUE(NetpbmRgba(std::string(f.netpbm) + " '" + path + "'", File("netpbm.ppm"), theirs)) << f.netpbm;
                Expect(ours, theirs, ToolFile{.name = f.name, .make = "", .format = 0, .fields = f.fields}, f.netpbm);
            }
        }
    }
    static void Expect(Rgba ours, Rgba theirs, const ToolFile& f, const char* tool)
    {
        if (f.fields) {
            ASSERT_TRUE(ToFields(ours, theirs, f.fields));
        }
        EXPECT_TRUE(test::SameRgba(ours, theirs, {.tolerance = f.tolerance, .alpha = f.alpha})) << "against " << tool;
    }

    static test::TempDir* dir_;
    static bool ok_;
};

test::TempDir* ToolFiles::dir_ = nullptr;
bool ToolFiles::ok_ = false;

const ToolFile kFiles[] = {
    // BMP: every depth and header the tools write, run-length coding included
    // (4-bit runs no tool writes: the codec test builds them).
    {"m1.bmp", "convert noise.ppm -monochrome BMP3:m1.bmp", FORMAT_BMP, "bmptopnm"},
    {"n1.bmp", "convert noise.ppm -monochrome ppm:- | ppmtobmp -bpp=1 > n1.bmp", FORMAT_BMP, "bmptopnm"},
    {"c4.bmp", "convert noise.ppm -colors 16 BMP3:c4.bmp", FORMAT_BMP, "bmptopnm"},
    {"n4.bmp", "convert noise.ppm -colors 16 ppm:- | ppmtobmp -bpp=4 > n4.bmp", FORMAT_BMP, "bmptopnm"},
    {"c8.bmp", "convert noise.ppm -colors 200 -compress None BMP3:c8.bmp", FORMAT_BMP, "bmptopnm"},
    {"n8.bmp", "convert noise.ppm -colors 16 ppm:- | ppmtobmp -bpp=8 > n8.bmp", FORMAT_BMP, "bmptopnm"},
    {"c24.bmp", "convert noise.ppm BMP3:c24.bmp", FORMAT_BMP, "bmptopnm"},
    {"n24.bmp", "ppmtobmp -bpp=24 < noise.ppm > n24.bmp", FORMAT_BMP, "bmptopnm"},
    {"o1.bmp", "convert noise.ppm -monochrome ppm:- | ppmtobmp -os2 -bpp=1 > o1.bmp", FORMAT_BMP, "bmptopnm"},
    {"o4.bmp", "convert noise.ppm -colors 16 ppm:- | ppmtobmp -os2 -bpp=4 > o4.bmp", FORMAT_BMP, "bmptopnm"},
    {"o8.bmp", "convert noise.ppm -colors 100 ppm:- | ppmtobmp -os2 -bpp=8 > o8.bmp", FORMAT_BMP, "bmptopnm"},
    {"o24.bmp", "ppmtobmp -os2 -bpp=24 < noise.ppm > o24.bmp", FORMAT_BMP, "bmptopnm"},
    {"a32v5.bmp", "convert alpha.png BMP:a32v5.bmp", FORMAT_BMP, "bmptopnm"}, // V5 header, bit fields
    {"a32b3.bmp", "convert alpha.png -define bmp3:alpha=true BMP3:a32b3.bmp", FORMAT_BMP}, // 40-byte header, plain
    {"rle8.bmp", "convert flat.ppm -colors 60 -compress RLE BMP3:rle8.bmp", FORMAT_BMP},
    {"rle8n.bmp", "convert noise.ppm -colors 200 -compress RLE BMP3:rle8n.bmp", FORMAT_BMP},
    {"r555.bmp", "convert noise.ppm -define bmp:subtype=RGB555 BMP:r555.bmp", FORMAT_BMP, nullptr, 1, false, 0, "555"},
    {"r565.bmp", "convert noise.ppm -define bmp:subtype=RGB565 BMP:r565.bmp", FORMAT_BMP, "bmptopnm", 1, false, 0, "565"},
    // GIF: depths, both versions, interlacing, transparency, frames with local tables.
    {"c2.gif", "convert base.ppm -colors 2 c2.gif", FORMAT_GIF, "giftopnm"},
    {"c16.gif", "convert base.ppm -colors 16 c16.gif", FORMAT_GIF, "giftopnm"},
    {"c256.gif", "convert base.ppm -colors 256 c256.gif", FORMAT_GIF, "giftopnm"},
    {"v87.gif", "convert base.ppm -colors 64 gif87:v87.gif", FORMAT_GIF, "giftopnm"},
    {"inter.gif", "convert base.ppm -colors 100 -interlace GIF inter.gif", FORMAT_GIF, "giftopnm"},
    {"npbm.gif", "pnmquant 32 base.ppm | pamtogif -interlace > npbm.gif", FORMAT_GIF, "giftopnm"},
    {"trans.gif", "convert alpha.png -channel A -threshold 50% +channel -colors 64 trans.gif", FORMAT_GIF, nullptr, 1, true},
    {"anim.gif", "convert -delay 5 base.ppm neg.ppm flop.ppm -colors 40 anim.gif", FORMAT_GIF, nullptr, 3},
    // Icons: ImageMagick's 32-bit entries with alpha and an AND mask; netpbm's
    // palette entries of 1, 4 and 8 bits with the mask from a grey picture; a
    // 256 x 256 entry stored as PNG, whose directory gives the size as 0.
    {"magick.ico", "convert alpha.png -resize 16x16! \\( alpha.png -resize 32x24! \\) -channel A -threshold 40% "
                   "+channel magick.ico", FORMAT_ICO, nullptr, 2, true},
    {"np2.ico", "pamcut 0 0 16 16 base.ppm | pnmquant 2 > q2.ppm && pamcut 0 0 16 16 base.ppm | ppmtopgm | "
                "pamthreshold -simple -threshold 0.5 | pamdepth 255 > m.pgm && ppmtowinicon -andpgms q2.ppm m.pgm > np2.ico",
     FORMAT_ICO, nullptr, 1, true},
    {"np16.ico", "pamcut 0 0 16 16 base.ppm | pnmquant 16 > q16.ppm && ppmtowinicon -andpgms q16.ppm m.pgm > np16.ico",
     FORMAT_ICO, nullptr, 1, true},
    {"np200.ico", "pamcut 0 0 16 16 base.ppm | pnmquant 200 > q200.ppm && ppmtowinicon -andpgms q200.ppm m.pgm > np200.ico",
     FORMAT_ICO, nullptr, 1, true},
    {"cur.ico", "convert base.ppm -resize 24x24! -colors 8 cur.ico", FORMAT_ICO},
    {"png256.ico", "convert alpha.png -resize 256x256! -depth 8 png256.ico", FORMAT_ICO, nullptr, 1, true},
    // PCX: every plane and bit layout. ImageMagick reads a 1-bit PCX with the
    // opposite colours of its header palette; netpbm (and we) follow the palette.
    {"m24.pcx", "convert base.ppm pcx:m24.pcx", FORMAT_PCX, "pcxtoppm"},
    {"m8.pcx", "convert base.ppm -colors 200 -type palette pcx:m8.pcx", FORMAT_PCX, "pcxtoppm"},
    {"m1.pcx", "convert base.ppm -monochrome pcx:m1.pcx", FORMAT_PCX, "pcxtoppm"},
    {"n24.pcx", "ppmtopcx -24bit base.ppm > n24.pcx", FORMAT_PCX, "pcxtoppm"},
    {"n8.pcx", "pnmquant 100 base.ppm | ppmtopcx -8bit > n8.pcx", FORMAT_PCX, "pcxtoppm"},
    {"planes4.pcx", "pnmquant 16 base.ppm | ppmtopcx -planes 4 > planes4.pcx", FORMAT_PCX, "pcxtoppm"},
    {"planes3.pcx", "pnmquant 8 base.ppm | ppmtopcx -planes 3 > planes3.pcx", FORMAT_PCX, "pcxtoppm"},
    {"packed4.pcx", "pnmquant 16 base.ppm | ppmtopcx -packed > packed4.pcx", FORMAT_PCX, "pcxtoppm"},
    {"packed2.pcx", "pnmquant 4 base.ppm | ppmtopcx -packed > packed2.pcx", FORMAT_PCX, "pcxtoppm"},
    {"mono.pcx", "ppmtopgm base.ppm | pamthreshold | pamtopnm | ppmtopcx > mono.pcx", FORMAT_PCX, "pcxtoppm", 1, false, 0, nullptr, false},
    // TGA: raw and run-length, true colour with and without alpha, colour-mapped, grey.
    {"raw24.tga", "convert base.ppm -compress none tga:raw24.tga", FORMAT_TGA, "tgatoppm"},
    {"rle24.tga", "convert base.ppm -compress RLE tga:rle24.tga", FORMAT_TGA, "tgatoppm"},
    {"raw32.tga", "convert alpha.png -compress none tga:raw32.tga", FORMAT_TGA, nullptr, 1, true},
    {"rle32.tga", "convert alpha.png -compress RLE tga:rle32.tga", FORMAT_TGA, nullptr, 1, true},
    {"map.tga", "convert base.ppm -colors 60 -type palette -compress none tga:map.tga", FORMAT_TGA, "tgatoppm"},
    {"rlemap.tga", "convert base.ppm -colors 60 -type palette -compress RLE tga:rlemap.tga", FORMAT_TGA, "tgatoppm"},
    {"grey.tga", "convert base.ppm -type grayscale -compress none tga:grey.tga", FORMAT_TGA, "tgatoppm"},
    {"rlegrey.tga", "convert base.ppm -type grayscale -compress RLE tga:rlegrey.tga", FORMAT_TGA, "tgatoppm"},
    {"np.tga", "ppmtotga -rgb base.ppm > np.tga", FORMAT_TGA, "tgatoppm"},
    {"npmap.tga", "pnmquant 50 base.ppm | ppmtotga -cmap -norle > npmap.tga", FORMAT_TGA, "tgatoppm"},
    {"npmono.tga", "ppmtopgm base.ppm | ppmtotga -mono > npmono.tga", FORMAT_TGA, "tgatoppm"},
    // WBMP, with one- and two-byte widths.
    {"m.wbmp", "convert base.ppm -monochrome wbmp:m.wbmp", FORMAT_WBMP, "wbmptopbm"},
    {"wide.wbmp", "ppmtopgm wide.ppm | pamthreshold | pamtopnm | pbmtowbmp > wide.wbmp", FORMAT_WBMP, "wbmptopbm"},
    // PNM and Sun raster as ImageMagick writes them.
    {"bits.pbm", "convert base.ppm -monochrome bits.pbm", FORMAT_PNM},
    {"plain.pbm", "convert base.ppm -monochrome -compress none plain.pbm", FORMAT_PNM},
    {"grey.pgm", "convert base.ppm -colorspace gray grey.pgm", FORMAT_PNM},
    {"deep.ppm", "convert base.ppm -depth 16 deep.ppm", FORMAT_PNM, nullptr, 1, false, 1},
    {"plain.ppm", "convert base.ppm -compress none plain.ppm", FORMAT_PNM},
    {"deep.pgm", "convert base.ppm -colorspace gray -depth 16 deep.pgm", FORMAT_PNM, nullptr, 1, false, 1},
    {"colour.sun", "convert base.ppm colour.sun", FORMAT_RAS},
    {"mapped.sun", "convert base.ppm -colors 16 mapped.sun", FORMAT_RAS},
    {"mono.sun", "convert base.ppm -monochrome mono.sun", FORMAT_RAS},
    {"seven.sun", "convert base.ppm -colors 7 seven.sun", FORMAT_RAS},
};

} // namespace

void ToolFiles::MakeNamed(const std::string& name)
{
    for (const ToolFile& f : kFiles)
        if (name == f.name && !std::filesystem::exists(File(name)))
            Make(f);
}

// Two halves, each run by a process of its own so that both stay well inside
// the time limit on a loaded machine.
bool FirstHalf(const ToolFile& f) { return f.format == FORMAT_BMP || f.format == FORMAT_GIF || f.format == FORMAT_ICO; }

void ToolFiles::MakeAndCompareHalf(bool first)
{
    for (const ToolFile& f : kFiles)
        if (FirstHalf(f) == first) {
            Make(f);
            Compare(f);
        }
}

TEST_F(ToolFiles, OtherVariantsTheToolsWrite) { MakeAndCompareHalf(false); }

TEST_F(ToolFiles, BmpGifAndIconVariantsTheToolsWrite)
{
    MakeAndCompareHalf(true);
    // The files really are what they are named for.
    const std::vector<uint8_t> plain = ReadFile(File("a32b3.bmp")), rle = ReadFile(File("rle8.bmp"));
    ASSERT_GT(plain.size(), 34u);
    ASSERT_GT(rle.size(), 34u);
    EXPECT_EQ(ReadU16LE(&plain[28]), 32);
    EXPECT_EQ(ReadU32LE(&plain[30]), 0u); // no compression, no bit fields
    EXPECT_EQ(ReadU32LE(&rle[30]), 1u);   // run-length coded
}

// Our encoder's BMP of a tool's picture reads back as that picture in the
// independent tools.
TEST_F(ToolFiles, EncodedFilesReadBackByTools)
{
    for (const char* name : {"n1.bmp", "n4.bmp", "c8.bmp", "r565.bmp", "rle8.bmp"}) {
        MakeNamed(name);
        CDibImage image;
        ASSERT_TRUE(image.LoadFile(File(name).c_str(), FORMAT_UNKNOWN)) << image.LastError();
        const std::vector<uint8_t> bytes = test::EncodeBmp(image);
        const std::string out = std::string("enc-") + name;
        std::ofstream(File(out), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        Compare({out.c_str(), "", FORMAT_BMP, "bmptopnm"});
    }
}

TEST_F(ToolFiles, BmpCorpusFilesOfRealPrograms)
{
    const std::filesystem::path corpus = GLINT_BMP_CORPUS;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << "no corpus at " << corpus;
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus))
        if (entry.path().extension() == ".bmp") {
            ++seen;
            const std::string path = entry.path().string();
            Compare({path.c_str(), "", FORMAT_BMP, "bmptopnm"});
        }
    EXPECT_GT(seen, 0);
}

// ---- giflib's test pictures ----

const std::string kGifCorpus = GLINT_GIF_CORPUS;

// Every file's frames decode and the one past them does not; where giflib's
// picture is known, the screen after the last frame is that picture.
TEST(GiflibPictures, EveryFrameAndThePixelsGiflibGave)
{
    ASSERT_TRUE(std::filesystem::is_directory(kGifCorpus + "/expected"))
        << "the GIF corpus is missing: " << kGifCorpus << " (giflib's test pictures with expected/)";
    int files = 0, compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kGifCorpus)) {
        if (entry.path().extension() != ".gif")
            continue;
        ++files;
        const std::string gif = entry.path().string(), name = entry.path().stem().string();
        SCOPED_TRACE(name);
        CDibImage image;
        ASSERT_TRUE(image.LoadFile(gif.c_str(), FORMAT_UNKNOWN)) << image.LastError();
        EXPECT_EQ(image.Type(), FORMAT_GIF);
        const int32_t frames = image.FrameCount();
        ASSERT_GE(frames, 1);
        image.SetFrame(frames);
        EXPECT_FALSE(image.LoadFile(gif.c_str(), FORMAT_GIF));
        image.SetFrame(frames - 1);
        ASSERT_TRUE(image.LoadFile(gif.c_str(), FORMAT_GIF)) << image.LastError();
        const std::vector<uint8_t> expected = ReadFile(kGifCorpus + "/expected/" + name + ".rgb");
        if (expected.empty())
            continue; // no picture of giflib's for this file: counted below
        ++compared;
        ASSERT_EQ(expected.size(), size_t(image.Width()) * size_t(image.Height()) * 3);
        // giflib's picture paints every pixel of the last frame, transparent
        // ones too; over earlier frames ours leaves those showing the
        // screen's fill, the transparent index. So in files of several
        // frames only the pixels we show are compared; single pictures must
        // match everywhere.
        const Rgba ours = FromImage(image);
        size_t wrong = 0, shown = 0;
        for (size_t i = 0; i < expected.size() / 3; ++i) {
            if (frames > 1 && ours.bytes[i * 4 + 3] == 0)
                continue;
            ++shown;
            wrong += !std::equal(&expected[i * 3], &expected[i * 3 + 3], &ours.bytes[i * 4]);
        }
        EXPECT_GT(shown, expected.size() / 3 / 4);
        EXPECT_EQ(wrong, 0u);
    }
    EXPECT_GE(files, 9);
    EXPECT_EQ(compared, 8); // fire gifgrid porsche solid2 treescap treescap-interlaced welcome2 x-trans
}
