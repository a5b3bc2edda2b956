// Where install.exe finds its list and which keys make the list.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

#include <map>

using namespace glint::install;

TEST(InstallListPath, FileNameInLowerCaseWithIniBesideTheProgram)
{
    EXPECT_EQ(InstallListPath("C:\\Media\\SETUP.EXE"), "C:\\Media\\setup.ini");
    EXPECT_EQ(InstallListPath("C:\\Media\\Install.exe"), "C:\\Media\\install.ini");
}

TEST(InstallListPath, OnlyTheFileNameChanges)
{
    // A folder whose name holds ".EXE" or capitals stays as it is.
    EXPECT_EQ(InstallListPath("D:\\Tools.EXE\\Disk1\\setup.exe"), "D:\\Tools.EXE\\Disk1\\setup.ini");
}

TEST(InstallListPath, EveryExeInTheNameIsReplaced)
{
    EXPECT_EQ(InstallListPath("C:\\a\\setup.exe.exe"), "C:\\a\\setup.ini.ini");
}

TEST(InstallListPath, ANameWithoutExeNeverPointsAtTheProgramItself)
{
    EXPECT_EQ(InstallListPath("C:\\a\\setup.com"), "C:\\a\\setup.com.ini");
    EXPECT_EQ(InstallListPath("setup"), "setup.ini");
}

TEST(FolderOf, KeepsTheTrailingSeparator)
{
    EXPECT_EQ(FolderOf("C:\\Media\\setup.exe"), "C:\\Media\\");
    EXPECT_EQ(FolderOf("C:\\setup.exe"), "C:\\");
    EXPECT_EQ(FolderOf("setup.exe"), "");
}

namespace {

std::vector<std::string> ListOf(const std::map<std::string, std::string>& ini)
{
    return CollectInstallList([&](const std::string& key) {
        auto it = ini.find(key);
        return it == ini.end() ? std::string() : it->second;
    });
}

} // namespace

TEST(CollectInstallList, StopsAtTheFirstMissingKey)
{
    auto list = ListOf({{"Setup1", "a.exe"}, {"Setup2", "b.exe"}, {"Setup4", "d.exe"}});
    EXPECT_EQ(list, (std::vector<std::string>{"a.exe", "b.exe"}));
}

TEST(CollectInstallList, StopsAtTheFirstEmptyKey)
{
    auto list = ListOf({{"Setup1", "a.exe"}, {"Setup2", ""}, {"Setup3", "c.exe"}});
    EXPECT_EQ(list, (std::vector<std::string>{"a.exe"}));
}

TEST(CollectInstallList, NoFirstKeyMeansNoEntries)
{
    EXPECT_TRUE(ListOf({}).empty());
    EXPECT_TRUE(ListOf({{"Setup0", "zero.exe"}, {"Setup2", "b.exe"}}).empty());
}

TEST(CollectInstallList, AtMostFortyNineEntriesInKeyOrder)
{
    std::map<std::string, std::string> ini;
    for (int i = 1; i <= 60; ++i)
        ini[SetupKey(i)] = std::to_string(i) + ".exe";
    auto list = ListOf(ini);
    ASSERT_EQ(list.size(), 49u);
    EXPECT_EQ(list.front(), "1.exe");
    EXPECT_EQ(list[9], "10.exe"); // numeric order, not text order
    EXPECT_EQ(list.back(), "49.exe");
}
