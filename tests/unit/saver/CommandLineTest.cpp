#include "saver/core/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdint>

using glint::kNoSwitchMode;
using glint::ParseSaverCommandLine;

TEST(SaverCommandLine, ModeAndPreviewHandle)
{
    const struct {
        const char* line;
        int mode;
        int64_t handle;
    } cases[] = {
        // No switch, or a switch character that ends the line: settings without owner.
        {"", kNoSwitchMode, 0}, {"   ", kNoSwitchMode, 0}, {"abc", kNoSwitchMode, 0}, {"abc /", kNoSwitchMode, 0},
        {"-", kNoSwitchMode, 0},
        // The letter is lowered and either switch character works; text before
        // the switch is ignored and the first switch character wins.
        {"/c", 'c', 0}, {"/C", 'c', 0}, {"-s", 's', 0}, {"/S", 's', 0}, {"/a", 'a', 0}, {"/U", 'u', 0},
        {"/x", 'x', 0}, {"abc /s", 's', 0}, {"x-c /s", 'c', 0},
        {"/c:1234", 'c', 0}, // as Windows passes it for the settings dialog
        // The preview's handle; a colon right after the letter stops the number.
        {"/p 1234", 'p', 1234}, {"/P   987", 'p', 987}, {"/p 12ab", 'p', 12}, {"/p 1", 'p', 1}, {"/p:1234", 'p', 0},
        // Too short to hold a handle; only the preview reads one.
        {"/p", 'p', 0}, {"/p1", 'p', 0}, {"/p ", 'p', 0}, {"/s 1234", 's', 0}, {"/c 1234", 'c', 0},
        // A 64-bit Windows may pass handles of more than 32 bits, or sign-extended ones.
        {"/p 4294967296", 'p', int64_t(1) << 32}, {"/p 4294967301", 'p', 4294967301},
        {"/p 81985529216486895", 'p', 0x0123456789ABCDEF}, {"/p 9223372036854775807", 'p', INT64_MAX},
        {"/p -12", 'p', -12}, {"/p -4294967296", 'p', -(int64_t(1) << 32)},
        // Past 64 bits the number wraps (2^64 + 5 gives 5), with no overflow trap.
        {"/p 18446744073709551621", 'p', 5}, {"/p 18446744073709551615", 'p', -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSaverCommandLine(c.line).mode, c.mode) << c.line;
        EXPECT_EQ(ParseSaverCommandLine(c.line).windowHandle, c.handle) << c.line;
    }
    EXPECT_EQ(ParseSaverCommandLine("/p 99999999999999999999999").mode, 'p');
}
