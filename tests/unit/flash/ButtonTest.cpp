// Actions on the stage and buttons: known-answer movies whose expected
// pixels follow from the records and actions written.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

// A 100 x 20 movie with the red, green and blue squares 1, 2 and 3 and a
// sprite 10 showing the square shown[i] (0: none) in its frame i, with the
// tags `more` adds to each frame.
SwfWriter SquaresMovie(const std::vector<uint16_t>& shown, uint8_t version = 8,
                       const std::function<void(SwfWriter&, size_t frame)>& more = {})
{
    SwfWriter swf(100, 20, 12, version);
    swf.SetBackground(kWhite);
    Square(swf, 1, kRed);
    Square(swf, 2, kGreen);
    Square(swf, 3, kBlue);
    SwfWriter tl(0, 0, 0);
    for (size_t f = 0; f < shown.size(); ++f) {
        tl.Remove(1);
        if (shown[f])
            tl.Place(1, shown[f]);
        if (more)
            more(tl, f);
        tl.ShowFrame();
    }
    swf.DefineSprite(10, tl);
    return swf;
}

// The sprite named "box" at (x, 5): red, green, then blue labelled "Blue".
SwfWriter BoxMovie(double x = 0, const std::vector<std::pair<uint32_t, ActionBuilder>>& events = {},
                   uint8_t version = 8)
{
    SwfWriter swf = SquaresMovie({1, 2, 3}, version, [](SwfWriter& tl, size_t f) {
        if (f == 2)
            tl.FrameLabel("Blue");
    });
    swf.PlaceNamed(1, 10, "box", At(x, 5), events);
    return swf;
}

// Where the box is drawn and in which colour: x of its first column, or -1.
std::pair<int, uint32_t> Box(SwfPlayer& p)
{
    auto fb = Draw(p, 100, 20);
    for (int x = 0; x < 100; ++x)
        if (fb.Rgb(x, 10) != 0xFFFFFF)
            return {x, fb.Rgb(x + 1, 10)};
    return {-1, 0};
}

TEST(StageActions, SetPropertyMovesAClipByItsPixels)
{
    SwfWriter swf = BoxMovie();
    // box._x = 30 (SetMember), then setProperty("box", _x, getProperty("box", _x) + 25)
    swf.DoAction(ActionBuilder()
                     .PushString("box").Op(0x1C).PushString("_x").PushNumber(30).Op(0x4F)
                     .PushString("box").PushNumber(0)
                     .PushString("box").PushNumber(0).Op(0x22).PushNumber(25).Op(0x47)
                     .Op(0x23)
                     .Op(0x07));
    auto p = Loaded(swf);
    EXPECT_EQ(Box(*p), std::make_pair(55, 0xFF0000u));
}

TEST(StageActions, PropertiesChangeWhatIsDrawn)
{
    struct Case {
        int property;
        double value;
        std::vector<std::pair<int, int>> red, white; // points inside and outside the box
    };
    // The box is 10 x 10 at (50, 5).
    const Case cases[] = {
        {2, 200, {{65, 10}}, {{75, 10}}},           // _xscale: 20 wide
        {3, 50, {{55, 7}}, {{55, 12}}},             // _yscale: 5 high
        {8, 30, {{75, 10}}, {{85, 10}}},            // _width
        {9, 4, {{55, 8}}, {{55, 10}}},              // _height
        {10, 90, {{45, 10}}, {{55, 10}}},           // _rotation: turned about its origin onto 40..50
        {7, 0, {}, {{55, 10}}},                     // _visible (_x: SetPropertyMovesAClipByItsPixels)
    };
    for (const Case& c : cases) {
        SwfWriter swf = BoxMovie(50);
        swf.DoAction(ActionBuilder().PushString("box").PushNumber(c.property).PushDouble(c.value).Op(0x23).Stop());
        auto p = Loaded(swf);
        auto fb = Draw(*p, 100, 20);
        for (auto [x, y] : c.red)
            EXPECT_EQ(fb.Rgb(x, y), 0xFF0000u) << "property " << c.property << " at " << x << "," << y;
        for (auto [x, y] : c.white)
            EXPECT_EQ(fb.Rgb(x, y), 0xFFFFFFu) << "property " << c.property << " at " << x << "," << y;
    }
    // _alpha 50: red half over white.
    SwfWriter swf = BoxMovie(50);
    swf.DoAction(ActionBuilder().PushString("box").PushNumber(6).PushNumber(50).Op(0x23));
    auto p = Loaded(swf);
    auto fb = Draw(*p, 100, 20);
    EXPECT_EQ(fb.R(55, 10), 255);
    EXPECT_NEAR(fb.G(55, 10), 127, 2);
}

