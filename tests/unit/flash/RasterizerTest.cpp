#include "flash/PixelRuns.h"
#include "flash/Rasterizer.h"
#include "flash/SwfShape.h"
#include "flash/bitmap/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace glint::flash;

namespace {

struct Target {
    int w, h;
    std::vector<uint32_t> px;
    Target(int w_, int h_) : w(w_), h(h_), px(size_t(w_) * h_, 0xFF000000) {}
    int Red(int x, int y) const { return int(px[size_t(y) * w + x] >> 16) & 0xFF; }
    long SumRed() const
    {
        long s = 0;
        for (uint32_t p : px)
            s += (p >> 16) & 0xFF;
        return s;
    }
};

Paint Red()
{
    Paint p;
    p.color = 0xFFFF0000;
    return p;
}

using Outline = std::vector<std::pair<double, double>>;

void Polygon(Rasterizer& r, const Outline& v)
{
    for (size_t i = 0; i < v.size(); ++i) {
        auto a = v[i], b = v[(i + 1) % v.size()];
        r.AddLine(a.first, a.second, b.first, b.second);
    }
}

// The outlines filled in red into a black target of w x h pixels. Filled
// without SSE2 code as well (what a processor without it runs: in the 32-bit
// build the other floating-point math), which may round a pixel one step apart.
Target Filled(int w, int h, std::initializer_list<Outline> outlines)
{
    Target both[2] = {Target(w, h), Target(w, h)};
    const bool saved = useSse2;
    for (int plain = 0; plain < 2; ++plain) {
        useSse2 = saved && !plain;
        Rasterizer r;
        r.Reset(w, h);
        for (const Outline& o : outlines)
            Polygon(r, o);
        r.Fill(both[plain].px.data(), w, Red());
        EXPECT_TRUE(r.Empty()) << "the fill used up the outlines";
    }
    useSse2 = saved;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_LE(std::abs(both[0].Red(x, y) - both[1].Red(x, y)), 1) << "without SSE2 at " << x << "," << y;
    return both[0];
}

TEST(Rasterizer, DiagonalEdgesSumToTheArea)
{
    const Target t = Filled(40, 40, {{{3.3, 2.7}, {35.1, 9.9}, {12.6, 37.2}}}); // any triangle
    double area = 0.5 * std::abs((35.1 - 3.3) * (37.2 - 2.7) - (12.6 - 3.3) * (9.9 - 2.7));
    EXPECT_NEAR(t.SumRed() / 255.0, area, area * 0.005);
    // Along the edge from (3.3,2.7) to (35.1,9.9) pixels are partly covered.
    int partial = 0;
    for (int x = 5; x < 33; ++x) {
        int y = int(2.7 + (x + 0.5 - 3.3) * (7.2 / 31.8));
        int v = t.Red(x, y);
        partial += v > 0 && v < 255;
    }
    EXPECT_GT(partial, 14);
}

// A row's touched cells are summed a stretch at a time, and a row's bits come
// in words of 256 cells: a slanted edge across four words (each stretch
// carrying the winding of the last) and runs of constant coverage between
// edges far apart. Each pixel against its area under the edge, worked out here.
TEST(Rasterizer, LongEdgesAcrossManyCellsGiveEachPixelItsArea)
{
    const double left = 100.5, right = 900.3, yLeft = 0.2, yRight = 2.6;
    const Target t = Filled(1000, 4, {{{left, yLeft}, {right, yRight}, {right, 4}, {left, 4}}});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 1000; ++x) {
            double area = 0; // of the pixel, in 1000 columns
            for (int k = 0; k < 1000; ++k) {
                const double at = x + (k + 0.5) / 1000;
                if (at > left && at < right)
                    area += std::clamp(y + 1 - (yLeft + (at - left) * (yRight - yLeft) / (right - left)), 0.0, 1.0);
            }
            ASSERT_NEAR(t.Red(x, y), area / 1000 * 255, 1.5) << "at " << x << "," << y;
        }
    }
}

TEST(Rasterizer, DirectionAndOverlapOfOutlines)
{
    const Target t = Filled(20, 10, {{{1, 1}, {9, 1}, {9, 9}, {1, 9}},     // clockwise
                                     {{11, 1}, {11, 9}, {19, 9}, {19, 1}}, // counter-clockwise: same coverage
                                     {{3, 3}, {7, 3}, {7, 7}, {3, 7}}});   // same direction inside the first: full
    EXPECT_EQ(t.Red(5, 5), 255);
    EXPECT_EQ(t.Red(2, 2), 255);
    EXPECT_EQ(t.Red(15, 5), 255);
    EXPECT_EQ(t.Red(10, 5), 0);
}

