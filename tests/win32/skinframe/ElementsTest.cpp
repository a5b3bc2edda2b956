// The frame elements on a real window with a message loop: caption buttons
// acting by kind (and not acting when released elsewhere or disabled), sticky
// buttons, the hover timer, their looks and shapes; image elements drawn by
// the owner; fill elements; the factory.
#include <windows.h>

#include "FrameTestSupport.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinObjects.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinElements.h"
#include "skin/runtime/SkinFramePaint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace glint;
using namespace glint::test;

namespace {

#include "DefaultDialogFrame.h"

// What the test window received: the commands that buttons post, the owner-drawn requests.
struct Received {
    UINT message;
    WPARAM wParam;
    DRAWITEMSTRUCT item;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
    case WM_COMMAND:
        g_received.push_back({message, wParam, {}});
        return 0; // recorded, not carried out
    case WM_DRAWITEM:
        g_received.push_back({message, wParam, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam)});
        return 1;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

constexpr int kWindowX = 100, kWindowY = 100, kW = 300, kH = 200;

class Elements : public ::testing::Test, public IFrameElementOwner {
protected:
    // One window for all the tests: making a window under Wine takes long.
    static void SetUpTestSuite()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GlintFrameElementsTest";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Elements", WS_POPUP | WS_VISIBLE | WS_SYSMENU,
                                  kWindowX, kWindowY, kW, kH, nullptr, nullptr, wc.hInstance, nullptr);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(window_);
        window_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(LoadDefaultSkin(store_));
        frame_ = dynamic_cast<CFrameDefinition*>(store_.FindByName("Dialog"));
        ASSERT_NE(frame_, nullptr);
        ShowWindow(window_, SW_RESTORE);
        SetWindowPos(window_, HWND_TOPMOST, kWindowX, kWindowY, kW, kH, SWP_SHOWWINDOW);
        Pump();
        g_received.clear();
    }
    void TearDown() override { elements_.clear(); }

    HWND ElementWindow() const override { return window_; }
    CSkinStore& ElementStore() const override { return const_cast<CSkinStore&>(store_); }
    bool UsesTransparentColour() const override { return useKey_; }
    COLORREF TransparentColour() const override { return kKey; }
    const CFrameDefinition* ElementFrame() const override { return frame_; }

    // The default dialog's close button, or a copy of it of another kind.
    CCaptionButtonElement* Button(uint32_t kind, bool sticky = false)
    {
        auto* close = dynamic_cast<CCaptionButton*>(frame_->children.at("DlgClose").get());
        auto copy = std::make_unique<CCaptionButton>();
        copy->designRect = close->designRect;
        copy->anchor = close->anchor;
        copy->image = close->image;
        copy->hotImage = close->hotImage;
        copy->pressedImage = close->pressedImage;
        copy->disabledImage = close->disabledImage;
        copy->commandId = 1234;
        copy->kind = kind;
        copy->sticky = sticky;
        definitions_.push_back(std::move(copy));
        return Add(*definitions_.back());
    }
    template <class T = CCaptionButtonElement>
    T* Add(CSkinNode& definition)
    {
        elements_.push_back(CreateFrameElement(*this, definition));
        auto* element = dynamic_cast<T*>(elements_.back().get());
        if (element)
            element->Layout({0, 0, kW, kH});
        return element;
    }
    static POINT Centre(const CFrameElement& e)
    {
        return {(e.Rect().left + e.Rect().right) / 2, (e.Rect().top + e.Rect().bottom) / 2};
    }
    static void Click(CFrameElement& e, POINT down, POINT up)
    {
        e.OnLButtonDown(down);
        e.OnLButtonUp(up);
    }
    // The messages that reached the window once the queue is empty.
    static std::vector<Received> Delivered()
    {
        Pump();
        std::vector<Received> out;
        out.swap(g_received);
        return out;
    }

    CSkinStore store_;
    CFrameDefinition* frame_ = nullptr;
    static inline HWND window_ = nullptr;
    bool useKey_ = false;
    std::vector<std::unique_ptr<CSkinNode>> definitions_;
    std::vector<std::unique_ptr<CFrameElement>> elements_;
};

