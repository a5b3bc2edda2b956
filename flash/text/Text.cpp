#include "flash/text/Text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace glint::flash {

namespace {

// More than a field can show; keeps a hostile text from filling the memory.
constexpr size_t kMaxFieldText = size_t(1) << 20;

// Glyphs placed into one shape: a fill style per colour, on a layer above
// the field's background and border.
class TextShape {
public:
    TextShape(Shape& out, size_t& budget) : out_(out), budget_(budget)
    {
        out_ = Shape{};
        out_.layers.resize(2);
    }

    // Places a glyph in font units through `m`; false once the text is full.
    bool Add(const Glyph& g, const Matrix& m, Rgba color)
    {
        // An edge takes the budget's share of one in a shape (three: both sides and a line).
        if (glyphs_ >= kMaxTextGlyphs || g.edges.size() * 3 > budget_)
            return false;
        ++glyphs_;
        if (g.edges.empty())
            return true;
        budget_ -= g.edges.size() * 3;
        ShapeLayer& layer = out_.layers[1];
        size_t fill = 0;
        while (fill < layer.fills.size() && !(layer.fills[fill].color == color))
            ++fill;
        if (fill == layer.fills.size()) {
            layer.fills.emplace_back().color = color;
            layer.fillEdges.emplace_back();
        }
        std::vector<Edge>& edges = layer.fillEdges[fill];
        for (const Edge& e : g.edges) {
            double pts[6];
            m.Apply(e.x0, e.y0, pts[0], pts[1]);
            m.Apply(e.cx, e.cy, pts[2], pts[3]);
            m.Apply(e.x1, e.y1, pts[4], pts[5]);
            edges.push_back({float(pts[0]), float(pts[1]), float(pts[2]), float(pts[3]), float(pts[4]),
                             float(pts[5]), e.curve});
            for (int i = 0; i < 6; i += 2)
                Extend(pts[i], pts[i + 1]);
        }
        return true;
    }

