#pragma once
// Small text helpers shared by the portable core and the Windows programs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace glint {

// ASCII-only lower case: the command lines and names we compare are ASCII, and a
// locale-dependent conversion would change multibyte (e.g. Korean) bytes.
std::string ToLowerAscii(std::string_view text);
std::string ToUpperAscii(std::string_view text);

// Removes blanks (space, tab, CR, LF) at both ends.
std::string TrimBlanks(std::string_view text);

// A zero-ended text inside a fixed-size field; a field without a zero byte
// yields the whole field, so a hostile file never makes us read past it.
std::string FieldText(const uint8_t* field, size_t fieldSize);

// Stores text into a fixed-size field, zero-filled. Returns false (and stores
// nothing) when the text with its zero byte does not fit.
bool StoreFieldText(uint8_t* field, size_t fieldSize, std::string_view text);

} // namespace glint