TEST_F(Elements, CloseActsOnlyWhenEnabledAndReleasedOverIt)
{
    CCaptionButtonElement* close = Button(CAPTION_CLOSE);
    ASSERT_NE(close, nullptr);
    close->SyncWithStyle(WS_CAPTION); // no system menu
    EXPECT_FALSE(close->Enabled());
    const POINT centre = Centre(*close);
    EXPECT_EQ(close->HitTest(centre), HIT_NOWHERE);
    EXPECT_EQ(HitTestElements(elements_, centre), HIT_NOWHERE);
    Click(*close, centre, centre);
    close->Act();
    EXPECT_TRUE(Delivered().empty()) << "disabled";

    close->SyncWithStyle(WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(HitTestElements(elements_, centre), HIT_CAPTION);
    // Anchored to the right edge: 300 - (120 - 88) = 268.
    EXPECT_EQ(close->Rect().left, 88 + kW - kPartRects[8].right);
    close->OnLButtonDown(centre);
    EXPECT_EQ(close->State(), BUTTON_PRESSED);
    close->OnLButtonUp({10, 100});
    EXPECT_EQ(close->State(), BUTTON_NORMAL);
    EXPECT_TRUE(Delivered().empty()) << "released elsewhere";
    close->OnLButtonUp(centre);
    EXPECT_TRUE(Delivered().empty()) << "a release without a press";

    Click(*close, centre, centre);
    const std::vector<Received> got = Delivered();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, UINT(WM_SYSCOMMAND));
    EXPECT_EQ(got[0].wParam, WPARAM(SC_CLOSE));
    EXPECT_FALSE(close->OnLButtonDblClk(centre)) << "only the system-menu button closes on a double click";

    CCaptionButtonElement* sys = Button(CAPTION_SYSTEM_MENU);
    sys->SyncWithStyle(WS_SYSMENU);
    EXPECT_FALSE(sys->OnLButtonDblClk({1, 100})) << "not over it";
    EXPECT_TRUE(sys->OnLButtonDblClk(Centre(*sys)));
    const std::vector<Received> closed = Delivered();
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].wParam, WPARAM(SC_CLOSE));
}

TEST_F(Elements, EachKindIsEnabledByItsStyleBitAndPostsItsCommand)
{
    constexpr DWORD kAll = WS_SYSMENU | WS_MAXIMIZEBOX | WS_MINIMIZEBOX;
    const struct {
        uint32_t kind;
        DWORD enabling; // the style bit without which the button is disabled
        int show;       // how the window is shown first
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {CAPTION_CUSTOM, 0, SW_RESTORE, WM_COMMAND, 1234},
        {CAPTION_MAXIMISE, WS_MAXIMIZEBOX, SW_RESTORE, WM_SYSCOMMAND, SC_MAXIMIZE},
        {CAPTION_MAXIMISE, WS_MAXIMIZEBOX, SW_MAXIMIZE, WM_SYSCOMMAND, SC_RESTORE},
        {CAPTION_MINIMISE, WS_MINIMIZEBOX, SW_RESTORE, WM_SYSCOMMAND, SC_MINIMIZE},
        {CAPTION_MINIMISE, WS_MINIMIZEBOX, SW_MINIMIZE, WM_SYSCOMMAND, SC_RESTORE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " show " << c.show);
        ShowWindow(window_, c.show);
        Pump();
        g_received.clear();
        CCaptionButtonElement* b = Button(c.kind);
        b->SyncWithStyle(c.enabling ? kAll & ~c.enabling : 0); // a custom button ignores the style
        EXPECT_EQ(b->Enabled(), c.enabling == 0);
        b->SyncWithStyle(kAll);
        EXPECT_TRUE(b->Enabled());
        Click(*b, Centre(*b), Centre(*b));
        const std::vector<Received> got = Delivered();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].message, c.message);
        EXPECT_EQ(got[0].wParam, c.wParam);
        if (c.kind != CAPTION_CUSTOM) {
            EXPECT_EQ(b->State(), BUTTON_NORMAL);
        }
    }
    ShowWindow(window_, SW_RESTORE);
    CCaptionButtonElement* icon = Button(CAPTION_ICON);
    icon->SyncWithStyle(0);
    EXPECT_TRUE(icon->Enabled()) << "the icon button ignores the style";
    Click(*icon, Centre(*icon), Centre(*icon));
    EXPECT_TRUE(Delivered().empty()) << "the icon button does nothing";
}

