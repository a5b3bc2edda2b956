// Movies written by the test writer, drawn by the player, checked pixel by pixel.
#include "flash/PixelRuns.h"
#include "flash/SwfPlayer.h"
#include "flash/testing/SwfWriter.h"
#include "tests/unit/flash/FrameBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace glint::flash;
using namespace glint::flash::testing;
using namespace glint::flash::test;

namespace {

// A movie of `w` x `h` pixels, grey background, one solid rectangle (pixels) per entry placed at depth i+1.
struct RectSpec {
    int x, y, w, h;
    Rgba color;
};
std::string RectMovie(int w, int h, std::initializer_list<RectSpec> rects, int shapeVersion = 3, bool compressed = false)
{
    SwfWriter swf(w, h, 12);
    swf.SetBackground(kGrey);
    uint16_t id = 1;
    for (const RectSpec& r : rects) {
        ShapeBuilder s;
        s.Rect(r.x * 20, r.y * 20, r.w * 20, r.h * 20, s.AddSolidFill(r.color));
        swf.DefineShape(id, s, shapeVersion);
        swf.Place(id, id);
        ++id;
    }
    swf.ShowFrame();
    return swf.Finish(compressed);
}

// Every shape tag version (RGB colours before DefineShape3), in both encodings of the file.
TEST(Render, SolidRectanglesAtTheirPlace)
{
    for (int version = 1; version <= 4; ++version)
        for (bool compressed : {false, true}) {
            SCOPED_TRACE("DefineShape version " + std::to_string(version) + (compressed ? ", compressed" : ""));
            SwfPlayer p;
            ASSERT_TRUE(p.Load(RectMovie(64, 48, {{10, 5, 20, 10, kRed}, {40, 30, 4, 4, {200, 100, 50, 255}}}, version,
                                         compressed)));
            EXPECT_EQ(p.StageWidth(), 64);
            EXPECT_EQ(p.StageHeight(), 48);
            EXPECT_EQ(p.BackgroundColor(), 0x404040u);
            auto fb = Draw(p, 64, 48);
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x) {
                    uint32_t want = (x >= 10 && x < 30 && y >= 5 && y < 15)   ? 0xFF0000
                                    : (x >= 40 && x < 44 && y >= 30 && y < 34) ? 0xC86432
                                                                                : 0x404040;
                    ASSERT_EQ(fb.Rgb(x, y), want) << x << "," << y;
                    ASSERT_EQ(fb.At(x, y) >> 24, 0xFFu);
                }
        }
}

TEST(Render, EdgesBetweenPixelsAreAntiAliased)
{
    SwfWriter swf = Stage(20, 20, kBlack);
    ShapeBuilder s;
    // x from 2.5 to 12.25 pixels, y from 4.25 to 10: each pixel gets the share it is covered.
    s.Rect(50, 85, 195, 115, s.AddSolidFill(kWhite));
    swf.DefineShape(1, s);
    swf.Place(1, 1);
    auto fb = FirstFrame(swf, 20, 20);
    EXPECT_NEAR(fb.R(2, 6), 128, 3);
    EXPECT_NEAR(fb.R(12, 6), 64, 3);
    EXPECT_NEAR(fb.R(5, 4), 191, 3);
    EXPECT_NEAR(fb.R(2, 4), 96, 3); // 0.5 * 0.75
    EXPECT_EQ(fb.R(5, 6), 255);
    EXPECT_EQ(fb.R(1, 6), 0);
    EXPECT_EQ(fb.R(13, 6), 0);
    EXPECT_EQ(fb.R(5, 3), 0);
    EXPECT_EQ(fb.R(5, 10), 0);
}

