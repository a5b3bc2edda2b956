// Real movies made by other tools: the malformed ones must not hurt the
// player; the others are drawn and compared with pictures of a mature player.
#include "base/File.h"
#include "flash/SwfPlayer.h"
#include "tests/unit/flash/Corpus.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

using namespace glint;
using namespace glint::flash;
namespace fs = std::filesystem;
using glint::flash::test::CorpusDir;
using glint::flash::test::CorpusFiles;

namespace {

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

// Edge anti-aliasing differs between two rasterizers by at most a few levels
// inside shapes and freely along edges: a pixel is "off" when a channel
// differs by more than 48 levels, and edges cover less than 1.5 % of a stage.
constexpr int kChannelTolerance = 48;
constexpr double kEdgeShare = 0.015;
// A movie that draws a small thing must not pass by drawing nothing: of the
// pixels where the reference differs from its most common colour (its
// content), at most this share may be off.
constexpr double kContentShare = 0.15;
// The pictures were taken a moment after the start, when the sprites of a
// one-frame movie have played a few of their frames: the frames of the first
// quarter second at 60 frames a second are tried, the best one counts.
constexpr int kSpriteSteps = 15;

uint32_t MostCommonColor(const std::vector<uint32_t>& pixels)
{
    std::map<uint32_t, size_t> counts;
    for (uint32_t px : pixels)
        ++counts[px & 0xFFFFFF];
    auto best = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
    return best == counts.end() ? 0 : best->first;
}

fs::path RequireDir(const fs::path& dir)
{
    if (!fs::is_directory(dir))
        ADD_FAILURE() << "no corpus at " << dir << " (set GLINT_SWF_CORPUS or GLINT_CORPUS_DIR)";
    return dir;
}

TEST(Corpus, MalformedFilesLoadOrFailCleanly)
{
    auto files = CorpusFiles(RequireDir(CorpusDir() / "malformed"), ".swf");
    ASSERT_FALSE(files.empty()) << "no movies in " << CorpusDir() / "malformed";
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
    ASSERT_TRUE(list) << "no corpus at " << CorpusDir() << " (stages.txt missing)";
    std::string line;
    int count = 0;
    while (std::getline(list, line)) {
        std::istringstream in(line);
        std::string name, signature;
        int w, h, frames, version;
        double rate;
        if (line.empty() || line[0] == '#')
            continue;
        ASSERT_TRUE(in >> name >> w >> h >> rate >> frames >> signature >> version) << "stages.txt: " << line;
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
    auto refs = CorpusFiles(RequireDir(CorpusDir() / "reference"), ".png");
    ASSERT_FALSE(refs.empty()) << "no reference pictures in " << CorpusDir() / "reference";
    size_t matching = 0;
    for (const fs::path& ref : refs) {
        std::string name = ref.stem().string();
        Picture want;
        ASSERT_TRUE(ReadPng(ref, want)) << name;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile((CorpusDir() / "visual" / (name + ".swf")).string(), bytes)) << name;
        SwfPlayer p;
        ASSERT_TRUE(p.Load(bytes)) << name;
        p.Stop(); // the first frame of the main timeline; its sprites play on
        std::vector<uint32_t> got(want.pixels.size());
        const uint32_t background = MostCommonColor(want.pixels);
        double offShare = 1, contentOffShare = 1;
        bool matches = false;
        for (int step = 0; step <= kSpriteSteps && !matches; ++step) {
            p.Render(got.data(), want.width, want.height, want.width, ScaleMode::ShowAll);
            size_t off = 0, content = 0, contentOff = 0;
            for (size_t i = 0; i < got.size(); ++i) {
                bool bad = !Near(got[i], want.pixels[i], kChannelTolerance);
                off += bad;
                if (!Near(want.pixels[i], background, kChannelTolerance)) {
                    ++content;
                    contentOff += bad;
                }
            }
            const double share = double(off) / double(got.size());
            const double contentShare = content ? double(contentOff) / double(content) : 0.0;
            matches = share <= kEdgeShare && contentShare <= kContentShare;
            if (matches || share < offShare) {
                offShare = share;
                contentOffShare = contentShare;
            }
            if (!p.Advance())
                break; // nothing moves: later steps look the same
        }
        matching += matches;
        EXPECT_TRUE(matches) << name << ": " << offShare * 100 << "% of pixels differ, " << contentOffShare * 100
                             << "% of content pixels";
        std::printf("  %-28s %7.3f%% of pixels, %7.3f%% of content differ  %s\n", name.c_str(), offShare * 100,
                    contentOffShare * 100, matches ? "ok" : "FAILS");
    }
    std::printf("  %zu of %zu movies match\n", matching, refs.size());
}

} // namespace