TEST_F(Elements, StickyButtonsToggle)
{
    CCaptionButtonElement* b = Button(CAPTION_CUSTOM, true);
    const POINT centre = Centre(*b);
    Click(*b, centre, centre);
    EXPECT_TRUE(b->Pressed());
    EXPECT_EQ(b->State(), BUTTON_PRESSED);
    b->OnMouseAway();
    EXPECT_EQ(b->State(), BUTTON_PRESSED) << "a sticky button stays in";
    Click(*b, centre, centre);
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(b->State(), BUTTON_NORMAL);
    const std::vector<Received> got = Delivered();
    ASSERT_EQ(got.size(), 2u) << "it acts on both clicks";
    EXPECT_EQ(got[1].message, UINT(WM_COMMAND));

    CCaptionButtonElement* plain = Button(CAPTION_CUSTOM, false);
    Click(*plain, Centre(*plain), Centre(*plain));
    EXPECT_FALSE(plain->Pressed());
    EXPECT_NE(plain->State(), BUTTON_PRESSED);
}

TEST_F(Elements, HoverEndsWhenThePointerLeaves)
{
    CCaptionButtonElement* b = Button(CAPTION_CLOSE);
    b->SyncWithStyle(WS_SYSMENU);
    const POINT centre = Centre(*b);
    ASSERT_TRUE(SetCursorPos(kWindowX + centre.x, kWindowY + centre.y));
    EXPECT_TRUE(b->OnMouseMove(centre));
    EXPECT_EQ(b->State(), BUTTON_HOT);
    EXPECT_TRUE(b->HoverTimerRunning());
    // Three ticks of the 100 ms hover timer with the pointer still on it.
    Pump([] { return false; }, 300);
    EXPECT_EQ(b->State(), BUTTON_HOT) << "the pointer is still on it";
    EXPECT_TRUE(b->HoverTimerRunning());

    ASSERT_TRUE(SetCursorPos(kWindowX + 5, kWindowY + 150));
    EXPECT_TRUE(Pump([b] { return !b->HoverTimerRunning(); }));
    EXPECT_EQ(b->State(), BUTTON_NORMAL);
    EXPECT_FALSE(b->OnMouseMove({5, 150}));
}

TEST_F(Elements, ButtonLooksComeFromTheStateImages)
{
    Picture art(ArtFile("windows.bmp"));
    ASSERT_TRUE(art.Loaded());
    CCaptionButtonElement* b = Button(CAPTION_CLOSE);
    const CCaptionButton& d = b->Button();
    // Pixels of the button on dc that are not those of slice in the picture.
    auto wrong = [&](HDC dc, const SkinImageRef& slice) {
        int n = 0;
        for (int y = 0; y < slice.Height(); ++y)
            for (int x = 0; x < slice.Width(); ++x)
                n += GetPixel(dc, b->Rect().left + x, b->Rect().top + y) !=
                     art.At(slice.source.left + x, slice.source.top + y);
        return n;
    };
    auto expectLook = [&](const SkinImageRef& slice, const char* what) {
        Canvas canvas(kW, kH);
        b->Draw(canvas.Dc());
        EXPECT_EQ(wrong(canvas.Dc(), slice), 0) << what;
    };
    b->SyncWithStyle(WS_SYSMENU);
    expectLook(d.image, "normal");
    b->OnMouseMove(Centre(*b));
    expectLook(d.hotImage, "hot");
    HDC windowDC = GetWindowDC(window_);
    EXPECT_EQ(wrong(windowDC, d.hotImage), 0) << "the change of state is painted on the window at once";
    ReleaseDC(window_, windowDC);
    b->OnLButtonDown(Centre(*b));
    expectLook(d.pressedImage, "pressed");
    b->OnLButtonUp({1, 100});
    b->SyncWithStyle(0);
    expectLook(d.disabledImage, "disabled");
}