// The stage scaled to fit and centred (show all), or centred at its own size
// (no scale, cut off by a smaller target): the red square lands on the box
// given, the pixels around it show the background (also in the letterbox).
TEST(Render, ScaleModesPlaceTheStage)
{
    const struct {
        ScaleMode mode;
        int w, h;
        RectSpec rect;         // on the 100 x 50 stage
        int x0, y0, x1, y1;    // where it lands, inclusive
    } cases[] = {
        {ScaleMode::ShowAll, 200, 200, {10, 10, 10, 10, kRed}, 20, 70, 39, 89},   // scale 2, 50 above
        {ScaleMode::ShowAll, 300, 75, {10, 10, 10, 10, kRed}, 90, 15, 104, 29},   // scale 1.5, 75 at the left
        {ScaleMode::NoScale, 200, 200, {10, 10, 10, 10, kRed}, 60, 85, 69, 94},   // stage at (50, 75)
        {ScaleMode::NoScale, 50, 30, {30, 15, 10, 10, kRed}, 5, 5, 14, 14},       // stage at (-25, -10)
    };
    for (const auto& c : cases) {
        SwfPlayer p;
        ASSERT_TRUE(p.Load(RectMovie(100, 50, {c.rect})));
        auto fb = Draw(p, c.w, c.h, c.mode);
        for (int y = c.y0 - 1; y <= c.y1 + 1; ++y)
            for (int x = c.x0 - 1; x <= c.x1 + 1; ++x) {
                const bool inside = x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1;
                ASSERT_EQ(fb.Rgb(x, y), inside ? 0xFF0000u : 0x404040u) << c.w << "x" << c.h << " at " << x << "," << y;
            }
        EXPECT_EQ(fb.Rgb(0, 0), 0x404040u);
    }
    EXPECT_EQ(ParseScaleMode("noScale"), ScaleMode::NoScale);
    EXPECT_EQ(ParseScaleMode("ShowAll"), ScaleMode::ShowAll);
    EXPECT_EQ(ParseScaleMode("exactfit"), ScaleMode::ShowAll);
}

TEST(Render, HigherDepthsAreDrawnOnTop)
{
    SwfWriter swf(30, 30, 12); // no background colour set: white
    Square(swf, 1, kRed, 20);
    Square(swf, 2, kBlue, 20);
    swf.Place(7, 1); // red above, though placed first
    swf.Place(3, 2, At(8, 8));
    EXPECT_EQ(Sketch(FirstFrame(swf, 30, 30), 10), "RRW|RRB|WBB");
}

TEST(Render, RemovedObjectsDisappearAndMovedOnesFollow)
{
    SwfWriter swf = Stage(30, 30, kWhite);
    Square(swf, 1, kGreen);
    swf.Place(1, 1);
    swf.PlaceObject1(1, 2, At(20, 20));
    swf.ShowFrame();
    swf.Move(1, At(10, 0));
    swf.RemoveObject1(1, 2);
    swf.ShowFrame();
    swf.Remove(1);
    swf.ShowFrame();
    SwfPlayer p;
    ASSERT_TRUE(p.Load(swf.Finish(true)));
    for (const char* want : {"GWW|WWW|WWG", "WGW|WWW|WWW"}) {
        EXPECT_EQ(Sketch(Draw(p, 30, 30), 10), want);
        ASSERT_TRUE(p.Advance());
    }
    for (uint32_t px : Draw(p, 30, 30).pixels)
        ASSERT_EQ(px, 0xFFFFFFFFu);
}

TEST(Render, ColourTransformsMultiplyAndAdd)
{
    SwfWriter swf = Stage(10, 10, kBlack);
    Square(swf, 1, {200, 100, 40, 255});
    ColorTransform cx;
    cx.mulR = 128;  // 100
    cx.addG = 50;   // 150
    cx.mulB = 512;  // 80
    cx.addB = -30;  // 50
    swf.Place(1, 1, Matrix{}, &cx);
    ColorTransform half; // alpha to a half over black
    half.mulA = 128;
    Square(swf, 2, kWhite, 3);
    swf.Place(2, 2, At(6, 6), &half);
    auto fb = FirstFrame(swf, 10, 10);
    EXPECT_LE(ColorDistance(fb.Rgb(2, 2), 0x649632u), 1) << std::hex << fb.Rgb(2, 2);
    // White at half alpha over (100,150,50).
    EXPECT_LE(ColorDistance(fb.Rgb(7, 7), 0xB2CA98u), 2) << std::hex << fb.Rgb(7, 7);
}

