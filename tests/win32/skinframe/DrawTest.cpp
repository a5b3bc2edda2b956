// Drawing the records on real device contexts, and the GDI objects that
// prepared definitions hold.
#include <windows.h>

#include "FrameTestSupport.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/file/gdi/SkinDraw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace glint;
using namespace glint::test;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255), kGrey = RGB(128, 128, 128);

// A 40 x 40 picture: quadrants red (top-left), green (top-right), blue
// (bottom-left), grey (bottom-right).
std::unique_ptr<CSkinImage> Quadrants()
{
    return SkinPicture("q.bmp", 40, 40,
                       [](int x, int y) { return y < 20 ? (x < 20 ? kRed : kGreen) : (x < 20 ? kBlue : kGrey); });
}

SkinGridRef Grid(RECT source, RECT margins, int mode)
{
    SkinGridRef g{};
    std::strcpy(g.image, "q.bmp");
    g.source = source;
    g.margins = margins;
    g.mode = mode;
    return g;
}

SkinImageRef Slice(RECT source, int mode)
{
    SkinImageRef s{};
    std::strcpy(s.image, "q.bmp");
    s.source = source;
    s.mode = mode;
    return s;
}

class SkinDraw : public ::testing::Test {
protected:
    void SetUp() override { store_.AddImage(Quadrants()); }
    CSkinStore store_;
};

