// The saver window and the Flash wrapper on real windows: the built-in player
// standing in for a class that is not registered, the wrapper's operations
// through IDispatch, the saver's scale rule for FSCommand, its loop timer, the
// wave-out mute and what the window's end gives back.
#include "flash/win32/FlashControl.h"
#include "flash/win32/PlayerControl.h"
#include "framework/App.h"
#include "saver/SaverApp.h"
#include "saver/SaverWnd.h"
#include "saver/ShockwaveFlash.h"
#include "tests/win32/flash/TestMovies.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace glint;
using namespace glint::testmovies;
using flash::win32::kPlayerWindowClass;

// The wave-out device of Wine here has no volume (waveOutGetVolume answers
// MMSYSERR_INVALHANDLE for device ids), so this test program links its own
// stand-ins in place of winmm's two volume functions: the saver's calls come
// here through their import slots. The program under test is not changed.
namespace wavestandin {
DWORD volume = 0x8000C000;
bool readable = true;
std::vector<DWORD> sets;

MMRESULT WINAPI GetVolume(HWAVEOUT device, LPDWORD out)
{
    if (device != nullptr || !readable)
        return MMSYSERR_BADDEVICEID;
    *out = volume;
    return MMSYSERR_NOERROR;
}
MMRESULT WINAPI SetVolume(HWAVEOUT device, DWORD value)
{
    if (device != nullptr)
        return MMSYSERR_BADDEVICEID;
    sets.push_back(value);
    volume = value;
    return MMSYSERR_NOERROR;
}
} // namespace wavestandin

// The import slots the saver's calls go through; x86_64 names carry neither
// the extra underscore nor the stdcall argument size.
#ifdef _WIN64
#define WINMM_IMPORT_SLOT(name, argBytes) "__imp_" #name
#else
#define WINMM_IMPORT_SLOT(name, argBytes) "__imp__" #name "@" #argBytes
#endif
extern "C" {
void* waveOutGetVolumeSlot asm(WINMM_IMPORT_SLOT(waveOutGetVolume, 8)) = reinterpret_cast<void*>(&wavestandin::GetVolume);
void* waveOutSetVolumeSlot asm(WINMM_IMPORT_SLOT(waveOutSetVolume, 8)) = reinterpret_cast<void*>(&wavestandin::SetVolume);
}