TEST(Render, LinearGradientRunsAcrossItsSquare)
{
    SwfWriter swf(100, 20, 12);
    ShapeBuilder s;
    // Gradient square (-16384..16384) scaled onto 0..100 pixels (0..2000 twips).
    Matrix g{2000.0 / 32768, 0, 0, 2000.0 / 32768, 1000, 200};
    s.Rect(0, 0, 2000, 400, s.AddLinearFill(g, {{0, kRed}, {255, kBlue}}));
    swf.DefineShape(1, s);
    swf.Place(1, 1);
    auto fb = FirstFrame(swf, 100, 20);
    EXPECT_LE(ColorDistance(fb.Rgb(0, 10), 0xFF0000u), 4);
    EXPECT_LE(ColorDistance(fb.Rgb(99, 10), 0x0000FFu), 4);
    EXPECT_LE(ColorDistance(fb.Rgb(50, 10), 0x7F007Fu), 4);
    EXPECT_LE(ColorDistance(fb.Rgb(25, 3), 0xBF003Fu), 4);
    EXPECT_EQ(fb.Rgb(25, 3), fb.Rgb(25, 17)); // constant down the columns
    for (int x = 1; x < 100; ++x)
        ASSERT_GE(fb.B(x, 10), fb.B(x - 1, 10)); // monotonic
}

// White at the focal point to black on the rim of a circle of 40 pixels
// around (50, 50). A point p lies at t on the ray from the focal point f
// through it to the rim, |f + (p - f) / t| = 1; the values below are that t
// worked out at the pixel centres.
TEST(Render, RadialGradientsRunFromTheFocalPointToTheRim)
{
    struct Probe {
        int x, y, red;
    };
    const struct {
        float focal;
        std::vector<Probe> probes;
    } cases[] = {
        {0.0f, {{50, 50, 250}, {70, 50, 124}, {50, 30, 131}, {95, 50, 0}, {2, 2, 0}}},
        {0.5f, {{70, 50, 247}, {50, 50, 172}, {80, 50, 121}, {30, 50, 87}, {70, 30, 109}, {95, 50, 0}, {10, 50, 2}}},
    };
    for (const auto& c : cases) {
        SwfWriter swf(100, 100, 12);
        ShapeBuilder s;
        Matrix g{800.0 / 16384, 0, 0, 800.0 / 16384, 1000, 1000};
        const int fill = s.AddRadialFill(g, {{0, kWhite}, {255, kBlack}});
        s.SetFocal(c.focal);
        s.Rect(0, 0, 2000, 2000, fill);
        swf.DefineShape(1, s, 4);
        swf.Place(1, 1);
        auto fb = FirstFrame(swf, 100, 100);
        for (const Probe& p : c.probes)
            EXPECT_NEAR(fb.R(p.x, p.y), p.red, 4) << "focal " << c.focal << " at " << p.x << "," << p.y;
    }
}

TEST(Render, CurvedOutlineAndStrokes)
{
    SwfWriter swf = Stage(100, 100, kBlack);
    ShapeBuilder c;
    c.Circle(1000, 1000, 600, c.AddSolidFill(kRed)); // radius 30 px at (50,50)
    swf.DefineShape(1, c);
    swf.Place(1, 1);
    // Lines are drawn in the order of their styles, whatever order the edges came in:
    // the second style's vertical line comes first, and covers the first's where they cross.
    ShapeBuilder l;
    int line = l.AddLineStyle(100, kGreen), later = l.AddLineStyle(100, kBlue); // 5 px
    l.MoveTo(1800, 1600);
    l.SetStyles(0, 0, later);
    l.LineTo(1800, 1960);
    l.MoveTo(200, 1800);
    l.SetStyles(0, 0, line);
    l.LineTo(1800, 1800);
    swf.DefineShape(2, l);
    swf.Place(2, 2);
    auto fb = FirstFrame(swf, 100, 100);
    const struct {
        int x, y;
        uint32_t rgb;
    } probes[] = {
        // The circle: inside, just inside its top and just outside, corners of its bounding box outside it.
        {50, 50, 0xFF0000}, {70, 50, 0xFF0000}, {50, 21, 0xFF0000}, {50, 18, 0}, {25, 25, 0}, {74, 74, 0},
        // The line: y = 90 +- 2.5 px, x from 10 to 90 with round caps; the crossing is blue.
        {50, 89, 0x00FF00}, {50, 91, 0x00FF00}, {50, 85, 0}, {50, 94, 0}, {9, 90, 0x00FF00}, {5, 90, 0},
        {90, 90, 0x0000FF}, {90, 83, 0x0000FF}, {85, 90, 0x00FF00},
    };
    for (const auto& p : probes)
        EXPECT_EQ(fb.Rgb(p.x, p.y), p.rgb) << p.x << "," << p.y;
    EXPECT_NEAR(fb.G(50, 87), 128, 4);
}

