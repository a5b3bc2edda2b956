#include "saver/core/DataFileFormat.h"

#include <gtest/gtest.h>

using namespace glint::datafile;

TEST(Seal, RoundTripsShortTexts)
{
    for (std::string text : {std::string("SWF,Quintorix"), std::string("GLINT"), std::string("a"), std::string("1234567"), std::string(41, 'z'), std::string(42, 'q'),
                             std::string(43, '~')}) {
        std::string sealed = Seal(text);
        EXPECT_EQ(sealed.size(), 3 * text.size());
        EXPECT_EQ(Unseal(sealed), text);
    }
    EXPECT_EQ(Unseal(""), "");
}

TEST(Seal, DependsOnLengthThroughTheKeyStart)
{
    // The key start is n mod 42: the same character seals differently in texts
    // of other lengths.
    EXPECT_NE(Seal("AB").substr(0, 3), Seal("A").substr(0, 3));
    EXPECT_EQ(Seal(std::string(1, 'A')), Seal(std::string(43, 'A')).substr(0, 3));
}

TEST(Seal, DigitsBeyondTheLastTripleAreIgnored)
{
    std::string sealed = Seal("SWF,Quintorix"); // 39 digits
    ASSERT_EQ(sealed.size(), 39u);
    EXPECT_EQ(Unseal(sealed + "7"), "SWF,Quintorix"); // 40 digits: n = 13
    EXPECT_EQ(Unseal(sealed + "77"), "SWF,Quintorix");
    EXPECT_NE(Unseal(sealed.substr(0, 38)), "SWF,Quintorix");
}

TEST(EntryNames, OnlyPlainFileNamesAreSafe)
{
    for (const char* good : {"movie.swf", "a", "my movie.swf", "intro.SWF", "x.y.z", "console.swf", "com10"})
        EXPECT_TRUE(IsSafeEntryName(good)) << good;
    for (const char* bad : {"", ".", "..", "..\\..", "../x", "a..b", "...", "con.txt.bak1", "c:x", "C:\\Windows",
                            "\\\\server\\s", ". .", "con", "CON.swf", "nul", "com1", "LPT9.txt", "aux ", "a*b", "a?b", "a|b",
                            "a\tb", "file:stream"})
        EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
}
