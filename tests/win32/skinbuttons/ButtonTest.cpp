// Skinned push buttons, check boxes and radio buttons on real windows under
// Wine, driven with posted mouse and key messages: the radio groups, the
// pictures of each state, and the parent's notifications, the check states
// and the capture compared with the system's own button on the same input.
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

// The same input on a skinned button and on the system's button beside it
// must reach the parent as the same notifications and leave the same check
// state after every message and the same capture after every release: clicks,
// a double click, a press released outside, a key released that was never
// pressed, Space.
TEST_F(SkinnedButtons, InputGivesWhatTheSystemsButtonGives)
{
    Notifications plainHeard;
    SetAutoDialogSkin("");
    HWND plain = CreateRecordingDialog(&plainHeard, 520, 120);
    SetAutoDialogSkin("Dialog");
    ASSERT_NE(plain, nullptr);
    ASSERT_FALSE(Skinned(plain));

    const LPARAM in = At(5, 5), out = At(300, 5), spaceDown = 0x00390001, spaceUp = LPARAM(0xC0390001);
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } steps[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in}, // a click
        {WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in}, // a double click
        {WM_LBUTTONDBLCLK, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in},
        {WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_MOUSEMOVE, MK_LBUTTON, out}, {WM_LBUTTONUP, 0, out},
        {WM_LBUTTONDOWN, MK_LBUTTON, in}, {WM_LBUTTONUP, 0, in}, // a third click
        {WM_KEYUP, VK_SPACE, spaceUp}, {WM_KEYDOWN, VK_SPACE, spaceDown}, {WM_KEYUP, VK_SPACE, spaceUp},
    };
    const DWORD styles[] = {BS_PUSHBUTTON,      BS_PUSHBUTTON | BS_NOTIFY, BS_AUTOCHECKBOX, BS_AUTO3STATE, BS_3STATE,
                            BS_AUTORADIOBUTTON, BS_RADIOBUTTON,            BS_CHECKBOX | BS_NOTIFY};
    int id = 600;
    for (DWORD style : styles) {
        ++id;
        Notifications got[2];
        for (int side = 0; side < 2; ++side) {
            HWND dialog = side ? plain : dialog_;
            Notifications& heard = side ? plainHeard : heard_;
            HWND focus = Button(BS_PUSHBUTTON, 699, {200, 10, 260, 40}, dialog);
            HWND b = Button(style, id, kButtonRect, dialog);
            EXPECT_EQ(Skinned(b), side == 0);
            SetFocus(focus);
            Pump();
            heard.clear();
            for (const auto& step : steps) {
                Post(b, step.message, step.wParam, step.lParam);
                // After each message the check state, where the system's button keeps it too; after
                // each release, whether the mouse is still captured.
                heard.emplace_back(int(SendMessageA(b, BM_GETCHECK, 0, 0)), GetWindowWord(b, 0) & 3);
                if (step.message == WM_LBUTTONUP || step.message == WM_KEYUP)
                    heard.emplace_back(-1, GetCapture() == b);
            }
            SetFocus(focus);
            Pump();
            got[side] = heard;
            DestroyWindow(focus);
            DestroyWindow(b);
        }
        EXPECT_EQ(Describe(got[0]), Describe(got[1])) << "style " << style;
        EXPECT_GT(Clicks(id), 0) << "style " << style; // the skinned side's log was kept in heard_
    }
    DestroyWindow(plain);
}

} // namespace
