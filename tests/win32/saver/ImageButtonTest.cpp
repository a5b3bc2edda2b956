// Image buttons on real windows: their kind from the style, check and radio
// behaviour, the pushed look while the mouse is held, masks and drawing.
#include "framework/App.h"
#include "saver/ImageButton.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace glint;

namespace {

enum : UINT { kNormal = 101, kPressed = 102, kHover = 103, kFocus = 104, kDisabled = 105, kMask = 106 };

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

COLORREF PixelOf(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}

// A parent that hands owner drawing to the buttons, as our dialogs do.
class Parent : public fw::CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_DRAWITEM && ReflectDrawItem(lParam))
            return TRUE;
        return Default(message, wParam, lParam);
    }
};

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_.m_hInstance = GetModuleHandleA(nullptr);
        RECT r = {100, 100, 400, 300};
        ASSERT_TRUE(parentWnd_.CreateEx(0, fw::CWnd::RegisterWndClass(0), "buttons", WS_POPUP | WS_VISIBLE, r,
                                        nullptr, 0));
        parent_ = parentWnd_.m_hWnd;
    }
    void TearDown() override
    {
        buttons_.clear();
        parentWnd_.DestroyWindow();
    }

    CImageButton& Add(DWORD style, int x, int y = 10, int w = 40, int h = 20)
    {
        HWND hwnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent_,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1000 + buttons_.size())),
                                    app_.m_hInstance, nullptr);
        buttons_.push_back(std::make_unique<CImageButton>());
        EXPECT_TRUE(buttons_.back()->SubclassWindow(hwnd));
        return *buttons_.back();
    }

    fw::CWinApp app_{"buttontest"};
    Parent parentWnd_;
    HWND parent_ = nullptr;
    std::vector<std::unique_ptr<CImageButton>> buttons_;
};

} // namespace

TEST_F(ImageButtonTest, KindComesFromTheTemplateStyleAndOnlyCheckBoxesKeepAState)
{
    CImageButton& push = Add(BS_PUSHBUTTON, 0);
    EXPECT_EQ(push.Kind(), CImageButton::kPushButton);
    EXPECT_EQ(Add(BS_DEFPUSHBUTTON, 50).Kind(), CImageButton::kPushButton);
    CImageButton& check = Add(BS_AUTOCHECKBOX, 100);
    EXPECT_EQ(check.Kind(), CImageButton::kCheckBox);
    EXPECT_EQ(Add(BS_CHECKBOX, 150).Kind(), CImageButton::kPushButton); // 2: neither pattern
    EXPECT_EQ(Add(BS_AUTORADIOBUTTON, 200).Kind(), CImageButton::kRadioButton);
    for (auto& b : buttons_)
        EXPECT_EQ(GetWindowLongA(b->m_hWnd, GWL_STYLE) & 0x0F, BS_OWNERDRAW);

    SendMessageA(push.m_hWnd, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(push.m_hWnd, BM_GETCHECK, 0, 0), 0);
    SendMessageA(check.m_hWnd, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(check.m_hWnd, BM_GETCHECK, 0, 0), 1);
    SendMessageA(check.m_hWnd, WM_KEYDOWN, VK_SPACE, 0); // the space bar toggles a check box
    EXPECT_EQ(SendMessageA(check.m_hWnd, BM_GETCHECK, 0, 0), 0);
}

namespace {

DWORD WINAPI FailUnlessDoneWithin5s(void* done)
{
    if (WaitForSingleObject(done, 5000) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "FAILED: checking a radio button did not end\n");
        std::fflush(stderr);
        ExitProcess(3);
    }
    return 0;
}

// Checks a radio button, ending the test program if that does not come back:
// a hang (a disabled or hidden member once looped for ever) fails at once.
void CheckWithin5s(HWND radio)
{
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watchdog = CreateThread(nullptr, 0, FailUnlessDoneWithin5s, done, 0, nullptr);
    SendMessageA(radio, BM_SETCHECK, 1, 0);
    SetEvent(done);
    WaitForSingleObject(watchdog, INFINITE);
    CloseHandle(watchdog);
    CloseHandle(done);
    Pump();
}

} // namespace

