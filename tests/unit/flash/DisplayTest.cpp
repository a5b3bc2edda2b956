// Sprites with their own timelines, nested masks, morph shapes at a ratio,
// gradient spreads and blend modes: known-answer movies, each expected colour
// worked out from the records written.
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

TEST(Sprites, NestedSpritesPlayTheirOwnTimelinesUntilRemoved)
{
    SwfWriter swf = Stage(40, 10, kWhite);
    Square(swf, 1, kRed);
    Square(swf, 2, kBlue);
    SwfWriter inner(0, 0, 0); // red, blue, red, blue...
    inner.Place(1, 1);
    inner.ShowFrame();
    inner.Remove(1);
    inner.Place(1, 2);
    inner.ShowFrame();
    swf.DefineSprite(3, inner);
    SwfWriter outer(0, 0, 0); // the inner sprite, moved right on the second frame
    outer.Place(1, 3, At(0, 0));
    outer.ShowFrame();
    outer.Move(1, At(20, 0));
    outer.ShowFrame();
    swf.DefineSprite(4, outer);
    swf.Place(1, 4);
    swf.ShowFrame();
    swf.Remove(1);
    auto p = Loaded(swf);
    // The main timeline stays on its first frame, its sprites go on a frame a
    // step each: moved and on its own second frame, then both looped.
    p->Stop();
    for (const char* want : {"RWWW", "WWBW", "RWWW"}) {
        EXPECT_EQ(Sketch(Draw(*p, 40, 10), 10), want);
        EXPECT_TRUE(p->Tick(uint32_t(p->FrameInterval() + 1)));
    }
    p->GotoFrame(1); // removed, and nothing is left to animate
    EXPECT_EQ(Sketch(Draw(*p, 40, 10), 10), "WWWW");
    EXPECT_FALSE(p->Tick(1000));
}

TEST(Sprites, ASpriteThatPlacesItselfIsBounded)
{
    // Sprite 2 holds a square and, at ten depths, itself: unbounded it would
    // nest forever and make 10^n clips.
    SwfWriter swf = Stage(20, 20, kWhite);
    Square(swf, 1, kRed);
    SwfWriter tl(0, 0, 0);
    tl.Place(1, 1);
    for (uint16_t d = 2; d < 12; ++d)
        tl.Place(d, 2, Matrix{0.5, 0, 0, 0.5, 0, 0});
    tl.ShowFrame();
    tl.ShowFrame(); // two frames, so that every clip advances
    swf.DefineSprite(2, tl);
    swf.Place(1, 2);
    auto p = Loaded(swf);
    // Bounded work, not a timing goal: a run that never ends fails by ctest's timeout.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Draw(*p, 20, 20).Rgb(5, 5), 0xFF0000u); // the outermost square is drawn
        p->Advance();
    }
}

