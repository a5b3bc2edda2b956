#pragma once
// The screensaver's command line: a mode letter after "/" or "-", and for the
// preview the parent window's handle.
#include <cstdint>
#include <string_view>

namespace glint {

// Marks a command line without a switch; a lowered line can never yield it.
constexpr char kNoSwitchMode = 'C';

struct SaverCommand {
    char mode = kNoSwitchMode;
    // Wide enough for any handle a 64-bit Windows passes; a 32-bit program
    // keeps the low half, which is all a handle has there.
    int64_t windowHandle = 0;
};

// Parses the part of the command line after the program path. The text is
// lowered first, so "/S" and "/s" are the same.
SaverCommand ParseSaverCommandLine(std::string_view arguments);

} // namespace glint
