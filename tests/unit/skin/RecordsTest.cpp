// The drawing arithmetic of slices and grids, and key-colour runs.
#include "skin/file/SkinRecords.h"

#include "SkinBytes.h"
#include "image/DibImage.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace glint;
using glint::test::Grid;
using glint::test::Slice;
using glint::test::Text;

namespace {

TEST(SkinSlice, EmptinessAndTheSectionEachModeDraws)
{
    EXPECT_TRUE(Slice("", {0, 0, 10, 10}, 0).IsEmpty());
    EXPECT_TRUE(Slice("a.bmp", {5, 0, 5, 10}, 0).IsEmpty());
    EXPECT_TRUE(Slice("a.bmp", {0, 8, 10, 2}, 0).IsEmpty());
    EXPECT_FALSE(Slice("a.bmp", {0, 0, 1, 1}, 0).IsEmpty());
    const struct {
        RECT source;
        int mode;
        RECT destination, wantSource, wantDestination;
    } cases[] = {
        // placed: clipped to the destination (the top-left 20 x 10 of 40 x 40), or kept at its size
        {{10, 20, 50, 60}, 0, {100, 200, 120, 210}, {10, 20, 30, 30}, {100, 200, 120, 210}},
        {{0, 0, 8, 6}, 0, {10, 10, 50, 50}, {0, 0, 8, 6}, {10, 10, 18, 16}},
        // tiled and stretched (any other mode): the whole source
        {{10, 20, 50, 60}, 1, {0, 0, 5, 5}, {10, 20, 50, 60}, {0, 0, 5, 5}},
        {{10, 20, 50, 60}, 2, {0, 0, 5, 5}, {10, 20, 50, 60}, {0, 0, 5, 5}},
        {{10, 20, 50, 60}, -1, {0, 0, 5, 5}, {10, 20, 50, 60}, {0, 0, 5, 5}},
    };
    for (const auto& c : cases) {
        const SliceSection s = SectionFor(Slice("a.bmp", c.source, c.mode), c.destination);
        EXPECT_EQ(Text(s.source), Text(c.wantSource)) << "mode " << c.mode;
        EXPECT_EQ(Text(s.destination), Text(c.wantDestination)) << "mode " << c.mode;
    }
}

TEST(SkinGrid, MarginsSplitSourceAndDestination)
{
    const auto parts = SplitGrid(Grid("g.bmp", {0, 0, 30, 30}, {5, 6, 7, 8}, 0), {100, 100, 200, 150});
    EXPECT_RECT(parts[0].slice.source, 0, 0, 5, 6);
    EXPECT_RECT(parts[0].destination, 100, 100, 105, 106);
    EXPECT_RECT(parts[4].slice.source, 5, 6, 23, 22);
    EXPECT_RECT(parts[4].destination, 105, 106, 193, 142);
    EXPECT_RECT(parts[8].slice.source, 23, 22, 30, 30);
    EXPECT_RECT(parts[8].destination, 193, 142, 200, 150);
    EXPECT_STREQ(parts[8].slice.image, "g.bmp");
    for (const GridPart& p : parts)
        EXPECT_EQ(p.slice.mode, SKIN_DRAW_TILE); // grid mode 0 tiles every part
}

TEST(SkinGrid, ZeroMarginsInStretchModeLeaveOnlyTheCentre)
{
    const auto parts = SplitGrid(Grid("g.bmp", {4, 4, 44, 24}, {0, 0, 0, 0}, 1), {0, 0, 100, 80});
    for (int i = 0; i < 9; ++i) {
        if (i == 4)
            continue;
        EXPECT_TRUE(parts[size_t(i)].slice.IsEmpty()) << i;
    }
    EXPECT_RECT(parts[4].slice.source, 4, 4, 44, 24);
    EXPECT_RECT(parts[4].destination, 0, 0, 100, 80);
    EXPECT_EQ(parts[4].slice.mode, SKIN_DRAW_STRETCH);
}

TEST(SkinGrid, GridModeSwitchesSinglePartsToStretch)
{
    struct Case {
        int mode;
        std::vector<int> stretched;
    };
    const Case cases[] = {{0, {}},          {1, {0, 1, 2, 3, 4, 5, 6, 7, 8}}, {2, {7}}, {3, {4}}, {4, {3}},
                          {5, {1, 3, 5, 7}}, {6, {5}}, {7, {1}}, {8, {1, 3, 4, 5, 7}}, {9, {}}};
    for (const Case& c : cases) {
        const auto parts = SplitGrid(Grid("g.bmp", {0, 0, 9, 9}, {3, 3, 3, 3}, c.mode), {0, 0, 30, 30});
        for (int i = 0; i < 9; ++i) {
            const bool stretched = std::find(c.stretched.begin(), c.stretched.end(), i) != c.stretched.end();
            EXPECT_EQ(parts[size_t(i)].slice.mode, stretched ? SKIN_DRAW_STRETCH : SKIN_DRAW_TILE)
                << "grid mode " << c.mode << " part " << i;
        }
    }
}

TEST(SkinGrid, RepeatedCentreCutsTheLastCellAtTheRightEdge)
{
    // Centre source 10 wide (margins 2). Centre cell 2 ... 35, 33 wide: cells
    // of 10, 10, 10, 3; 2 ... 32: three whole cells; none for a centre of
    // width 0, nor for a destination narrower than its margins.
    const struct {
        RECT source;
        int32_t margin, width;
        size_t cells;
        RECT lastDestination, lastSource;
    } cases[] = {
        {{0, 0, 14, 8}, 2, 37, 4, {32, 2, 35, 18}, {2, 2, 5, 6}}, // cut to the cell, not squeezed into it
        {{0, 0, 14, 8}, 2, 34, 3, {22, 2, 32, 18}, {2, 2, 12, 6}},
        {{0, 0, 4, 8}, 2, 40, 0, {}, {}},
        {{0, 0, 20, 20}, 8, 10, 0, {}, {}},
    };
    for (const auto& c : cases) {
        const int32_t m = c.margin;
        const auto parts = SplitGrid(Grid("p.bmp", c.source, {m, m, m, m}, 8), {0, 0, c.width, 20});
        const std::vector<GridPart> cells = RepeatedCentre(parts[4]);
        ASSERT_EQ(cells.size(), c.cells) << c.width;
        if (cells.empty())
            continue;
        EXPECT_RECT(cells[0].destination, 2, 2, 12, 18);
        EXPECT_EQ(Text(cells.back().destination), Text(c.lastDestination));
        EXPECT_EQ(Text(cells.back().slice.source), Text(c.lastSource));
        for (const GridPart& cell : cells)
            EXPECT_EQ(cell.slice.mode, SKIN_DRAW_STRETCH);
    }
}

// How runs are found is checked in FrameLayoutTest (RegionRuns); here, that
// a decoded picture reaches that scanner with its rows from the top and its
// colours compared on red, green and blue only.
TEST(SkinRegion, PictureRowsFromTheTopAndTheKeysTopByteIgnored)
{
    const char* const rows[] = {"kk..k.", "kkkkkk", "k....."}; // 'k' is the key colour, '.' white
    CDibImage image;
    image.Create(6, 3, 24, FORMAT_BMP);
    for (int top = 0; top < 3; ++top)
        for (int x = 0; x < 6; ++x)
            image.SetPixelColor(x, 2 - top, rows[top][x] == 'k' ? RGB(255, 0, 255) : RGB(255, 255, 255));
    const std::vector<RECT> runs = KeyColourRuns(image, 0x01FF00FF);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_RECT(runs[0], 2, 0, 4, 1);
    EXPECT_RECT(runs[1], 5, 0, 6, 1);
    EXPECT_RECT(runs[2], 1, 2, 6, 3);
    EXPECT_TRUE(KeyColourRuns(CDibImage(), RGB(255, 0, 255)).empty());
}

} // namespace
