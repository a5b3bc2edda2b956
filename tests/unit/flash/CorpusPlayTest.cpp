// Every movie of the corpus, the damaged ones too, plays 300 frames: the
// sprites, bitmaps, morphs and masks of real files are stepped and drawn
// frame after frame (under the sanitizers in the asan build).
#include "base/File.h"
#include "flash/SwfPlayer.h"
#include "tests/unit/flash/Corpus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace glint;
using namespace glint::flash;
namespace fs = std::filesystem;
using glint::flash::test::CorpusDir;

namespace {

TEST(CorpusPlay, EveryMoviePlaysThreeHundredFrames)
{
    int movies = 0;
    for (const char* folder : {"visual", "malformed"}) {
        const std::vector<fs::path> files = test::CorpusFiles(CorpusDir() / folder, ".swf");
        ASSERT_FALSE(files.empty()) << "no movies in " << CorpusDir() / folder;
        for (const fs::path& f : files) {
            std::string bytes;
            ASSERT_TRUE(ReadWholeFile(f.string(), bytes)) << f;
            SwfPlayer p;
            p.Load(bytes);
            // A small frame keeps 300 frames of 65 movies quick under the sanitizers.
            const int w = 160, h = 120;
            std::vector<uint32_t> buf(size_t(w) * h);
            for (int frame = 0; frame < 300; ++frame) {
                if (frame % 3 == 0)
                    p.Render(buf.data(), w, h, w, ScaleMode::ShowAll);
                p.Tick(uint32_t(p.FrameInterval() + 0.5));
            }
            p.Render(buf.data(), w, h, w, ScaleMode::ShowAll);
            for (uint32_t px : buf)
                ASSERT_EQ(px >> 24, 0xFFu) << f.filename() << ": the frame must stay opaque";
            ++movies;
        }
    }
    EXPECT_EQ(movies, 65);
}

} // namespace
