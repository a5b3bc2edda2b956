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
    // The extension is always the last four characters.
    ASSERT_TRUE(SplitRemovalTarget("d:\\x y\\my show.scr", t));
    EXPECT_EQ(t.base, "my show");
    ASSERT_TRUE(SplitRemovalTarget("d:\\a\\abcde", t));
    EXPECT_EQ(t.base, "a");
}

TEST(RemovalTarget, RefusesWhatWouldDeleteTheWrongTree)
{
    RemovalTarget t;
    for (const char* bad : {"", "sample.scr", "c:\\", "c:\\windows\\", "c:\\windows\\.scr", "c:\\windows\\a.sc",
                            "c:\\windows\\..scr", "c:\\windows\\...scr", "c:\\windows\\ .scr", "\\sample.scr",
                            "c:\\w\\x:y.scr"}) {
        EXPECT_FALSE(SplitRemovalTarget(bad, t)) << bad;
    }
}