TEST(Rasterizer, ShapesBeyondTheEdgesAreClipped)
{
    // Covers the whole target and far beyond, on every side, with slanted edges.
    EXPECT_EQ(Filled(10, 10, {{{-50, -30}, {70, -45}, {60, 80}, {-40, 60}}}).SumRed(), 255L * 100);
    // Entirely to the left, above, right, below: nothing.
    EXPECT_EQ(Filled(10, 10, {{{-20, 2}, {-5, 2}, {-5, 8}, {-20, 8}}, {{2, -20}, {8, -20}, {8, -1}, {2, -1}},
                              {{12, 2}, {30, 2}, {30, 8}, {12, 8}}, {{2, 11}, {8, 11}, {8, 30}, {2, 30}}})
                  .SumRed(),
              0);
    // A triangle crossing the left edge: the part inside has the right area (legs of 4).
    EXPECT_NEAR(Filled(10, 10, {{{-4, 0}, {4, 0}, {-4, 8}}}).SumRed() / 255.0, 8.0, 0.1);
    // Non-finite coordinates are ignored.
    Rasterizer r;
    r.Reset(10, 10);
    r.AddLine(0, 0, std::numeric_limits<double>::infinity(), 5);
    r.AddLine(std::nan(""), 0, 3, 5);
    EXPECT_TRUE(r.Empty());
}

TEST(Rasterizer, LinesBeyondTheLimitOfOneFillAreDropped)
{
    // The limit's worth of lines (a small diamond drawn over and over), then a
    // square: it comes too late to be kept.
    Rasterizer r;
    r.Reset(10, 10);
    for (size_t i = 0; i < Rasterizer::kMaxLines / 4; ++i)
        Polygon(r, {{1.5, 0.5}, {2.5, 1.5}, {1.5, 2.5}, {0.5, 1.5}});
    Polygon(r, {{4, 4}, {8, 4}, {8, 8}, {4, 8}});
    Target t(10, 10);
    r.Fill(t.px.data(), t.w, Red());
    EXPECT_EQ(t.Red(1, 1), 255) << "the diamond is drawn";
    EXPECT_EQ(t.Red(6, 6), 0) << "the square came after the limit";
    // The next fill starts afresh.
    Polygon(r, {{4, 4}, {8, 4}, {8, 8}, {4, 8}});
    r.Fill(t.px.data(), t.w, Red());
    EXPECT_EQ(t.Red(6, 6), 255);
}

TEST(Rasterizer, QuadraticCurvesAreFlattenedClosely)
{
    Target t(100, 100);
    Rasterizer r;
    r.Reset(t.w, t.h);
    // Parabola arch over a base line: area = 2/3 * base * height of the control polygon's half.
    r.AddQuad(10, 90, 50, 10, 90, 90);
    r.AddLine(90, 90, 10, 90);
    r.Fill(t.px.data(), t.w, Red());
    double area = 2.0 / 3.0 * 80 * 40;
    EXPECT_NEAR(t.SumRed() / 255.0, area, area * 0.01);
}

TEST(Rasterizer, TranslucentRunsBlendLikeSinglePixels)
{
    // Long runs of one coverage are blended several pixels at a time: every
    // pixel of a run must still get src + dst * (255 - alpha) / 255.
    Target t(53, 6);
    for (size_t i = 0; i < t.px.size(); ++i)
        t.px[i] = 0xFF000000u | uint32_t(i * 2654435761u & 0xFFFFFF);
    const std::vector<uint32_t> before = t.px;
    Rasterizer r;
    r.Reset(t.w, t.h);
    for (int y = 0; y < 6; ++y) // runs of 1 to 51 pixels, starting at odd places
        Polygon(r, {{2.0 + y, double(y)}, {3.0 + y + y * y * 8 / 5, double(y)}, {3.0 + y + y * y * 8 / 5, y + 1.0},
                    {2.0 + y, y + 1.0}});
    Paint p;
    const Rgba src{40, 200, 90, 150};
    p.color = Premultiply(src);
    r.Fill(t.px.data(), t.w, p);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < t.w; ++x) {
            uint32_t was = before[size_t(y) * t.w + x], got = t.px[size_t(y) * t.w + x];
            bool inside = x >= 2 + y && x < 3 + y + y * y * 8 / 5;
            ASSERT_EQ(got >> 24, 0xFFu) << x << "," << y;
            for (int s = 0; s < 24; s += 8) {
                int d = int((was >> s) & 0xFF);
                int c = s == 16 ? src.r : s == 8 ? src.g : src.b;
                // Both products rounded to the nearest (255 is odd: never a tie).
                long want = inside ? std::lround(c * src.a / 255.0) + std::lround(d * (255 - src.a) / 255.0) : d;
                ASSERT_EQ(long((got >> s) & 0xFF), want) << x << "," << y << " channel " << s;
            }
        }
}

