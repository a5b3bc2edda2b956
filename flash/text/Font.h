#pragma once
// Fonts of a movie (DefineFont, DefineFont2, DefineFont3 with DefineFontInfo
// and DefineFontInfo2) and the sans-serif font of the system that draws text
// whose font has no outlines of its own.
#include "flash/SwfReader.h"
#include "flash/SwfShape.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace glint::flash {

// One glyph: closed outlines filled by the non-zero rule, in font units with
// y growing downwards and the baseline at 0.
struct Glyph {
    std::vector<Edge> edges;
    int32_t advance = 0; // font units; 0 when the font gives none
    float xMax = 0;      // right edge of the outlines
};

struct Font {
    std::string name;
    bool bold = false, italic = false;
    double unitsPerEm = 1024; // DefineFont3 draws 20 times finer
    std::vector<Glyph> glyphs;
    std::vector<uint16_t> codes; // character code of each glyph, when the font has a code table
    bool hasLayout = false;
    int32_t ascent = 0, descent = 0, leading = 0; // font units, with the layout
    std::unordered_map<uint32_t, int16_t> kerning; // font units, by first code << 16 | second code

    // Glyph index of a character code; -1 when the font does not have it.
    int IndexOf(uint32_t code) const;
    // Where a glyph ends horizontally, in font units: its advance, else its outline.
    double Advance(const Glyph& g) const;
    // The kerning adjustment between two character codes; 0 when there is none.
    int32_t Kerning(uint32_t first, uint32_t second) const;
    void IndexCodes();

private:
    std::unordered_map<uint32_t, int> byCode_;
};

// Reads DefineFont (1), DefineFont2 (2) or DefineFont3 (3) after the font id.
// `budget` counts the edges still allowed in the movie and is decreased by
// what the glyphs keep. False when nothing usable was found.
bool ReadFont(SwfReader& in, int version, Font& out, size_t& budget);

// Reads DefineFontInfo (1) or DefineFontInfo2 (2) after the font id: the
// name, style and the code table of a DefineFont.
bool ReadFontInfo(SwfReader& in, int version, Font& font);

// The sans-serif font of the system, in units of a 1024 square, for text
// fields that ask for a device font. Null when the system has none.
// Natively it comes from FreeType, under Windows from GDI.
class DeviceFont {
public:
    static constexpr double kUnitsPerEm = 1024;
    static DeviceFont* System();
    virtual ~DeviceFont() = default;
    // The glyph of a character; null when the font has none.
    virtual const Glyph* Find(uint32_t code) = 0;
    virtual int32_t Ascent() const = 0;  // units above the baseline
    virtual int32_t Descent() const = 0; // units below it
};

// Glyph outlines made by a device font are turned into edges by these, in
// units of a 1024 square, y down; a cubic piece is taken as one quadratic.
class GlyphPath {
public:
    explicit GlyphPath(double scale) : scale_(scale) {}
    void MoveTo(double x, double y);
    void LineTo(double x, double y);
    void QuadTo(double cx, double cy, double x, double y);
    void CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
    void Close();
    Glyph& Result() { return glyph_; }

private:
    void Add(double cx, double cy, double x, double y, bool curve);
    double scale_;
    double startX_ = 0, startY_ = 0, x_ = 0, y_ = 0;
    bool open_ = false;
    Glyph glyph_;
};

} // namespace glint::flash
