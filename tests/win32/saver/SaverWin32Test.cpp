// The screensaver's Windows side on the real system: the password path on the
// NT family, the deletion of folder trees and the preview picture.
// Stored settings and that links are never followed are checked end to end
// (test_settings.py, test_startup.py).
#include "framework/App.h"
#include "image/DibImage.h"
#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverApp.h"
#include "saver/SaverWnd.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

using namespace glint;

namespace {

std::string TempFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name + std::to_string(GetCurrentProcessId());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

TEST(Password, NtFamilyAllowsTheCloseWithoutLoadingTheLibrary)
{
    // The stand-in PASSWORD.CPL lies beside the test programs: were it loaded,
    // it would refuse the close and leave a record.
    fw::CWinApp app("pwtest");
    EXPECT_TRUE(VerifyPassword(nullptr));
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    ChangePassword(nullptr); // Wine's MPR.DLL has no password dialog: nothing happens
}

TEST(DeleteFolderTree, RemovesNestedFoldersAndFiles)
{
    std::string root = TempFolder("glint tree ");
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    CreateDirectoryA((root + "\\inner").c_str(), nullptr);
    CreateDirectoryA((root + "\\inner\\deeper").c_str(), nullptr);
    std::ofstream(root + "\\a.txt") << "a";
    std::ofstream(root + "\\inner\\deeper\\b.bin") << "b";
    std::ofstream(root + "\\inner\\locked.txt") << "c";
    SetFileAttributesA((root + "\\inner\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    std::string sibling = root + "-sibling";
    CreateDirectoryA(sibling.c_str(), nullptr);

    DeleteFolderTree(root);
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(sibling)) << "a folder whose name starts the same stays";
    RemoveDirectoryA(sibling.c_str());
    DeleteFolderTree(root); // already gone: nothing happens
}

namespace {

// A 24-bit BMP file of one colour.
void WriteBmp(const std::string& path, int w, int h, COLORREF colour)
{
    CDibImage image(w, h, 24, FORMAT_BMP);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.SetPixelColor(x, y, colour);
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(image.EncodeBuffer(bytes, size, FORMAT_BMP));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), size);
    std::free(bytes);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

} // namespace

TEST(PreviewPicture, IsDecodedOnceAndStaysWhenItsFileHasGone)
{
    // Another run of the saver may delete the shared work folder while the
    // preview is shown: later paints must not need the file.
    const std::string folder = TempFolder("glint preview ");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string picture = folder + "\\preview.bmp";
    WriteBmp(picture, 16, 12, RGB(200, 40, 90));

    fw::CWinApp app("previewtest");
    app.m_hInstance = GetModuleHandleA(nullptr);
    const RunSettings saved = runSettings;
    runSettings.previewKind = 1;
    runSettings.previewPath = picture;
    runSettings.workFolder.clear();
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 50, 50, 160, 120, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    auto* preview = new CSaverWnd;
    ASSERT_TRUE(preview->Create(parent));
    HWND window = preview->m_hWnd;
    PumpMessages();

    DeleteFileA(picture.c_str());
    RemoveDirectoryA(folder.c_str());
    ASSERT_FALSE(Exists(picture));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    HDC dc = GetDC(window);
    const COLORREF centre = GetPixel(dc, 80, 60), corner = GetPixel(dc, 5, 5);
    ReleaseDC(window, dc);
    EXPECT_EQ(centre, RGB(200, 40, 90)) << "the repaint drew no picture";
    EXPECT_EQ(corner, RGB(200, 40, 90));

    DestroyWindow(window); // the window object deletes itself
    DestroyWindow(parent);
    runSettings = saved;
}

namespace {

// A window of another thread that reads its messages or, stuck, waits without reading them.
class OtherThreadWindow {
public:
    explicit OtherThreadWindow(bool answers)
        : answers_(answers), ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr))
    {
        WaitForSingleObject(ready_, 10000);
    }
    ~OtherThreadWindow()
    {
        SetEvent(stop_);
        WaitForSingleObject(thread_, 10000);
        for (HANDLE h : {thread_, stop_, ready_})
            CloseHandle(h);
    }
    HWND hwnd = nullptr;

private:
    static DWORD WINAPI Run(void* self)
    {
        auto& w = *static_cast<OtherThreadWindow*>(self);
        w.hwnd = CreateWindowA("STATIC", "in front", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
        SetEvent(w.ready_);
        if (w.answers_) {
            while (MsgWaitForMultipleObjects(1, &w.stop_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
                PumpMessages();
        } else
            WaitForSingleObject(w.stop_, INFINITE);
        DestroyWindow(w.hwnd);
        return 0;
    }
    const bool answers_;
    HANDLE ready_, stop_, thread_;
};

} // namespace

TEST(SettingsDialogOwner, IsTheWindowInFrontOnlyWhenItMayBeDisabled)
{
    EXPECT_EQ(SettingsDialogOwner(nullptr), nullptr);
    EXPECT_EQ(SettingsDialogOwner(GetDesktopWindow()), nullptr);
    OtherThreadWindow answering(true), stuck(false);
    ASSERT_TRUE(answering.hwnd && stuck.hwnd);
    EXPECT_EQ(SettingsDialogOwner(answering.hwnd), answering.hwnd);
    // A stuck window is given up on soon, not waited for.
    const DWORD start = GetTickCount();
    EXPECT_EQ(SettingsDialogOwner(stuck.hwnd), nullptr);
    EXPECT_LT(GetTickCount() - start, 10000u);
}