namespace {

// {6C1E0F3A-5B0D-4E57-9A39-2F4C2B7E9D11}: a class that no system registers.
const CLSID kUnregisteredClass = {0x6C1E0F3A, 0x5B0D, 0x4E57, {0x9A, 0x39, 0x2F, 0x4C, 0x2B, 0x7E, 0x9D, 0x11}};

std::string ClassOf(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string ScaleOf(CShockwaveFlash& flash)
{
    VARIANT value;
    VariantInit(&value);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    if (!flash.Control() || FAILED(flash.Control()->Invoke(flash::win32::kDispScale, IID_NULL, 0,
                                                           DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr)))
        return "?";
    std::wstring wide(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    return std::string(wide.begin(), wide.end());
}

// A plain 160 x 120 top-level window hosting the controls and the preview.
HWND MakeHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SaverWndTestHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 10, 10, 160, 120, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

class FlashWrapperTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (IsWindow(host_))
            DestroyWindow(host_);
        for (const auto& f : files_)
            DeleteFileA(f.c_str());
    }
    std::string Movie(const char* name, const std::string& bytes)
    {
        files_.push_back(WriteTempFile(name, bytes));
        return files_.back();
    }

    fw::CWinApp app_{"flashtest"};
    HWND host_ = MakeHost();
    std::vector<std::string> files_;
};

class SaverWndTest : public FlashWrapperTest {
protected:
    void SetUp() override
    {
        runSettings = RunSettings{};
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        work_ = std::string(temp) + "glint-saverwnd-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(work_.c_str(), nullptr);
        runSettings.workFolder = work_;
        runSettings.moviePath = work_ + "\\movie.swf";
        wavestandin::volume = 0x8000C000;
        wavestandin::readable = true;
        wavestandin::sets.clear();
    }
    void TearDown() override
    {
        if (wnd_ && IsWindow(window_))
            DestroyWindow(window_);
        FlashWrapperTest::TearDown();
        runSettings = RunSettings{};
    }
    void WriteMovie(const std::string& bytes) { std::ofstream(runSettings.moviePath, std::ios::binary) << bytes; }
    bool Start(HWND parent)
    {
        wnd_ = new CSaverWnd;
        if (!wnd_->Create(parent)) {
            delete wnd_;
            wnd_ = nullptr;
            return false;
        }
        window_ = wnd_->m_hWnd;
        return true;
    }
    // Closes the window the way a key does and lets it go.
    void Close()
    {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        PumpUntil([&] { return !IsWindow(window_); }, 3000);
        wnd_ = nullptr; // deleted itself
    }
    bool WorkFolderExists() const { return GetFileAttributesA(work_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string work_;
    CSaverWnd* wnd_ = nullptr;
    HWND window_ = nullptr;
};

} // namespace

TEST_F(FlashWrapperTest, AnUnregisteredClassGetsTheBuiltInPlayer)
{
    for (const CLSID* classId : {&kUnregisteredClass, &flash::win32::kFlashClassId}) {
        CShockwaveFlash flash;
        RECT rect = {0, 0, 160, 120};
        ASSERT_TRUE(flash.CreateControl(*classId, WS_VISIBLE, rect, host_, 1005));
        EXPECT_TRUE(flash.UsesBuiltInPlayer()) << "Wine has no Flash control";
        HWND window = flash.GetSafeHwnd();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(ClassOf(window), kPlayerWindowClass);
        EXPECT_EQ(GetParent(window), host_);
        EXPECT_EQ(GetDlgCtrlID(window), 1005);
        EXPECT_EQ(fw::CWnd::FromHandle(window), &flash);
    }
    EXPECT_EQ(GetWindow(host_, GW_CHILD), nullptr) << "each wrapper took its window with it";
}

TEST_F(FlashWrapperTest, OperationsAndFSCommandGoThroughDispatch)
{
    CShockwaveFlash flash;
    std::vector<std::pair<std::string, std::string>> seen;
    flash.SetFSCommandHandler([&](const std::string& c, const std::string& a) { seen.emplace_back(c, a); });
    RECT rect = {0, 0, 160, 120};
    ASSERT_TRUE(flash.Create(WS_VISIBLE, rect, host_, 1005));
    EXPECT_EQ(flash.GetTotalFrames(), 0);
    flash.SetMovie(Movie("three.swf", ColourFrames(80, 60, 20, kNavy,
                                                   {{kRed}, {kGreen}, {kBlue, true, "AllowScale", "False"}})));
    EXPECT_EQ(flash.GetTotalFrames(), 3);
    EXPECT_TRUE(flash.GetPlaying());
    EXPECT_TRUE(PumpUntil([&] { return !flash.GetPlaying(); }, 2000));
    EXPECT_EQ(flash.GetFrameNum(), 2);
    // The handler gets the texts in the system code page.
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{{"AllowScale", "False"}}));
    flash.Rewind();
    EXPECT_EQ(flash.GetFrameNum(), 0);
    EXPECT_FALSE(flash.GetPlaying());
    flash.Play();
    EXPECT_TRUE(flash.GetPlaying());
    flash.SetScale("NoScale");
    EXPECT_EQ(ScaleOf(flash), "NoScale");
}

TEST_F(FlashWrapperTest, RecreatingReplacesTheWindowAndAParentThatWentLeavesNoCrash)
{
    CShockwaveFlash flash;
    RECT rect = {0, 0, 160, 120};
    ASSERT_TRUE(flash.Create(WS_VISIBLE, rect, host_, 1005));
    HWND first = flash.GetSafeHwnd();
    ASSERT_TRUE(flash.Create(WS_VISIBLE, rect, host_, 1005));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(flash.GetSafeHwnd()));
    flash.SetMovie(Movie("two.swf", ColourFrames(80, 60, 20, kNavy, {{kRed}, {kGreen}})));
    DestroyWindow(host_);
    EXPECT_EQ(flash.GetSafeHwnd(), nullptr);
    EXPECT_EQ(flash.GetTotalFrames(), 2) << "the control object outlives its window";
    flash.DestroyControl();
    EXPECT_EQ(flash.GetTotalFrames(), 0);
    EXPECT_FALSE(flash.GetPlaying());
}

