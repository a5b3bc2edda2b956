// The timeline, its actions and FSCommand, as the Flash control behaves.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace glint::flash;
using namespace glint::flash::testing;
using glint::flash::test::Draw;

namespace {

// `frames` empty frames at `rate`; `actions[i]` (when given) goes into frame i.
std::string Movie(int frames, double rate, const std::vector<std::pair<int, ActionBuilder>>& actions = {},
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

TEST(Timeline, LoopsAtTheEndWhilePlaying)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(3, 10)));
    EXPECT_EQ(p.TotalFrames(), 3);
    EXPECT_EQ(p.FrameNum(), 0);
    EXPECT_TRUE(p.Playing());
    EXPECT_TRUE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 1);
    EXPECT_TRUE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 2);
    EXPECT_TRUE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 0);
    EXPECT_TRUE(p.Playing());
}

TEST(Timeline, StopActionHoldsTheFrameUntilPlay)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(4, 10, {{2, ActionBuilder().Stop()}})));
    p.Advance();
    p.Advance();
    EXPECT_EQ(p.FrameNum(), 2);
    EXPECT_FALSE(p.Playing());
    EXPECT_FALSE(p.Advance());
    EXPECT_FALSE(p.Tick(5000));
    EXPECT_EQ(p.FrameNum(), 2);
    p.Play();
    EXPECT_TRUE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 3);
    p.Advance();
    EXPECT_EQ(p.FrameNum(), 0);
}

TEST(Timeline, StopInFrameZeroActsWhileLoading)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(3, 10, {{0, ActionBuilder().Stop()}})));
    EXPECT_FALSE(p.Playing());
    EXPECT_EQ(p.FrameNum(), 0);
}

TEST(Timeline, GotoActionsJumpAndStopUnlessPlayFollows)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(6, 10, {{1, ActionBuilder().GotoFrame(4).Play()}, {5, ActionBuilder().GotoFrame(2)}})));
    p.Advance(); // enters 1, jumps to 4, keeps playing
    EXPECT_EQ(p.FrameNum(), 4);
    EXPECT_TRUE(p.Playing());
    p.Advance(); // 5 -> gotoAndStop(2)
    EXPECT_EQ(p.FrameNum(), 2);
    EXPECT_FALSE(p.Playing());
}

TEST(Timeline, LabelsAndNextPreviousFrame)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(6, 10,
                             {{1, ActionBuilder().GotoLabel("END").Play()},
                              {5, ActionBuilder().PrevFrame()},
                              {4, ActionBuilder().GotoLabel("nowhere")}},
                             {{5, "end"}})));
    p.Advance(); // 1 -> label "end" (frame 5) whose action goes back one frame and stops
    EXPECT_EQ(p.FrameNum(), 4);
    EXPECT_FALSE(p.Playing());
    SwfPlayer q;
    ASSERT_TRUE(q.Load(Movie(4, 10, {{1, ActionBuilder().NextFrame()}})));
    q.Advance();
    EXPECT_EQ(q.FrameNum(), 2);
    EXPECT_FALSE(q.Playing());
}

TEST(Timeline, StackFormsOfGotoAndGetUrl)
{
    std::vector<std::pair<std::string, std::string>> calls;
    SwfPlayer p;
    p.SetFSCommandHandler([&](const std::string& c, const std::string& a) { calls.emplace_back(c, a); });
    ASSERT_TRUE(p.Load(Movie(5, 10,
                             {{1, ActionBuilder().PushNumber(4).GotoFrame2(true)}, // frame 4 (1-based): index 3
                              {3, ActionBuilder().PushString("FSCommand:quit").PushString("now").GetURL2()}})));
    p.Advance();
    EXPECT_EQ(p.FrameNum(), 3);
    EXPECT_TRUE(p.Playing());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, "quit");
    EXPECT_EQ(calls[0].second, "now");
}