TEST_F(Elements, MissingImagesFallBackToNormalThenToTheSystemButton)
{
    CCaptionButtonElement* b = Button(CAPTION_CLOSE);
    auto& d = const_cast<CCaptionButton&>(b->Button());
    std::strcpy(d.hotImage.image, "missing.bmp");
    b->OnMouseMove(Centre(*b));
    ASSERT_EQ(b->State(), BUTTON_HOT);
    Canvas hot(kW, kH), normal(kW, kH);
    b->Draw(hot.Dc());
    b->OnMouseAway();
    b->Draw(normal.Dc());
    EXPECT_EQ(Differences(hot, normal), 0) << "a missing hot image shows the normal one";

    for (SkinImageRef* slice : {&d.image, &d.pressedImage, &d.disabledImage})
        std::strcpy(slice->image, "missing.bmp");
    Canvas drawn(kW, kH), system(kW, kH);
    b->Draw(drawn.Dc());
    RECT box = b->Rect();
    DrawFrameControl(system.Dc(), &box, DFC_BUTTON, DFCS_BUTTONPUSH);
    EXPECT_EQ(Differences(drawn, system), 0) << "no picture at all: the system's push button";
}

TEST_F(Elements, IconButtonDrawsTheWindowIcon)
{
    HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_QUESTION));
    ASSERT_NE(icon, nullptr);
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    CCaptionButtonElement* b = Button(CAPTION_ICON);
    Canvas drawn(kW, kH), expected(kW, kH), blank(kW, kH);
    b->Draw(drawn.Dc());
    const RECT& r = b->Rect();
    DrawIconEx(expected.Dc(), r.left, r.top, icon, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
    EXPECT_EQ(Differences(drawn, expected), 0);
    EXPECT_GT(Differences(drawn, blank), 0);
    SendMessageA(window_, WM_SETICON, ICON_SMALL, 0);
}

TEST_F(Elements, WithTheKeyColourButtonsAreShapedAndComposedOverTheFrame)
{
    // A 12 x 12 picture: a key-coloured border of 3 pixels around a green square.
    store_.AddImage(SkinPicture("b.bmp", 12, 12, [](int x, int y) {
        return x < 3 || y < 3 || x >= 9 || y >= 9 ? kKey : RGB(0, 200, 0);
    }));
    useKey_ = true;
    auto definition = std::make_unique<CCaptionButton>();
    definition->designRect = {20, 4, 32, 16};
    std::strcpy(definition->image.image, "b.bmp");
    definition->image.source = {0, 0, 12, 12};
    definition->kind = CAPTION_CUSTOM;
    definitions_.push_back(std::move(definition));
    CCaptionButtonElement* b = Add(*definitions_.back());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->HitTest({21, 5}), HIT_NOWHERE) << "key-coloured border";
    EXPECT_EQ(b->HitTest({26, 10}), HIT_CAPTION);

    Canvas canvas(kW, kH, RGB(9, 9, 9));
    b->Draw(canvas.Dc());
    EXPECT_EQ(canvas.At(21, 5), RGB(9, 9, 9)) << "the frame shows through the key colour";
    EXPECT_EQ(canvas.At(26, 10), RGB(0, 200, 0));
}

