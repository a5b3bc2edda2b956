// Window objects on real windows under Wine: binding, routing, subclassing and
// the end of the message loop when the main window goes.
#include "framework/App.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using glint::fw::CWinApp;
using glint::fw::CWnd;

namespace {

class RecordingWnd : public CWnd {
public:
    std::vector<UINT> messages;
    bool* destroyedFlag = nullptr;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back(message);
        if (message == WM_USER + 7)
            return 1234;
        return Default(message, wParam, lParam);
    }
    void PostNcDestroy() override
    {
        if (destroyedFlag)
            *destroyedFlag = true;
    }
    bool Saw(UINT message) const { return std::find(messages.begin(), messages.end(), message) != messages.end(); }
};

class WndTest : public ::testing::Test {
protected:
    void SetUp() override { app_.m_hInstance = GetModuleHandleA(nullptr); }
    CWinApp app_{"wndtest"};
};

} // namespace

TEST_F(WndTest, OwnClassRoutesEveryMessageFromCreationOn)
{
    RecordingWnd wnd;
    const char* cls = CWnd::RegisterWndClass(CS_DBLCLKS);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(CWnd::RegisterWndClass(CS_DBLCLKS), cls) << "equal requests share one class";
    RECT r = {0, 0, 100, 80};
    ASSERT_TRUE(wnd.CreateEx(0, cls, "t", WS_POPUP, r, nullptr, 0));
    EXPECT_TRUE(wnd.Saw(WM_NCCREATE));
    EXPECT_TRUE(wnd.Saw(WM_CREATE));
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    EXPECT_EQ(SendMessageA(wnd.m_hWnd, WM_USER + 7, 0, 0), 1234);

    bool destroyed = false;
    wnd.destroyedFlag = &destroyed;
    HWND hwnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST_F(WndTest, SubclassingAForeignWindowAndGivingItBack)
{
    HWND edit = CreateWindowA("EDIT", "abc", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, app_.m_hInstance, nullptr);
    ASSERT_NE(edit, nullptr);
    LONG_PTR original = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(edit));
    EXPECT_FALSE(wnd.SubclassWindow(edit)) << "an object binds one window";
    // What we do not handle still reaches the control.
    char text[8] = "";
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(wnd.Saw(WM_GETTEXT));
    EXPECT_EQ(wnd.UnsubclassWindow(), edit);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
    DestroyWindow(edit);
}

TEST_F(WndTest, DestroyingTheMainWindowEndsTheMessageLoop)
{
    RecordingWnd wnd;
    RECT r = {0, 0, 10, 10};
    ASSERT_TRUE(wnd.CreateEx(0, CWnd::RegisterWndClass(0), "", WS_POPUP, r, nullptr, 0));
    app_.m_pMainWnd = &wnd;
    PostMessageA(wnd.m_hWnd, WM_CLOSE, 0, 0); // default handling destroys the window
    EXPECT_EQ(app_.Run(), 0);
    EXPECT_EQ(app_.m_pMainWnd, nullptr);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}
