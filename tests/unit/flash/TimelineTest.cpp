// The timeline, its actions and FSCommand, as the Flash control behaves.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

using Actions = std::vector<std::pair<int, ActionBuilder>>;

// `frames` empty frames at `rate`; each action goes into its frame, each label too.
std::string Movie(int frames, double rate, const Actions& actions = {},
                  const std::vector<std::pair<int, std::string>>& labels = {})
{
    SwfWriter swf(20, 20, rate);
    for (int f = 0; f < frames; ++f) {
        for (const auto& [frame, label] : labels)
            if (frame == f)
                swf.FrameLabel(label);
        for (const auto& [frame, a] : actions)
            if (frame == f)
                swf.DoAction(a);
        swf.ShowFrame();
    }
    return swf.Finish(false);
}

TEST(Timeline, FrameActionsMoveThePlayhead)
{
    // The frame after loading and after each of four steps; "s" when stopped.
    struct Case {
        const char* name;
        int frames;
        Actions actions;
        const char* want;
        std::vector<std::pair<int, std::string>> labels = {};
    };
    const Case cases[] = {
        {"loops at the end", 3, {}, "0 1 2 0 1 "},
        {"one frame", 1, {}, "0 0 0 0 0 "},
        {"stop holds the frame", 4, {{2, ActionBuilder().Stop()}}, "0 1 2s 2s 2s "},
        {"stop in frame 0 acts while loading", 3, {{0, ActionBuilder().Stop()}}, "0s 0s 0s 0s 0s "},
        {"gotoAndPlay, then gotoAndStop", 6, {{1, ActionBuilder().GotoFrame(4).Play()}, {5, ActionBuilder().GotoFrame(2)}},
         "0 4 2s 2s 2s "},
        {"label, then prevFrame", 6,
         {{1, ActionBuilder().GotoLabel("end").Play()}, {5, ActionBuilder().PrevFrame()},
          {4, ActionBuilder().GotoLabel("nowhere")}},
         "0 4s 4s 4s 4s ", {{5, "end"}}},
        {"nextFrame stops", 4, {{1, ActionBuilder().NextFrame()}}, "0 2s 2s 2s 2s "},
        {"goto from the stack, 1-based", 5, {{1, ActionBuilder().PushNumber(4).GotoFrame2(true)}}, "0 3 4 0 3 "},
    };
    for (const Case& c : cases) {
        SwfPlayer p;
        ASSERT_TRUE(p.Load(Movie(c.frames, 10, c.actions, c.labels))) << c.name;
        std::string got;
        for (int step = 0; step < 5; ++step) {
            got += std::to_string(p.FrameNum()) + (p.Playing() ? " " : "s ");
            p.Advance();
        }
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(Timeline, FSCommandCarriesCommandAndArguments)
{
    std::vector<std::pair<std::string, std::string>> calls;
    SwfPlayer p;
    p.SetFSCommandHandler([&](const std::string& c, const std::string& a) { calls.emplace_back(c, a); });
    const int16_t skip = int16_t(ActionBuilder().FSCommand("skipped", "").Bytes().size() - 1); // without the end
    ASSERT_TRUE(p.Load(Movie(4, 10,
                             {{0, ActionBuilder().FSCommand("allowscale", "false")},
                              {1, ActionBuilder().GetURL("http://example.com/", "_blank").GetURL("fscommand:Quit", "")},
                              {2, ActionBuilder().Jump(skip).FSCommand("skipped", "").FSCommand("after", "x y")},
                              {3, ActionBuilder().PushString("FSCommand:quit").PushString("now").GetURL2()}})));
    for (int i = 0; i < 3; ++i)
        p.Advance();
    // The web address raises nothing; the jump passes over the first command.
    const std::vector<std::pair<std::string, std::string>> want = {
        {"allowscale", "false"}, {"Quit", ""}, {"after", "x y"}, {"quit", "now"}};
    EXPECT_EQ(calls, want);
}

TEST(Timeline, FramesAdvanceAtTheFrameRate)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(20, 10))); // 100 ms a frame
    EXPECT_DOUBLE_EQ(p.FrameRate(), 10);
    EXPECT_DOUBLE_EQ(p.FrameInterval(), 100);
    EXPECT_FALSE(p.Tick(99));
    EXPECT_EQ(p.FrameNum(), 0);
    EXPECT_TRUE(p.Tick(1));
    EXPECT_EQ(p.FrameNum(), 1);
    p.Tick(250);
    EXPECT_EQ(p.FrameNum(), 3); // 50 ms carried over
    p.Tick(50);
    EXPECT_EQ(p.FrameNum(), 4);
    p.Tick(60000); // a stalled timer does not run through the movie
    EXPECT_EQ(p.FrameNum(), 8);
    p.Stop();
    EXPECT_FALSE(p.Tick(1000));
    EXPECT_FALSE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 8);
    p.Play();
    EXPECT_TRUE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 9);
}

TEST(Timeline, RewindAndGotoRebuildTheDisplayList)
{
    SwfWriter swf(10, 10, 10);
    swf.SetBackground(kBlack);
    Square(swf, 1, {255, 0, 0, 255});
    swf.ShowFrame();
    swf.Place(1, 1);
    swf.ShowFrame();
    auto p = Loaded(swf);
    auto centre = [&] { return Draw(*p, 10, 10).Rgb(5, 5); };
    EXPECT_EQ(centre(), 0x000000u);
    const uint64_t g = p->Generation();
    p->Advance();
    EXPECT_NE(p->Generation(), g);
    EXPECT_EQ(centre(), 0xFF0000u);
    p->Advance();
    EXPECT_EQ(centre(), 0xFF0000u);
    p->Advance(); // loop back: frame 0 has nothing
    EXPECT_EQ(centre(), 0x000000u);
    p->GotoFrame(2);
    EXPECT_EQ(centre(), 0xFF0000u);
    p->Rewind();
    EXPECT_EQ(centre(), 0x000000u);
    p->GotoFrame(99); // clamped to the last frame
    EXPECT_EQ(p->FrameNum(), 2);
}

TEST(Timeline, GotoCyclesEnd)
{
    SwfPlayer p; // frame 0 jumps to 1, frame 1 back to 0, forever
    ASSERT_TRUE(p.Load(Movie(3, 10, {{0, ActionBuilder().GotoFrame(1).Play()}, {1, ActionBuilder().GotoFrame(0).Play()}})));
    EXPECT_LE(p.FrameNum(), 1);
}

TEST(Timeline, OneFrameAndEmptyPlayers)
{
    SwfPlayer one;
    ASSERT_TRUE(one.Load(Movie(1, 10)));
    EXPECT_FALSE(one.Advance());
    SwfPlayer empty;
    EXPECT_EQ(empty.TotalFrames(), 0);
    empty.Play();
    EXPECT_FALSE(empty.Playing());
    EXPECT_FALSE(empty.Tick(1000));
    empty.Rewind();
    EXPECT_EQ(empty.FrameNum(), 0);
    EXPECT_EQ(empty.StageWidth(), 0);
}

} // namespace
