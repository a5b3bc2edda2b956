#include "uninstaller/core/RemovalTarget.h"

#include <gtest/gtest.h>

using glint::RemovalTarget;
using glint::SplitRemovalTarget;

TEST(RemovalTarget, SplitsProgramFolderAndKey)
{
    RemovalTarget t;
    ASSERT_TRUE(SplitRemovalTarget("c:\\windows\\sample.scr", t));
    EXPECT_EQ(t.folder, "c:\\windows");
    EXPECT_EQ(t.name, "sample.scr");
    EXPECT_EQ(t.base, "sample");
    EXPECT_EQ(t.DataFolder(), "c:\\windows\\sample");
    EXPECT_EQ(t.UninstallKey(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\sample");
    ASSERT_TRUE(SplitRemovalTarget("d:\\x y\\my show.scr", t));
    EXPECT_EQ(t.base, "my show");
    ASSERT_TRUE(SplitRemovalTarget("d:\\a\\v1.2.exe", t));
    EXPECT_EQ(t.base, "v1.2");
}

TEST(RemovalTarget, RefusesWhatWouldDeleteTheWrongTree)
{
    RemovalTarget t;
    for (const char* bad : {"", "sample.scr", "c:\\", "c:\\windows\\", "c:\\windows\\.scr", "c:\\windows\\a.sc",
                            "c:\\windows\\..scr", "c:\\windows\\...scr", "c:\\windows\\ .scr", "\\sample.scr",
                            "c:\\w\\x:y.scr",
                            // No dot and three-character extension: cutting four characters
                            // would name another tree (Launcher -> Laun).
                            "c:\\games\\launcher", "d:\\a\\abcde", "c:\\w\\show.sc r", "c:\\w\\show.s.r",
                            "c:\\w\\show.scrx", "c:\\w\\show.jpeg", "c:\\w\\show.s", "c:\\w\\show.scr.",
                            "c:\\w\\show..sc"}) {
        EXPECT_FALSE(SplitRemovalTarget(bad, t)) << bad;
    }
}
