#include "flash/text/Font.h"

#include <algorithm>

namespace glint::flash {

namespace {

// A font has at most this many glyphs: the codes and indices are 16-bit.
constexpr uint32_t kMaxGlyphs = 65535;

// Reads the records of a glyph's shape: no style tables, fill style 1 on
// one side of each edge.
void ReadGlyphShape(SwfReader& in, Glyph& out, size_t& budget)
{
    ShapeLayer layer;
    layer.fills.resize(1);
    layer.fillEdges.resize(1);
    unsigned fillBits = in.UB(4);
    unsigned lineBits = in.UB(4);
    int64_t x = 0, y = 0;
    uint32_t fill0 = 0, fill1 = 0;
    StrokePath* stroke = nullptr;
    while (!in.Failed() && budget >= 3) {
        if (in.UB(1) == 0) {
            unsigned flags = in.UB(5);
            if (flags == 0 || (flags & 0x10)) // end, or style tables a glyph may not have
                break;
            if (flags & 0x01) {
                unsigned n = in.UB(5);
                x = in.SB(n);
                y = in.SB(n);
            }
            if (flags & 0x02)
                fill0 = in.UB(fillBits);
            if (flags & 0x04)
                fill1 = in.UB(fillBits);
            if (flags & 0x08)
                in.UB(lineBits);
        } else {
            Edge e{};
            if (!ReadEdgeRecord(in, x, y, e))
                break;
            AddShapeEdge(layer, e, fill0, fill1, 0, stroke);
            budget -= 3; // as a shape's edge counts
        }
    }
    out.edges = std::move(layer.fillEdges[0]);
    for (const Edge& e : out.edges)
        out.xMax = std::max({out.xMax, e.x0, e.x1});
}

uint32_t Offset(SwfReader& in, bool wide) { return wide ? in.U32() : in.U16(); }

} // namespace

int Font::IndexOf(uint32_t code) const
{
    auto it = byCode_.find(code);
    return it == byCode_.end() ? -1 : it->second;
}

double Font::Advance(const Glyph& g) const
{
    if (hasLayout || g.advance > 0)
        return g.advance;
    // DefineFont without layout: the outline's width and a little air.
    return g.xMax + unitsPerEm / 16;
}

int32_t Font::Kerning(uint32_t first, uint32_t second) const
{
    if (kerning.empty() || first > 0xFFFF || second > 0xFFFF)
        return 0;
    auto it = kerning.find(first << 16 | second);
    return it == kerning.end() ? 0 : it->second;
}

void Font::IndexCodes()
{
    byCode_.clear();
    for (size_t i = 0; i < codes.size() && i < glyphs.size(); ++i)
        byCode_.emplace(codes[i], int(i)); // the first glyph of a code wins
}

bool ReadFont(SwfReader& in, int version, Font& out, size_t& budget)
{
    out = Font{};
    out.unitsPerEm = version == 3 ? 20480 : 1024;
    bool wideOffsets = false, wideCodes = false;
    uint32_t count = 0;
    if (version >= 2) {
        uint8_t flags = in.U8();
        out.hasLayout = flags & 0x80;
        wideOffsets = flags & 0x08;
        wideCodes = flags & 0x04 || version == 3;
        out.italic = flags & 0x02;
        out.bold = flags & 0x01;
        in.U8(); // language
        unsigned nameLength = in.U8();
        for (unsigned i = 0; i < nameLength && !in.Failed(); ++i)
            if (char c = char(in.U8()))
                out.name.push_back(c);
        count = in.U16();
    }
    if (in.Failed())
        return false;
    // Offsets count from the start of the offset table; DefineFont has no
    // count but as many offsets as fit before the first glyph.
    const uint8_t* table = in.Current();
    const size_t tableSize = in.Remaining();
    SwfReader offsets(table, tableSize);
    uint32_t first = 0;
    if (version == 1) {
        first = offsets.U16();
        count = first / 2;
        offsets = SwfReader(table, tableSize);
    }
    count = std::min<uint32_t>({count, kMaxGlyphs, uint32_t(tableSize / (wideOffsets ? 4 : 2))});
    std::vector<uint32_t> starts(count);
    for (uint32_t& s : starts)
        s = Offset(offsets, wideOffsets);
    uint32_t codeTable = version >= 2 && count > 0 ? Offset(offsets, wideOffsets) : uint32_t(tableSize);
    if (offsets.Failed())
        return false;
    out.glyphs.resize(count);
    for (uint32_t i = 0; i < count && budget > 0; ++i) {
        uint32_t end = i + 1 < count ? starts[i + 1] : codeTable;
        if (starts[i] >= tableSize || end > tableSize || end <= starts[i])
            continue; // a damaged glyph is left empty
        SwfReader glyph(table + starts[i], end - starts[i]);
        ReadGlyphShape(glyph, out.glyphs[i], budget);
    }
    if (version == 1) {
        in.Skip(tableSize);
        return true;
    }
    if (codeTable > tableSize)
        return count == 0;
    SwfReader rest(table + codeTable, tableSize - codeTable);
    out.codes.resize(count);
    for (uint16_t& c : out.codes)
        c = wideCodes ? rest.U16() : rest.U8();
    if (rest.Failed()) {
        out.codes.clear();
        return true; // the glyphs stand; text that names them by index still draws
    }
    out.IndexCodes();
    if (out.hasLayout) {
        out.ascent = rest.U16();
        out.descent = rest.U16();
        out.leading = rest.S16();
        for (Glyph& g : out.glyphs)
            g.advance = rest.S16();
        for (uint32_t i = 0; i < count && !rest.Failed(); ++i)
            rest.Rect(); // glyph bounds: the outlines give them
        if (rest.Failed()) {
            out.hasLayout = false;
            for (Glyph& g : out.glyphs)
                g.advance = 0;
            return true;
        }
        uint32_t pairs = rest.U16();
        const size_t pairSize = wideCodes ? 6 : 4;
        pairs = uint32_t(std::min<size_t>(pairs, rest.Remaining() / pairSize));
        for (uint32_t i = 0; i < pairs; ++i) {
            uint32_t first = wideCodes ? rest.U16() : rest.U8();
            uint32_t second = wideCodes ? rest.U16() : rest.U8();
            out.kerning.emplace(first << 16 | second, rest.S16());
        }
    }
    return true;
}

bool ReadFontInfo(SwfReader& in, int version, Font& font)
{
    unsigned nameLength = in.U8();
    std::string name;
    for (unsigned i = 0; i < nameLength && !in.Failed(); ++i)
        if (char c = char(in.U8()))
            name.push_back(c);
    uint8_t flags = in.U8();
    if (version == 2)
        in.U8(); // language
    bool wide = (flags & 0x01) || version == 2;
    std::vector<uint16_t> codes(font.glyphs.size());
    for (uint16_t& c : codes)
        c = wide ? in.U16() : in.U8();
    if (in.Failed())
        return false;
    font.name = name;
    font.italic = flags & 0x04;
    font.bold = flags & 0x02;
    font.codes = std::move(codes);
    font.IndexCodes();
    return true;
}

void GlyphPath::Add(double cx, double cy, double x, double y, bool curve)
{
    Edge e{float(x_), float(y_), float(cx), float(cy), float(x), float(y), curve};
    glyph_.edges.push_back(e);
    glyph_.xMax = std::max({glyph_.xMax, e.x0, e.x1});
    x_ = x;
    y_ = y;
}

void GlyphPath::MoveTo(double x, double y)
{
    Close();
    x_ = startX_ = x * scale_;
    y_ = startY_ = -y * scale_;
    open_ = true;
}

void GlyphPath::LineTo(double x, double y)
{
    Add(x * scale_, -y * scale_, x * scale_, -y * scale_, false);
}

void GlyphPath::QuadTo(double cx, double cy, double x, double y)
{
    Add(cx * scale_, -cy * scale_, x * scale_, -y * scale_, true);
}

void GlyphPath::CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y)
{
    // The quadratic through the cubic's middle with matching end tangents, near enough at glyph sizes.
    double sx = x_ / scale_, sy = -y_ / scale_;
    QuadTo((3 * (c1x + c2x) - sx - x) / 4, (3 * (c1y + c2y) - sy - y) / 4, x, y);
}

void GlyphPath::Close()
{
    if (open_ && (x_ != startX_ || y_ != startY_))
        Add(startX_, startY_, startX_, startY_, false);
    open_ = false;
}

} // namespace glint::flash