TEST_F(Elements, ImageElements)
{
    CImageElement ownerDrawn;
    ownerDrawn.role = 11;
    ownerDrawn.commandId = 77;
    ownerDrawn.designRect = {40, 2, 80, 20};
    auto* element = Add<CImageFrameElement>(ownerDrawn);
    ASSERT_NE(element, nullptr);
    Canvas canvas(kW, kH);
    element->Draw(canvas.Dc());
    ASSERT_EQ(g_received.size(), 1u);
    const Received r = g_received[0];
    g_received.clear();
    EXPECT_EQ(r.message, UINT(WM_DRAWITEM));
    EXPECT_EQ(r.wParam, WPARAM(77));
    const DRAWITEMSTRUCT& item = r.item;
    EXPECT_EQ(std::vector<UINT>({item.CtlType, item.CtlID, item.itemID, item.itemAction, item.itemState}),
              std::vector<UINT>({ODT_STATIC, 77, 0xFFFFFFFF, ODA_DRAWENTIRE, ODS_DEFAULT}));
    EXPECT_EQ(item.hwndItem, window_);
    EXPECT_EQ(item.hDC, canvas.Dc());
    EXPECT_TRUE(EqualRect(&item.rcItem, &element->Rect()));

    // Anchored right and bottom: the gaps to the window's edges stay.
    CImageElement anchored;
    anchored.designRect = {100, 60, 110, 70};
    anchored.anchors[2] = anchored.anchors[3] = 1;
    auto* moved = Add<CImageFrameElement>(anchored);
    EXPECT_EQ(moved->Rect().left, 100 + kW - kPartRects[8].right);
    EXPECT_EQ(moved->Rect().top, 60 + kH - kPartRects[8].bottom);

    // Only the caption roles count for the frame's hit test.
    for (uint32_t role : {1u, 2u, 10u}) {
        elements_.clear();
        CImageElement caption;
        caption.role = role;
        caption.designRect = {40, 2, 80, 20};
        Add<CImageFrameElement>(caption);
        EXPECT_EQ(HitTestElements(elements_, {50, 10}), role == 2 ? HIT_NOWHERE : HIT_CAPTION) << "role " << role;
        EXPECT_EQ(ReplacesCaptionText(caption), role == 1);
    }
}

TEST_F(Elements, FillElementsAndVisibility)
{
    CPartBase fill(SKIN_FILL_ELEMENT);
    fill.designRect = {10, 5, 30, 15};
    fill.backColour = RGB(200, 100, 50);
    auto* element = Add<CFillElement>(fill);
    ASSERT_NE(element, nullptr);
    Canvas canvas(kW, kH);
    DrawElements(canvas.Dc(), elements_, {0, 0, kW, kH});
    EXPECT_EQ(canvas.At(10, 5), RGB(200, 100, 50));
    EXPECT_EQ(canvas.Count(RGB(200, 100, 50)), 20 * 10);

    fill.visibility = 3; // only when maximised
    Canvas hidden(kW, kH);
    DrawElements(hidden.Dc(), elements_, {0, 0, kW, kH});
    EXPECT_EQ(hidden.Count(RGB(1, 2, 3)), kW * kH);
    EXPECT_EQ(element->HitTest({12, 7}), HIT_NOWHERE);

    // Other records make no element (image, fill and caption-button ones are made above).
    CSkinNode plain(SKIN_OBJECT);
    CPartBase imageCodeWithoutImageClass(SKIN_IMAGE_ELEMENT);
    CStaticDefinition control;
    for (CSkinNode* other : std::initializer_list<CSkinNode*>{&plain, &imageCodeWithoutImageClass, &control})
        EXPECT_EQ(CreateFrameElement(*this, *other), nullptr);
}

} // namespace
