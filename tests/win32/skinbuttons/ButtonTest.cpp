// Skinned push buttons, check boxes and radio buttons on real windows under
// Wine, driven with posted mouse and key messages: clicks, the check states,
// the radio groups, the pictures of each state, and the parent's
// notifications compared with the system's own button on the same input.
#include "ButtonSkinSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace buttontest;

namespace {

constexpr RECT kButtonRect = {10, 10, 110, 40};

bool Skinned(HWND window) { return GetPropA(window, "OBJECT") != nullptr; }

std::string Describe(const Notifications& heard)
{
    std::ostringstream text;
    for (const auto& [id, code] : heard)
        text << id << ":" << code << " ";
    return text.str();
}

class SkinnedButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(StartWithBlockSkin(), "");
        dialog_ = CreateRecordingDialog(&heard_, 120, 120);
        ASSERT_NE(dialog_, nullptr);
        ASSERT_TRUE(Skinned(dialog_));
    }
    void TearDown() override
    {
        if (dialog_)
            DestroyWindow(dialog_);
        ExitSkinRuntime();
        Pump();
    }
    HWND Button(DWORD style, int id, RECT r = kButtonRect, HWND dialog = nullptr)
    {
        return AddControl(dialog ? dialog : dialog_, "Button", "Button", style | WS_TABSTOP, id, r);
    }
    int Clicks(int id) const
    {
        int count = 0;
        for (const auto& [from, code] : heard_)
            count += from == id && code == BN_CLICKED;
        return count;
    }

    HWND dialog_ = nullptr;
    Notifications heard_;
};

void Click(HWND button)
{
    Post(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    Post(button, WM_LBUTTONUP, 0, At(5, 5));
}

TEST_F(SkinnedButtons, ReleasingOutsideAPressedButtonSendsNothing)
{
    for (DWORD style : {DWORD(BS_PUSHBUTTON), DWORD(BS_AUTOCHECKBOX)}) {
        HWND button = Button(style, 100 + int(style));
        ASSERT_TRUE(Skinned(button));
        Post(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
        Post(button, WM_MOUSEMOVE, MK_LBUTTON, At(300, 5));
        Post(button, WM_LBUTTONUP, 0, At(300, 5));
        EXPECT_EQ(Clicks(100 + int(style)), 0) << "style " << style;
        EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_NE(GetCapture(), button);
        // Released inside, the same press clicks.
        Click(button);
        EXPECT_EQ(Clicks(100 + int(style)), 1) << "style " << style;
        EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), style == BS_AUTOCHECKBOX ? BST_CHECKED : BST_UNCHECKED);
    }
}

TEST_F(SkinnedButtons, ClicksStepTheCheckStateByStyle)
{
    struct Case {
        DWORD style;
        LRESULT after[3];
    } cases[] = {
        {BS_AUTO3STATE, {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}},
        {BS_AUTOCHECKBOX, {BST_CHECKED, BST_UNCHECKED, BST_CHECKED}},
        {BS_3STATE, {BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED}},
    };
    int id = 200;
    for (const Case& c : cases) {
        HWND box = Button(c.style, ++id);
        for (int click = 0; click < 3; ++click) {
            Click(box);
            EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), c.after[click]) << "style " << c.style << " click " << click;
            // Kept where the system's button keeps it.
            EXPECT_EQ(GetWindowWord(box, 0) & 3, c.after[click]);
        }
        EXPECT_EQ(Clicks(id), 3);
        DestroyWindow(box);
    }
}