TEST_F(SaverWndTest, FullScreenShowsTheMovieMutesFollowsFSCommandAndGivesEverythingBack)
{
    runSettings.soundMute = 1;
    runSettings.scaleToFit = 1;
    WriteMovie(ColourFrames(80, 60, 20, kNavy, {{kRed}, {kGreen}}));
    ASSERT_TRUE(Start(nullptr)); // its place and style are test_startup.py's
    EXPECT_FALSE(wnd_->IsPreview());
    HWND control = GetDlgItem(window_, 1005);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ClassOf(control), kPlayerWindowClass);
    EXPECT_EQ(wnd_->Flash()->GetTotalFrames(), 2);
    EXPECT_TRUE(wnd_->Flash()->GetPlaying());
    EXPECT_EQ(ScaleOf(*wnd_->Flash()), "ShowAll");

    EXPECT_EQ(wavestandin::volume, 0u) << "muted while running";
    EXPECT_EQ(runSettings.savedVolume, 0x8000C000u);

    // The scale a movie's FSCommand asks for, against the saver's rule.
    const struct {
        int scaleToFit;
        const char *command, *args, *before, *after;
    } commands[] = {
        {0, "allowscale", "false", "ShowAll", "NoScale"},
        {0, "ALLOWSCALE", "FALSE", "ShowAll", "NoScale"}, // both texts are compared in lower case
        {0, "allowscale", "true", "ShowAll", "ShowAll"},  // any other argument changes nothing
        {0, "allowscale", "true", "NoScale", "NoScale"},
        {1, "allowscale", "false", "NoScale", "ShowAll"}, // scale-to-fit wins
        {0, "fullscreen", "true", "NoScale", "ShowAll"},  // any other command asks for ShowAll
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(std::string(c.command) + " " + c.args);
        runSettings.scaleToFit = c.scaleToFit;
        wnd_->Flash()->SetScale(c.before);
        wnd_->FSCommand(c.command, c.args);
        EXPECT_EQ(ScaleOf(*wnd_->Flash()), c.after);
    }

    Close();
    EXPECT_EQ(wavestandin::volume, 0x8000C000u) << "the user's volume is back";
    EXPECT_FALSE(IsWindow(control));
    EXPECT_FALSE(WorkFolderExists());
}

TEST_F(SaverWndTest, WithoutMuteOrAReadableVolumeTheVolumeIsLeftAlone)
{
    // A volume that cannot be read could not be given back, so it is not taken.
    for (auto [mute, readable] : {std::pair{0, true}, {1, false}}) {
        runSettings.soundMute = mute;
        wavestandin::readable = readable;
        ASSERT_TRUE(Start(nullptr));
        Close();
        EXPECT_TRUE(wavestandin::sets.empty()) << mute;
    }
}

TEST_F(SaverWndTest, LoopTimerRestartsOnlyAMovieStoppedOnItsLastFrame)
{
    WriteMovie(ColourFrames(80, 60, 30, kNavy, {{kRed}, {kGreen, true}, {kBlue, true}}));
    ASSERT_TRUE(Start(nullptr));
    CShockwaveFlash& flash = *wnd_->Flash();
    // Stopped in the middle (frame 1 of 3): left alone.
    ASSERT_TRUE(PumpUntil([&] { return !flash.GetPlaying(); }, 2000));
    ASSERT_EQ(flash.GetFrameNum(), 1);
    SendMessageA(window_, WM_TIMER, CSaverWnd::kLoopTimer, 0);
    EXPECT_FALSE(flash.GetPlaying());
    EXPECT_EQ(flash.GetFrameNum(), 1);
    // Stopped on the last frame: rewound and played.
    flash.Play();
    ASSERT_TRUE(PumpUntil([&] { return !flash.GetPlaying(); }, 2000));
    ASSERT_EQ(flash.GetFrameNum(), 2);
    SendMessageA(window_, WM_TIMER, CSaverWnd::kLoopTimer, 0);
    EXPECT_TRUE(flash.GetPlaying());
    EXPECT_EQ(flash.GetFrameNum(), 0);
    // The real timer does the same within a second or so.
    ASSERT_TRUE(PumpUntil([&] { return !flash.GetPlaying(); }, 2000)); // stops on frame 1 again
    flash.Play();
    ASSERT_TRUE(PumpUntil([&] { return !flash.GetPlaying() && flash.GetFrameNum() == 2; }, 2000));
    EXPECT_TRUE(PumpUntil([&] { return flash.GetFrameNum() < 2; }, 1800));
}

