// The screensaver's Windows side on the real system: stored settings, the
// password path on the NT family, paths and the deletion of folder trees.
#include "framework/App.h"
#include "image/DibImage.h"
#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverApp.h"
#include "saver/SaverWnd.h"
#include "saver/SettingsStore.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
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

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        profile_ = "store-" + std::to_string(GetCurrentProcessId());
        app_.SetRegistryKey("Glintbox Tests", profile_);
    }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, ("Software\\Glintbox Tests\\" + profile_).c_str()); }

    fw::CWinApp app_{"storetest"};
    std::string profile_;
};

} // namespace

TEST_F(SettingsStoreTest, NothingStoredKeepsTheDataFileDefaults)
{
    RunSettings s;
    s.exitOnMouse = 1;
    s.exitOnKey = 0;
    s.soundMute = 1;
    ReadStoredExitRules(s);
    ReadSoundMute(s);
    EXPECT_EQ(s.exitOnMouse, 1);
    EXPECT_EQ(s.exitOnKey, 0);
    EXPECT_EQ(s.soundMute, 0);
}

TEST_F(SettingsStoreTest, WrittenChoicesOverrideAndMinusOneDoesNot)
{
    WriteStoredSettings(1, -1, 0);
    RunSettings s;
    s.exitOnMouse = 1;
    s.exitOnKey = 1;
    ReadStoredExitRules(s);
    ReadSoundMute(s);
    EXPECT_EQ(s.soundMute, 1);
    EXPECT_EQ(s.exitOnMouse, 1) << "-1 means not stored";
    EXPECT_EQ(s.exitOnKey, 0);
    EXPECT_EQ(StoredExitMouse(), kNotStored);
    EXPECT_EQ(StoredExitKey(), 0);
}

TEST(Password, NtFamilyAllowsTheCloseWithoutLoadingTheLibrary)
{
    // The stand-in PASSWORD.CPL lies beside the test programs: were it loaded,
    // it would refuse the close and leave a record.
    fw::CWinApp app("pwtest");
    EXPECT_TRUE(VerifyPassword(nullptr));
    EXPECT_EQ(GetModuleHandleA("PASSWORD.CPL"), nullptr);
    ChangePassword(nullptr); // Wine's MPR.DLL has no password dialog: nothing happens
}

TEST(Paths, FolderAndShortForms)
{
    EXPECT_EQ(FolderOf("C:\\a\\b\\Glintbox.scr"), "C:\\a\\b");
    EXPECT_EQ(FolderOf("Glintbox.scr"), "");
    std::string program = ProgramPath();
    ASSERT_FALSE(program.empty());
    std::string shortForm = ShortPathOf(program);
    ASSERT_FALSE(shortForm.empty());
    char longForm[MAX_PATH];
    ASSERT_GT(GetLongPathNameA(shortForm.c_str(), longForm, MAX_PATH), 0u);
    EXPECT_EQ(lstrcmpiA(longForm, program.c_str()), 0);
    EXPECT_EQ(ShortPathOf("C:\\no\\such\\folder\\file.dat"), "");
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

using UnixNameFn = char*(CDECL*)(LPCWSTR);

// Wine's Unix name of a path; "" outside Wine.
std::string UnixNameOf(const std::string& path)
{
    auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return {};
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    std::string out = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Starts a Unix program under Wine, which runs it natively and without a
// process to wait for: the caller waits for its effect.
bool StartUnixProgram(const char* program, std::string commandLine)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    return CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

bool WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i)
        Sleep(50);
    return done();
}

bool IsLinkThere(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A link to a folder: the system's own symbolic link where it makes one,
// under Wine (whose CreateSymbolicLink makes nothing) a Unix symlink made by ln.
bool MakeFolderLink(const std::string& link, const std::string& target)
{
    using CreateLinkFn = BOOLEAN(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    auto create = reinterpret_cast<CreateLinkFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSymbolicLinkA")));
    if (create && create(link.c_str(), target.c_str(), 1 /* folder */) && IsLinkThere(link))
        return true;
    const std::string unixLink = UnixNameOf(link), unixTarget = UnixNameOf(target);
    if (unixLink.empty() || unixTarget.empty() ||
        !StartUnixProgram("Z:\\bin\\ln", "/bin/ln -s \"" + unixTarget + "\" \"" + unixLink + "\""))
        return false;
    return WaitUntil([&] { return IsLinkThere(link); });
}

// What a system that cannot remove links leaves behind is cleared the same way.
void RemoveFolderLink(const std::string& link)
{
    if (!IsLinkThere(link) || RemoveDirectoryA(link.c_str()))
        return;
    const std::string unixLink = UnixNameOf(link);
    if (!unixLink.empty() && StartUnixProgram("Z:\\bin\\rm", "/bin/rm -f \"" + unixLink + "\""))
        WaitUntil([&] { return !IsLinkThere(link); });
}

} // namespace

TEST(DeleteFolderTree, NeverFollowsALinkOutOfTheFolder)
{
    // Files outside the tree that a link inside it points at.
    const std::string outside = TempFolder("glint outside ");
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    CreateDirectoryA((outside + "\\keep").c_str(), nullptr);
    std::ofstream(outside + "\\precious.txt") << "p";
    std::ofstream(outside + "\\keep\\more.txt") << "m";

    const std::string root = TempFolder("glint linked tree ");
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    CreateDirectoryA((root + "\\inner").c_str(), nullptr);
    std::ofstream(root + "\\inner\\own.txt") << "o";
    ASSERT_TRUE(MakeFolderLink(root + "\\inner\\link", outside)) << "no way to make a folder link here";
    ASSERT_TRUE(Exists(root + "\\inner\\link\\precious.txt"));

    DeleteFolderTree(root);
    EXPECT_TRUE(Exists(outside + "\\precious.txt"));
    EXPECT_TRUE(Exists(outside + "\\keep\\more.txt"));
    EXPECT_FALSE(Exists(root + "\\inner\\own.txt")) << "the folder's own files still go";

    // A link given as the tree itself: only the link goes, if anything.
    const std::string rootLink = TempFolder("glint root link ");
    ASSERT_TRUE(MakeFolderLink(rootLink, outside));
    DeleteFolderTree(rootLink);
    EXPECT_TRUE(Exists(outside + "\\precious.txt"));
    EXPECT_TRUE(Exists(outside + "\\keep\\more.txt"));

    RemoveFolderLink(root + "\\inner\\link");
    RemoveFolderLink(rootLink);
    RemoveDirectoryA((root + "\\inner").c_str());
    RemoveDirectoryA(root.c_str());
    DeleteFileA((outside + "\\keep\\more.txt").c_str());
    RemoveDirectoryA((outside + "\\keep").c_str());
    DeleteFileA((outside + "\\precious.txt").c_str());
    RemoveDirectoryA(outside.c_str());
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
