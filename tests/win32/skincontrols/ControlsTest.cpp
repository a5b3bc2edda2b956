// The common controls' skin objects on real windows with the Slate skin: the
// same mouse and keyboard input gives the same notifications as the system's
// controls; the scroll bar control's own messages and repeat; the progress
// bar's filled part in pixels; the animation control's clips and temporary files.
#include "../skinruntime/SkinTestSupport.h"
#include "skin/file/SkinDefinitions.h"
#include "skin/file/SkinStore.h"
#include "skin/file/SkinTypes.h"
#include "skin/runtime/SkinRegistry.h"
#include "skin/runtime/SkinRuntime.h"
#include "skin/runtime/SkinWnd.h"
#include "skin/runtime/controls/SkinAnimation.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace glint;
using skintest::Pump;

namespace {

// What a parent saw from its controls, one word per notification.
std::vector<std::string>* journal = nullptr;

void Note(char kind, long code, long value = 0)
{
    char entry[32];
    wsprintfA(entry, value ? "%c%ld:%ld" : "%c%ld", kind, code, value);
    journal->push_back(entry);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (journal) {
        const int code = LOWORD(wParam);
        if (message == WM_HSCROLL || message == WM_VSCROLL)
            Note(message == WM_HSCROLL ? 'H' : 'V', code,
                 code == SB_THUMBTRACK || code == SB_THUMBPOSITION ? HIWORD(wParam) : 0);
        else if (message == WM_COMMAND && lParam)
            Note('C', HIWORD(wParam));
        else if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<NMHDR*>(lParam);
            // Custom-draw and tool-tip chatter depends on painting, not on the input.
            if (header->code != UINT(NM_CUSTOMDRAW) && header->code != UINT(TTN_GETDISPINFOA) &&
                header->code != UINT(TTN_GETDISPINFOW) && header->code != UINT(NM_TOOLTIPSCREATED))
                Note('N', int(header->code));
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char kParentClass[] = "SkinControlsTestParent";

class SkinControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&classes);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kParentClass;
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        RegisterClassA(&wc);
    }
    void SetUp() override
    {
        baseline_ = CSkinWnd::LiveObjects();
        ASSERT_EQ(InitSkinRuntime(GetModuleHandleA(nullptr), "Skin controls", 0, 0), 1);
        ASSERT_EQ(OpenSkinResource(GetModuleHandleA(nullptr), "SLATE_SKIN", "GLAZE_WORK"), 1)
            << "error " << SkinRuntimeError();
    }
    void TearDown() override
    {
        for (HWND window : windows_)
            DestroyWindow(window);
        Pump();
        ExitSkinRuntime();
        EXPECT_EQ(CSkinWnd::LiveObjects(), baseline_) << "skin objects left alive";
        journal = nullptr;
    }

