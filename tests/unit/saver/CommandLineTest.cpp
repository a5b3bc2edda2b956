#include "saver/core/CommandLine.h"

#include <gtest/gtest.h>

using glint::kNoSwitchMode;
using glint::ParseSaverCommandLine;

TEST(SaverCommandLine, NoSwitchOpensSettingsWithoutOwner)
{
    EXPECT_EQ(ParseSaverCommandLine("").mode, kNoSwitchMode);
    EXPECT_EQ(ParseSaverCommandLine("   ").mode, kNoSwitchMode);
    EXPECT_EQ(ParseSaverCommandLine("abc").mode, kNoSwitchMode);
    // A switch character that ends the line has no letter.
    EXPECT_EQ(ParseSaverCommandLine("abc /").mode, kNoSwitchMode);
    EXPECT_EQ(ParseSaverCommandLine("-").mode, kNoSwitchMode);
}

TEST(SaverCommandLine, LetterIsLoweredAndEitherSwitchCharacterWorks)
{
    EXPECT_EQ(ParseSaverCommandLine("/c").mode, 'c');
    EXPECT_EQ(ParseSaverCommandLine("/C").mode, 'c');
    EXPECT_EQ(ParseSaverCommandLine("-s").mode, 's');
    EXPECT_EQ(ParseSaverCommandLine("/S").mode, 's');
    EXPECT_EQ(ParseSaverCommandLine("/a").mode, 'a');
    EXPECT_EQ(ParseSaverCommandLine("/U").mode, 'u');
    EXPECT_EQ(ParseSaverCommandLine("/x").mode, 'x');
    // Text before the switch is ignored; the first switch character wins.
    EXPECT_EQ(ParseSaverCommandLine("abc /s").mode, 's');
    EXPECT_EQ(ParseSaverCommandLine("x-c /s").mode, 'c');
    // Windows passes "/c:1234" for the settings dialog.
    EXPECT_EQ(ParseSaverCommandLine("/c:1234").mode, 'c');
}

TEST(SaverCommandLine, PreviewHandle)
{
    EXPECT_EQ(ParseSaverCommandLine("/p 1234").windowHandle, 1234);
    EXPECT_EQ(ParseSaverCommandLine("/P   987").windowHandle, 987);
    EXPECT_EQ(ParseSaverCommandLine("/p 12ab").windowHandle, 12);
    EXPECT_EQ(ParseSaverCommandLine("/p 1").windowHandle, 1);
    // A colon right after the letter stops the number at once.
    EXPECT_EQ(ParseSaverCommandLine("/p:1234").windowHandle, 0);
    // Too short to hold a handle.
    EXPECT_EQ(ParseSaverCommandLine("/p").windowHandle, 0);
    EXPECT_EQ(ParseSaverCommandLine("/p1").windowHandle, 0);
    EXPECT_EQ(ParseSaverCommandLine("/p ").windowHandle, 0);
    EXPECT_EQ(ParseSaverCommandLine("/p").mode, 'p');
    // Only the preview reads a handle.
    EXPECT_EQ(ParseSaverCommandLine("/s 1234").windowHandle, 0);
    EXPECT_EQ(ParseSaverCommandLine("/c 1234").windowHandle, 0);
}

TEST(SaverCommandLine, HandlesBeyond32BitsKeepEveryBit)
{
    // A 64-bit Windows may pass handles that need more than 32 bits.
    EXPECT_EQ(ParseSaverCommandLine("/p 4294967296").windowHandle, int64_t(1) << 32);
    EXPECT_EQ(ParseSaverCommandLine("/p 4294967301").windowHandle, 4294967301);
    EXPECT_EQ(ParseSaverCommandLine("/p 81985529216486895").windowHandle, 0x0123456789ABCDEF);
    EXPECT_EQ(ParseSaverCommandLine("/p 9223372036854775807").windowHandle, INT64_MAX);
    // Sign-extended handles arrive as negative numbers.
    EXPECT_EQ(ParseSaverCommandLine("/p -12").windowHandle, -12);
    EXPECT_EQ(ParseSaverCommandLine("/p -4294967296").windowHandle, -(int64_t(1) << 32));
}

TEST(SaverCommandLine, HugeHandleWrapsWithoutOverflowTrap)
{
    // Past 64 bits the number wraps (2^64 + 5 gives 5); no undefined behaviour.
    EXPECT_EQ(ParseSaverCommandLine("/p 18446744073709551621").windowHandle, 5);
    EXPECT_EQ(ParseSaverCommandLine("/p 18446744073709551615").windowHandle, -1);
    EXPECT_EQ(ParseSaverCommandLine("/p 99999999999999999999999").mode, 'p');
}
