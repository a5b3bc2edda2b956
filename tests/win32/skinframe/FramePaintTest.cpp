// Painting the default skin's dialog frame and checking every pixel against
// the skin's own pictures and rectangles (as make-skin-art.sh drew them and
// skin.json places them); the window region, the caption text, the client
// background, the four-strip copy; and frames whose pictures are missing.
#include <windows.h>

#include "FrameTestSupport.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/runtime/SkinElements.h"
#include "skin/runtime/SkinFramePaint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

using namespace glint;
using namespace glint::test;

namespace {

#include "DefaultDialogFrame.h"

constexpr int kW = 300, kH = 200;
constexpr COLORREF kSentinel = RGB(1, 2, 3);

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// Where a window pixel of a kW x kH frame comes from in windows.bmp, worked
// out from skin.json alone: corners are placed, edges tiled (every edge of
// the default dialog frame tiles). Nothing for the client area.
std::optional<POINT> SourcePixel(const ReferencePart (&parts)[9], int x, int y)
{
    // The row of parts, then the column: each row has its own corner widths.
    const int top = Height(kPartRects[0]), bottom = Height(kPartRects[6]);
    const int row = y < top ? 0 : y >= kH - bottom ? 2 : 1;
    const int left = Width(kPartRects[row * 3]), right = Width(kPartRects[row * 3 + 2]);
    const int column = x < left ? 0 : x >= kW - right ? 2 : 1;
    if (row == 1 && column == 1)
        return std::nullopt;
    int px = column == 0 ? x : column == 2 ? x - (kW - right) : x - left;
    int py = row == 0 ? y : row == 2 ? y - (kH - bottom) : y - top;
    const ReferencePart& p = parts[row * 3 + column];
    if (p.mode == 1) {
        px %= Width(p.source);
        py %= Height(p.source);
    }
    return POINT{p.source.left + px, p.source.top + py};
}

class DefaultFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadDefaultSkin(store_));
        frame_ = dynamic_cast<CFrameDefinition*>(store_.FindByName("Dialog"));
        ASSERT_NE(frame_, nullptr);
        ASSERT_TRUE(art_.Loaded()) << ArtFile("windows.bmp");
        parts_ = LayoutFrame(FramePartRects(frame_), kW, kH);
    }

    void ExpectFrameFromPicture(const Canvas& canvas, const ReferencePart (&parts)[9], const char* what)
    {
        EXPECT_EQ(canvas.Mismatches([&](int x, int y) {
            const std::optional<POINT> from = SourcePixel(parts, x, y);
            return from ? art_.At(from->x, from->y) : kSentinel;
        }), 0) << what << ": pixels that are not those of the picture";
    }

    CSkinStore store_;
    CFrameDefinition* frame_ = nullptr;
    Picture art_{ArtFile("windows.bmp")};
    FrameRects parts_ = {};
};

TEST_F(DefaultFrame, PartRectanglesComeFromTheDefinitionAndMustNotBeInverted)
{
    const FrameRects rects = FramePartRects(frame_);
    for (int i = 0; i < PART_COUNT; ++i)
        EXPECT_TRUE(EqualRect(&rects[size_t(i)], &kPartRects[i])) << "part " << i;
    EXPECT_TRUE(FrameIsUsable(frame_));
    EXPECT_EQ(AsFrameDefinition(store_.FindByName("Edit")), nullptr);
    EXPECT_FALSE(FrameIsUsable(nullptr));
    frame_->partRects[PART_LEFT].right = frame_->partRects[PART_LEFT].left - 1;
    EXPECT_FALSE(FrameIsUsable(frame_));
}

TEST_F(DefaultFrame, ActiveAndInactiveFramesArePaintedFromThePicture)
{
    Canvas active(kW, kH, kSentinel);
    DrawFrameParts(active.Dc(), store_, frame_, parts_, true, false);
    ExpectFrameFromPicture(active, kactiveParts, "active");

    Canvas inactive(kW, kH, kSentinel);
    DrawFrameParts(inactive.Dc(), store_, frame_, parts_, false, false);
    ExpectFrameFromPicture(inactive, kinactiveParts, "inactive");
}

TEST_F(DefaultFrame, InactivePartsWithoutPicturesBorrowTheActiveOnes)
{
    for (int i = 0; i < PART_COUNT; ++i)
        frame_->slices[size_t(PART_COUNT + i)].image[0] = 0;
    Canvas canvas(kW, kH, kSentinel);
    DrawFrameParts(canvas.Dc(), store_, frame_, parts_, false, false);
    ExpectFrameFromPicture(canvas, kactiveParts, "inactive from active pictures");
}