TEST(Rasterizer, NothingIsLeftForTheNextFill)
{
    // Cells are cleared as they are read: a second outline filled into a clean
    // target shows only itself, also after a change of size.
    Rasterizer r;
    Target a(70, 30);
    r.Reset(a.w, a.h);
    Polygon(r, {{1.3, 1.7}, {66.6, 4.2}, {40.1, 28.9}});
    r.Fill(a.px.data(), a.w, Red());
    Target b(70, 30);
    Polygon(r, {{50, 20}, {60, 20}, {60, 25}, {50, 25}});
    r.Fill(b.px.data(), b.w, Red());
    EXPECT_EQ(b.SumRed(), 255L * 50);
    // Outlines added but never filled are dropped by Reset.
    Polygon(r, {{0, 0}, {70, 0}, {70, 30}, {0, 30}});
    Target c(33, 17);
    r.Reset(c.w, c.h);
    Polygon(r, {{3, 3}, {5, 3}, {5, 4}, {3, 4}});
    r.Fill(c.px.data(), c.w, Red());
    EXPECT_EQ(c.SumRed(), 255L * 2);
    // A coverage mask made of two outlines adds them up, in runs and at edges alike.
    std::vector<uint8_t> mask(size_t(c.w) * c.h, 0);
    Polygon(r, {{0, 0}, {20.5, 0}, {20.5, 10}, {0, 10}});
    Polygon(r, {{10, 0}, {30, 0}, {30, 10}, {10, 10}});
    r.FillMask(mask.data());
    EXPECT_EQ(mask[size_t(5) * c.w + 15], 255);
    EXPECT_EQ(mask[size_t(5) * c.w + 5], 255);
    EXPECT_EQ(mask[size_t(5) * c.w + 25], 255);
    EXPECT_EQ(mask[size_t(5) * c.w + 31], 0);
    EXPECT_EQ(mask[size_t(12) * c.w + 15], 0);
}

TEST(Bitmap, RunsReadTheSamePixelsAsSinglePoints)
{
    // Runs inside the picture take the unchecked path, the others the checked
    // one; both must give what the point sampler gives along the row. The
    // steps are exact in binary, so fixed point and doubles agree.
    constexpr int kW = 16, kH = 12;
    std::vector<uint32_t> pixels(size_t(kW) * kH);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u & 0xFFFFFF);
    const struct {
        double u, v, du, dv; // at pixel 0 of the row, and per pixel
    } rows[] = {
        {0.5, 3.25, 0.25, 0},        // along one picture row
        {5.25, 2.5, 0.25, 0},        // ends within the last column
        {1.75, 0.5, 0.25, 0.1875},   // slanted, inside
        {14.5, 10.75, -0.25, -0.125}, // backwards
        {-2.5, 5.5, 0.5, 0},         // starts left of the picture
        {3.5, 10.5, 0.125, 0.0625},  // runs off the bottom
    };
    const int x0 = 3, n = 40;
    for (bool smooth : {false, true})
        for (bool repeat : {false, true})
            for (const auto& row : rows) {
                const BitmapSource src{
                    .pixels = pixels.data(), .width = kW, .height = kH, .repeat = repeat, .smooth = smooth};
                BitmapRowSampler sampler(src);
                sampler.Start(row.u, row.v, row.du, row.dv);
                uint32_t got[n];
                sampler.Fetch(x0, n, got);
                for (int i = 0; i < n; ++i) {
                    const int x = x0 + i;
                    ASSERT_EQ(got[i], SampleBitmap(src, row.u + row.du * x, row.v + row.dv * x))
                        << "u " << row.u << " v " << row.v << " smooth " << smooth << " repeat " << repeat << " pixel " << x;
                }
            }
}

