// The progress dialog on a real window: its look at start, the animation, the
// keys it swallows, the about box, and how it ends (by itself with OK when the
// list is done, with Cancel on close). That closing starts no further entry is
// checked end to end, with the real program.
//
// The worker reads the list beside this test program (win32_install.ini);
// chainstep.exe plays the setup programs.
#include "InstallTestSupport.h"

#include "framework/App.h"
#include "framework/ModalFilter.h"
#include "install/InstallDlg.h"
#include "resources/InstallIds.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace glint::install;
using namespace installtest;

namespace {

// Steps run from a thread timer that the dialog's own loop dispatches, each at
// its time after the start.
struct Script {
    std::vector<std::pair<DWORD, std::function<void()>>> steps;
    DWORD start = 0;
    size_t next = 0;
};
Script* running = nullptr;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (!running)
        return;
    DWORD elapsed = GetTickCount() - running->start;
    while (running->next < running->steps.size() && elapsed >= running->steps[running->next].first)
        running->steps[running->next++].second(); // may open a nested loop that ticks on
}

std::vector<int> VisibleFrames(HWND dialog)
{
    std::vector<int> shown;
    for (int id = IDC_FRAME1; id < IDC_FRAME1 + 8; ++id)
        if (IsWindowVisible(GetDlgItem(dialog, id)))
            shown.push_back(id);
    return shown;
}

std::string MenuText(HMENU menu, UINT command)
{
    char text[128] = "";
    GetMenuStringA(menu, command, text, sizeof text, MF_BYCOMMAND);
    return text;
}

BOOL CALLBACK CollectText(HWND child, LPARAM out)
{
    char text[256] = "";
    GetWindowTextA(child, text, sizeof text);
    *reinterpret_cast<std::string*>(out) += std::string(text) + "|";
    return TRUE;
}

void PostKey(HWND window, WPARAM key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

class InstallDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_.m_hInstance = GetModuleHandleA(nullptr);
        DeleteFileA(list_.c_str());
        DeleteFileA(log_.c_str());
    }
    void TearDown() override
    {
        DeleteFileA(list_.c_str());
        DeleteFileA(log_.c_str());
    }

    void WriteList(const std::vector<std::pair<std::string, int>>& steps)
    {
        std::string text = "[InstallList]\r\n";
        int key = 1;
        for (auto& [name, ms] : steps)
            text += SetupKey(key++) + "=%CurrentLocation%\\chainstep.exe " + Quoted(log_) + " " + name + " " +
                    std::to_string(ms) + "\r\n";
        WriteText(list_, text);
    }

    // Runs the dialog as the program does; a step at 20 s closes a dialog that
    // failed to end, so a fault cannot hang the run.
    INT_PTR Run(Script& script)
    {
        script.steps.emplace_back(20000, [this] {
            ADD_FAILURE() << "the dialog did not end";
            PostMessageA(dialog_.m_hWnd, WM_CLOSE, 0, 0);
        });
        script.start = GetTickCount();
        running = &script;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, Tick);
        INT_PTR result;
        {
            glint::fw::CModalPreTranslate keys;
            result = dialog_.DoModal();
        }
        KillTimer(nullptr, timer);
        running = nullptr;
        elapsed_ = GetTickCount() - script.start;
        // Every step but the guard must have run, or the test proved nothing.
        EXPECT_EQ(script.next, script.steps.size() - 1) << "the dialog ended before all steps ran";
        return result;
    }

    glint::fw::CWinApp app_{"installtest"};
    CInstallDlg dialog_;
    DWORD elapsed_ = 0;
    std::string list_ = InstallListPath(ModulePath());
    std::string log_ = Folder() + "dialog-test.log";
};

} // namespace

TEST_F(InstallDialog, WithoutAListItEndsItselfWithOkAfterAboutASecond)
{
    Script script;
    EXPECT_EQ(Run(script), IDOK);
    EXPECT_TRUE(dialog_.Done());
    EXPECT_GE(elapsed_, 800u);
    EXPECT_LT(elapsed_, 4000u);
}