    // A parent window for controls, skinned ("Dialog") or not. Only what is
    // looked at is shown: Wine takes seconds to take a shown window down.
    HWND Parent(bool skinned, bool shown = false)
    {
        HWND parent = CreateWindowExA(0, kParentClass, "Controls", WS_POPUP | (shown ? WS_VISIBLE : 0), 40, 40, 360, 200, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(parent);
        if (skinned) {
            EXPECT_EQ(SkinRegistry().AttachDialog(parent, "Dialog"), 1);
        }
        return parent;
    }
    HWND Control(HWND parent, const char* cls, DWORD style, RECT r, int id = 100)
    {
        HWND control = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, parent, HMENU(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
        Pump();
        return control;
    }

    long baseline_ = 0;
    std::vector<HWND> windows_;
};

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

void Click(HWND control, int x, int y)
{
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    Pump();
    SendMessageA(control, WM_LBUTTONUP, 0, At(x, y));
    Pump();
}

struct Case {
    const char* name;
    const char* cls;
    DWORD style;
    RECT rect;
    std::function<void(HWND)> setUp;
    std::function<void(HWND)> input;
};

TEST_F(SkinControlsTest, SkinnedControlsNotifyAsTheSystemsDoForTheSameInput)
{
    const Case cases[] = {
        {"combo box chosen with the keyboard", WC_COMBOBOXA, CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 200, 150},
         [](HWND c) {
             for (const char* item : {"one", "two", "three"})
                 SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
             SendMessageA(c, CB_SETCURSEL, 0, 0);
         },
         [](HWND c) {
             SetFocus(c);
             Pump();
             SendMessageA(c, WM_KEYDOWN, VK_DOWN, 0);
             SendMessageA(c, WM_KEYDOWN, VK_END, 0);
             Pump();
             EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 2);
         }},
        {"trackbar thumb dragged", TRACKBAR_CLASSA, TBS_AUTOTICKS, {10, 10, 210, 40},
         [](HWND c) { SendMessageA(c, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10)); },
         [](HWND c) {
             RECT thumb;
             SendMessageA(c, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
             const int y = (thumb.top + thumb.bottom) / 2;
             SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, At((thumb.left + thumb.right) / 2, y));
             SendMessageA(c, WM_MOUSEMOVE, MK_LBUTTON, At(100, y));
             SendMessageA(c, WM_MOUSEMOVE, MK_LBUTTON, At(150, y));
             SendMessageA(c, WM_LBUTTONUP, 0, At(150, y));
             Pump();
             EXPECT_GT(SendMessageA(c, TBM_GETPOS, 0, 0), 4);
         }},
        {"tab switched by a click", WC_TABCONTROLA, 0, {10, 10, 250, 120},
         [](HWND c) {
             for (const char* text : {"First", "Second", "Third"}) {
                 TCITEMA item = {};
                 item.mask = TCIF_TEXT;
                 item.pszText = const_cast<char*>(text);
                 SendMessageA(c, TCM_INSERTITEMA, 9, reinterpret_cast<LPARAM>(&item));
             }
         },
         [](HWND c) {
             RECT tab;
             SendMessageA(c, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
             Click(c, (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
             EXPECT_EQ(SendMessageA(c, TCM_GETCURSEL, 0, 0), 1);
         }},
        {"up-down clicked on both halves", UPDOWN_CLASSA, 0, {10, 10, 30, 50},
         [](HWND c) {
             SendMessageA(c, UDM_SETRANGE32, 0, 9);
             SendMessageA(c, UDM_SETPOS32, 0, 5);
         },
         [](HWND c) {
             Click(c, 10, 5);
             Click(c, 10, 5);
             Click(c, 10, 35);
             EXPECT_EQ(SendMessageA(c, UDM_GETPOS32, 0, 0), 6);
         }},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seen[2];
        for (int skinned = 0; skinned < 2; ++skinned) {
            HWND parent = Parent(skinned);
            HWND control = Control(parent, c.cls, c.style, c.rect);
            c.setUp(control);
            SetFocus(nullptr); // what loses the focus notifies outside the journal
            Pump();
            ASSERT_EQ(SkinRegistry().Find(control) != nullptr, skinned == 1) << c.name;
            journal = &seen[skinned];
            c.input(control);
            journal = nullptr;
        }
        EXPECT_FALSE(seen[0].empty()) << c.name;
        EXPECT_EQ(seen[1], seen[0]) << c.name;
    }
}

TEST_F(SkinControlsTest, ScrollBarControlScrollsRepeatsAndEnds)
{
    HWND control = Control(Parent(true), "ScrollBar", SBS_HORZ, {10, 10, 210, 26});
    ASSERT_NE(SkinRegistry().Find(control), nullptr);
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 20, 40, 0};
    SetScrollInfo(control, SB_CTL, &info, TRUE);
    std::vector<std::string> seen;
    journal = &seen;
    auto count = [&seen](const std::string& entry) { return std::count(seen.begin(), seen.end(), entry); };

    // Arrows and page areas, one request each, and SB_ENDSCROLL on release.
    const struct {
        int x;
        const char* request;
    } clicks[] = {{5, "H0"}, {205 - 10 - 5, "H1"}, {20, "H2"}, {180, "H3"}};
    for (const auto& click : clicks) {
        seen.clear();
        Click(control, click.x, 8);
        EXPECT_EQ(seen, (std::vector<std::string>{click.request, "H8"})) << click.x;
        EXPECT_EQ(GetCapture(), nullptr);
    }

    // Held on the right arrow: the timer repeats it; moved off, it stops.
    seen.clear();
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(195, 8));
    EXPECT_EQ(GetCapture(), control);
    EXPECT_TRUE(Pump([&] { return count("H1") >= 3; }));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, At(100, 8));
    const auto held = count("H1");
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 700, QS_ALLINPUT);
    Pump();
    EXPECT_EQ(count("H1"), held);
    SendMessageA(control, WM_LBUTTONUP, 0, At(100, 8));
    Pump();
    EXPECT_EQ(seen.back(), "H8");

    // The thumb dragged to the far end: the last positions and the end.
    info.fMask = SIF_POS;
    info.nPos = 0;
    SetScrollInfo(control, SB_CTL, &info, TRUE);
    seen.clear();
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 8));
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, At(400, 8));
    SendMessageA(control, WM_LBUTTONUP, 0, At(400, 8));
    Pump();
    EXPECT_EQ(seen, (std::vector<std::string>{"H5:81", "H4:81", "H8"}));
}