TEST(Sprites, NestingStopsAtTheDepthLimit)
{
    // A chain: sprite 2 holds itself once, so each level makes one more clip.
    SwfWriter swf(20, 20, 12);
    swf.DefineSprite(2, {{1, 2}});
    swf.Place(1, 2);
    swf.ShowFrame();
    std::string bytes = swf.Finish(false);
    Movie movie;
    ASSERT_TRUE(movie.Read(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    DisplayList list;
    for (const DisplayOp& op : movie.Frames()[0].ops)
        ApplyDisplayOp(list, op);
    ClipTimeline clips(movie);
    clips.Attach(list, 0);
    EXPECT_EQ(clips.Live(), size_t(kMaxClipNesting - 1));
    clips.Advance(list, 0);
    EXPECT_EQ(clips.Live(), size_t(kMaxClipNesting - 1));
    list.clear();
    EXPECT_EQ(clips.Live(), 0u); // dropped with the display list
}

TEST(Masks, MasksInsideMaskedSpritesIntersect)
{
    SwfWriter swf = Stage(40, 40, kWhite);
    ShapeBuilder left, top, all;
    left.Rect(0, 0, 400, 800, left.AddSolidFill(kBlue));
    top.Rect(0, 0, 800, 400, top.AddSolidFill(kBlue));
    all.Rect(0, 0, 800, 800, all.AddSolidFill(kRed));
    swf.DefineShape(1, left);
    swf.DefineShape(2, top);
    swf.DefineShape(3, all);
    SwfWriter tl(0, 0, 0);
    tl.Place(1, 2, {}, nullptr, 2); // the top half masks the red square
    tl.Place(2, 3);
    tl.ShowFrame();
    swf.DefineSprite(4, tl);
    swf.Place(1, 1, {}, nullptr, 2); // the left half masks the sprite
    swf.Place(2, 4);
    EXPECT_EQ(Sketch(Draw(*Loaded(swf), 40, 40), 20), "RW|WW");
}

TEST(Morphs, RatioInterpolatesOutlineAndFill)
{
    for (int version : {1, 2}) {
        SCOPED_TRACE(version);
        SwfWriter swf = Stage(200, 10, kWhite);
        MorphBuilder mb;
        int fill = mb.AddSolidFill(kRed, kBlue);
        // 0..40 px wide at the start, 100..200 at the end.
        mb.Quad({0, 0, 800, 0, 800, 200, 0, 200}, {2000, 0, 4000, 0, 4000, 200, 2000, 200}, fill);
        swf.DefineMorphShape(1, mb, version);
        swf.Place3(1, 1, {}, nullptr, 0, 0);
        swf.ShowFrame();
        swf.MoveRatio(1, 32768);
        swf.ShowFrame();
        swf.MoveRatio(1, 65535);
        auto p = Loaded(swf);
        // Half way (ratio 32768/65535): 50..120 px in (127, 0, 128), which
        // the sketch shows as '?'.
        for (const char* want : {"RRRRWWWWWWWWWWWWWWWW", "WWWWW???????WWWWWWWW", "WWWWWWWWWWBBBBBBBBBB"}) {
            const FrameBuffer fb = Draw(*p, 200, 10);
            EXPECT_EQ(Sketch(fb, 10), want);
            if (want[5] == '?') {
                EXPECT_LE(ColorDistance(fb.Rgb(85, 5), 0x7F0080u), 1);
            }
            p->Advance();
        }
    }
}

TEST(Morphs, GradientsAndLineWidthsInterpolate)
{
    SwfWriter swf = Stage(100, 100, kWhite);
    MorphBuilder mb;
    // A horizontal gradient over 0..100 px: black to white at the start,
    // white to black at the end; half way every stop is grey.
    Matrix g{100.0 * 20 / 32768, 0, 0, 100.0 * 20 / 32768, 50 * 20, 50 * 20};
    int fill = mb.AddLinearFill(g, g, {{0, kBlack}, {255, kWhite}}, {{0, kWhite}, {255, kBlack}});
    // A line 0 wide at the start, 20 px at the end, along the bottom edge.
    int line = mb.AddLineStyle(0, 400, kBlue, kBlue);
    mb.Quad({0, 0, 2000, 0, 2000, 1000, 0, 1000}, {0, 0, 2000, 0, 2000, 1000, 0, 1000}, fill, line);
    swf.DefineMorphShape(1, mb, 1);
    swf.Place3(1, 1, {}, nullptr, 32768, 0);
    const FrameBuffer fb = Draw(*Loaded(swf), 100, 100);
    EXPECT_LE(ColorDistance(fb.Rgb(10, 30), 0x808080u), 3);
    EXPECT_LE(ColorDistance(fb.Rgb(90, 30), 0x808080u), 3);
    // The line is 10 px wide half way: it reaches 5 px below the edge at y 50.
    EXPECT_EQ(fb.Rgb(50, 53), 0x0000FFu);
    EXPECT_EQ(fb.Rgb(50, 57), 0xFFFFFFu);
}

TEST(Gradients, SpreadModesRepeatOrReflectBeyondTheEnds)
{
    // A black-to-white gradient over the middle 20 of 100 pixels (40..60).
    const Matrix g{20.0 * 20 / 32768, 0, 0, 1, 50 * 20, 0};
    for (GradientSpread spread : {GradientSpread::Pad, GradientSpread::Repeat, GradientSpread::Reflect}) {
        SwfWriter swf(100, 10, 12);
        ShapeBuilder sb;
        int fill = sb.AddLinearFill(g, {{0, kBlack}, {255, kWhite}});
        sb.SetSpread(spread);
        sb.Rect(0, 0, 2000, 200, fill);
        swf.DefineShape(1, sb);
        swf.Place(1, 1);
        const FrameBuffer fb = Draw(*Loaded(swf), 100, 10);
        // Pixel 65 is a quarter into the next period (t = 0.275): pad holds
        // white, repeat starts again dark, reflect comes back from white.
        const int want = spread == GradientSpread::Pad ? 255 : spread == GradientSpread::Repeat ? 70 : 185;
        EXPECT_NEAR(fb.G(65, 5), want, 4) << int(spread);
        EXPECT_NEAR(fb.G(45, 5), 70, 4); // inside the gradient all agree
    }
}

TEST(BlendModes, SeparableModesMeetWhatIsBehind)
{
    struct Case {
        uint8_t mode;
        uint32_t want; // grey (128, 128, 128) onto (200, 100, 50)
    };
    // multiply c*128/255, screen c + 128 - c*128/255, add min(255, c + 128),
    // subtract max(0, c - 128), difference |c - 128|, invert 255 - c.
    const Case cases[] = {{3, 0x643219u}, {4, 0xE4B299u}, {8, 0xFFE4B2u}, {9, 0x480000u}, {7, 0x481C4Eu},
                          {10, 0x379BCDu}, {1, 0x808080u}};
    for (const Case& c : cases) {
        SwfWriter swf = Stage(20, 20, Rgba{200, 100, 50, 255});
        Square(swf, 1, Rgba{128, 128, 128, 255}, 20);
        swf.Place3(1, 1, {}, nullptr, -1, c.mode, c.mode == 3); // the blur filter is passed over
        const uint32_t got = Draw(*Loaded(swf), 20, 20).Rgb(10, 10);
        EXPECT_LE(ColorDistance(got, c.want), 1) << "mode " << int(c.mode) << " got " << std::hex << got;
    }
}

TEST(BlendModes, EraseAndAlphaCutIntoTheirLayer)
{
    // A sprite in layer mode holds a red square and, over its right half, a
    // shape in erase mode (12) or alpha mode (11) at half opacity.
    for (uint8_t mode : {uint8_t(12), uint8_t(11)}) {
        SwfWriter swf = Stage(40, 20, kWhite);
        Square(swf, 1, kRed, 40);
        ShapeBuilder cut;
        cut.Rect(400, 0, 400, 400, cut.AddSolidFill(Rgba{0, 255, 0, 128}));
        swf.DefineShape(2, cut);
        SwfWriter tl(0, 0, 0);
        tl.Place(1, 1);
        tl.Place3(2, 2, {}, nullptr, -1, mode);
        tl.ShowFrame();
        swf.DefineSprite(3, tl);
        swf.Place3(1, 3, {}, nullptr, -1, 2);
        const FrameBuffer fb = Draw(*Loaded(swf), 40, 20);
        EXPECT_EQ(fb.Rgb(5, 10), 0xFF0000u);
        // Erase leaves red at 1 - 128/255, alpha leaves it at 128/255; over white.
        const int gb = 255 - (mode == 12 ? 127 : 128);
        EXPECT_LE(ColorDistance(fb.Rgb(30, 10), uint32_t(0xFF0000 | gb << 8 | gb)), 1) << int(mode);
    }
}

} // namespace