// Drawn at a quarter of the size, a hairline stays a pixel of white; a line
// of one pixel (a quarter pixel then) keeps 0.7 of a pixel of ink.
TEST(Render, ThinLinesStayVisible)
{
    for (const auto& [widthTwips, ink] : {std::pair{0, 255}, std::pair{20, 178}}) {
        SwfWriter swf = Stage(40, 40, kBlack);
        ShapeBuilder l;
        int line = l.AddLineStyle(uint16_t(widthTwips), kWhite);
        l.MoveTo(100, 410); // along y = 20.5 px: the middle of a row
        l.SetStyles(0, 0, line);
        l.LineTo(700, 410);
        swf.DefineShape(1, l);
        swf.Place(1, 1);
        auto fb = FirstFrame(swf, 10, 10);
        int sum = 0;
        for (int y = 0; y < 10; ++y)
            sum += fb.R(3, y);
        EXPECT_NEAR(sum, ink, 20) << widthTwips << " twips";
    }
}

TEST(Render, ClipLayersLimitTheObjectsAboveThem)
{
    SwfWriter swf = Stage(40, 40, kWhite);
    ShapeBuilder mask, bar;
    mask.Rect(0, 0, 400, 800, mask.AddSolidFill(kBlue)); // left half, not drawn itself
    bar.Rect(0, 0, 800, 200, bar.AddSolidFill(kGreen));
    swf.DefineShape(1, mask);
    Square(swf, 2, kRed, 40);
    swf.DefineShape(3, bar);
    swf.Place(1, 1, Matrix{}, nullptr, 2); // clips depth 2 only
    swf.Place(2, 2);
    swf.Place(3, 3, At(0, 30)); // above the clip's depths: not clipped
    EXPECT_EQ(Sketch(FirstFrame(swf, 40, 40), 10), "RRWW|RRWW|RRWW|GGGG");
}

TEST(Render, OpaqueObjectsOnTopHideWhatIsUnderThemExactly)
{
    // What lies under an opaque object, the background too, is left out of the drawing; the picture
    // must not change for it. The same object drawn through a layer of its own
    // (a sprite in the layer blend mode) hides nothing and gives the reference.
    // The picture has a transparent hole and a translucent column.
    std::vector<uint8_t> argb;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool hole = x >= 9 && x < 11 && y >= 6 && y < 8;
            const uint8_t a = hole ? 0 : x == 15 ? 128 : 255;
            argb.insert(argb.end(), {a, uint8_t(a * x / 16), uint8_t(a / 2), uint8_t(a * y / 16)});
        }
    const double pi = 3.14159265358979323846;
    const struct {
        const char* name;
        bool picture, repeat, smooth;
        double degrees, scale, x, y; // of the object on top, its place in pixels
    } cases[] = {
        {"solid, turned", false, false, false, 30, 1, 31.3, 2.6},
        {"solid, between pixels", false, false, false, 0, 1, 10.5, 9.25},
        {"solid, over all of it", false, false, false, 0, 1.5, -4, -4},
        {"picture, upright", true, false, false, 0, 1, 10.5, 9.25},
        {"picture, turned", true, false, false, 20, 1, 16.7, 1.2},
        {"picture, turned, filtered, tiled", true, true, true, -15, 1.1, 4.2, 14.4},
    };
    // Without SSE2 as well: the 32-bit programs then take the culling's other copy.
    const struct Restore {
        bool sse2;
        ~Restore() { useSse2 = sse2; }
    } restore{useSse2};
    for (int plain = 0; plain < 2; ++plain) {
        for (const auto& c : cases) {
            useSse2 = restore.sse2 && !plain;
            SCOPED_TRACE(plain ? "without SSE2" : "as the processor allows");
            FrameBuffer frames[2] = {FrameBuffer(64, 64), FrameBuffer(64, 64)};
            for (int layered = 0; layered < 2; ++layered) {
                SwfWriter swf = Stage(64, 64, kGrey);
                swf.DefineBitsLossless(9, 5, 16, 16, argb, true);
                ShapeBuilder under, top;
                under.Rect(100, 100, 1000, 1000, under.AddSolidFill(kRed), under.AddLineStyle(60, kGreen));
                under.Circle(800, 800, 300, under.AddSolidFill(kBlue));
                const int fill = c.picture ? top.AddBitmapFill(9, Matrix{60, 0, 0, 60, 0, 0}, c.repeat, c.smooth)
                                           : top.AddSolidFill(kBlue);
                top.Rect(0, 0, 960, 960, fill);
                swf.DefineShape(1, under);
                swf.DefineShape(2, top);
                swf.Place(1, 1);
                const double r = c.degrees * pi / 180;
                const double k = c.scale;
                const Matrix m{k * std::cos(r), k * std::sin(r), -k * std::sin(r), k * std::cos(r), c.x * 20, c.y * 20};
                if (layered) {
                    swf.DefineSprite(3, {{1, 2}});
                    swf.Place3(2, 3, m, nullptr, -1, 2);
                } else {
                    swf.Place(2, 2, m);
                }
                frames[layered] = FirstFrame(swf, 64, 64);
            }
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x)
                    ASSERT_EQ(frames[0].At(x, y), frames[1].At(x, y)) << c.name << " at " << x << "," << y;
            // The object on top is there.
            EXPECT_NE(frames[0].Rgb(int(c.x) + 8, int(c.y) + 12), 0xFF0000u) << c.name;
        }
    }
}