TEST_F(SkinnedButtons, RadioUncheckingStopsAtTheGroupsEnd)
{
    HWND radios[5];
    for (int i = 0; i < 5; ++i) {
        const DWORD group = (i == 0 || i == 3) ? WS_GROUP : 0;
        radios[i] = Button(BS_AUTORADIOBUTTON | group, 301 + i, {10, 10 + 25 * i, 150, 30 + 25 * i});
    }
    SendMessageA(radios[0], BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(radios[3], BM_SETCHECK, BST_CHECKED, 0);
    const auto checks = [&] {
        std::string states;
        for (HWND radio : radios)
            states += char('0' + SendMessageA(radio, BM_GETCHECK, 0, 0));
        return states;
    };
    Click(radios[1]);
    EXPECT_EQ(checks(), "01010");
    // From the last of the second group back to its start, and no further.
    Click(radios[4]);
    EXPECT_EQ(checks(), "01001");
}

TEST_F(SkinnedButtons, EachStateShowsItsPictureAndDisabledWinsOverEverything)
{
    struct Case {
        const char* name;
        DWORD style;
        bool checked, pushed, focused, disabled;
        Block shown;
    } cases[] = {
        {"normal", BS_PUSHBUTTON, false, false, false, false, NORMAL},
        {"default", BS_DEFPUSHBUTTON, false, false, false, false, DEFAULT},
        {"focused", BS_PUSHBUTTON, false, false, true, false, FOCUSED},
        {"checked", BS_PUSHBUTTON, true, false, false, false, PRESSED},
        {"pushed", BS_PUSHBUTTON, false, true, true, false, PRESSED},
        {"disabled though checked, pushed and focused", BS_DEFPUSHBUTTON, true, true, true, true, DISABLED},
    };
    HWND other = Button(BS_PUSHBUTTON, 399, {200, 10, 260, 40});
    int id = 400;
    for (const Case& c : cases) {
        SetFocus(other);
        HWND button = Button(c.style, ++id);
        if (c.checked)
            SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
        if (c.pushed)
            SendMessageA(button, BM_SETSTATE, TRUE, 0);
        if (c.disabled)
            EnableWindow(button, FALSE);
        if (c.focused)
            SetFocus(button);
        EXPECT_EQ(ClientPixel(button, 50, 4), kBlockColours[c.shown]) << c.name;
        DestroyWindow(button);
    }
}

TEST_F(SkinnedButtons, SpaceTogglesAFocusedCheckBoxAndNotifies)
{
    HWND box = Button(BS_AUTOCHECKBOX, 500);
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    for (LRESULT expected : {BST_CHECKED, BST_UNCHECKED}) {
        Post(box, WM_KEYDOWN, VK_SPACE, 0x00390001);
        EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), expected == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED)
            << "the state changes on release";
        Post(box, WM_KEYUP, VK_SPACE, LPARAM(0xC0390001));
        EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), expected);
    }
    EXPECT_EQ(Clicks(500), 2);
}

// The same input on a skinned button and on the system's button beside it
// must reach the parent as the same notifications.
TEST_F(SkinnedButtons, NotificationsMatchTheSystemsButton)
{
    Notifications plainHeard;
    SetAutoDialogSkin("");
    HWND plain = CreateRecordingDialog(&plainHeard, 520, 120);
    SetAutoDialogSkin("Dialog");
    ASSERT_NE(plain, nullptr);
    ASSERT_FALSE(Skinned(plain));

    const DWORD styles[] = {BS_PUSHBUTTON,      BS_PUSHBUTTON | BS_NOTIFY, BS_AUTOCHECKBOX, BS_AUTO3STATE,
                            BS_AUTORADIOBUTTON, BS_RADIOBUTTON,            BS_CHECKBOX | BS_NOTIFY};
    int id = 600;
    for (DWORD style : styles) {
        ++id;
        HWND pair[2];
        Notifications got[2];
        for (int side = 0; side < 2; ++side) {
            HWND dialog = side ? plain : dialog_;
            HWND focus = Button(BS_PUSHBUTTON, 699, {200, 10, 260, 40}, dialog);
            pair[side] = Button(style, id, kButtonRect, dialog);
            EXPECT_EQ(Skinned(pair[side]), side == 0);
            SetFocus(focus);
            Pump();
            (side ? plainHeard : heard_).clear();
            HWND b = pair[side];
            Click(b);
            // A double click: press, release, the second press, release.
            Post(b, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
            Post(b, WM_LBUTTONUP, 0, At(5, 5));
            Post(b, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 5));
            Post(b, WM_LBUTTONUP, 0, At(5, 5));
            Post(b, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
            Post(b, WM_LBUTTONUP, 0, At(-20, 5));
            // A key released that was never pressed here, then a whole press.
            Post(b, WM_KEYUP, VK_SPACE, LPARAM(0xC0390001));
            Post(b, WM_KEYDOWN, VK_SPACE, 0x00390001);
            Post(b, WM_KEYUP, VK_SPACE, LPARAM(0xC0390001));
            SetFocus(focus);
            Pump();
            got[side] = side ? plainHeard : heard_;
            DestroyWindow(focus);
        }
        EXPECT_EQ(Describe(got[0]), Describe(got[1])) << "style " << style;
        EXPECT_EQ(SendMessageA(pair[0], BM_GETCHECK, 0, 0), SendMessageA(pair[1], BM_GETCHECK, 0, 0))
            << "style " << style;
        EXPECT_FALSE(got[0].empty());
        DestroyWindow(pair[0]);
        DestroyWindow(pair[1]);
    }
    DestroyWindow(plain);
}

} // namespace