TEST(StageActions, ClipEventsAndInitActionsRunWhenTheyShould)
{
    // onClipEvent(load) { _x = 40 } onClipEvent(enterFrame) { _x = _x + 5 }
    SwfWriter swf = BoxMovie(0, {{kEventLoad, ActionBuilder().PushString("_x").PushNumber(40).Op(0x1D)},
                                 {kEventEnterFrame, ActionBuilder().PushString("_x").PushString("_x").Op(0x1C)
                                                        .PushNumber(5).Op(0x47).Op(0x1D)}});
    auto p = Loaded(swf);
    EXPECT_EQ(Box(*p), std::make_pair(40, 0xFF0000u));
    p->Advance();
    EXPECT_EQ(Box(*p), std::make_pair(45, 0x00FF00u));

    // Init actions run once, the frame's actions each time it is entered.
    SwfWriter looped(20, 20, 12);
    std::vector<uint8_t> init{10, 0};
    auto initCode = ActionBuilder().FSCommand("init", "").Bytes();
    init.insert(init.end(), initCode.begin(), initCode.end());
    looped.Tag(59, init);
    looped.DoAction(ActionBuilder().FSCommand("frame", ""));
    looped.ShowFrame();
    looped.ShowFrame();
    SwfPlayer q;
    std::vector<std::string> calls;
    q.SetFSCommandHandler([&](const std::string& c, const std::string&) { calls.push_back(c); });
    ASSERT_TRUE(q.Load(looped.Finish(false)));
    for (int i = 0; i < 4; ++i)
        q.Advance();
    EXPECT_EQ(calls, (std::vector<std::string>{"init", "frame", "frame", "frame"}));
}

TEST(StageActions, GotoAndStopByLabelInASprite)
{
    // <clip>.gotoAndStop(<label>) for the label "Blue" of the clip "box":
    // clip names and labels compare without regard to case before version 7.
    struct Case {
        int version;
        const char* clip;
        const char* label;
        uint32_t color; // after a step
    } cases[] = {
        {6, "BOX", "blue", 0x0000FF},
        {7, "box", "Blue", 0x0000FF},
        {7, "box", "blue", 0x00FF00}, // no such label: it plays on
        {7, "Box", "Blue", 0x00FF00}, // no such clip
    };
    for (const Case& c : cases) {
        SwfWriter swf = BoxMovie(0, {}, uint8_t(c.version));
        swf.DoAction(ActionBuilder().PushString(c.label).PushNumber(1).PushString(c.clip).Op(0x1C)
                         .PushString("gotoAndStop").Op(0x52).Op(0x17));
        auto p = Loaded(swf);
        p->Advance();
        EXPECT_EQ(Box(*p), std::make_pair(0, c.color)) << c.version << " " << c.clip << " " << c.label;
    }
}

TEST(StageActions, OnEnterFrameAndSpriteFrameActions)
{
    SwfWriter swf = BoxMovie();
    // box.onEnterFrame = function () { this._x = this._x + 10 }
    ActionBuilder step;
    step.PushString("this").Op(0x1C).PushString("_x").PushString("this").Op(0x1C).PushString("_x").Op(0x4E)
        .PushNumber(10).Op(0x47).Op(0x4F);
    swf.DoAction(ActionBuilder().PushString("box").Op(0x1C).PushString("onEnterFrame").Function("", {}, step).Op(0x4F));
    auto p = Loaded(swf);
    EXPECT_EQ(Box(*p), std::make_pair(0, 0xFF0000u));
    p->Advance();
    p->Advance();
    EXPECT_EQ(Box(*p), std::make_pair(20, 0x0000FFu));

    // A stop() in the sprite's second frame holds it there.
    SwfWriter held = SquaresMovie({1, 2, 0}, 8, [](SwfWriter& tl, size_t f) {
        if (f == 1)
            tl.DoAction(ActionBuilder().Stop());
    });
    held.Place(1, 10, At(0, 5));
    auto q = Loaded(held);
    for (int i = 0; i < 3; ++i)
        q->Advance();
    EXPECT_EQ(Box(*q), std::make_pair(0, 0x00FF00u));
}

TEST(StageActions, RootOnEnterFrameRunsWhileTheTimelineIsStopped)
{
    // stop(); this.onEnterFrame = function () { fscommand("tick") } in a movie without sprites.
    SwfWriter swf(100, 20, 12);
    swf.DoAction(ActionBuilder().Stop().PushString("this").Op(0x1C).PushString("onEnterFrame")
                     .Function("", {}, ActionBuilder().FSCommand("tick", "")).Op(0x4F));
    swf.ShowFrame();
    swf.ShowFrame();
    SwfPlayer p;
    int ticks = 0;
    p.SetFSCommandHandler([&](const std::string&, const std::string&) { ++ticks; });
    ASSERT_TRUE(p.Load(swf.Finish(false)));
    EXPECT_TRUE(p.Animating());
    p.Tick(uint32_t(p.FrameInterval() * 3 + 1));
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(p.FrameNum(), 0);
}