TEST(Render, SpritesShowTheirFirstFrame)
{
    SwfWriter swf = Stage(40, 40, kGrey);
    Square(swf, 1, kBlue, 5);
    swf.DefineSprite(2, {{1, 1}});
    swf.Place(1, 2, Matrix{2, 0, 0, 2, 200, 200}); // doubled and moved by 10 px
    auto fb = FirstFrame(swf, 40, 40);
    EXPECT_EQ(fb.Rgb(12, 12), 0x0000FFu);
    EXPECT_EQ(fb.Rgb(19, 19), 0x0000FFu);
    EXPECT_EQ(fb.Rgb(20, 20), 0x404040u);
    EXPECT_EQ(fb.Rgb(9, 9), 0x404040u);
}

// A blob with a stroke, the kind of shape whose lines the player keeps between frames.
ShapeBuilder StrokedBlob(Rgba fill, Rgba line, int lineTwips)
{
    ShapeBuilder s;
    int f = s.AddSolidFill(fill), l = s.AddLineStyle(uint16_t(lineTwips), line);
    s.MoveTo(0, -300);
    s.SetStyles(0, f, l);
    s.CurveTo(400, -300, 300, 100);
    s.CurveTo(100, 400, -250, 200);
    s.LineTo(0, -300);
    return s;
}

TEST(Render, MovedAndScaledShapesDrawAsAFreshPlayerDrawsThem)
{
    // One shape moved, then scaled, rotated and moved again over the frames:
    // a player that drew the earlier frames shows each one exactly as a player
    // that draws it first.
    SwfWriter swf = Stage(80, 60, kGrey);
    swf.DefineShape(1, StrokedBlob(kRed, kGreen, 80));
    const Matrix frames[] = {At(20, 20), At(45, 30), Matrix{1.5, 0, 0, 1.5, 700, 500},
                             Matrix{0, 1.2, -1.2, 0, 800, 600}, At(20, 20)};
    swf.Place(1, 1, frames[0]);
    swf.ShowFrame();
    for (size_t f = 1; f < std::size(frames); ++f) {
        swf.Move(1, frames[f]);
        swf.ShowFrame();
    }
    const std::string movie = swf.Finish(false);
    SwfPlayer kept;
    ASSERT_TRUE(kept.Load(movie));
    std::vector<std::vector<uint32_t>> seen;
    for (int f = 0; f < int(std::size(frames)); ++f) {
        kept.GotoFrame(f);
        auto twice = Draw(kept, 80, 60);
        auto got = Draw(kept, 80, 60); // a still frame drawn again
        EXPECT_EQ(got.pixels, twice.pixels) << f;
        SwfPlayer fresh;
        ASSERT_TRUE(fresh.Load(movie));
        fresh.GotoFrame(f);
        EXPECT_EQ(got.pixels, Draw(fresh, 80, 60).pixels) << "frame " << f;
        seen.push_back(got.pixels);
    }
    for (size_t f = 1; f + 1 < seen.size(); ++f)
        EXPECT_NE(seen[f], seen[f - 1]) << f; // the frames do differ
    EXPECT_EQ(seen.back(), seen.front());
}