TEST_F(SaverWndTest, PreviewFillsItsParentSwallowsRightClicksAndNeverTouchesTheVolume)
{
    runSettings.soundMute = 1;
    WriteMovie(ColourFrames(80, 60, 20, kNavy, {{kRed}}));
    ASSERT_TRUE(Start(host_));
    EXPECT_TRUE(wnd_->IsPreview());
    EXPECT_EQ(GetParent(window_), host_);
    RECT r;
    GetClientRect(window_, &r);
    EXPECT_EQ(r.right, 160);
    EXPECT_EQ(r.bottom, 120);
    HWND control = GetDlgItem(window_, 1005);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ScaleOf(*wnd_->Flash()), "ShowAll") << "the preview keeps the control's default";
    // The movie (80 x 60, left half red) fills the 160 x 120 preview at twice its size.
    auto pixel = [control](int x, int y) {
        UpdateWindow(control);
        HDC dc = GetDC(control);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(control, dc);
        return c;
    };
    EXPECT_TRUE(PumpUntil([&] { return pixel(40, 60) == ColorRefOf(kRed); }, 3000)) << "the movie was not drawn";
    EXPECT_EQ(pixel(120, 60), ColorRefOf(kNavy));

    POINT before;
    GetCursorPos(&before);
    MSG right = {control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), 0, {}};
    EXPECT_TRUE(wnd_->PreTranslateMessage(&right)) << "a right click never reaches the control";
    MSG left = {control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), 0, {}};
    EXPECT_FALSE(wnd_->PreTranslateMessage(&left));
    MSG key = {control, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_FALSE(wnd_->PreTranslateMessage(&key));
    POINT after;
    GetCursorPos(&after);
    EXPECT_EQ(after.x, before.x) << "the preview never moves the cursor";
    EXPECT_EQ(after.y, before.y);
    PumpFor(100);
    EXPECT_TRUE(IsWindow(window_)) << "keys do not close the preview";

    // The preview goes with its parent and takes the work folder along.
    DestroyWindow(host_);
    wnd_ = nullptr;
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_FALSE(WorkFolderExists());
    EXPECT_TRUE(wavestandin::sets.empty());
}

TEST_F(SaverWndTest, ClicksInFullScreenNudgeTheCursorAndDoNotClose)
{
    runSettings.exitOnMouse = 0;
    ASSERT_TRUE(Start(nullptr));
    const int right = GetSystemMetrics(SM_CXSCREEN) - 1, bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
    const struct {
        UINT message;
        POINT from, to;
    } clicks[] = {
        {WM_LBUTTONDOWN, {300, 200}, {301, 199}},
        {WM_MBUTTONDOWN, {301, 199}, {302, 198}},
        // At the right and bottom edges the cursor cannot go further: it goes left instead.
        {WM_RBUTTONDOWN, {right, bottom}, {right - 1, bottom - 1}},
    };
    for (const auto& c : clicks) {
        SetCursorPos(c.from.x, c.from.y);
        MSG click = {window_, c.message, 0, MAKELPARAM(c.from.x, c.from.y), 0, {}};
        EXPECT_FALSE(wnd_->PreTranslateMessage(&click)) << "the click still goes to the control";
        POINT at;
        GetCursorPos(&at);
        EXPECT_EQ(at.x, c.to.x) << c.message;
        EXPECT_EQ(at.y, c.to.y) << c.message;
    }
    PumpFor(100);
    EXPECT_TRUE(IsWindow(window_));
}