TEST_F(InstallDialog, EscapeAndEnterDoNotEndIt)
{
    WriteList({{"a", 800}});
    Script script;
    script.steps.emplace_back(300, [this] {
        PostKey(dialog_.m_hWnd, VK_ESCAPE);
        PostKey(dialog_.m_hWnd, VK_RETURN);
    });
    EXPECT_EQ(Run(script), IDOK); // ended by the finished list, not by a key
    EXPECT_GE(elapsed_, 1800u);   // the entry and the second after it
    EXPECT_TRUE(Contains(ReadText(log_), "a end"));
}

TEST_F(InstallDialog, LooksAsItShouldAndAnimatesOneFrameASecond)
{
    WriteList({{"a", 3000}});
    std::vector<int> atStart, later;
    bool topmost = false, spareHidden = false;
    RECT rect = {};
    std::string aboutEntry;
    Script script;
    script.steps.emplace_back(300, [&] {
        HWND d = dialog_.m_hWnd;
        atStart = VisibleFrames(d);
        topmost = (GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        spareHidden = !IsWindowVisible(GetDlgItem(d, IDC_SPARE));
        GetWindowRect(d, &rect);
        aboutEntry = MenuText(GetSystemMenu(d, FALSE), IDM_ABOUTBOX);
    });
    script.steps.emplace_back(2400, [&] { later = VisibleFrames(dialog_.m_hWnd); });
    script.steps.emplace_back(2500, [&] { PostMessageA(dialog_.m_hWnd, WM_CLOSE, 0, 0); });
    EXPECT_EQ(Run(script), IDCANCEL);

    EXPECT_EQ(atStart, std::vector<int>{IDC_FRAME1});
    EXPECT_EQ(later, std::vector<int>{IDC_FRAME1 + 1}); // first tick shows frame 1 again, the second frame 2
    EXPECT_TRUE(topmost);
    EXPECT_TRUE(spareHidden);
    EXPECT_EQ(aboutEntry, "&About Install...");
    // At the top-left corner, about the picture's size (470 x 165).
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_NEAR(rect.right, 469, 2);
    EXPECT_NEAR(rect.bottom, 165, 2);
}

TEST_F(InstallDialog, SystemMenuEntryOpensTheAboutBoxWhichKeepsItsOwnEscape)
{
    WriteList({{"a", 3000}});
    HWND about = nullptr;
    std::string texts;
    bool aboutGone = false, dialogAlive = false;
    Script script;
    script.steps.emplace_back(300, [&] { PostMessageA(dialog_.m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
    script.steps.emplace_back(700, [&] {
        about = FindWindowA(nullptr, "About Install");
        if (about) {
            EnumChildWindows(about, CollectText, reinterpret_cast<LPARAM>(&texts));
            PostKey(about, VK_ESCAPE);
        }
    });
    script.steps.emplace_back(1100, [&] {
        aboutGone = !about || !IsWindow(about);
        dialogAlive = IsWindow(dialog_.m_hWnd) != FALSE;
        PostMessageA(dialog_.m_hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(Run(script), IDCANCEL);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(Contains(texts, "Install Version 1.0")) << texts;
    EXPECT_TRUE(Contains(texts, "OK")) << texts;
    EXPECT_TRUE(aboutGone);
    EXPECT_TRUE(dialogAlive);
}

TEST_F(InstallDialog, DragsByAnyPoint)
{
    WriteList({{"a", 2000}});
    Script script;
    LRESULT overPicture = 0, overFrame = 0, outside = 0;
    script.steps.emplace_back(300, [&] {
        HWND d = dialog_.m_hWnd;
        RECT r, frame;
        GetWindowRect(d, &r);
        GetWindowRect(GetDlgItem(d, IDC_FRAME1), &frame);
        overPicture = SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(r.left + 200, r.top + 60));
        overFrame = SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(frame.left + 5, frame.top + 5));
        outside = SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(r.right + 50, r.bottom + 50));
        PostMessageA(d, WM_CLOSE, 0, 0);
    });
    Run(script);
    EXPECT_EQ(overPicture, HTCAPTION);
    EXPECT_EQ(overFrame, HTCAPTION);
    EXPECT_EQ(outside, HTNOWHERE);
}
