// The installer on real windows under Wine: the list file and entries read
// through the real system calls, and the progress dialog (its look, the
// animation, the keys it swallows, the about box, and how it ends: by itself
// with OK without a list, with Cancel on close). The expanded placeholders,
// the starting of programs with their waits, retries and failure report, the
// end after the last entry and that closing starts no further entry are
// checked end to end (test_install.py).
//
// The worker reads the list beside this test program (win32_install.ini);
// chainstep.exe plays the setup programs.
#include "framework/App.h"
#include "framework/ModalFilter.h"
#include "install/InstallDlg.h"
#include "install/InstallList.h"
#include "resources/InstallIds.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <vector>

using namespace glint::install;

namespace {

std::string Folder() { return FolderOf(ModulePath()); }

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class ListFile : public ::testing::Test {
protected:
    void TearDown() override { DeleteFileA(path_.c_str()); }
    std::string path_ = Folder() + "list-test.ini";
};

} // namespace

TEST_F(ListFile, KeysUpToTheFirstMissingOneAreReadWhole)
{
    // Beyond the 259 characters of a classic buffer: cutting it would run
    // another command line.
    const std::string longEntry = "prog.exe " + std::string(700, 'x') + " /end";
    WriteText(path_, "[InstallList]\r\nSetup1=" + longEntry + "\r\nSetup2=b.exe\r\nSetup4=d.exe\r\n");
    EXPECT_EQ(ReadInstallList(path_), (std::vector<std::string>{longEntry, "b.exe"}));
    WriteText(path_, "[Other]\r\nSetup1=a.exe\r\n");
    EXPECT_TRUE(ReadInstallList(path_).empty());
    EXPECT_TRUE(ReadInstallList(Folder() + "no-such-list.ini").empty());
}

TEST(ReadMachineText, MissingKeysAndValuesAreEmpty)
{
    EXPECT_EQ(ReadMachineText("Software\\Glintbox\\NoSuchKey", "Value"), "");
    EXPECT_EQ(ReadMachineText("SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", "NoSuchValue"), "");
}

TEST(ExpandEntry, UnknownVariablesStayAndLongResultsAreNotCut)
{
    SetEnvironmentVariableA("GLINT_INSTALL_LONG", std::string(600, 'y').c_str());
    std::string out = ExpandEntry("a.exe %GLINT_INSTALL_LONG% %GLINT_NO_SUCH_VARIABLE%", "C:\\");
    EXPECT_EQ(out, "a.exe " + std::string(600, 'y') + " %GLINT_NO_SUCH_VARIABLE%");
    SetEnvironmentVariableA("GLINT_INSTALL_LONG", nullptr);
}

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
            text += SetupKey(key++) + "=%CurrentLocation%\\chainstep.exe \"" + log_ + "\" " + name + " " +
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

// One run looked at in turn: its place and look, dragging, Escape and Enter
// that do not end it, the about box from the system menu (whose Escape is its
// own), and the animation.
TEST_F(InstallDialog, LooksDragsIgnoresKeysShowsTheAboutBoxAndAnimates)
{
    WriteList({{"a", 6000}});
    std::vector<std::pair<DWORD, std::vector<int>>> shown; // each change of the frames shown, with its time
    bool topmost = false, spareHidden = false, aboutGone = false, dialogAlive = false;
    RECT rect = {}, frame = {};
    std::string aboutEntry, texts;
    LRESULT hits[3] = {};
    HWND about = nullptr;
    Script script;
    script.steps.emplace_back(300, [&] {
        HWND d = dialog_.m_hWnd;
        topmost = (GetWindowLongA(d, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        spareHidden = !IsWindowVisible(GetDlgItem(d, IDC_SPARE));
        GetWindowRect(d, &rect);
        GetWindowRect(GetDlgItem(d, IDC_FRAME1), &frame);
        const POINT points[] = {{rect.left + 200, rect.top + 60}, {frame.left + 5, frame.top + 5},
                                {rect.right + 50, rect.bottom + 50}};
        for (int i = 0; i < 3; ++i)
            hits[i] = SendMessageA(d, WM_NCHITTEST, 0, MAKELPARAM(points[i].x, points[i].y));
        aboutEntry = MenuText(GetSystemMenu(d, FALSE), IDM_ABOUTBOX);
        // Were they to end the dialog, the steps below would never run.
        PostKey(d, VK_ESCAPE);
        PostKey(d, VK_RETURN);
    });
    // Timers come late on a loaded machine: the frames are watched, not looked at once.
    for (DWORD t = 300; t <= 4000; t += 50)
        script.steps.emplace_back(t, [&] {
            std::vector<int> now = VisibleFrames(dialog_.m_hWnd);
            if (shown.empty() || shown.back().second != now)
                shown.emplace_back(GetTickCount() - script.start, now);
        });
    script.steps.emplace_back(4000, [&] { PostMessageA(dialog_.m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
    script.steps.emplace_back(4400, [&] {
        about = FindWindowA(nullptr, "About Install");
        if (about) {
            EnumChildWindows(about, CollectText, reinterpret_cast<LPARAM>(&texts));
            PostKey(about, VK_ESCAPE);
        }
    });
    script.steps.emplace_back(4800, [&] {
        aboutGone = !about || !IsWindow(about);
        dialogAlive = IsWindow(dialog_.m_hWnd) != FALSE;
        PostMessageA(dialog_.m_hWnd, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(Run(script), IDCANCEL);

    // At the top-left corner, about the picture's size (470 x 165), above other windows.
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_NEAR(rect.right, 469, 2);
    EXPECT_NEAR(rect.bottom, 165, 2);
    EXPECT_TRUE(topmost);
    EXPECT_TRUE(spareHidden);
    // Dragged by any point of the picture or a frame.
    EXPECT_EQ(hits[0], HTCAPTION);
    EXPECT_EQ(hits[1], HTCAPTION);
    EXPECT_EQ(hits[2], HTNOWHERE);
    EXPECT_EQ(aboutEntry, "&About Install...");
    ASSERT_NE(about, nullptr);
    EXPECT_NE(texts.find("Install Version 1.0"), std::string::npos) << texts;
    EXPECT_NE(texts.find("OK"), std::string::npos) << texts;
    EXPECT_TRUE(aboutGone);
    EXPECT_TRUE(dialogAlive);
    // Frame 1 first; the first tick shows it again, the second frame 2.
    ASSERT_GE(shown.size(), 2u) << "the animation did not move within 4 s";
    EXPECT_EQ(shown[0].second, std::vector<int>{IDC_FRAME1});
    EXPECT_EQ(shown[1].second, std::vector<int>{IDC_FRAME1 + 1});
    EXPECT_GE(shown[1].first, 1800u) << "frame 2 came before the second tick";
}
