#pragma once
// Text characters turned into shapes: the glyphs of DefineText / DefineText2
// records, and the laid-out text of DefineEditText (its initial text, or the
// value of the variable it shows), each glyph an outline filled with its
// colour. The player then draws, masks and transforms them like any shape.
// HTML fields are drawn in the field's one colour and size: the colour and
// size of single spans are not followed.
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

// What DefineEditText says of a field: where and how its text is laid out,
// the variable it shows (its text follows the variable's value) and its
// initial text.
struct EditField {
    TwipsRect bounds;
    const Font* font = nullptr; // the movie's font named, null when none (or missing)
    double height = 240;        // 12 points when the field names no font
    Rgba color{0, 0, 0, 255};
    size_t maxLength = 0; // 0: no limit
    unsigned align = 0;   // 0 left, 1 right, 2 centre
    double leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
    bool wordWrap = false, multiline = false, password = false, border = false, html = false, useOutlines = false;
    std::string variable;
    std::string initial;
};

// Reads DefineEditText after the character id. False when it is damaged
// before its initial text.
bool ReadEditField(SwfReader& in, const FontTable& fonts, EditField& out);

// Lays out `text` (UTF-8 from `swfVersion` 6 on, bytes before) in the field.
// Fields without an embedded font use `device` (may be null: nothing drawn).
void LayoutEditText(const EditField& field, const std::string& value, int swfVersion, DeviceFont* device, Shape& out,
                    size_t& budget);

// Reads DefineEditText and lays out its initial text.
bool ReadEditText(SwfReader& in, int swfVersion, const FontTable& fonts, DeviceFont* device, Shape& out,
                  size_t& budget);

// The plain text of an HTML text field: tags dropped, paragraphs and breaks
// made line ends, the five named entities and numeric ones decoded.
// `kerning` is set when a tag asks for kerning.
std::u32string HtmlToPlain(const std::u32string& html, bool* kerning = nullptr);

} // namespace glint::flash