TEST_F(DefaultFrame, MissingPicturesGiveTheFrameColourNotAHole)
{
    // A skin whose frame names a picture the skin does not hold.
    for (SkinImageRef& slice : frame_->slices)
        std::strcpy(slice.image, "missing.bmp");
    frame_->inactiveColour = RGB(10, 20, 30);
    for (bool active : {true, false}) {
        Canvas canvas(kW, kH, kSentinel);
        DrawFrameParts(canvas.Dc(), store_, frame_, parts_, active, false);
        const COLORREF colour = active ? FromRGB(kActiveColourRGB) : RGB(10, 20, 30);
        EXPECT_EQ(canvas.Mismatches([&](int x, int y) {
            return RectContains(parts_[PART_CLIENT], {x, y}) ? kSentinel : colour;
        }), 0) << (active ? "active" : "inactive");
    }
}

TEST_F(DefaultFrame, MinimisedFramesSkipTheSides)
{
    Canvas canvas(kW, kH, kSentinel);
    DrawFrameParts(canvas.Dc(), store_, frame_, parts_, true, true);
    EXPECT_EQ(canvas.At(1, 100), kSentinel);
    EXPECT_EQ(canvas.At(kW - 2, 100), kSentinel);
    EXPECT_NE(canvas.At(50, 10), kSentinel) << "the caption row is painted";

    Canvas untouched(kW, kH, kSentinel);
    DrawFrameParts(untouched.Dc(), store_, nullptr, parts_, true, false);
    EXPECT_EQ(untouched.At(50, 10), kSentinel) << "no definition, nothing drawn";
}

TEST_F(DefaultFrame, RegionLeavesOutTheKeyColouredCorners)
{
    const std::vector<std::unique_ptr<CFrameElement>> none;
    HRGN region = BuildFrameRegion(frame_, parts_, true, none, {0, 0, kW, kH});
    ASSERT_NE(region, nullptr);
    int outside = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::optional<POINT> from = SourcePixel(kactiveParts, x, y);
            const bool expected = !from || art_.At(from->x, from->y) != kKey;
            outside += !expected;
            EXPECT_EQ(PtInRegion(region, x, y) != 0, expected) << x << "," << y;
        }
    EXPECT_GT(outside, 8) << "the default skin has rounded corners";
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, kW - 1, kH - 1));
    DeleteObject(region);

    EXPECT_EQ(BuildFrameRegion(frame_, parts_, false, none, {0, 0, kW, kH}), nullptr)
        << "without the transparent colour the window stays rectangular";
    EXPECT_EQ(BuildFrameRegion(nullptr, parts_, true, none, {0, 0, kW, kH}), nullptr);
}

// An owner without a window, for elements that are only laid out and cut.
class WindowlessOwner : public IFrameElementOwner {
public:
    WindowlessOwner(CSkinStore& store, const CFrameDefinition* frame) : store_(store), frame_(frame) {}
    HWND ElementWindow() const override { return nullptr; }
    CSkinStore& ElementStore() const override { return store_; }
    bool UsesTransparentColour() const override { return true; }
    COLORREF TransparentColour() const override { return kKey; }
    const CFrameDefinition* ElementFrame() const override { return frame_; }

private:
    CSkinStore& store_;
    const CFrameDefinition* frame_;
};

TEST_F(DefaultFrame, ImageElementsCombineIntoTheRegionByMode)
{
    // An element over the top-left corner (whose pixel 0,0 is key colour) and
    // over a part of the caption (inside the frame's region). Without a
    // picture the element's region is its rectangle.
    const POINT corner = {0, 0}, caption = {2, 3}, elsewhere = {150, 10};
    const struct {
        uint32_t mode;
        bool corner, caption, elsewhere;
    } cases[] = {
        {0, false, true, false}, // and
        {1, false, false, true}, // diff
        {2, true, true, true},   // or
        {3, true, false, true},  // xor
        {4, true, true, true},   // cut the rectangle, then add the shape
    };
    WindowlessOwner owner(store_, frame_);
    for (const auto& c : cases) {
        CImageElement definition;
        definition.designRect = {0, 0, 4, 4};
        definition.combineMode = c.mode;
        std::vector<std::unique_ptr<CFrameElement>> elements;
        elements.push_back(CreateFrameElement(owner, definition));
        ASSERT_NE(elements.back(), nullptr);
        HRGN region = BuildFrameRegion(frame_, parts_, true, elements, {0, 0, kW, kH});
        ASSERT_NE(region, nullptr) << "mode " << c.mode;
        EXPECT_EQ(PtInRegion(region, corner.x, corner.y) != 0, c.corner) << "mode " << c.mode;
        EXPECT_EQ(PtInRegion(region, caption.x, caption.y) != 0, c.caption) << "mode " << c.mode;
        EXPECT_EQ(PtInRegion(region, elsewhere.x, elsewhere.y) != 0, c.elsewhere) << "mode " << c.mode;
        DeleteObject(region);
    }
}