// Checking one radio button clears the others of its group, disabled or
// hidden ones too; another group is left alone.
TEST_F(ImageButtonTest, CheckingARadioClearsItsGroupAndEnds)
{
    CImageButton& a = Add(BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0);
    CImageButton& b = Add(BS_AUTORADIOBUTTON, 50);
    CImageButton& c = Add(BS_AUTORADIOBUTTON, 100);
    CImageButton& other = Add(BS_AUTORADIOBUTTON | WS_GROUP, 150);
    SendMessageA(b.m_hWnd, BM_SETCHECK, 1, 0);
    SendMessageA(other.m_hWnd, BM_SETCHECK, 1, 0);
    Pump();
    EnableWindow(a.m_hWnd, FALSE);
    ShowWindow(c.m_hWnd, SW_HIDE);
    CheckWithin5s(a.m_hWnd);
    EXPECT_TRUE(a.Checked());
    EXPECT_FALSE(b.Checked());
    CheckWithin5s(c.m_hWnd);
    EXPECT_TRUE(c.Checked());
    EXPECT_FALSE(a.Checked()) << "a disabled member is unchecked too";
    EXPECT_TRUE(other.Checked()) << "another group is left alone";
}

TEST_F(ImageButtonTest, PushedLookFollowsTheCursorWhileHeld)
{
    CImageButton& button = Add(BS_AUTOCHECKBOX, 20, 20, 60, 30);
    RECT r;
    GetWindowRect(button.m_hWnd, &r);
    auto mouse = [&](UINT message, bool inside) {
        SetCursorPos(inside ? r.left + 5 : r.right + 30, inside ? r.top + 5 : r.bottom + 30);
        SendMessageA(button.m_hWnd, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                     inside ? MAKELPARAM(5, 5) : MAKELPARAM(90, 60));
        return (SendMessageA(button.m_hWnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    };
    EXPECT_TRUE(mouse(WM_LBUTTONDOWN, true));
    ASSERT_EQ(GetCapture(), button.m_hWnd);
    for (int crossing = 0; crossing < 2; ++crossing) {
        EXPECT_FALSE(mouse(WM_MOUSEMOVE, false)) << "outside, crossing " << crossing;
        EXPECT_TRUE(mouse(WM_MOUSEMOVE, true)) << "inside, crossing " << crossing;
    }
    // Released outside: a check box does not toggle; released inside: it does.
    mouse(WM_MOUSEMOVE, false);
    mouse(WM_LBUTTONUP, false);
    EXPECT_FALSE(button.Checked());
    mouse(WM_LBUTTONDOWN, true);
    mouse(WM_LBUTTONUP, true);
    EXPECT_TRUE(button.Checked());
}

TEST_F(ImageButtonTest, DrawsTheImageOfEachState)
{
    SetCursorPos(0, 0); // away from the button: no hover image
    CImageButton& button = Add(BS_PUSHBUTTON, 10, 10, 40, 20);
    button.SetBitmaps(kNormal, kPressed, kHover, 0, kFocus, 0, 1, 0, 0);
    Pump();
    SendMessageA(button.m_hWnd, WM_MOUSELEAVE, 0, 0); // a pointer move from the X server may have come in
    auto shown = [&] {
        RedrawWindow(button.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();
        return PixelOf(button.m_hWnd, 20, 10);
    };
    EXPECT_EQ(shown(), RGB(255, 0, 0));
    SendMessageA(button.m_hWnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(shown(), RGB(0, 0, 255));
    SendMessageA(button.m_hWnd, BM_SETSTATE, FALSE, 0);
    // Hovering shows the hover image until the mouse leaves.
    SendMessageA(button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(shown(), RGB(0, 255, 0));
    SendMessageA(button.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(shown(), RGB(255, 0, 0));
    // No disabled image of its own: the normal one stands in.
    EnableWindow(button.m_hWnd, FALSE);
    EXPECT_EQ(shown(), RGB(255, 0, 0));
}

TEST_F(ImageButtonTest, MaskShapesTheWindowAndNativeSizeTakesTheMaskSize)
{
    CImageButton& button = Add(BS_PUSHBUTTON, 10, 10, 60, 40);
    button.SetBitmaps(kNormal, kPressed, 0, kDisabled, 0, kMask, 0, 0, 0);
    RECT r;
    GetWindowRect(button.m_hWnd, &r);
    EXPECT_EQ(r.right - r.left, 20);
    EXPECT_EQ(r.bottom - r.top, 10);
    // The mask's opaque block (columns 10-19, rows 2-9) runs to the right edge:
    // a run still open at the end of a row must be kept whole.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(button.m_hWnd, region), SIMPLEREGION);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(std::vector<LONG>({box.left, box.top, box.right, box.bottom}), std::vector<LONG>({10, 2, 20, 10}));
    DeleteObject(region);

    // A mask with nothing opaque gives an empty region, not none.
    const std::vector<DWORD> white(7 * 3, 0xFFFFFF);
    HBITMAP blank = CreateBitmap(7, 3, 1, 32, white.data());
    region = CImageButton::RegionFromMask(blank, RGB(255, 255, 255));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(GetRgnBox(region, &box), NULLREGION);
    DeleteObject(region);
    DeleteObject(blank);
}
