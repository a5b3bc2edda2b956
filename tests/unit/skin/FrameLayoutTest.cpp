// The geometry of skinned frames: the nine parts, element anchoring, hit
// codes, element visibility and the key-colour runs that regions are made of.
#include "skin/layout/FrameLayout.h"
#include "skin/layout/RegionRuns.h"

#include "SkinBytes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <utility>
#include <vector>

using namespace glint;
using glint::test::Text;

namespace {

// A reference frame of 100 x 80: a 30-pixel caption row, 4-pixel sides, a
// 10-pixel bottom row, 10-pixel corners.
const FrameRects kReference = {{
    {0, 0, 10, 30}, {10, 0, 90, 30}, {90, 0, 100, 30},
    {0, 30, 4, 70}, {4, 30, 96, 70}, {96, 30, 100, 70},
    {0, 70, 10, 80}, {10, 70, 90, 80}, {90, 70, 100, 80},
}};

struct LayoutCase {
    int32_t width, height;
    FrameRects expected;
};

TEST(FrameLayout, PartsFollowTheWindowSize)
{
    const LayoutCase cases[] = {
        // the reference size gives the reference rectangles back
        {100, 80, kReference},
        {300, 200, {{{0, 0, 10, 30}, {10, 0, 290, 30}, {290, 0, 300, 30},
                     {0, 30, 4, 190}, {4, 30, 296, 190}, {296, 30, 300, 190},
                     {0, 190, 10, 200}, {10, 190, 290, 200}, {290, 190, 300, 200}}}},
        // smaller than the borders: parts are cut, never inside out
        {15, 35, {{{0, 0, 10, 30}, {10, 0, 10, 30}, {5, 0, 15, 30},
                   {0, 30, 4, 30}, {4, 30, 11, 30}, {11, 30, 15, 30},
                   {0, 25, 10, 35}, {10, 25, 10, 35}, {5, 25, 15, 35}}}},
    };
    for (const LayoutCase& c : cases) {
        const FrameRects parts = LayoutFrame(kReference, c.width, c.height);
        for (int i = 0; i < PART_COUNT; ++i)
            EXPECT_EQ(Text(parts[size_t(i)]), Text(c.expected[size_t(i)])) << c.width << "x" << c.height << " part " << i;
    }
    const SIZE size = FrameReferenceSize(kReference);
    EXPECT_EQ(Text({0, 0, size.cx, size.cy}), Text({0, 0, 100, 80}));
    EXPECT_RECT(FrameBorders(kReference), 4, 30, 4, 10);
}

TEST(FrameLayout, AnchorCodes)
{
    const RECT button = {70, 5, 86, 21};
    const struct {
        uint32_t code;
        RECT expected;
    } cases[] = {
        {0, {70, 5, 86, 21}},      {1, {70, 5, 86, 21}},      {3, {70, 5, 86, 21}},  {7, {70, 5, 86, 21}},
        {4, {270, 5, 286, 21}},    {6, {270, 5, 286, 21}},    {5, {270, 125, 286, 141}},
        {2, {70, 125, 86, 141}},   {8, {70, 125, 86, 141}},   {99, {70, 5, 86, 21}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(AnchorByCode(button, c.code, {100, 80}, 300, 200)), Text(c.expected)) << "code " << c.code;
}

TEST(FrameLayout, AnchorFlags)
{
    const RECT element = {20, 10, 40, 20};
    const struct {
        uint32_t flags[4]; // left, top, right, bottom
        RECT expected;
    } cases[] = {
        {{0, 0, 0, 0}, {20, 10, 40, 20}},
        {{1, 1, 0, 0}, {20, 10, 40, 20}},
        {{0, 0, 1, 0}, {220, 10, 240, 20}},   // right gap kept
        {{1, 0, 1, 0}, {20, 10, 240, 20}},    // both gaps kept: stretched
        {{0, 0, 0, 1}, {20, 130, 40, 140}},
        {{0, 1, 0, 1}, {20, 10, 40, 140}},
        {{1, 1, 1, 1}, {20, 10, 240, 140}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(AnchorByFlags(element, c.flags, {100, 80}, 300, 200)), Text(c.expected))
            << c.flags[0] << c.flags[1] << c.flags[2] << c.flags[3];
    // A window narrower than the element's gaps leaves it empty, not inverted.
    const uint32_t both[4] = {1, 1, 1, 1};
    EXPECT_RECT(AnchorByFlags(element, both, {100, 80}, 50, 40), 20, 10, 20, 10);
}

struct HitCase {
    int32_t x, y;
    int sizable;     // sizable, not maximised
    int fixed;       // not sizable (or maximised)
};

TEST(FrameLayout, HitCodes)
{
    const FrameRects parts = LayoutFrame(kReference, 300, 200);
    const HitCase cases[] = {
        {2, 2, HIT_TOPLEFT, HIT_CAPTION},       {4, 4, HIT_TOPLEFT, HIT_CAPTION},
        {5, 2, HIT_CAPTION, HIT_CAPTION},       {2, 5, HIT_CAPTION, HIT_CAPTION},
        {50, 0, HIT_TOP, HIT_CAPTION},          {50, 4, HIT_TOP, HIT_CAPTION},
        {50, 5, HIT_CAPTION, HIT_CAPTION},      {299, 0, HIT_TOPRIGHT, HIT_CAPTION},
        {295, 4, HIT_TOPRIGHT, HIT_CAPTION},    {294, 2, HIT_CAPTION, HIT_CAPTION},
        {298, 20, HIT_CAPTION, HIT_CAPTION},    {298, 100, HIT_RIGHT, HIT_NOWHERE},
        {1, 100, HIT_LEFT, HIT_NOWHERE},        {100, 100, HIT_CLIENT, HIT_CLIENT},
        {4, 30, HIT_CLIENT, HIT_CLIENT},        {297, 197, HIT_BOTTOMRIGHT, HIT_NOWHERE},
        {294, 197, HIT_BOTTOM, HIT_NOWHERE},    {297, 194, HIT_BOTTOM, HIT_NOWHERE},
        {2, 197, HIT_BOTTOMLEFT, HIT_NOWHERE},  {2, 194, HIT_BOTTOM, HIT_NOWHERE},
        {5, 197, HIT_BOTTOM, HIT_NOWHERE},      {150, 195, HIT_BOTTOM, HIT_NOWHERE},
        {300, 100, HIT_NOWHERE, HIT_NOWHERE},   {-1, 0, HIT_NOWHERE, HIT_NOWHERE},
        {150, 200, HIT_NOWHERE, HIT_NOWHERE},
    };
    for (const HitCase& c : cases) {
        EXPECT_EQ(FrameHitTest(parts, {c.x, c.y}, true, false), c.sizable) << c.x << "," << c.y << " sizable";
        EXPECT_EQ(FrameHitTest(parts, {c.x, c.y}, false, false), c.fixed) << c.x << "," << c.y << " fixed";
        EXPECT_EQ(FrameHitTest(parts, {c.x, c.y}, true, true), c.fixed) << c.x << "," << c.y << " maximised";
    }
}

TEST(FrameLayout, FramedAndSizableStyles)
{
    const struct {
        uint32_t style;
        bool framed, sizable;
    } cases[] = {
        {0, false, false},
        {FRAME_STYLE_THICKFRAME, false, true},
        {FRAME_STYLE_DLGFRAME, true, false},
        {FRAME_STYLE_MODALFRAME, true, false},
        {FRAME_STYLE_CAPTION | FRAME_STYLE_THICKFRAME, true, true},
        {FRAME_STYLE_MODALFRAME | FRAME_STYLE_THICKFRAME, true, true},
        {FRAME_STYLE_DLGFRAME | FRAME_STYLE_THICKFRAME, true, true},
        // a modal frame is never sizable, whatever its thick-frame bit
        {FRAME_STYLE_DLGFRAME | FRAME_STYLE_MODALFRAME | FRAME_STYLE_THICKFRAME, true, false},
        {FRAME_STYLE_CAPTION | FRAME_STYLE_MODALFRAME | FRAME_STYLE_THICKFRAME, true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFramedStyle(c.style), c.framed) << std::hex << c.style;
        EXPECT_EQ(IsSizableStyle(c.style), c.sizable) << std::hex << c.style;
    }
    EXPECT_TRUE(HasWholeCaption(0xC00000 | FRAME_STYLE_SYSMENU));
    EXPECT_FALSE(HasWholeCaption(0x800000)); // border alone
    EXPECT_FALSE(HasWholeCaption(FRAME_STYLE_DLGFRAME));
}

TEST(FrameLayout, ImageElementRoles)
{
    const int expected[] = {HIT_NOWHERE, HIT_CAPTION,    HIT_LEFT,   HIT_TOPLEFT,    HIT_TOP,     HIT_TOPRIGHT,
                            HIT_RIGHT,   HIT_BOTTOMRIGHT, HIT_BOTTOM, HIT_BOTTOMLEFT, HIT_CAPTION, HIT_NOWHERE,
                            HIT_NOWHERE};
    for (uint32_t role = 0; role < sizeof expected / sizeof expected[0]; ++role)
        EXPECT_EQ(ImageElementRoleHit(role), expected[role]) << "role " << role;
    EXPECT_EQ(ImageElementRoleHit(0xFFFFFFFF), HIT_NOWHERE);
}

TEST(FrameLayout, ElementVisibility)
{
    // normal, minimised, maximised, disabled
    const WindowShowState states[] = {{.active = true}, {.minimised = true}, {.maximised = true, .active = true},
                                      {.enabled = false}};
    // visibility → shown in each of the states
    const bool table[][4] = {
        {true, true, true, true},     // 0 always
        {false, true, false, false},  // 1 minimised
        {true, false, true, true},    // 2 not minimised
        {false, false, true, false},  // 3 maximised
        {true, true, false, true},    // 4 not maximised
        {true, false, true, false},   // 5 active
        {false, true, false, true},   // 6 not active
        {true, true, true, false},    // 7 enabled
        {false, false, false, true},  // 8 disabled
        {false, false, false, false}, // 9 never
    };
    for (uint32_t v = 0; v < 10; ++v)
        for (int s = 0; s < 4; ++s)
            EXPECT_EQ(ElementVisible(v, states[s]), table[v][s]) << "visibility " << v << " state " << s;
    EXPECT_FALSE(ElementVisible(1000, states[0]));
}

TEST(FrameLayout, ElementTextFormats)
{
    // DT_SINGLELINE 0x20 always; DT_CENTER 1, DT_RIGHT 2, DT_VCENTER 4, DT_BOTTOM 8.
    EXPECT_EQ(ElementTextFormat(0, 0), 0x20u);
    EXPECT_EQ(ElementTextFormat(1, 1), 0x25u);
    EXPECT_EQ(ElementTextFormat(2, 2), 0x2Au);
    EXPECT_EQ(ElementTextFormat(2, 0), 0x22u);
    EXPECT_EQ(ElementTextFormat(7, 9), 0x20u);
}

// Placing regions over a target is checked on real regions (the Win32 tests).
TEST(FrameLayout, RegionModesOfDrawModes)
{
    EXPECT_EQ(RegionModeForDrawMode(0), REGION_MOVE);
    EXPECT_EQ(RegionModeForDrawMode(1), REGION_TILE);
    EXPECT_EQ(RegionModeForDrawMode(2), REGION_SCALE);
    EXPECT_EQ(RegionModeForDrawMode(-1), REGION_SCALE);
}

// ---- key-colour runs ----

constexpr uint32_t K = 0xFF00FF; // the key
constexpr uint32_t A = 0x000001;

std::vector<RECT> Runs(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, size_t stride = 0)
{
    return KeyRuns({pixels.data(), width, height, stride ? stride : size_t(width)}, K);
}

TEST(RegionRuns, RowsTopFirstAndStrideIgnored)
{
    // Two rows of 3 pixels, each row padded to 4 with a non-key value that must not count.
    const std::vector<uint32_t> pixels = {A, A, A, A, K, A, K, A};
    const std::vector<RECT> runs = Runs(pixels, 3, 2, 4);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_RECT(runs[0], 0, 0, 3, 1);
    EXPECT_RECT(runs[1], 1, 1, 2, 2);
    EXPECT_TRUE(Runs({}, 0, 0).empty());
    EXPECT_TRUE(KeyRuns({nullptr, 4, 4, 4}, K).empty());
}

TEST(RegionRuns, RunsCoverExactlyTheOtherPixels)
{
    // A pattern with runs at both edges and of every length; each pixel is
    // checked against the runs, and runs must be maximal (never touching).
    const int32_t w = 37, h = 23;
    std::vector<uint32_t> pixels(size_t(w * h));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixels[size_t(y * w + x)] = ((x * 7 + y * 3) % 11 < 4 || x == y) ? K : uint32_t(x + y);
    const std::vector<RECT> runs = Runs(pixels, w, h);
    std::set<std::pair<int32_t, int32_t>> covered;
    for (const RECT& r : runs) {
        ASSERT_EQ(r.bottom - r.top, 1);
        ASSERT_LT(r.left, r.right);
        for (int32_t x = r.left; x < r.right; ++x)
            ASSERT_TRUE(covered.insert({x, r.top}).second) << "pixel covered twice";
        if (r.left > 0) {
            EXPECT_EQ(pixels[size_t(r.top * w + r.left - 1)], K);
        }
        if (r.right < w) {
            EXPECT_EQ(pixels[size_t(r.top * w + r.right)], K);
        }
    }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            EXPECT_EQ(covered.count({x, y}) == 1, pixels[size_t(y * w + x)] != K) << x << "," << y;
    for (size_t i = 1; i < runs.size(); ++i)
        EXPECT_LE(runs[i - 1].top, runs[i].top) << "rows top first";
}

} // namespace
