#pragma once
// Text characters turned into shapes: the glyphs of DefineText / DefineText2
// records, and the laid-out initial text of DefineEditText, each glyph an
// outline filled with its colour. The player then draws, masks and
// transforms them like any shape.
#include "flash/SwfReader.h"
#include "flash/SwfShape.h"
#include "flash/text/Font.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace glint::flash {

using FontTable = std::unordered_map<uint16_t, Font>;

// Glyphs one text character may draw; the rest of a longer text is left out.
constexpr size_t kMaxTextGlyphs = 20000;

// Reads DefineText (1) or DefineText2 (2) after the character id. `budget`
// counts the edges still allowed in the movie. False when the tag is
// damaged before its records.
bool ReadStaticText(SwfReader& in, int version, const FontTable& fonts, Shape& out, size_t& budget);

// Reads DefineEditText after the character id and lays out its initial
// text. `swfVersion` says how its text is encoded (UTF-8 from 6 on).
// Fields without an embedded font use `device` (may be null: nothing drawn).
bool ReadEditText(SwfReader& in, int swfVersion, const FontTable& fonts, DeviceFont* device, Shape& out,
                  size_t& budget);

// The plain text of an HTML text field: tags dropped, paragraphs and breaks
// made line ends, the five named entities and numeric ones decoded.
// `kerning` is set when a tag asks for kerning.
std::u32string HtmlToPlain(const std::u32string& html, bool* kerning = nullptr);

} // namespace glint::flash