TEST(Render, ManySizesOfOneShapeInOneFrame)
{
    // More sizes of a shape than the player keeps lines for, twice over.
    SwfWriter swf = Stage(120, 40, kGrey);
    swf.DefineShape(1, StrokedBlob(kBlue, kRed, 60));
    for (int i = 0; i < 7; ++i) {
        double k = 0.5 + 0.15 * i;
        swf.Place(uint16_t(i + 1), 1, Matrix{k, 0, 0, k, (10 + 16.0 * i) * 20, 400});
    }
    swf.ShowFrame();
    const std::string movie = swf.Finish(false);
    SwfPlayer p, q;
    ASSERT_TRUE(p.Load(movie));
    ASSERT_TRUE(q.Load(movie));
    auto first = Draw(p, 120, 40);
    EXPECT_EQ(Draw(p, 120, 40).pixels, first.pixels);
    EXPECT_EQ(Draw(p, 120, 40).pixels, first.pixels);
    // Drawn at another size in between, then back.
    Draw(p, 240, 80);
    EXPECT_EQ(Draw(p, 120, 40).pixels, first.pixels);
    EXPECT_EQ(Draw(q, 120, 40).pixels, first.pixels);
    EXPECT_EQ(first.Rgb(10, 20), 0x0000FFu);
}

TEST(Render, ANewMovieDoesNotDrawTheLinesOfTheLastOne)
{
    // Same character ids and places, different shapes: nothing of the first
    // movie's shapes may show in the second.
    auto movie = [](bool second) {
        SwfWriter swf = Stage(60, 60, kGrey);
        ShapeBuilder s;
        if (second)
            s.Circle(0, 0, 300, s.AddSolidFill(kBlue), s.AddLineStyle(40, kRed));
        else
            s.Rect(-400, -400, 800, 800, s.AddSolidFill(kGreen), s.AddLineStyle(100, kRed));
        swf.DefineShape(1, s);
        swf.Place(1, 1, At(30, 30));
        swf.ShowFrame();
        return swf.Finish(false);
    };
    SwfPlayer p;
    ASSERT_TRUE(p.Load(movie(false)));
    auto a = Draw(p, 60, 60);
    EXPECT_EQ(a.Rgb(30, 30), 0x00FF00u);
    ASSERT_TRUE(p.Load(movie(true)));
    auto b = Draw(p, 60, 60);
    SwfPlayer fresh;
    ASSERT_TRUE(fresh.Load(movie(true)));
    EXPECT_EQ(b.pixels, Draw(fresh, 60, 60).pixels);
    EXPECT_EQ(b.Rgb(30, 30), 0x0000FFu);
    EXPECT_EQ(b.Rgb(12, 12), 0x404040u); // where the first movie's square was
}

TEST(Render, NothingLoadedIsBlackAndOddTargetsAreIgnored)
{
    SwfPlayer p;
    EXPECT_FALSE(p.Load(std::string("this is no movie")));
    auto fb = Draw(p, 8, 8);
    for (uint32_t px : fb.pixels)
        ASSERT_EQ(px, 0xFF000000u);
    ASSERT_TRUE(p.Load(RectMovie(10, 10, {{0, 0, 10, 10, kRed}})));
    std::vector<uint32_t> buf(16, 0x01020304);
    p.Render(buf.data(), 4, 4, 2, ScaleMode::ShowAll); // stride smaller than width
    p.Render(nullptr, 4, 4, 4, ScaleMode::ShowAll);
    p.Render(buf.data(), 0, 4, 4, ScaleMode::ShowAll);
    for (uint32_t px : buf)
        EXPECT_EQ(px, 0x01020304u);
    // A stride wider than the picture leaves the gap alone.
    p.Render(buf.data(), 3, 4, 4, ScaleMode::ShowAll);
    EXPECT_EQ(buf[0], 0xFF404040u); // 3 x 3 picture centred in 3 x 4: one row of background on top
    EXPECT_EQ(buf[4], 0xFFFF0000u);
    EXPECT_EQ(buf[3], 0x01020304u);
    EXPECT_EQ(buf[7], 0x01020304u);
}

} // namespace
