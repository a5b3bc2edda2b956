// Skinned dialog frames on real windows with the default skin: the client
// size kept on attach, the frame's hit tests and caption double-clicks, and
// the system's look where the skin cannot paint a frame. (The region, the
// caption buttons and the fallback colours are checked on the frame pieces,
// and end to end on the screen.)
#include "SkinTestSupport.h"

#include "skin/runtime/SkinDialogWnd.h"

using namespace skintest;

namespace {

constexpr DWORD kModal = WS_POPUP | WS_CAPTION | DS_MODALFRAME;

SIZE ClientSize(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

SIZE WindowSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

LPARAM ScreenPoint(HWND window, POINT local)
{
    RECT r;
    GetWindowRect(window, &r);
    return MAKELPARAM(r.left + local.x, r.top + local.y);
}

// Against a plain dialog of the same template: the client size kept inside
// the skin's borders, the system's frame back on leaving the skin, and the
// system's frame (no region) where the definition is of another kind.
TEST_F(SkinRuntimeTest, AttachingKeepsTheClientSizeAndAnotherKindLeavesTheSystemsFrame)
{
    DialogLog log;
    SetAutoDialogSkin("");
    HWND plain = DialogTemplate(kModal, 180, 90).Create(&log);
    SetAutoDialogSkin("CheckBox");
    HWND other = DialogTemplate(kModal, 180, 90).Create(&log);
    SetAutoDialogSkin("Dialog");
    HWND skinned = DialogTemplate(kModal, 180, 90).Create(&log);
    ASSERT_NE(SkinRegistry().Find(skinned), nullptr);
    EXPECT_EQ(ClientSize(skinned).cx, ClientSize(plain).cx);
    EXPECT_EQ(ClientSize(skinned).cy, ClientSize(plain).cy);
    // The default skin's borders: 5 left and right, a 30-pixel caption, 6 at the bottom.
    EXPECT_EQ(WindowSize(skinned).cx, ClientSize(plain).cx + 10);
    EXPECT_EQ(WindowSize(skinned).cy, ClientSize(plain).cy + 36);

    ASSERT_NE(SkinRegistry().Find(other), nullptr);
    ShowWindow(other, SW_SHOWNOACTIVATE);
    UpdateWindow(other);
    Pump();
    EXPECT_EQ(WindowSize(other).cx, WindowSize(plain).cx);
    EXPECT_EQ(WindowSize(other).cy, WindowSize(plain).cy);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(other, region), ERROR) << "no region";
    DeleteObject(region);

    // Leaving the skin gives the window its own procedure and the system's frame.
    const LONG_PTR own = GetWindowLongPtrA(plain, GWLP_WNDPROC);
    SkinRegistry().Remove(skinned);
    EXPECT_EQ(GetPropA(skinned, SKIN_OBJECT_PROPERTY), nullptr);
    EXPECT_EQ(GetWindowLongPtrA(skinned, GWLP_WNDPROC), own);
    EXPECT_EQ(ClientSize(skinned).cx, WindowSize(skinned).cx - (WindowSize(plain).cx - ClientSize(plain).cx));
    for (HWND window : {plain, other, skinned})
        DestroyWindow(window);
}

// (Which styles are sizable and which part answers which hit code is worked
// out in FrameLayoutTest; here the dialog's frame follows its real style.)
TEST_F(SkinRuntimeTest, OnlySizableDialogsAnswerSizingHitsAndMaximiseOnACaptionDoubleClick)
{
    struct Case {
        DWORD style;
        bool sizable;
    } const cases[] = {
        {WS_POPUP | WS_CAPTION | WS_MAXIMIZEBOX | WS_THICKFRAME | DS_MODALFRAME, false},
        {WS_POPUP | WS_CAPTION | WS_MAXIMIZEBOX | DS_MODALFRAME, false},
        {WS_POPUP | WS_CAPTION | WS_MAXIMIZEBOX | WS_THICKFRAME, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.style);
        DialogLog log;
        HWND dialog = DialogTemplate(c.style).Create(&log);
        ASSERT_NE(SkinRegistry().Find(dialog), nullptr);
        ShowWindow(dialog, SW_SHOWNOACTIVATE);
        const SIZE size = WindowSize(dialog);
        const auto hit = [&](POINT p) { return SendMessageA(dialog, WM_NCHITTEST, 0, ScreenPoint(dialog, p)); };
        EXPECT_EQ(hit({2, size.cy / 2}), c.sizable ? HTLEFT : HTNOWHERE);
        EXPECT_EQ(hit({size.cx - 2, size.cy - 2}), c.sizable ? HTBOTTOMRIGHT : HTNOWHERE);
        EXPECT_EQ(hit({size.cx / 2, 15}), HTCAPTION);
        EXPECT_EQ(hit({size.cx / 2, size.cy / 2}), HTCLIENT);
        SendMessageA(dialog, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenPoint(dialog, {size.cx / 3, 15}));
        // Asked for, not looked at: without a window manager Wine may restore
        // a maximised window at once.
        EXPECT_EQ(log.maximiseCommands, c.sizable ? 1 : 0);
        DestroyWindow(dialog);
    }
}

} // namespace

