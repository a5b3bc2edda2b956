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
    const int left = Width(kPartRects[3]), right = Width(kPartRects[5]);
    const int top = Height(kPartRects[0]), bottom = Height(kPartRects[6]);
    const int cornerLeft = Width(kPartRects[0]), cornerRight = Width(kPartRects[2]);
    const int bottomLeftWidth = Width(kPartRects[6]), bottomRightWidth = Width(kPartRects[8]);
    int part, px, py; // part index, position inside the part
    if (y < top) {
        py = y;
        if (x < cornerLeft)
            part = 0, px = x;
        else if (x >= kW - cornerRight)
            part = 2, px = x - (kW - cornerRight);
        else
            part = 1, px = x - cornerLeft;
    } else if (y >= kH - bottom) {
        py = y - (kH - bottom);
        if (x < bottomLeftWidth)
            part = 6, px = x;
        else if (x >= kW - bottomRightWidth)
            part = 8, px = x - (kW - bottomRightWidth);
        else
            part = 7, px = x - bottomLeftWidth;
    } else {
        py = y - top;
        if (x < left)
            part = 3, px = x;
        else if (x >= kW - right)
            part = 5, px = x - (kW - right);
        else
            return std::nullopt;
    }
    const ReferencePart& p = parts[part];
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
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const std::optional<POINT> from = SourcePixel(parts, x, y);
                const COLORREF expected = from ? art_.At(from->x, from->y) : kSentinel;
                if (canvas.At(x, y) != expected && ++wrong <= 5)
                    ADD_FAILURE() << what << " pixel " << x << "," << y << " is " << std::hex << canvas.At(x, y)
                                  << ", the picture has " << expected;
            }
        EXPECT_EQ(wrong, 0) << what;
    }

    CSkinStore store_;
    CFrameDefinition* frame_ = nullptr;
    Picture art_{ArtFile("windows.bmp")};
    FrameRects parts_ = {};
};

TEST_F(DefaultFrame, PartRectanglesComeFromTheDefinition)
{
    const FrameRects rects = FramePartRects(frame_);
    for (int i = 0; i < PART_COUNT; ++i)
        EXPECT_TRUE(EqualRect(&rects[size_t(i)], &kPartRects[i])) << "part " << i;
    EXPECT_TRUE(FrameIsUsable(frame_));
    EXPECT_EQ(AsFrameDefinition(frame_), frame_);
    EXPECT_EQ(AsFrameDefinition(store_.FindByName("Edit")), nullptr);
    EXPECT_EQ(AsFrameDefinition(nullptr), nullptr);
    EXPECT_FALSE(FrameIsUsable(nullptr));
    frame_->partRects[PART_LEFT].right = frame_->partRects[PART_LEFT].left - 1;
    EXPECT_FALSE(FrameIsUsable(frame_)) << "an inverted part";
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
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool client = RectContains(parts_[PART_CLIENT], {x, y});
                wrong += canvas.At(x, y) != (client ? kSentinel : colour);
            }
        EXPECT_EQ(wrong, 0) << (active ? "active" : "inactive");
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
    auto info = std::make_unique<CSkinInfo>();
    info->SetName("Application");
    info->keyColour = kKey;
    info->useTransparentColour = 1;
    store.AddDefinition(std::move(info));
    auto image = std::make_unique<CSkinImage>();
    image->SetName("k.bmp");
    image->image.Create(8, 8, 24, FORMAT_BMP);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image->image.SetPixelColor(x, y, RGBQUAD{255, 0, 255, 0});
    store.AddImage(std::move(image));
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

TEST_F(DefaultFrame, CaptionTextOnlyWithTheWholeCaptionStyleAndFlag)
{
    auto changed = [&](uint32_t style, bool flag, RECT* box) {
        Canvas canvas(kW, kH, RGB(255, 255, 255));
        DrawFrameCaption(canvas.Dc(), frame_, parts_, "Glintbox Wxyz", style, flag);
        int count = 0;
        *box = {kW, kH, 0, 0};
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (canvas.At(x, y) != RGB(255, 255, 255)) {
                    ++count;
                    box->left = std::min<LONG>(box->left, x), box->top = std::min<LONG>(box->top, y);
                    box->right = std::max<LONG>(box->right, x + 1), box->bottom = std::max<LONG>(box->bottom, y + 1);
                }
        return count;
    };
    RECT box;
    EXPECT_GT(changed(WS_POPUP | WS_CAPTION, true, &box), 20);
    const RECT& top = parts_[PART_TOP];
    EXPECT_TRUE(box.left >= top.left && box.right <= top.right && box.top >= top.top && box.bottom <= top.bottom)
        << "text outside the top-middle part: " << box.left << "," << box.top << "," << box.right << ","
        << box.bottom;
    const int middle = (top.top + top.bottom) / 2;
    EXPECT_LE(box.top, middle);
    EXPECT_GE(box.bottom, middle) << "centred vertically";
    EXPECT_EQ(changed(WS_POPUP | WS_DLGFRAME, true, &box), 0) << "dialog frame without border";
    EXPECT_EQ(changed(WS_POPUP | WS_CAPTION, false, &box), 0) << "an image element shows the caption";
}

TEST_F(DefaultFrame, ClientBackground)
{
    Canvas reference(4, 4);
    bool stretched = false;
    HBITMAP background = CreateClientBackground(reference.Dc(), store_, frame_, 50, 40, &stretched);
    ASSERT_NE(background, nullptr);
    EXPECT_TRUE(stretched) << "the default client picture is stretched";
    HDC dc = CreateCompatibleDC(reference.Dc());
    HGDIOBJ old = SelectObject(dc, background);
    // The picture's client area is one colour: the background is that colour all over.
    const COLORREF face = art_.At(kactiveParts[4].source.left + 3, kactiveParts[4].source.top + 3);
    int wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            wrong += GetPixel(dc, x, y) != face;
    EXPECT_EQ(wrong, 0);
    SelectObject(dc, old);
    DeleteObject(background);

    std::strcpy(frame_->slices[PART_CLIENT].image, "missing.bmp");
    frame_->clientColour = RGB(40, 50, 60);
    background = CreateClientBackground(reference.Dc(), store_, frame_, 20, 10, &stretched);
    ASSERT_NE(background, nullptr);
    EXPECT_FALSE(stretched) << "a colour needs no second pass";
    old = SelectObject(dc, background);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(40, 50, 60));
    EXPECT_EQ(GetPixel(dc, 19, 9), RGB(40, 50, 60));
    SelectObject(dc, old);
    DeleteObject(background);
    DeleteDC(dc);
    EXPECT_EQ(CreateClientBackground(reference.Dc(), store_, frame_, 0, 10, &stretched), nullptr);
}

TEST_F(DefaultFrame, ComposedFrameIsCopiedInFourStripsLeavingTheClientAlone)
{
    for (int menuBar : {0, 12}) {
        Canvas window(kW, kH, RGB(0, 0, 255));
        const bool done = ComposeFrame(window.Dc(), kW, kH, parts_, menuBar, [](HDC dc) {
            RECT all = {0, 0, kW, kH};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(dc, &all, red);
            DeleteObject(red);
        });
        ASSERT_TRUE(done);
        const RECT client = parts_[PART_CLIENT];
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const bool underMenu = y < parts_[PART_TOP_LEFT].bottom + menuBar;
                const bool copied = !RectContains(client, {x, y}) || underMenu;
                wrong += window.At(x, y) != (copied ? RGB(255, 0, 0) : RGB(0, 0, 255));
            }
        EXPECT_EQ(wrong, 0) << "menu bar " << menuBar;
    }
}

} // namespace