TEST_F(SkinDraw, SlicesAndGridsByMode)
{
    struct Probe {
        int x, y;
        COLORREF colour;
    };
    const struct {
        const char* name;
        bool grid;
        RECT source, margins;
        int mode;
        RECT destination;
        std::vector<Probe> probes;
        COLORREF counted;
        int count; // pixels of that colour on the 64 x 64 canvas
    } cases[] = {
        {"place: only the top-left of a larger section", false, {0, 0, 40, 40}, {}, SKIN_DRAW_PLACE, {10, 10, 30, 20},
         {{10, 10, kRed}, {30, 10, kWhite}, {10, 20, kWhite}}, kRed, 20 * 10},
        // The section: 10 x 10 red at its left, 10 x 10 green at its right.
        {"tile: from the top-left, the last row and column cut", false, {10, 0, 30, 10}, {}, SKIN_DRAW_TILE,
         {0, 0, 50, 15}, {{0, 0, kRed}, {10, 0, kGreen}, {20, 14, kRed}, {45, 5, kRed}, {50, 5, kWhite}, {5, 15, kWhite}},
         kWhite, 64 * 64 - 50 * 15},
        {"stretch: the whole section scaled", false, {0, 0, 40, 40}, {}, SKIN_DRAW_STRETCH, {0, 0, 20, 20},
         {{2, 2, kRed}, {17, 2, kGreen}, {2, 17, kBlue}, {17, 17, kGrey}, {21, 21, kWhite}}, kWhite, 64 * 64 - 20 * 20},
        {"grid without margins: the whole source stretched", true, {0, 0, 40, 40}, {}, 1, {0, 0, 60, 60},
         {{1, 1, kRed}, {58, 1, kGreen}, {1, 58, kBlue}, {58, 58, kGrey}}, kWhite, 64 * 64 - 60 * 60},
        // Red, green, blue and grey quarters of 10 x 10.
        {"grid: the corners keep their size", true, {10, 10, 30, 30}, {10, 10, 10, 10}, 5, {0, 0, 50, 40},
         {{0, 0, kRed}, {9, 9, kRed}, {49, 0, kGreen}, {0, 39, kBlue}, {49, 39, kGrey}, {50, 39, kWhite}}, kRed, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas canvas(64, 64, kWhite);
        if (c.grid)
            DrawGridRef(canvas.Dc(), store_, Grid(c.source, c.margins, c.mode), c.destination);
        else
            DrawImageRef(canvas.Dc(), store_, Slice(c.source, c.mode), c.destination);
        for (const Probe& p : c.probes)
            EXPECT_EQ(canvas.At(p.x, p.y), p.colour) << p.x << "," << p.y;
        EXPECT_EQ(canvas.Count(c.counted), c.count);
    }
}

TEST_F(SkinDraw, MissingImageFillsWithTheFallbackOnlyWhenAsked)
{
    Canvas canvas(32, 32, kWhite);
    SkinImageRef missing = Slice({0, 0, 10, 10}, SKIN_DRAW_PLACE);
    std::strcpy(missing.image, "none.bmp");
    DrawImageRef(canvas.Dc(), store_, missing, {0, 0, 8, 8});
    EXPECT_EQ(canvas.Count(kWhite), 32 * 32);
    const COLORREF fallback = kBlue;
    DrawImageRef(canvas.Dc(), store_, missing, {0, 0, 8, 8}, &fallback);
    EXPECT_EQ(canvas.Count(kBlue), 64);
    canvas.Fill(kWhite);
    DrawImageRef(canvas.Dc(), store_, Slice({5, 5, 5, 9}, SKIN_DRAW_PLACE), {0, 0, 8, 8}, &fallback);
    EXPECT_EQ(canvas.Count(kBlue), 64) << "an empty source rectangle is an empty slice";
}

TEST(SkinDrawText, EffectFlagsDecideTheOffsetCopy)
{
    Canvas plain(80, 30, kWhite), shadowed(80, 30, kWhite);
    SkinTextEffect e = DefaultTextEffect();
    e.SetTextColour(kBlue);
    e.SetEffectColour(kRed);
    e.offsetX = 2;
    e.offsetY = 2;
    e.flags = 0x8004;
    const RECT box = {0, 0, 80, 30};
    HFONT font = CreateFontA(-20, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma");
    SelectObject(plain.Dc(), font);
    SelectObject(shadowed.Dc(), font);
    DrawTextEffect(plain.Dc(), e, "Hi", 2, box, DT_LEFT | DT_TOP | DT_SINGLELINE);
    EXPECT_GT(plain.Count(kBlue), 20);
    EXPECT_EQ(plain.Count(kRed), 0) << "flags 0x8004: the text is drawn once";
    e.flags = 0x8005;
    DrawTextEffect(shadowed.Dc(), e, "Hi", 2, box, DT_LEFT | DT_TOP | DT_SINGLELINE);
    EXPECT_GT(shadowed.Count(kRed), 5);
    EXPECT_EQ(shadowed.Count(kBlue), plain.Count(kBlue)) << "the text itself lies on top of its copy";
    EXPECT_EQ(GetBkMode(shadowed.Dc()), OPAQUE) << "the device context is given back as it was";
    SelectObject(plain.Dc(), GetStockObject(SYSTEM_FONT));
    SelectObject(shadowed.Dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(SkinPrepare, DefinitionsMakeFontsAndFramesMakeKeyColourRegionsOnlyWithTheKey)
{
    for (bool useKey : {true, false}) {
        CSkinStore store;
        AddKeyInfo(store, useKey);
        // The top-left 3 x 3 is key colour.
        store.AddImage(SkinPicture("f.bmp", 10, 10, [](int x, int y) { return x < 3 && y < 3 ? kKey : RGB(0, 0, 0); }));
        auto frame = std::make_unique<CFrameDefinition>();
        frame->SetName("Dialog");
        std::strcpy(frame->slices[FRAME_TOP_LEFT].image, "f.bmp");
        frame->slices[FRAME_TOP_LEFT].source = {0, 0, 10, 10};
        CFrameDefinition* raw = frame.get();
        store.AddDefinition(std::move(frame));
        auto edit = std::make_unique<CEditDefinition>(SKIN_EDIT);
        edit->SetName("Edit");
        CEditDefinition* rawEdit = edit.get();
        store.AddDefinition(std::move(edit));

        store.Prepare();
        ASSERT_NE(rawEdit->fontHandle, nullptr);
        EXPECT_NE(raw->cache[FRAME_TOP_LEFT].section, nullptr);
        const HRGN region = raw->cache[FRAME_TOP_LEFT].region;
        // Without the transparent colour frames have no regions; with it the
        // key-coloured corner is left out.
        ASSERT_EQ(region != nullptr, useKey);
        for (POINT p : {POINT{0, 0}, POINT{2, 2}, POINT{3, 0}, POINT{5, 5}})
            EXPECT_TRUE(!useKey || (PtInRegion(region, p.x, p.y) != 0) == (p.x >= 3)) << p.x << "," << p.y;
        EXPECT_EQ(raw->cache[FRAME_TOP].region, nullptr) << "an empty slice has no entry";

        store.Prepare(); // again: the earlier objects are replaced, not leaked
        raw->Release();
        rawEdit->Release();
        EXPECT_EQ(raw->cache[FRAME_TOP_LEFT].region, nullptr);
        EXPECT_EQ(rawEdit->fontHandle, nullptr);
    }
}

} // namespace
