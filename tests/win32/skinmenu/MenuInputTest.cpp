// Skinned popup menus driven by real input (SendInput) while their own loop
// runs: keyboard navigation into a submenu, Escape in a submenu, mnemonics, a
// grayed item clicked, and a maximised skinned dialog's system menu from
// Alt+Space (Slate skin). (Where popups go on the screen is worked out in
// MenuRulesTest; the system menu from the caption button is opened, looked at
// and used end to end.)
#include "../skinruntime/SkinTestSupport.h"

#include "skin/runtime/SkinMessages.h"
#include "skin/runtime/menu/SkinPopupMenu.h"

#include <functional>

using namespace skintest;

namespace {

// The steps of a script run one per timer tick, each when it is ready (it
// answers false to be asked again): the menu's own loop dispatches the
// ticks, and input sent in one step is in the queue before the next tick.
using Step = std::function<bool()>;
std::vector<Step> steps;
size_t nextStep = 0;
int ticks = 0;
bool timedOut = false;
constexpr int kTickMs = 30;
constexpr int kMaxTicks = 200;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (nextStep < steps.size() && steps[nextStep]())
        ++nextStep;
    if (++ticks > kMaxTicks && !timedOut) {
        // A stuck script ends the menu, so that the test fails instead of hanging.
        timedOut = true;
        if (CSkinPopupMenuWnd* open = CSkinPopupMenuWnd::ActiveMenu())
            PostMessageA(open->Window(), WM_SKINMENUENDTRACK, 0, 0);
    }
}

class Script {
public:
    explicit Script(std::vector<Step> script)
    {
        steps = std::move(script);
        nextStep = 0;
        ticks = 0;
        timedOut = false;
        timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
    }
    ~Script() { KillTimer(nullptr, timer_); }
    bool Finished() const { return nextStep == steps.size() && !timedOut; }

private:
    UINT_PTR timer_;
};

void SendKeys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    std::vector<INPUT> input;
    for (const auto& [vk, up] : keys) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        input.push_back(in);
    }
    SendInput(UINT(input.size()), input.data(), sizeof(INPUT));
}

Step Key(WORD vk)
{
    return [vk] {
        SendKeys({{vk, false}, {vk, true}});
        return true;
    };
}

void SendMouse(POINT at, DWORD buttons)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = at.x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = at.y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | buttons;
    SendInput(1, &in, sizeof in);
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A click in the middle of an item of the open root popup.
Step ClickItem(int item)
{
    return [item] {
        RECT row;
        CSkinPopupMenuWnd* menu = CSkinPopupMenuWnd::ActiveMenu();
        if (!menu || !menu->ItemScreenRect(item, &row))
            return false;
        SendMouse(Centre(row), MOUSEEVENTF_LEFTDOWN);
        SendMouse(Centre(row), MOUSEEVENTF_LEFTUP);
        return true;
    };
}

// Runs a look at the open menu once it is open.
Step Look(std::function<void(CSkinPopupMenuWnd&)> look)
{
    return [look] {
        CSkinPopupMenuWnd* menu = CSkinPopupMenuWnd::ActiveMenu();
        if (!menu)
            return false;
        look(*menu);
        return true;
    };
}

// The commands the owner window was sent.
std::vector<UINT> commands;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        commands.push_back(LOWORD(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

// The runtime with the Slate skin; an owner window at the front.
class MenuInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        baseline_ = CSkinWnd::LiveObjects();
        ASSERT_EQ(InitSkinRuntime(GetModuleHandleA(nullptr)), 1);
        ASSERT_EQ(OpenSkinResource(GetModuleHandleA(nullptr), "SLATE_SKIN", "GLAZE_WORK"), 1);
        SetAutoDialogSkin("Dialog");
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkinMenuTestOwner";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(owner_, nullptr);
        SetForegroundWindow(owner_);
        Pump();
        commands.clear();
    }
    void TearDown() override
    {
        DestroyWindow(owner_);
        ExitSkinRuntime();
        EXPECT_EQ(CSkinWnd::LiveObjects(), baseline_) << "menu objects left alive";
        Pump();
    }
    // &Alpha, a separator, &Beta with &One and &Two, &Gamma with its accelerator.
    static HMENU TestMenu()
    {
        HMENU sub = CreatePopupMenu();
        AppendMenuA(sub, MF_STRING, 301, "&One");
        AppendMenuA(sub, MF_STRING, 302, "&Two");
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 101, "&Alpha");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&Beta");
        AppendMenuA(menu, MF_STRING, 103, "&Gamma\tCtrl+G");
        return menu;
    }

    HWND owner_ = nullptr;
    long baseline_ = 0;
};