TEST(Timeline, FSCommandCarriesCommandAndArguments)
{
    std::vector<std::pair<std::string, std::string>> calls;
    SwfPlayer p;
    p.SetFSCommandHandler([&](const std::string& c, const std::string& a) { calls.emplace_back(c, a); });
    const int16_t skip = int16_t(ActionBuilder().FSCommand("skipped", "").Bytes().size() - 1); // without the end
    ASSERT_TRUE(p.Load(Movie(3, 10,
                             {{0, ActionBuilder().FSCommand("allowscale", "false")},
                              {1, ActionBuilder().GetURL("http://example.com/", "_blank").GetURL("fscommand:Quit", "")},
                              {2, ActionBuilder().Jump(skip).FSCommand("skipped", "").FSCommand("after", "x y")}})));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (std::pair<std::string, std::string>("allowscale", "false")));
    p.Advance();
    ASSERT_EQ(calls.size(), 2u); // the web address raises nothing
    EXPECT_EQ(calls[1], (std::pair<std::string, std::string>("Quit", "")));
    p.Advance();
    ASSERT_EQ(calls.size(), 3u); // the jump passes over the first command
    EXPECT_EQ(calls[2], (std::pair<std::string, std::string>("after", "x y")));
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
    EXPECT_EQ(p.FrameNum(), 8);

    SwfPlayer q; // 2.5 frames a second in 8.8 fixed point
    ASSERT_TRUE(q.Load(Movie(5, 2.5)));
    EXPECT_DOUBLE_EQ(q.FrameInterval(), 400);
    q.Tick(399);
    EXPECT_EQ(q.FrameNum(), 0);
    q.Tick(1);
    EXPECT_EQ(q.FrameNum(), 1);
}

TEST(Timeline, RewindRebuildsTheDisplayList)
{
    SwfWriter swf(10, 10, 10);
    swf.SetBackground({0, 0, 0, 255});
    ShapeBuilder s;
    s.Rect(0, 0, 200, 200, s.AddSolidFill({255, 0, 0, 255}));
    swf.DefineShape(1, s);
    swf.ShowFrame();
    swf.Place(1, 1);
    swf.ShowFrame();
    swf.ShowFrame();
    SwfPlayer p;
    ASSERT_TRUE(p.Load(swf.Finish(false)));
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0x000000u);
    uint64_t g = p.Generation();
    p.Advance();
    EXPECT_NE(p.Generation(), g);
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0xFF0000u);
    p.Advance();
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0xFF0000u);
    p.Advance(); // loop back: frame 0 has nothing
    EXPECT_EQ(p.FrameNum(), 0);
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0x000000u);
    p.GotoFrame(2);
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0xFF0000u);
    p.Rewind();
    EXPECT_EQ(Draw(p, 10, 10).Rgb(5, 5), 0x000000u);
    p.GotoFrame(99); // clamped to the last frame
    EXPECT_EQ(p.FrameNum(), 2);
}

TEST(Timeline, GotoCyclesAndEndlessActionsEnd)
{
    SwfPlayer p;
    // Frame 0 jumps to 1, frame 1 back to 0, forever.
    ASSERT_TRUE(p.Load(Movie(3, 10, {{0, ActionBuilder().GotoFrame(1).Play()}, {1, ActionBuilder().GotoFrame(0).Play()}})));
    EXPECT_LE(p.FrameNum(), 1);
    // A jump onto itself.
    SwfPlayer q;
    ASSERT_TRUE(q.Load(Movie(2, 10, {{0, ActionBuilder().Jump(-5)}})));
    EXPECT_EQ(q.FrameNum(), 0);
}

TEST(Timeline, OneFrameAndEmptyPlayers)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(Movie(1, 10)));
    EXPECT_EQ(p.TotalFrames(), 1);
    EXPECT_FALSE(p.Advance());
    EXPECT_EQ(p.FrameNum(), 0);
    SwfPlayer empty;
    EXPECT_EQ(empty.TotalFrames(), 0);
    EXPECT_FALSE(empty.Playing());
    empty.Play();
    EXPECT_FALSE(empty.Playing());
    EXPECT_FALSE(empty.Tick(1000));
    empty.Rewind();
    EXPECT_EQ(empty.FrameNum(), 0);
    EXPECT_EQ(empty.StageWidth(), 0);
}

} // namespace
