// Where install.exe finds its list and which keys make the list.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

#include <map>

using namespace glint::install;

TEST(InstallListPath, FileNameInLowerCaseWithIniBesideTheProgram)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Media\\SETUP.EXE", "C:\\Media\\setup.ini"},
        {"C:\\Media\\Install.exe", "C:\\Media\\install.ini"},
        // A folder whose name holds ".EXE" or capitals stays as it is.
        {"D:\\Tools.EXE\\Disk1\\setup.exe", "D:\\Tools.EXE\\Disk1\\setup.ini"},
        {"C:\\a\\setup.exe.exe", "C:\\a\\setup.ini.ini"},
        // A name without ".exe" never points at the program itself.
        {"C:\\a\\setup.com", "C:\\a\\setup.com.ini"},
        {"setup", "setup.ini"},
    };
    for (const auto& [program, list] : cases)
        EXPECT_EQ(InstallListPath(program), list) << program;
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

TEST(CollectInstallList, StopsAtTheFirstMissingOrEmptyKey)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(ListOf({{"Setup1", "a.exe"}, {"Setup2", "b.exe"}, {"Setup4", "d.exe"}}), (List{"a.exe", "b.exe"}));
    EXPECT_EQ(ListOf({{"Setup1", "a.exe"}, {"Setup2", ""}, {"Setup3", "c.exe"}}), List{"a.exe"});
    EXPECT_EQ(ListOf({}), List{});
    EXPECT_EQ(ListOf({{"Setup0", "zero.exe"}, {"Setup2", "b.exe"}}), List{});
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
