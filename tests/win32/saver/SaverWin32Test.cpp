// The screensaver's Windows side on the real system: stored settings, the
// password path on the NT family, paths and the deletion of folder trees.
#include "framework/App.h"
#include "saver/DataFile.h"
#include "saver/Password.h"
#include "saver/SaverApp.h"
#include "saver/SettingsStore.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

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
    std::string sibling = root + "-sibling";
    CreateDirectoryA(sibling.c_str(), nullptr);

    DeleteFolderTree(root);
    EXPECT_FALSE(Exists(root));
    EXPECT_TRUE(Exists(sibling)) << "a folder whose name starts the same stays";
    RemoveDirectoryA(sibling.c_str());
    DeleteFolderTree(root); // already gone: nothing happens
}