TEST_F(MenuInputTest, ArrowsEscapeAndMnemonicsMoveThroughASubmenu)
{
    HMENU menu = TestMenu();
    int afterDowns = -2, childSelected = -2, rootSelection = -2;
    bool childAfterEscape = true;
    Script script({Key(VK_DOWN), Key(VK_DOWN), Look([&](CSkinPopupMenuWnd& m) { afterDowns = m.Selected(); }),
                   Key(VK_RIGHT),
                   Look([&](CSkinPopupMenuWnd& m) { childSelected = m.Child() ? m.Child()->Selected() : -1; }),
                   Key(VK_ESCAPE),
                   Look([&](CSkinPopupMenuWnd& m) {
                       childAfterEscape = m.Child() != nullptr;
                       rootSelection = m.Selected();
                   }),
                   Key('B'), Key('T')});
    // B opens the submenu again by its mnemonic, T chooses Two.
    EXPECT_EQ(SkinTrackPopupMenu(menu, TPM_RETURNCMD, 120, 120, owner_), 302);
    EXPECT_TRUE(script.Finished()) << "the first Escape ended the whole menu";
    EXPECT_EQ(afterDowns, 2) << "the second Down skips the separator";
    EXPECT_EQ(childSelected, 0) << "Right opens the submenu on its first item";
    EXPECT_FALSE(childAfterEscape) << "Escape closes only the submenu";
    EXPECT_EQ(rootSelection, 2);
    Pump();
    EXPECT_TRUE(commands.empty()) << "a returned command is not posted";
    DestroyMenu(menu);
}

TEST_F(MenuInputTest, AGrayedItemKeepsTheMenuOpenAndPostsNothing)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 201, "Gr&ayed");
    AppendMenuA(menu, MF_STRING, 202, "&Normal");
    int openAfterClick = 0, openAfterMnemonic = 0;
    Script script({ClickItem(0), Look([&](CSkinPopupMenuWnd&) { ++openAfterClick; }), Key('A'),
                   Look([&](CSkinPopupMenuWnd&) { ++openAfterMnemonic; }), ClickItem(1)});
    EXPECT_TRUE(SkinTrackPopupMenu(menu, 0, 120, 120, owner_));
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(openAfterClick, 1);
    EXPECT_EQ(openAfterMnemonic, 1);
    Pump();
    EXPECT_EQ(commands, std::vector<UINT>{202}) << "only the normal item's click posts";
    DestroyMenu(menu);
}

// The system commands posted on the thread, as the windows retrieve them.
std::vector<UINT> postedSystemCommands;

LRESULT CALLBACK RecordSystemCommands(int code, WPARAM removed, LPARAM lParam)
{
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_SYSCOMMAND)
        postedSystemCommands.push_back(UINT(msg->wParam & 0xFFF0));
    return CallNextHookEx(nullptr, code, removed, lParam);
}

TEST_F(MenuInputTest, AltSpaceOpensTheMaximisedDialogsSystemMenu)
{
    DialogLog log;
    HWND dialog = DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                                 160, 90, L"Menus")
                      .Create(&log);
    ASSERT_NE(SkinRegistry().Find(dialog), nullptr);
    ShowWindow(dialog, SW_MAXIMIZE);
    SetForegroundWindow(dialog);
    Pump();
    std::map<UINT, bool> grayed;
    Script script({Look([&](CSkinPopupMenuWnd& m) {
                       for (const SkinMenuItem& item : m.Items())
                           if (!item.IsSeparator())
                               grayed[item.id] = item.IsUnavailable();
                   }),
                   Key(VK_DOWN), Key(VK_RETURN)});
    postedSystemCommands.clear();
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, RecordSystemCommands, nullptr, GetCurrentThreadId());
    SendKeys({{VK_MENU, false}, {VK_SPACE, false}, {VK_SPACE, true}, {VK_MENU, true}});
    // Alt+Space comes back as SC_KEYMENU, then the menu's choice.
    EXPECT_TRUE(Pump([&] { return script.Finished() && postedSystemCommands.size() == 2; }, 6000));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(postedSystemCommands, (std::vector<UINT>{SC_KEYMENU, SC_RESTORE})) << "Down and Enter choose Restore";
    // Maximised: only restoring, minimising and closing are offered.
    EXPECT_EQ(grayed, (std::map<UINT, bool>{{SC_RESTORE, false}, {SC_MOVE, true}, {SC_SIZE, true},
                                            {SC_MINIMIZE, false}, {SC_MAXIMIZE, true}, {SC_CLOSE, false}}));
    DestroyWindow(dialog);
}

} // namespace
