#include "saver/core/DataFileFormat.h"

#include <gtest/gtest.h>

using namespace glint::datafile;

// The known answers of Unseal are DataFileTest's; sealing must agree with them
// for every length around the key's (42), where the key start wraps.
TEST(Seal, RoundTripsShortTexts)
{
    for (std::string text : {std::string("SWF,Quintorix"), std::string("GLINT"), std::string("a"),
                             std::string("1234567"), std::string(41, 'z'), std::string(42, 'q'),
                             std::string(43, '~')}) {
        std::string sealed = Seal(text);
        EXPECT_EQ(sealed.size(), 3 * text.size());
        EXPECT_EQ(Unseal(sealed), text);
    }
    EXPECT_EQ(Unseal(""), "");
    EXPECT_EQ(Seal("SWF,Quintorix"), "103033014079105059011036071011043015078");
}

TEST(EntryNames, OnlyPlainFileNamesAreSafe)
{
    for (const char* good : {"movie.swf", "a", "my movie.swf", "intro.SWF", "x.y.z", "console.swf", "com10"})
        EXPECT_TRUE(IsSafeEntryName(good)) << good;
    for (const char* bad : {"", ".", "..", "..\\..", "../x", "a..b", "...", "con.txt.bak1", "c:x", "C:\\Windows",
                            "\\\\server\\s", ". .", "con", "CON.swf", "nul", "com1", "LPT9.txt", "aux ", "a*b", "a?b",
                            "a|b", "a\tb", "file:stream"})
        EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}
