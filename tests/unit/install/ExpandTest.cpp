// Placeholder expansion of install list entries.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

using namespace glint::install;

namespace {

PlaceholderValues Values()
{
    return {"C:\\Media\\", "0409", "C:\\Users\\Public\\Desktop", "C:\\ProgramData\\Startup"};
}

} // namespace

TEST(ReplaceNoCase, MatchesWithoutCaseAndReplacesEveryOccurrence)
{
    EXPECT_EQ(ReplaceNoCase("copy x %desktop%\\a %DESKTOP%\\b", "%Desktop%", "D"), "copy x D\\a D\\b");
    EXPECT_EQ(ReplaceNoCase("nothing here", "%Desktop%", "D"), "nothing here");
    EXPECT_EQ(ReplaceNoCase("", "%Desktop%", "D"), "");
}

TEST(ReplaceNoCase, AValueHoldingItsOwnPlaceholderIsPutInOnce)
{
    EXPECT_EQ(ReplaceNoCase("%LangID%-%LangID%", "%LangID%", "[%langid%]"), "[%langid%]-[%langid%]");
    EXPECT_EQ(ReplaceNoCase("x%A%", "%A%", "%A%%A%"), "x%A%%A%");
}

TEST(ReplaceNoCase, PlaceholderAtBothEndsAndAdjacent)
{
    EXPECT_EQ(ReplaceNoCase("%s%%S%", "%S%", "ab"), "abab");
    EXPECT_EQ(ReplaceNoCase("%S", "%S%", "ab"), "%S"); // cut short at the end: not a match
}

TEST(ReplaceNoCase, EmptyValueRemovesThePlaceholder)
{
    EXPECT_EQ(ReplaceNoCase("a%LangID%b", "%LangID%", ""), "ab");
}

TEST(ReplaceNoCase, DoubleByteTextAroundThePlaceholderIsKept)
{
    // Korean (code page 949) bytes whose trail bytes are ASCII letters.
    const std::string korean = "\xB0\x61\xC7\x44";
    EXPECT_EQ(ReplaceNoCase(korean + "%desktop%" + korean, "%Desktop%", "D"), korean + "D" + korean);
}

TEST(ExpandPlaceholders, DesktopInLowerCaseIsExpanded)
{
    EXPECT_EQ(ExpandPlaceholders("setup.exe /d=%desktop%", Values()), "setup.exe /d=C:\\Users\\Public\\Desktop");
}

TEST(ExpandPlaceholders, ProgramFolderOnlyInItsExactCase)
{
    EXPECT_EQ(ExpandPlaceholders("%currentlocation%\\tool.exe", Values()), "%currentlocation%\\tool.exe");
    EXPECT_EQ(ExpandPlaceholders("%CURRENTLOCATION%\\tool.exe", Values()), "%CURRENTLOCATION%\\tool.exe");
}

TEST(ExpandPlaceholders, ProgramFolderGetsOneSeparator)
{
    EXPECT_EQ(ExpandPlaceholders("%CurrentLocation%\\tool.exe", Values()), "C:\\Media\\tool.exe");
    // Without the separator it is not the placeholder at all.
    EXPECT_EQ(ExpandPlaceholders("%CurrentLocation%tool.exe", Values()), "%CurrentLocation%tool.exe");
}

TEST(ExpandPlaceholders, AllFourInOneEntry)
{
    EXPECT_EQ(ExpandPlaceholders("\"%CurrentLocation%\\a b.exe\" /l %LANGID% /d \"%Desktop%\" /s \"%startup%\"",
                                 Values()),
              "\"C:\\Media\\a b.exe\" /l 0409 /d \"C:\\Users\\Public\\Desktop\" /s \"C:\\ProgramData\\Startup\"");
}

TEST(ExpandPlaceholders, ValuesHoldingPlaceholdersEndAndAreNotExpandedAgain)
{
    PlaceholderValues v{"C:\\%CurrentLocation%\\", "%LangID%", "%Startup%", "%Desktop%"};
    EXPECT_EQ(ExpandPlaceholders("%CurrentLocation%\\x %LangID%", v), "C:\\%CurrentLocation%\\x %LangID%");
    // The desktop's value names the startup placeholder, which is expanded
    // afterwards like any text of the entry.
    EXPECT_EQ(ExpandPlaceholders("%Desktop%", v), "%Desktop%");
}

TEST(ExpandPlaceholders, MissingValuesExpandToNothing)
{
    EXPECT_EQ(ExpandPlaceholders("a.exe %LangID%|%Desktop%|%Startup%", PlaceholderValues{}), "a.exe ||");
}
