// Real movies made by other tools: the malformed ones must not hurt the
// player; the others are drawn and compared with pictures of a mature player.
#include "base/File.h"
#include "flash/SwfPlayer.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

using namespace glint;
using namespace glint::flash;
namespace fs = std::filesystem;

namespace {

fs::path CorpusDir()
{
    if (const char* env = std::getenv("GLINT_SWF_CORPUS"))
        return env;
    return GLINT_SWF_CORPUS;
}

std::vector<fs::path> Files(const fs::path& dir, const std::string& ext)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ext)
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB like the frame buffer
};

bool ReadPng(const fs::path& path, Picture& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.string().c_str()))
        return false;
    image.format = PNG_FORMAT_BGRA;
    out.width = int(image.width);
    out.height = int(image.height);
    out.pixels.resize(size_t(image.width) * image.height);
    bool ok = png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int s = 0; s < 24; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > tolerance)
            return false;
    return true;
}

// Movies whose first frame we do not draw completely: bitmaps (grey), text
// and buttons (not drawn), focal gradients (drawn as plain radial ones), very
// thin lines (drawn one pixel wide, heavier than the reference).
const std::set<std::string> kPartial = {"acid-bitmap-fill", "acid-gradient", "acid-text", "button3",
                                        "gradientTransform", "acid-small"};
// Nothing but a bitmap: there is nothing of ours to compare.
const std::set<std::string> kBitmapOnly = {"images0"};

TEST(Corpus, MalformedFilesLoadOrFailCleanly)
{
    auto files = Files(CorpusDir() / "malformed", ".swf");
    if (files.empty())
        GTEST_SKIP() << "no corpus at " << CorpusDir();
    int loaded = 0;
    for (const fs::path& f : files) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(f.string(), bytes));
        SwfPlayer p;
        int calls = 0;
        p.SetFSCommandHandler([&](const std::string&, const std::string&) { ++calls; });
        bool ok = p.Load(bytes);
        loaded += ok;
        int w = std::clamp(p.StageWidth(), 1, 640), h = std::clamp(p.StageHeight(), 1, 480);
        std::vector<uint32_t> buf(size_t(w) * h);
        for (int i = 0; i < 4; ++i) {
            p.Render(buf.data(), w, h, w, i % 2 ? ScaleMode::NoScale : ScaleMode::ShowAll);
            p.Advance();
            p.Tick(1000);
        }
        if (!ok) {
            EXPECT_EQ(p.TotalFrames(), 0) << f.filename();
            for (uint32_t px : buf)
                ASSERT_EQ(px, 0xFF000000u) << f.filename();
        }
        for (uint32_t px : buf)
            ASSERT_EQ(px >> 24, 0xFFu) << f.filename();
    }
    EXPECT_GT(loaded, 0); // some of them are readable movies with damage further in
}

TEST(Corpus, HeadersMatchTheCatalogue)
{
    std::ifstream list(CorpusDir() / "stages.txt");
    if (!list)
        GTEST_SKIP() << "no corpus at " << CorpusDir();
    std::string line;
    int count = 0;
    while (std::getline(list, line)) {
        std::istringstream in(line);
        std::string name, signature;
        int w, h, frames, version;
        double rate;
        if (!(in >> name >> w >> h >> rate >> frames >> signature >> version))
            continue;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile((CorpusDir() / "visual" / name).string(), bytes)) << name;
        SwfPlayer p;
        ASSERT_TRUE(p.Load(bytes)) << name;
        EXPECT_EQ(p.StageWidth(), w) << name;
        EXPECT_EQ(p.StageHeight(), h) << name;
        EXPECT_NEAR(p.FrameRate(), rate, 0.01) << name;
        EXPECT_EQ(p.TotalFrames(), frames) << name;
        EXPECT_EQ(p.Version(), version) << name;
        EXPECT_EQ(bytes.substr(0, 3), signature) << name;
        // Every frame of it draws.
        std::vector<uint32_t> buf(size_t(w) * h);
        for (int f = 0; f < std::min(frames, 30); ++f) {
            p.Render(buf.data(), w, h, w, ScaleMode::ShowAll);
            p.Play();
            p.Advance();
        }
        ++count;
    }
    EXPECT_EQ(count, 35);
}

TEST(Corpus, FirstFramesMatchTheReferencePictures)
{
    auto refs = Files(CorpusDir() / "reference", ".png");
    if (refs.empty())
        GTEST_SKIP() << "no corpus at " << CorpusDir();
    int strict = 0;
    for (const fs::path& ref : refs) {
        std::string name = ref.stem().string();
        Picture want;
        ASSERT_TRUE(ReadPng(ref, want)) << name;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile((CorpusDir() / "visual" / (name + ".swf")).string(), bytes)) << name;
        SwfPlayer p;
        ASSERT_TRUE(p.Load(bytes)) << name;
        std::vector<uint32_t> got(want.pixels.size());
        p.Render(got.data(), want.width, want.height, want.width, ScaleMode::ShowAll);
        // Pixels off by more than edge anti-aliasing can explain.
        size_t off = 0;
        for (size_t i = 0; i < got.size(); ++i)
            off += !Near(got[i], want.pixels[i], 48);
        double offShare = double(off) / double(got.size());
        if (kBitmapOnly.count(name)) {
            continue;
        } else if (kPartial.count(name)) {
            // Background and whatever shapes there are; the rest may be missing.
            EXPECT_LT(offShare, 0.40) << name;
        } else {
            EXPECT_LT(offShare, 0.015) << name;
            ++strict;
        }
        std::printf("  %-28s %6.3f%% of pixels differ%s\n", name.c_str(), offShare * 100,
                    kPartial.count(name) ? " (partly supported)" : "");
    }
    EXPECT_EQ(strict, int(refs.size() - kPartial.size() - kBitmapOnly.size()));
}

} // namespace