TEST(FrameRegion, AFrameThatIsAllKeyColourKeepsTheWindowRectangular)
{
    // A region holding nothing would make the window invisible and unreachable.
    CSkinStore store;
    AddKeyInfo(store, true);
    store.AddImage(SkinPicture("k.bmp", 8, 8, [](int, int) { return kKey; }));
    auto frame = std::make_unique<CFrameDefinition>();
    frame->SetName("Dialog");
    for (int i = 0; i < PART_COUNT; ++i) {
        std::strcpy(frame->slices[size_t(i)].image, "k.bmp");
        frame->slices[size_t(i)].source = {0, 0, 8, 8};
        frame->partRects[size_t(i)] = {(i % 3) * 8, (i / 3) * 8, (i % 3) * 8 + 8, (i / 3) * 8 + 8};
    }
    CFrameDefinition* raw = frame.get();
    store.AddDefinition(std::move(frame));
    store.Prepare();
    ASSERT_NE(raw->cache[0].region, nullptr);
    const FrameRects parts = LayoutFrame(FramePartRects(raw), 24, 24);
    const std::vector<std::unique_ptr<CFrameElement>> none;
    // The client part is key colour too here, so nothing at all is left.
    EXPECT_EQ(BuildFrameRegion(raw, parts, true, none, {0, 0, 24, 24}), nullptr);
}

// (That the caption reads right is checked on the screen, end to end.)
TEST_F(DefaultFrame, CaptionTextOnlyWithTheWholeCaptionStyleAndFlagInsideTheTopPart)
{
    auto drawn = [&](uint32_t style, bool flag) {
        Canvas canvas(kW, kH, RGB(255, 255, 255));
        DrawFrameCaption(canvas.Dc(), frame_, parts_, "Glintbox Wxyz", style, flag);
        const RECT& top = parts_[PART_TOP];
        const int inTop = canvas.Mismatches([&](int x, int y) {
            return RectContains(top, {x, y}) ? canvas.At(x, y) : RGB(255, 255, 255);
        });
        return std::pair{kW * kH - canvas.Count(RGB(255, 255, 255)), inTop};
    };
    const auto [painted, outsideTop] = drawn(WS_POPUP | WS_CAPTION, true);
    EXPECT_GT(painted, 20);
    EXPECT_EQ(outsideTop, 0) << "text outside the top-middle part";
    EXPECT_EQ(drawn(WS_POPUP | WS_DLGFRAME, true).first, 0) << "dialog frame without border";
    EXPECT_EQ(drawn(WS_POPUP | WS_CAPTION, false).first, 0) << "an image element shows the caption";
}

TEST_F(DefaultFrame, ClientBackgroundIsTheStretchedPictureOrTheClientColour)
{
    // The background of width x height copied onto a canvas; the pixels that are not `colour`.
    auto wrong = [&](int width, int height, COLORREF colour, bool wantStretched) {
        Canvas canvas(width, height);
        bool stretched = !wantStretched;
        HBITMAP background = CreateClientBackground(canvas.Dc(), store_, frame_, width, height, &stretched);
        EXPECT_NE(background, nullptr);
        EXPECT_EQ(stretched, wantStretched);
        HDC dc = CreateCompatibleDC(canvas.Dc());
        HGDIOBJ old = SelectObject(dc, background);
        BitBlt(canvas.Dc(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(background);
        return width * height - canvas.Count(colour);
    };
    // The picture's client area is one colour: the background is that colour all over.
    EXPECT_EQ(wrong(50, 40, art_.At(kactiveParts[4].source.left + 3, kactiveParts[4].source.top + 3), true), 0);
    std::strcpy(frame_->slices[PART_CLIENT].image, "missing.bmp");
    frame_->clientColour = RGB(40, 50, 60);
    EXPECT_EQ(wrong(20, 10, RGB(40, 50, 60), false), 0) << "a colour needs no second pass";
    Canvas canvas(4, 4);
    bool stretched = false;
    EXPECT_EQ(CreateClientBackground(canvas.Dc(), store_, frame_, 0, 10, &stretched), nullptr);
}

TEST_F(DefaultFrame, ComposedFrameIsCopiedInFourStripsLeavingTheClientAlone)
{
    for (int menuBar : {0, 12}) {
        Canvas window(kW, kH, RGB(0, 0, 255));
        ASSERT_TRUE(ComposeFrame(window.Dc(), kW, kH, parts_, menuBar, [](HDC dc) {
            RECT all = {0, 0, kW, kH};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(dc, &all, red);
            DeleteObject(red);
        }));
        EXPECT_EQ(window.Mismatches([&](int x, int y) {
            const bool underMenu = y < parts_[PART_TOP_LEFT].bottom + menuBar;
            return !RectContains(parts_[PART_CLIENT], {x, y}) || underMenu ? RGB(255, 0, 0) : RGB(0, 0, 255);
        }), 0) << "menu bar " << menuBar;
    }
}

} // namespace
