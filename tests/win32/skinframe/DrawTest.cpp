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

using namespace glint;
using namespace glint::test;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255), kGrey = RGB(128, 128, 128);

// A 40 x 40 picture: quadrants red (top-left), green (top-right), blue
// (bottom-left), grey (bottom-right).
std::unique_ptr<CSkinImage> Quadrants()
{
    auto image = std::make_unique<CSkinImage>();
    image->SetName("q.bmp");
    image->image.Create(40, 40, 24, FORMAT_BMP);
    for (int top = 0; top < 40; ++top)
        for (int x = 0; x < 40; ++x) {
            const COLORREF c = top < 20 ? (x < 20 ? kRed : kGreen) : (x < 20 ? kBlue : kGrey);
            image->image.SetPixelColor(x, 39 - top, c);
        }
    return image;
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

TEST_F(SkinDraw, PlaceModeDrawsOnlyTheTopLeftOfALargerSection)
{
    Canvas canvas(64, 64, kWhite);
    DrawImageRef(canvas.Dc(), store_, Slice({0, 0, 40, 40}, SKIN_DRAW_PLACE), {10, 10, 30, 20});
    EXPECT_EQ(canvas.Count(kRed), 20 * 10);
    EXPECT_EQ(canvas.Count(kGreen), 0);
    EXPECT_EQ(canvas.At(10, 10), kRed);
    EXPECT_EQ(canvas.At(30, 10), kWhite);
    EXPECT_EQ(canvas.At(10, 20), kWhite);
}

TEST_F(SkinDraw, TileModeRepeatsFromTheTopLeftAndClipsTheLastRowAndColumn)
{
    Canvas canvas(64, 64, kWhite);
    // The section: 10 x 10 red at its left, 10 x 10 green at its right.
    DrawImageRef(canvas.Dc(), store_, Slice({10, 0, 30, 10}, SKIN_DRAW_TILE), {0, 0, 50, 15});
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(10, 0), kGreen);
    EXPECT_EQ(canvas.At(20, 14), kRed);
    EXPECT_EQ(canvas.At(45, 5), kRed); // third copy, cut at 50
    EXPECT_EQ(canvas.At(50, 5), kWhite);
    EXPECT_EQ(canvas.At(5, 15), kWhite);
    EXPECT_EQ(canvas.Count(kRed) + canvas.Count(kGreen), 50 * 15);
}

TEST_F(SkinDraw, StretchModeScalesTheWholeSection)
{
    Canvas canvas(64, 64, kWhite);
    DrawImageRef(canvas.Dc(), store_, Slice({0, 0, 40, 40}, SKIN_DRAW_STRETCH), {0, 0, 20, 20});
    EXPECT_EQ(canvas.At(2, 2), kRed);
    EXPECT_EQ(canvas.At(17, 2), kGreen);
    EXPECT_EQ(canvas.At(2, 17), kBlue);
    EXPECT_EQ(canvas.At(17, 17), kGrey);
    EXPECT_EQ(canvas.At(21, 21), kWhite);
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

TEST_F(SkinDraw, GridWithoutMarginsStretchesTheWholeSource)
{
    Canvas canvas(64, 64, kWhite);
    SkinGridRef grid{};
    std::strcpy(grid.image, "q.bmp");
    grid.source = {0, 0, 40, 40};
    grid.mode = 1;
    DrawGridRef(canvas.Dc(), store_, grid, {0, 0, 60, 60});
    EXPECT_EQ(canvas.At(1, 1), kRed);
    EXPECT_EQ(canvas.At(58, 1), kGreen);
    EXPECT_EQ(canvas.At(1, 58), kBlue);
    EXPECT_EQ(canvas.At(58, 58), kGrey);
    EXPECT_EQ(canvas.Count(kWhite), 64 * 64 - 60 * 60);
}

TEST_F(SkinDraw, GridKeepsItsCornersAtTheirSize)
{
    Canvas canvas(64, 64, kWhite);
    SkinGridRef grid{};
    std::strcpy(grid.image, "q.bmp");
    grid.source = {10, 10, 30, 30}; // red, green, blue, grey quarters of 10 x 10
    grid.margins = {10, 10, 10, 10};
    grid.mode = 5;
    DrawGridRef(canvas.Dc(), store_, grid, {0, 0, 50, 40});
    EXPECT_EQ(canvas.At(0, 0), kRed);
    EXPECT_EQ(canvas.At(9, 9), kRed);
    EXPECT_EQ(canvas.At(49, 0), kGreen);
    EXPECT_EQ(canvas.At(0, 39), kBlue);
    EXPECT_EQ(canvas.At(49, 39), kGrey);
    EXPECT_EQ(canvas.At(50, 39), kWhite);
    EXPECT_EQ(canvas.Count(kRed), 100);
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
        auto info = std::make_unique<CSkinInfo>();
        info->SetName("Application");
        info->keyColour = kKey;
        info->useTransparentColour = useKey;
        store.AddDefinition(std::move(info));
        auto image = std::make_unique<CSkinImage>();
        image->SetName("f.bmp");
        image->image.Create(10, 10, 24, FORMAT_BMP);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                image->image.SetPixelColor(x, y, (x < 3 && y >= 7) ? kKey : RGB(0, 0, 0));
        store.AddImage(std::move(image));
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
        HRGN region = raw->cache[FRAME_TOP_LEFT].region;
        if (!useKey) {
            EXPECT_EQ(region, nullptr) << "without the transparent colour frames have no regions";
            continue;
        }
        ASSERT_NE(region, nullptr);
        EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the key-coloured top-left corner is left out";
        EXPECT_FALSE(PtInRegion(region, 2, 2));
        EXPECT_TRUE(PtInRegion(region, 3, 0));
        EXPECT_TRUE(PtInRegion(region, 5, 5));
        EXPECT_EQ(raw->cache[FRAME_TOP].region, nullptr) << "an empty slice has no entry";

        store.Prepare(); // again: the earlier objects are replaced, not leaked
        raw->Release();
        rawEdit->Release();
        EXPECT_EQ(raw->cache[FRAME_TOP_LEFT].region, nullptr);
        EXPECT_EQ(rawEdit->fontHandle, nullptr);
    }
}

} // namespace