    // A filled and framed rectangle under the text (a field's border).
    void Frame(const TwipsRect& r, Rgba fill, Rgba line)
    {
        ShapeLayer& layer = out_.layers[0];
        layer.fills = {FillStyle{}};
        layer.fills[0].color = fill;
        layer.fillEdges.resize(1);
        layer.lines = {LineStyle{20, line, false, {}}};
        const float x0 = float(r.xMin), x1 = float(r.xMax), y0 = float(r.yMin), y1 = float(r.yMax);
        const float corners[5][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
        StrokePath* stroke = nullptr;
        for (int i = 0; i < 4; ++i) {
            Edge e{corners[i][0], corners[i][1], corners[i + 1][0], corners[i + 1][1], corners[i + 1][0],
                   corners[i + 1][1], false};
            AddShapeEdge(layer, e, 0, 1, 1, stroke);
        }
        Extend(x0, y0);
        Extend(x1, y1);
    }

    // Bounds of what was drawn, or `fallback` when nothing was.
    void Finish(const TwipsRect& fallback)
    {
        if (minX_ > maxX_) {
            out_.bounds = fallback;
            return;
        }
        auto clampTwips = [](double v) { return int32_t(std::clamp(v, -1e9, 1e9)); };
        out_.bounds = {clampTwips(std::floor(minX_)) - 20, clampTwips(std::ceil(maxX_)) + 20,
                       clampTwips(std::floor(minY_)) - 20, clampTwips(std::ceil(maxY_)) + 20};
    }

private:
    void Extend(double x, double y)
    {
        minX_ = std::min(minX_, x);
        maxX_ = std::max(maxX_, x);
        minY_ = std::min(minY_, y);
        maxY_ = std::max(maxY_, y);
    }

    Shape& out_;
    size_t& budget_;
    size_t glyphs_ = 0;
    double minX_ = std::numeric_limits<double>::max(), maxX_ = std::numeric_limits<double>::lowest();
    double minY_ = minX_, maxY_ = maxX_;
};

// Code points of a field's text: UTF-8 from version 6 on, one byte a
// character before. Broken sequences give their bytes as they are.
std::u32string Decode(const std::string& s, bool utf8)
{
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra = !utf8 || c < 0xC0 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF8 ? 3 : 0;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = i + size_t(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char n = static_cast<unsigned char>(s[i + size_t(k)]);
            ok = (n & 0xC0) == 0x80;
            cp = (cp << 6) | (n & 0x3F);
        }
        if (!ok) {
            cp = c;
            extra = 0;
        }
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

bool NameIs(const std::u32string& tag, const char* name)
{
    size_t i = 0;
    for (; name[i]; ++i)
        if (i >= tag.size() || (tag[i] < 0x80 ? char32_t(std::tolower(int(tag[i]))) : tag[i]) != char32_t(name[i]))
            return false;
    return i == tag.size() || tag[i] == ' ' || tag[i] == '/' || tag[i] == '>';
}

// A decimal or hexadecimal number of ASCII digits; -1 when it is none or too large.
long Number(const std::u32string& digits, int base)
{
    long v = 0;
    for (char32_t c : digits) {
        int d = c >= '0' && c <= '9' ? int(c - '0') : base == 16 && c >= 'a' && c <= 'f' ? int(c - 'a' + 10)
                : base == 16 && c >= 'A' && c <= 'F' ? int(c - 'A' + 10) : -1;
        if (d < 0 || v > 0x10FFFF)
            return -1;
        v = v * base + d;
    }
    return digits.empty() ? -1 : v;
}

// Where glyphs of a field come from: the embedded font, or the system's.
struct GlyphSource {
    const Font* font = nullptr;
    DeviceFont* device = nullptr;

    const Glyph* Find(char32_t c) const
    {
        if (font) {
            int i = font->IndexOf(c);
            return i < 0 ? nullptr : &font->glyphs[size_t(i)];
        }
        return device ? device->Find(c) : nullptr;
    }
    double Em() const { return font ? font->unitsPerEm : DeviceFont::kUnitsPerEm; }
    double Advance(const Glyph& g) const { return font ? font->Advance(g) : g.advance; }
};

} // namespace

std::u32string HtmlToPlain(const std::u32string& html, bool* kerning)
{
    std::u32string out;
    for (size_t i = 0; i < html.size();) {
        char32_t c = html[i];
        if (c == '<') {
            size_t end = html.find('>', i);
            if (end == std::u32string::npos)
                break; // a tag cut short ends the text
            std::u32string tag = html.substr(i + 1, end - i - 1);
            if (NameIs(tag, "br") || NameIs(tag, "/p") || NameIs(tag, "/li"))
                out.push_back('\n');
            if (kerning && (tag.find(U"kerning=\"1\"") != std::u32string::npos ||
                            tag.find(U"KERNING=\"1\"") != std::u32string::npos))
                *kerning = true;
            i = end + 1;
        } else if (c == '&') {
            size_t end = html.find(';', i);
            std::u32string name = end == std::u32string::npos || end - i > 10 ? U"" : html.substr(i + 1, end - i - 1);
            static const std::pair<const char32_t*, char32_t> kNamed[] = {
                {U"lt", '<'}, {U"gt", '>'}, {U"amp", '&'}, {U"quot", '"'}, {U"apos", '\''}};
            long cp = -1;
            for (const auto& [n, ch] : kNamed)
                if (name == n)
                    cp = long(ch);
            if (cp < 0 && name.size() > 1 && name[0] == '#') {
                bool hex = name[1] == 'x' || name[1] == 'X';
                cp = Number(name.substr(hex ? 2 : 1), hex ? 16 : 10);
                if (cp == 0 || cp > 0x10FFFF)
                    cp = -1;
            }
            if (cp >= 0) {
                out.push_back(char32_t(cp));
                i = end + 1;
            } else {
                out.push_back('&');
                ++i;
            }
        } else {
            out.push_back(c);
            ++i;
        }
    }
    // The closing of the last paragraph does not start another line.
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

bool ReadStaticText(SwfReader& in, int version, const FontTable& fonts, Shape& out, size_t& budget)
{
    TwipsRect bounds = in.Rect();
    Matrix matrix = in.MatrixRecord();
    unsigned glyphBits = in.U8(), advanceBits = in.U8();
    if (in.Failed() || glyphBits > 32 || advanceBits > 32)
        return false;
    TextShape text(out, budget);
    const Font* font = nullptr;
    Rgba color{0, 0, 0, 255};
    double x = 0, y = 0, height = 0;
    bool full = false;
    while (!in.Failed() && !full) {
        uint8_t flags = in.U8();
        if (flags == 0 || !(flags & 0x80))
            break; // the end record, or not a text record
        if (flags & 0x08) {
            auto it = fonts.find(in.U16());
            font = it == fonts.end() ? nullptr : &it->second;
        }
        if (flags & 0x04)
            color = version >= 2 ? in.RgbaColor() : in.Rgb();
        if (flags & 0x01)
            x = in.S16();
        if (flags & 0x02)
            y = in.S16();
        if (flags & 0x08)
            height = in.U16();
        unsigned count = in.U8();
        for (unsigned i = 0; i < count && !in.Failed(); ++i) {
            uint32_t index = in.UB(glyphBits);
            int32_t advance = in.SB(advanceBits);
            if (!full && font && index < font->glyphs.size()) {
                double s = height / font->unitsPerEm;
                full = !text.Add(font->glyphs[index], matrix * Matrix{s, 0, 0, s, x, y}, color);
            }
            x += advance;
        }
        in.Align();
    }
    text.Finish(bounds);
    return true;
}

bool ReadEditField(SwfReader& in, const FontTable& fonts, EditField& f)
{
    f = EditField{};
    f.bounds = in.Rect();
    uint8_t flags1 = in.U8(), flags2 = in.U8();
    const bool hasText = flags1 & 0x80, hasColor = flags1 & 0x04, hasMaxLength = flags1 & 0x02;
    const bool hasFont = flags1 & 0x01, hasFontClass = flags2 & 0x80, hasLayout = flags2 & 0x20;
    f.wordWrap = flags1 & 0x40;
    f.multiline = flags1 & 0x20;
    f.password = flags1 & 0x10;
    f.border = flags2 & 0x08;
    f.html = flags2 & 0x02;
    f.useOutlines = flags2 & 0x01;
    if (hasFont) {
        auto it = fonts.find(in.U16());
        f.font = it == fonts.end() ? nullptr : &it->second;
    }
    if (hasFontClass)
        in.String();
    if (hasFont || hasFontClass)
        f.height = in.U16();
    if (hasColor)
        f.color = in.RgbaColor();
    f.maxLength = hasMaxLength ? in.U16() : 0;
    if (hasLayout) {
        f.align = in.U8();
        f.leftMargin = in.U16();
        f.rightMargin = in.U16();
        f.indent = in.U16();
        f.leading = in.S16();
    }
    f.variable = in.String();
    f.initial = hasText ? in.String() : std::string();
    if (in.Failed() && f.initial.empty())
        return false;
    // More than a field can show; keeps a hostile text from filling the memory.
    if (f.initial.size() > kMaxFieldText)
        f.initial.resize(kMaxFieldText);
    return true;
}

bool ReadEditText(SwfReader& in, int swfVersion, const FontTable& fonts, DeviceFont* device, Shape& out,
                  size_t& budget)
{
    EditField field;
    if (!ReadEditField(in, fonts, field))
        return false;
    LayoutEditText(field, field.initial, swfVersion, device, out, budget);
    return true;
}

void LayoutEditText(const EditField& field, const std::string& value, int swfVersion, DeviceFont* device, Shape& out,
                    size_t& budget)
{
    const TwipsRect bounds = field.bounds;
    const double height = field.height, leftMargin = field.leftMargin, rightMargin = field.rightMargin;
    const double indent = field.indent, leading = field.leading;
    const unsigned align = field.align;
    const Font* font = field.font;
    const std::string raw = value.size() > kMaxFieldText ? value.substr(0, kMaxFieldText) : value;
    const bool border = field.border, useOutlines = field.useOutlines, html = field.html, password = field.password;
    const bool multiline = field.multiline, wordWrap = field.wordWrap;
    const Rgba color = field.color;
    const size_t maxLength = field.maxLength;

    TextShape text(out, budget);
    if (border)
        text.Frame(bounds, Rgba{255, 255, 255, 255}, Rgba{0, 0, 0, 255});
    GlyphSource source;
    if (font && useOutlines && !font->glyphs.empty())
        source.font = font;
    else
        source.device = device;
    bool kerning = false; // plain fields are not kerned
    std::u32string chars = Decode(raw, swfVersion >= 6);
    if (html)
        chars = HtmlToPlain(chars, &kerning);
    if (maxLength > 0 && chars.size() > maxLength)
        chars.resize(maxLength);
    if (password)
        for (char32_t& c : chars)
            if (c != '\n' && c != '\r')
                c = '*';

    const double scale = height / source.Em();
    double ascent = 0.8 * height, descent = 0.2 * height;
    if (source.font && source.font->hasLayout) {
        ascent = source.font->ascent * scale;
        descent = source.font->descent * scale;
    } else if (!source.font && device) {
        ascent = device->Ascent() * scale;
        descent = device->Descent() * scale;
    }
    // Fields keep two pixels free inside their bounds.
    constexpr double kGutter = 40;
    const double left = bounds.xMin + kGutter + leftMargin;
    const double right = bounds.xMax - kGutter - rightMargin;
    const double lineStep = std::max(1.0, ascent + descent + leading);
    const bool wrap = multiline && wordWrap;

    struct Item {
        const Glyph* glyph;
        double advance;
        bool space;
    };
    std::vector<Item> line;
    double baseline = bounds.yMin + kGutter + ascent;
    bool full = false;
    auto emit = [&](bool firstOfParagraph) {
        double width = 0;
        for (const Item& it : line)
            width += it.advance;
        double start = left + (firstOfParagraph ? indent : 0);
        if (align == 1)
            start = right - width;
        else if (align == 2)
            start = (start + right - width) / 2;
        // Lines below the field are not shown.
        if (baseline - ascent < bounds.yMax) {
            double x = start;
            for (const Item& it : line) {
                // Glyphs that start beyond the field's sides are not shown either; the
                // parts of glyphs across them are (fields are not clipped to the pixel).
                if (it.glyph && !full && x < bounds.xMax && x + it.advance > bounds.xMin)
                    full = !text.Add(*it.glyph, Matrix{scale, 0, 0, scale, x, baseline}, color);
                x += it.advance;
            }
        }
        baseline += lineStep;
        line.clear();
    };

    size_t p = 0;
    while (p <= chars.size() && !full && baseline - ascent < bounds.yMax) {
        size_t end = p;
        while (end < chars.size() && chars[end] != '\n' && chars[end] != '\r')
            ++end;
        bool first = true;
        double width = 0;
        size_t lastBreak = 0; // items in `line` up to the last space
        for (size_t i = p; i < end; ++i) {
            const Glyph* g = source.Find(chars[i]);
            bool space = chars[i] == ' ' || chars[i] == '\t';
            double advance = g ? source.Advance(*g) * scale : space ? height / 4 : 0;
            if (kerning && source.font && i + 1 < end)
                advance += source.font->Kerning(chars[i], chars[i + 1]) * scale;
            double limit = right - left - (first ? indent : 0);
            // A glyph fits when its outline does; its advance may reach past the margin.
            double ink = g ? std::min(advance, double(g->xMax) * scale) : advance;
            if (wrap && !space && !line.empty() && width + ink > limit) {
                // Break after the last space, or inside a word too long for a line.
                std::vector<Item> rest;
                if (lastBreak > 0 && lastBreak < line.size())
                    rest.assign(line.begin() + std::ptrdiff_t(lastBreak), line.end());
                line.resize(line.size() - rest.size());
                while (!line.empty() && line.back().space)
                    line.pop_back();
                emit(first);
                first = false;
                line = std::move(rest);
                width = 0;
                for (const Item& it : line)
                    width += it.advance;
                lastBreak = 0;
            }
            line.push_back({g, advance, space});
            width += advance;
            if (space)
                lastBreak = line.size();
        }
        emit(first);
        if (end + 1 < chars.size() && chars[end] == '\r' && chars[end + 1] == '\n')
            ++end;
        p = end + 1;
    }
    text.Finish(bounds);
}

} // namespace glint::flash
