// Placeholder expansion of install list entries.
#include "install/core/InstallRules.h"

#include <gtest/gtest.h>

using namespace glint::install;

TEST(ReplaceNoCase, Cases)
{
    // Korean (code page 949) bytes whose trail bytes are ASCII letters.
    const std::string korean = "\xB0\x61\xC7\x44";
    const struct {
        std::string text, placeholder, value, expected;
    } cases[] = {
        // Without case, every occurrence.
        {"copy x %desktop%\\a %DESKTOP%\\b", "%Desktop%", "D", "copy x D\\a D\\b"},
        {"nothing here", "%Desktop%", "D", "nothing here"},
        {"", "%Desktop%", "D", ""},
        // A value holding its own placeholder is put in once.
        {"%LangID%-%LangID%", "%LangID%", "[%langid%]", "[%langid%]-[%langid%]"},
        {"x%A%", "%A%", "%A%%A%", "x%A%%A%"},
        // At both ends and adjacent; cut short at the end is no match.
        {"%s%%S%", "%S%", "ab", "abab"},
        {"%S", "%S%", "ab", "%S"},
        {"a%LangID%b", "%LangID%", "", "ab"},
        {korean + "%desktop%" + korean, "%Desktop%", "D", korean + "D" + korean},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReplaceNoCase(c.text, c.placeholder, c.value), c.expected) << c.text;
}

TEST(ExpandPlaceholders, Cases)
{
    const PlaceholderValues values{"C:\\Media\\", "0409", "C:\\Users\\Public\\Desktop", "C:\\ProgramData\\Startup"};
    const std::pair<const char*, const char*> cases[] = {
        {"setup.exe /d=%desktop%", "setup.exe /d=C:\\Users\\Public\\Desktop"},
        // The program folder only in its exact case, and with its separator.
        {"%currentlocation%\\tool.exe", "%currentlocation%\\tool.exe"},
        {"%CURRENTLOCATION%\\tool.exe", "%CURRENTLOCATION%\\tool.exe"},
        {"%CurrentLocation%\\tool.exe", "C:\\Media\\tool.exe"},
        {"%CurrentLocation%tool.exe", "%CurrentLocation%tool.exe"},
        {"\"%CurrentLocation%\\a b.exe\" /l %LANGID% /d \"%Desktop%\" /s \"%startup%\"",
         "\"C:\\Media\\a b.exe\" /l 0409 /d \"C:\\Users\\Public\\Desktop\" /s \"C:\\ProgramData\\Startup\""},
    };
    for (const auto& [entry, expected] : cases)
        EXPECT_EQ(ExpandPlaceholders(entry, values), expected) << entry;
    EXPECT_EQ(ExpandPlaceholders("a.exe %LangID%|%Desktop%|%Startup%", PlaceholderValues{}), "a.exe ||");
}

TEST(ExpandPlaceholders, ValuesHoldingPlaceholdersEndAndAreNotExpandedAgain)
{
    PlaceholderValues v{"C:\\%CurrentLocation%\\", "%LangID%", "%Startup%", "%Desktop%"};
    EXPECT_EQ(ExpandPlaceholders("%CurrentLocation%\\x %LangID%", v), "C:\\%CurrentLocation%\\x %LangID%");
    // The desktop's value names the startup placeholder, which is expanded
    // afterwards like any text of the entry.
    EXPECT_EQ(ExpandPlaceholders("%Desktop%", v), "%Desktop%");
}