TEST(StageActions, ActionScript3MoviesShowTheirTimelineWithoutCode)
{
    SwfWriter swf = BoxMovie();
    swf.Tag(69, {0x08, 0, 0, 0}); // file attributes: ActionScript 3
    swf.DoAction(ActionBuilder().PushString("box").Op(0x1C).PushString("_x").PushNumber(30).Op(0x4F));
    auto p = Loaded(swf);
    EXPECT_EQ(Box(*p), std::make_pair(0, 0xFF0000u));
}

// A button at (20, 5): red up, green over, blue down, hit on its 10 x 10
// square; on press and release it calls fscommand("press"/"release").
std::string ButtonMovie(int version)
{
    SwfWriter swf = SquaresMovie({});
    std::vector<ButtonAction> actions;
    if (version == 2)
        actions.push_back({kButtonPress, ActionBuilder().FSCommand("press", "").Bytes()});
    actions.push_back({kButtonRelease, ActionBuilder().FSCommand("release", "").Bytes()});
    const int downAndHit = kButtonDown | kButtonHit;
    swf.DefineButton(5, {ButtonShows(kButtonUp, 1), ButtonShows(kButtonOver, 2), ButtonShows(downAndHit, 3)}, actions,
                     version);
    swf.Place(1, 5, At(20, 5));
    swf.ShowFrame();
    return swf.Finish(false);
}

TEST(Buttons, StatesFollowTheMouseAndActionsRunOnPressAndRelease)
{
    for (int version : {1, 2}) {
        SwfPlayer p;
        std::vector<std::string> calls;
        p.SetFSCommandHandler([&](const std::string& c, const std::string&) { calls.push_back(c); });
        ASSERT_TRUE(p.Load(ButtonMovie(version)));
        struct Step {
            double x, y;
            bool down;
            uint32_t color; // of the button at (25, 10)
        };
        const Step steps[] = {
            {5, 10, false, 0xFF0000},  // outside: up
            {25, 10, false, 0x00FF00}, // over
            {25, 10, true, 0x0000FF},  // down
            {26, 11, false, 0x00FF00}, // released over it
            {60, 10, true, 0xFF0000},  // pressed elsewhere: up
            {25, 10, false, 0x00FF00}, // released over it, pressed elsewhere: no release action
        };
        for (const Step& s : steps) {
            Draw(p, 100, 20); // the mouse is in the pixels of the frame drawn
            p.Mouse(s.x, s.y, s.down);
            EXPECT_EQ(Draw(p, 100, 20).Rgb(25, 10), s.color) << "version " << version << " at " << s.x << " " << s.down;
        }
        std::vector<std::string> expected = {"release"};
        if (version == 2)
            expected.insert(expected.begin(), "press");
        EXPECT_EQ(calls, expected) << "version " << version;
    }
}

TEST(Buttons, ASpriteInAStatePlaysItsOwnTimeline)
{
    // Up: a sprite showing red, then green; over and hit: a blue square.
    SwfWriter swf = SquaresMovie({1, 2});
    swf.DefineButton(5, {ButtonShows(kButtonUp, 10), ButtonShows(kButtonOver | kButtonHit, 3)}, {});
    swf.Place(1, 5, At(20, 5));
    auto p = Loaded(swf);
    const uint32_t want[] = {0xFF0000, 0x00FF00, 0xFF0000};
    for (uint32_t color : want) {
        EXPECT_EQ(Draw(*p, 100, 20).Rgb(25, 10), color);
        p->Advance();
    }
    p->Mouse(25, 10, false);
    EXPECT_EQ(Draw(*p, 100, 20).Rgb(25, 10), 0x0000FFu);
    p->Mouse(60, 10, false);
    EXPECT_NE(Draw(*p, 100, 20).Rgb(25, 10), 0x0000FFu) << "the sprite again";
}

TEST(Buttons, ColorTransformOfAVersionOneButton)
{
    SwfWriter swf = SquaresMovie({});
    swf.DefineButton(5, {ButtonShows(kButtonUp | kButtonHit, 1)}, {}, 1);
    ColorTransform cx;
    cx.mulR = 0;
    cx.addB = 255;
    BitWriter w;
    w.U16(5);
    w.CxForm(cx, false);
    swf.Tag(23, w.Data()); // DefineButtonCxform
    swf.Place(1, 5, At(20, 5));
    auto p = Loaded(swf);
    EXPECT_EQ(Draw(*p, 100, 20).Rgb(25, 10), 0x0000FFu);
}

TEST(Buttons, MouseIsMappedThroughTheScaleOfTheLastFrame)
{
    SwfPlayer p;
    ASSERT_TRUE(p.Load(ButtonMovie(2)));
    // Drawn twice as large: the button's square covers pixels 40..59 across.
    Draw(p, 200, 40);
    p.Mouse(45, 25, false);
    EXPECT_EQ(Draw(p, 200, 40).Rgb(50, 20), 0x00FF00u);
    p.Mouse(30, 25, false);
    EXPECT_EQ(Draw(p, 200, 40).Rgb(50, 20), 0xFF0000u);
}

} // namespace