TEST(Rasterizer, CoveredPixelsAreLeftAloneAndTheRestDrawnAsBefore)
{
    // Areas overlapping in a row, one with an empty run, one reaching past
    // the shape; a slanted edge so that single pixels and spans both meet them.
    const PixelRun runs[] = {{4, 9}, {7, 12}, {0, 0}, {15, 40}};
    const CoveredArea areas[] = {{3, 5, 4, 12, runs}, {4, 6, 7, 12, runs + 1}, {6, 8, 15, 40, runs + 2}};
    constexpr uint32_t kMark = 0xFF123456;
    std::vector<uint32_t> picture(16 * 16);
    for (uint32_t& p : picture)
        p = 0xFF000000u | uint32_t(&p - picture.data()) * 0x010203u;
    Paint bitmap;
    bitmap.kind = Paint::Kind::Bitmap;
    bitmap.bitmap = {.pixels = picture.data(), .width = 16, .height = 16, .opaque = true};
    for (const Paint& paint : {Red(), bitmap}) {
        Target plain(24, 10), covered(24, 10);
        auto hidden = [&](int x, int y) {
            bool in = false;
            for (const CoveredArea& a : areas)
                in = in || (y >= a.y0 && y < a.y1 && x >= a.runs[y - a.y0].x0 && x < a.runs[y - a.y0].x1);
            return in;
        };
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 24; ++x)
                if (hidden(x, y))
                    covered.px[size_t(y) * 24 + x] = kMark;
        Rasterizer r;
        for (Target* t : {&plain, &covered}) {
            r.Reset(t->w, t->h);
            r.SetCovered(t == &covered ? areas : nullptr, t == &covered ? 3 : 0);
            Polygon(r, {{1.5, 0.5}, {20.25, 2}, {18.5, 9.5}, {2, 9}});
            r.Fill(t->px.data(), t->w, paint);
        }
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 24; ++x)
                ASSERT_EQ(covered.px[size_t(y) * 24 + x], hidden(x, y) ? kMark : plain.px[size_t(y) * 24 + x])
                    << x << "," << y;
    }
}

TEST(Bitmap, OpaqueRunsAreTheLongestFullyOpaqueStretchOfEachRow)
{
    Bitmap bm;
    bm.width = 6;
    bm.height = 3;
    const uint32_t o = 0xFF102030, t = 0x80081018;
    bm.pixels = {o, o, t, o, o, o, /**/ t, t, 0, 0, t, t, /**/ o, o, o, o, o, o};
    FindOpaqueRuns(bm);
    ASSERT_EQ(bm.opaqueRows.size(), 3u);
    EXPECT_EQ(bm.opaqueRows[0], std::make_pair(3, 6));
    EXPECT_EQ(bm.opaqueRows[1].first, bm.opaqueRows[1].second);
    EXPECT_EQ(bm.opaqueRows[2], std::make_pair(0, 6));
    EXPECT_FALSE(bm.opaque);
    bm.pixels.assign(18, o);
    FindOpaqueRuns(bm);
    EXPECT_TRUE(bm.opaque);
}

TEST(Gradient, RampInterpolatesBetweenStops)
{
    GradientStop stops[3] = {{0, {0, 0, 0, 255}}, {128, {255, 0, 0, 255}}, {200, {255, 255, 255, 255}}};
    uint32_t ramp[256];
    BuildRamp(stops, 3, ramp);
    EXPECT_EQ(ramp[0], 0xFF000000u);
    EXPECT_EQ(ramp[128], 0xFFFF0000u);
    EXPECT_NEAR(int((ramp[64] >> 16) & 0xFF), 128, 2);
    EXPECT_EQ(ramp[200], 0xFFFFFFFFu);
    EXPECT_EQ(ramp[255], 0xFFFFFFFFu); // padded past the last stop
    // A first stop after 0 pads before it.
    GradientStop late[2] = {{100, {0, 255, 0, 255}}, {200, {0, 0, 255, 255}}};
    BuildRamp(late, 2, ramp);
    EXPECT_EQ(ramp[0], 0xFF00FF00u);
    EXPECT_EQ(ramp[100], 0xFF00FF00u);
    EXPECT_EQ(ramp[255], 0xFF0000FFu);
}

} // namespace
