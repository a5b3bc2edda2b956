// Removing an installed screensaver on the real file system and registry.
#include "uninstaller/Removal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace glint;

namespace {

const char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void MakeKey(const std::string& path)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
}

// An installed screensaver in a folder of its own: program, data folder, uninstall key.
class Installed : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base_ = "glintrm" + std::to_string(GetCurrentProcessId()) + std::to_string(GetTickCount() % 100000);
        root_ = std::string(temp) + base_ + "-root";
        CreateDirectoryA(root_.c_str(), nullptr);
        program_ = root_ + "\\" + base_ + ".scr";
        folder_ = root_ + "\\" + base_;
        std::ofstream(program_) << "MZ";
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\inner").c_str(), nullptr);
        std::ofstream(folder_ + "\\inner\\data.bin") << "data";
        key_ = kUninstallRoot + base_;
        MakeKey(key_);
        MakeKey(key_ + "\\Sub\\Deeper");
        std::ofstream(root_ + "\\neighbour.txt") << "stays";
    }
    void TearDown() override
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, key_);
        DeleteFileA(program_.c_str());
        DeleteFileA((folder_ + "\\inner\\data.bin").c_str());
        RemoveDirectoryA((folder_ + "\\inner").c_str());
        RemoveDirectoryA(folder_.c_str());
        DeleteFileA((root_ + "\\neighbour.txt").c_str());
        RemoveDirectoryA(root_.c_str());
    }

    std::string base_, root_, program_, folder_, key_;
};

} // namespace

// Removing the program, its folder and its key is checked end to end
// (test_uninstall.py); here, the forms and failures the real program cannot show.
TEST_F(Installed, ShortAndRelativeFormsAreMadeFullFirst)
{
    char shortForm[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(program_.c_str(), shortForm, MAX_PATH), 0u);
    SetCurrentDirectoryA(root_.c_str());
    EXPECT_EQ(RemoveScreensaver(base_ + ".scr"), RemovalResult::Done);
    EXPECT_FALSE(Exists(program_));
    EXPECT_FALSE(Exists(folder_));
    EXPECT_TRUE(Exists(root_ + "\\neighbour.txt"));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
}

TEST_F(Installed, MissingFolderIsAFailureButTheRestIsRemoved)
{
    DeleteFileA((folder_ + "\\inner\\data.bin").c_str());
    RemoveDirectoryA((folder_ + "\\inner").c_str());
    RemoveDirectoryA(folder_.c_str());
    EXPECT_EQ(RemoveScreensaver(program_), RemovalResult::Failed);
    EXPECT_FALSE(Exists(program_));
    EXPECT_FALSE(KeyExists(key_));
}

TEST_F(Installed, ProgramInUseFailsAndTheKeyStillGoes)
{
    HANDLE busy = CreateFileA(program_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RemoveScreensaver(program_), RemovalResult::Failed);
    CloseHandle(busy);
    EXPECT_TRUE(Exists(program_));
    EXPECT_FALSE(KeyExists(key_));
}

TEST_F(Installed, TargetsThatWouldDeleteAWrongTreeAreRefusedUntouched)
{
    // The folder itself and a missing program; the names refused whatever is
    // on disk are the unit test's.
    for (const std::string& target : {root_, root_ + "\\missing.scr"})
        EXPECT_EQ(RemoveScreensaver(target), RemovalResult::Refused) << target;
    for (const std::string& kept : {program_, folder_ + "\\inner\\data.bin", root_ + "\\neighbour.txt"})
        EXPECT_TRUE(Exists(kept)) << kept;
    EXPECT_TRUE(KeyExists(key_ + "\\Sub\\Deeper"));
}