TEST_F(SkinControlsTest, ProgressBarFillsItsShareInTheSkinsColours)
{
    // The pictures taken away: the fill and the rest show the definition's two colours.
    auto* definition = dynamic_cast<CProgressDefinition*>(SkinRegistry().Store().FindByType(SKIN_PROGRESS));
    ASSERT_NE(definition, nullptr);
    definition->baseImage = {};
    definition->progressImage = {};
    definition->usePercent = 0;
    const COLORREF back = definition->backColour, fill = definition->textColour;
    ASSERT_NE(back, fill);
    HWND parent = Parent(true, true);
    for (DWORD style : {DWORD(0), DWORD(PBS_VERTICAL)}) {
        HWND bar = Control(parent, PROGRESS_CLASSA, style, {10, 10, 210, 110}, 101);
        SendMessageA(bar, PBM_SETRANGE32, 0, 100);
        SendMessageA(bar, PBM_SETPOS, 30, 0);
        UpdateWindow(bar);
        Pump();
        // 30 %: 60 of 200 pixels from the left, or 30 of 100 from the bottom.
        HDC dc = GetDC(bar);
        const POINT probes[] = {{0, 50}, {59, 50}, {60, 50}, {199, 50}};
        for (const POINT p : probes) {
            const POINT at = style ? POINT{100, 99 - p.x / 2} : p;
            EXPECT_EQ(GetPixel(dc, at.x, at.y), p.x < 60 ? fill : back) << at.x << "," << at.y;
        }
        ReleaseDC(bar, dc);
        DestroyWindow(bar);
    }
}

// Temporary copies of clips left in the temporary folder.
int TempCopies()
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "GW$*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        ++count;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

TEST_F(SkinControlsTest, AnimationPlaysItsResourceClipAndLeavesNoTemporaryFile)
{
    const int before = TempCopies();
    HWND parent = Parent(true);
    HWND animation = Control(parent, ANIMATE_CLASSA, ACS_CENTER, {10, 10, 110, 60});
    auto* object = dynamic_cast<CSkinAnimation*>(SkinRegistry().Find(animation));
    ASSERT_NE(object, nullptr);
    const auto module = reinterpret_cast<WPARAM>(GetModuleHandleA(nullptr));

    // A clip of scale 0: refused (why, AviClipTest), nothing shown, no copy left.
    EXPECT_FALSE(SendMessageA(animation, ACM_OPENA, module, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(2))));
    EXPECT_EQ(object->Error(), ANIMATION_CLIP_REFUSED);
    EXPECT_FALSE(SendMessageA(animation, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF)));
    EXPECT_EQ(TempCopies(), before);
    EXPECT_FALSE(SendMessageA(animation, ACM_OPENA, module, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(7))));
    EXPECT_EQ(object->Error(), ANIMATION_NO_RESOURCE);

    // The good clip plays frame after frame, stops, and plays again until the window goes.
    ASSERT_TRUE(SendMessageA(animation, ACM_OPENA, module, reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(1))));
    EXPECT_EQ(object->Error(), ANIMATION_OK);
    ASSERT_TRUE(SendMessageA(animation, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF)));
    EXPECT_TRUE(Pump([&] { return object->CurrentFrame() == 2; }));
    EXPECT_TRUE(SendMessageA(animation, ACM_ISPLAYING, 0, 0));
    SendMessageA(animation, ACM_STOP, 0, 0);
    EXPECT_FALSE(object->Playing());
    ASSERT_TRUE(SendMessageA(animation, ACM_PLAY, 1, MAKELPARAM(0, 0xFFFF)));
    DestroyWindow(animation);
    EXPECT_EQ(SkinRegistry().Find(animation), nullptr);
    EXPECT_EQ(TempCopies(), before);
}

} // namespace
