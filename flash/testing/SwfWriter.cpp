#include "flash/testing/SwfWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace glint::flash::testing {

void BitWriter::UB(uint32_t value, unsigned bits)
{
    for (unsigned i = bits; i-- > 0;) {
        if (used_ == 8) {
            data_.push_back(0);
            used_ = 0;
        }
        if ((value >> i) & 1)
            data_.back() |= uint8_t(0x80 >> used_);
        ++used_;
    }
}

void BitWriter::U8(uint8_t v)
{
    Align();
    data_.push_back(v);
}

void BitWriter::U16(uint16_t v)
{
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
}

void BitWriter::U32(uint32_t v)
{
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
}

void BitWriter::Bytes(const void* p, size_t n)
{
    Align();
    const uint8_t* b = static_cast<const uint8_t*>(p);
    data_.insert(data_.end(), b, b + n);
}

void BitWriter::String(const std::string& s)
{
    Bytes(s.data(), s.size());
    U8(0);
}

void BitWriter::Color(Rgba c, bool withAlpha)
{
    for (uint8_t v : {c.r, c.g, c.b})
        U8(v);
    if (withAlpha)
        U8(c.a);
}

unsigned BitWriter::SignedBits(std::initializer_list<int32_t> values)
{
    unsigned bits = 1;
    for (int32_t v : values) {
        unsigned n = 1;
        while (n < 32 && (v < -(int64_t(1) << (n - 1)) || v >= (int64_t(1) << (n - 1))))
            ++n;
        bits = std::max(bits, n);
    }
    return bits;
}

void BitWriter::Rect(const TwipsRect& r)
{
    Align();
    unsigned n = SignedBits({r.xMin, r.xMax, r.yMin, r.yMax});
    UB(n, 5);
    for (int32_t v : {r.xMin, r.xMax, r.yMin, r.yMax})
        SB(v, n);
    Align();
}

void BitWriter::MatrixRecord(const Matrix& m)
{
    Align();
    // The scale pair, then the rotate-skew pair: each a flag and, when set, two 16.16 values.
    auto pair = [&](bool present, double first, double second) {
        UB(present, 1);
        if (!present)
            return;
        const int32_t x = int32_t(std::lround(first * 65536.0)), y = int32_t(std::lround(second * 65536.0));
        const unsigned n = SignedBits({x, y});
        UB(n, 5);
        SB(x, n);
        SB(y, n);
    };
    pair(m.a != 1 || m.d != 1, m.a, m.d);
    pair(m.b != 0 || m.c != 0, m.b, m.c);
    int32_t tx = int32_t(std::lround(m.tx)), ty = int32_t(std::lround(m.ty));
    unsigned n = SignedBits({tx, ty});
    UB(n, 5);
    SB(tx, n);
    SB(ty, n);
    Align();
}

void BitWriter::CxForm(const ColorTransform& t, bool withAlpha)
{
    Align();
    const std::vector<int32_t> mul{t.mulR, t.mulG, t.mulB, t.mulA}, add{t.addR, t.addG, t.addB, t.addA};
    const size_t terms = withAlpha ? 4 : 3;
    const bool hasMul = std::any_of(mul.begin(), mul.begin() + terms, [](int32_t v) { return v != 256; });
    const bool hasAdd = std::any_of(add.begin(), add.begin() + terms, [](int32_t v) { return v != 0; });
    unsigned n = SignedBits({t.mulR, t.mulG, t.mulB, t.mulA, t.addR, t.addG, t.addB, t.addA});
    UB(hasAdd, 1);
    UB(hasMul, 1);
    UB(n, 4);
    for (size_t i = 0; hasMul && i < terms; ++i)
        SB(mul[i], n);
    for (size_t i = 0; hasAdd && i < terms; ++i)
        SB(add[i], n);
    Align();
}

// ---- shapes

namespace {

// A style-change record that moves the pen to (x, y); `flags` also announce the styles that follow.
void MoveRecord(BitWriter& out, unsigned flags, int32_t x, int32_t y)
{
    out.UB(0, 1);
    out.UB(flags | 0x01, 5);
    unsigned n = BitWriter::SignedBits({x, y});
    out.UB(n, 5);
    out.SB(x, n);
    out.SB(y, n);
}

// A straight edge; a vertical or horizontal one is written short unless `general`.
void LineRecord(BitWriter& out, int32_t dx, int32_t dy, bool general)
{
    unsigned n = std::max(2u, BitWriter::SignedBits({dx, dy}));
    out.UB(1, 1);
    out.UB(1, 1);
    out.UB(n - 2, 4);
    general = general || (dx != 0 && dy != 0);
    out.UB(general, 1);
    if (general) {
        out.SB(dx, n);
        out.SB(dy, n);
    } else {
        out.UB(dx == 0, 1); // vertical
        out.SB(dx == 0 ? dy : dx, n);
    }
}

} // namespace

FillStyle& ShapeBuilder::NewFill(FillKind kind, const Matrix& m)
{
    FillStyle& f = fills_.emplace_back();
    f.kind = kind;
    f.matrix = m;
    return f;
}

int ShapeBuilder::AddSolidFill(Rgba c)
{
    NewFill(FillKind::Solid, {}).color = c;
    return int(fills_.size());
}

int ShapeBuilder::AddLinearFill(const Matrix& m, std::vector<GradientStop> stops)
{
    NewFill(FillKind::Linear, m).stops = std::move(stops);
    return int(fills_.size());
}

int ShapeBuilder::AddRadialFill(const Matrix& m, std::vector<GradientStop> stops)
{
    NewFill(FillKind::Radial, m).stops = std::move(stops);
    return int(fills_.size());
}

int ShapeBuilder::AddLineStyle(uint16_t widthTwips, Rgba c)
{
    LineStyle& l = lines_.emplace_back();
    l.width = widthTwips;
    l.color = c;
    return int(lines_.size());
}

int ShapeBuilder::AddBitmapFill(uint16_t bitmap, const Matrix& m, bool repeat, bool smooth)
{
    FillStyle& f = NewFill(FillKind::Bitmap, m);
    f.bitmap = bitmap;
    f.repeat = repeat;
    f.smooth = smooth;
    return int(fills_.size());
}

void ShapeBuilder::SetStyles(int fill0, int fill1, int line) { records_.push_back({Record::Styles, fill0, fill1, line}); }

void ShapeBuilder::Reach(int32_t x, int32_t y)
{
    reached_ = {std::min(reached_.xMin, x), std::max(reached_.xMax, x), std::min(reached_.yMin, y),
                std::max(reached_.yMax, y)};
    x_ = x;
    y_ = y;
}

void ShapeBuilder::MoveTo(int32_t x, int32_t y)
{
    records_.push_back({Record::Move, x, y});
    Reach(x, y);
}

void ShapeBuilder::LineTo(int32_t x, int32_t y)
{
    records_.push_back({Record::Line, x - x_, y - y_});
    Reach(x, y);
}

void ShapeBuilder::CurveTo(int32_t cx, int32_t cy, int32_t x, int32_t y)
{
    records_.push_back({Record::Curve, cx - x_, cy - y_, x - cx, y - cy});
    Reach(cx, cy);
    Reach(x, y);
}

void ShapeBuilder::Rect(int32_t x, int32_t y, int32_t w, int32_t h, int fill, int line)
{
    MoveTo(x, y);
    SetStyles(0, fill, line);
    LineTo(x + w, y);
    LineTo(x + w, y + h);
    LineTo(x, y + h);
    LineTo(x, y);
}

void ShapeBuilder::Circle(int32_t cx, int32_t cy, int32_t r, int fill, int line)
{
    // Eight curves; the control point sits on the tangents at r / cos(22.5 degrees).
    const double pi = 3.14159265358979323846;
    double rc = r / std::cos(pi / 8);
    MoveTo(cx + r, cy);
    SetStyles(0, fill, line);
    for (int i = 1; i <= 8; ++i) {
        double a = pi / 4 * i, am = a - pi / 8;
        CurveTo(cx + int32_t(std::lround(rc * std::cos(am))), cy + int32_t(std::lround(rc * std::sin(am))),
                cx + int32_t(std::lround(r * std::cos(a))), cy + int32_t(std::lround(r * std::sin(a))));
    }
}

void ShapeBuilder::Write(BitWriter& out, int version, TwipsRect bounds) const
{
    const bool unset = bounds.xMin == 0 && bounds.xMax == 0 && bounds.yMin == 0 && bounds.yMax == 0;
    if (unset && reached_.xMin <= reached_.xMax) { // the points reached, widened by the widest line
        int32_t pad = 0;
        for (const LineStyle& l : lines_)
            pad = std::max(pad, int32_t(l.width / 2));
        bounds = {reached_.xMin - pad, reached_.xMax + pad, reached_.yMin - pad, reached_.yMax + pad};
    }
    out.Rect(bounds);
    if (version >= 4) {
        out.Rect(bounds);
        out.U8(0);
    }
    auto count = [&](size_t n) {
        if (n >= 255 && version >= 2) {
            out.U8(0xFF);
            out.U16(uint16_t(n));
        } else {
            out.U8(uint8_t(n));
        }
    };
    count(fills_.size());
    for (const FillStyle& f : fills_) {
        if (f.kind == FillKind::Solid) {
            out.U8(0x00);
            out.Color(f.color, version >= 3);
        } else if (f.kind == FillKind::Bitmap) {
            out.U8(f.repeat ? (f.smooth ? 0x40 : 0x42) : (f.smooth ? 0x41 : 0x43));
            out.U16(f.bitmap);
            out.MatrixRecord(f.matrix);
        } else {
            out.U8(f.kind == FillKind::Linear ? 0x10 : f.focal != 0 ? 0x13 : 0x12);
            out.MatrixRecord(f.matrix);
            const unsigned spread = f.spread == GradientSpread::Reflect ? 1 : f.spread == GradientSpread::Repeat ? 2 : 0;
            out.U8(uint8_t(f.stops.size() | (spread << 6)));
            for (const GradientStop& s : f.stops) {
                out.U8(s.ratio);
                out.Color(s.color, version >= 3);
            }
            if (f.focal != 0)
                out.U16(uint16_t(int16_t(std::lround(f.focal * 256)))); // signed 8.8
        }
    }
    count(lines_.size());
    for (const LineStyle& l : lines_) {
        out.U16(uint16_t(l.width));
        if (version >= 4)
            out.U16(0); // round caps and joins, colour follows
        out.Color(l.color, version >= 3);
    }
    auto indexBits = [](size_t n) {
        unsigned b = 0;
        while ((size_t(1) << b) <= n)
            ++b;
        return b;
    };
    unsigned fillBits = indexBits(fills_.size()), lineBits = indexBits(lines_.size());
    out.UB(fillBits, 4);
    out.UB(lineBits, 4);
    WriteRecords(out, fillBits, lineBits);
}

void ShapeBuilder::WriteGlyph(BitWriter& out) const
{
    out.UB(1, 4);
    out.UB(0, 4);
    WriteRecords(out, 1, 0);
}

void ShapeBuilder::WriteRecords(BitWriter& out, unsigned fillBits, unsigned lineBits) const
{
    for (const Record& r : records_) {
        switch (r.kind) {
        case Record::Styles:
            out.UB(0, 1);
            out.UB(0x0E, 5); // line, fill1 and fill0 change
            out.UB(uint32_t(r.a), fillBits);
            out.UB(uint32_t(r.b), fillBits);
            out.UB(uint32_t(r.c), lineBits);
            break;
        case Record::Move:
            MoveRecord(out, 0, r.a, r.b);
            break;
        case Record::Line:
            LineRecord(out, r.a, r.b, false);
            break;
        case Record::Curve: {
            unsigned n = std::max(2u, BitWriter::SignedBits({r.a, r.b, r.c, r.d}));
            out.UB(1, 1);
            out.UB(0, 1);
            out.UB(n - 2, 4);
            out.SB(r.a, n);
            out.SB(r.b, n);
            out.SB(r.c, n);
            out.SB(r.d, n);
            break;
        }
        }
    }
    out.UB(0, 6); // end of shape
    out.Align();
}

// ---- morph shapes

int MorphBuilder::AddSolidFill(Rgba start, Rgba end)
{
    Style& s = fills_.emplace_back();
    s.start.color = start;
    s.end.color = end;
    return int(fills_.size());
}

int MorphBuilder::AddLinearFill(const Matrix& start, const Matrix& end, std::vector<GradientStop> startStops,
                                std::vector<GradientStop> endStops)
{
    if (startStops.size() != endStops.size())
        throw std::invalid_argument("morph gradient stops");
    Style& s = fills_.emplace_back();
    s.start.kind = s.end.kind = FillKind::Linear;
    s.start.matrix = start;
    s.end.matrix = end;
    s.start.stops = std::move(startStops);
    s.end.stops = std::move(endStops);
    return int(fills_.size());
}

int MorphBuilder::AddLineStyle(uint16_t startWidth, uint16_t endWidth, Rgba start, Rgba end)
{
    lines_.push_back({startWidth, endWidth, start, end});
    return int(lines_.size());
}

void MorphBuilder::Quad(const std::array<int32_t, 8>& start, const std::array<int32_t, 8>& end, int fill, int line)
{
    outlines_.push_back({start, end, fill, line});
}

void MorphBuilder::Write(BitWriter& out, int version) const
{
    auto bounds = [&](bool end) {
        TwipsRect r{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN};
        for (const Outline& o : outlines_)
            for (size_t i = 0; i < 8; i += 2) {
                const auto& p = end ? o.end : o.start;
                r = {std::min(r.xMin, p[i]), std::max(r.xMax, p[i]), std::min(r.yMin, p[i + 1]),
                     std::max(r.yMax, p[i + 1])};
            }
        out.Rect(outlines_.empty() ? TwipsRect{} : r);
    };
    bounds(false);
    bounds(true);
    if (version >= 2) {
        bounds(false);
        bounds(true);
        out.U8(0);
    }
    // The styles and the start outline go to a buffer first: the offset of the end outline precedes them.
    BitWriter body;
    body.U8(uint8_t(fills_.size()));
    for (const Style& s : fills_) {
        if (s.start.kind == FillKind::Solid) {
            body.U8(0x00);
            body.Color(s.start.color, true);
            body.Color(s.end.color, true);
        } else {
            body.U8(0x10);
            body.MatrixRecord(s.start.matrix);
            body.MatrixRecord(s.end.matrix);
            body.U8(uint8_t(s.start.stops.size()));
            for (size_t i = 0; i < s.start.stops.size(); ++i) {
                for (const GradientStop& stop : {s.start.stops[i], s.end.stops[i]}) {
                    body.U8(stop.ratio);
                    body.Color(stop.color, true);
                }
            }
        }
    }
    body.U8(uint8_t(lines_.size()));
    for (const Line& l : lines_) {
        body.U16(l.startWidth);
        body.U16(l.endWidth);
        if (version >= 2)
            body.U16(0); // round caps and joins, colours follow
        body.Color(l.start, true);
        body.Color(l.end, true);
    }
    const unsigned fillBits = 4, lineBits = 4;
    auto outline = [&](BitWriter& w, bool end) {
        w.UB(fillBits, 4);
        w.UB(lineBits, 4);
        for (const Outline& o : outlines_) {
            const auto& p = end ? o.end : o.start;
            MoveRecord(w, end ? 0 : 0x0E, p[0], p[1]); // the end outline has no styles
            if (!end) {
                w.UB(0, fillBits);
                w.UB(uint32_t(o.fill), fillBits);
                w.UB(uint32_t(o.line), lineBits);
            }
            for (size_t i = 1; i <= 4; ++i) { // general lines round the four corners
                size_t a = (i - 1) * 2, b = i % 4 * 2;
                LineRecord(w, p[b] - p[a], p[b + 1] - p[a + 1], true);
            }
        }
        w.UB(0, 6);
        w.Align();
    };
    outline(body, false);
    BitWriter endOutline;
    outline(endOutline, true);
    out.U32(uint32_t(body.Data().size()));
    out.Bytes(body.Data().data(), body.Data().size());
    out.Bytes(endOutline.Data().data(), endOutline.Data().size());
}

// ---- actions

namespace {

// Appends the text and its terminating zero.
void AddString(std::vector<uint8_t>& to, const std::string& s)
{
    to.insert(to.end(), s.begin(), s.end());
    to.push_back(0);
}

std::vector<uint8_t> Le16(int v) { return {uint8_t(v), uint8_t(v >> 8)}; }

} // namespace

ActionBuilder& ActionBuilder::Op(uint8_t code)
{
    code_.push_back(code);
    return *this;
}

ActionBuilder& ActionBuilder::Raw(uint8_t code, const std::vector<uint8_t>& args)
{
    code_.push_back(code);
    code_.push_back(uint8_t(args.size()));
    code_.push_back(uint8_t(args.size() >> 8));
    code_.insert(code_.end(), args.begin(), args.end());
    return *this;
}

ActionBuilder& ActionBuilder::GotoFrame(uint16_t frame) { return Raw(0x81, Le16(frame)); }

ActionBuilder& ActionBuilder::GotoLabel(const std::string& label)
{
    std::vector<uint8_t> a;
    AddString(a, label);
    return Raw(0x8C, a);
}

ActionBuilder& ActionBuilder::GetURL(const std::string& url, const std::string& target)
{
    std::vector<uint8_t> a;
    AddString(a, url);
    AddString(a, target);
    return Raw(0x83, a);
}

ActionBuilder& ActionBuilder::PushString(const std::string& s)
{
    std::vector<uint8_t> a{0};
    AddString(a, s);
    return Raw(0x96, a);
}

ActionBuilder& ActionBuilder::PushNumber(int32_t n)
{
    uint32_t u = uint32_t(n);
    return Raw(0x96, {7, uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
}

ActionBuilder& ActionBuilder::GotoFrame2(bool play) { return Raw(0x9F, {uint8_t(play ? 1 : 0)}); }

ActionBuilder& ActionBuilder::GetURL2() { return Raw(0x9A, {0}); }

ActionBuilder& ActionBuilder::Jump(int16_t offset) { return Raw(0x99, Le16(offset)); }

ActionBuilder& ActionBuilder::If(int16_t offset) { return Raw(0x9D, Le16(offset)); }

ActionBuilder& ActionBuilder::PushDouble(double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    std::vector<uint8_t> a{6};
    for (int shift : {32, 40, 48, 56, 0, 8, 16, 24}) // the high word first
        a.push_back(uint8_t(bits >> shift));
    return Raw(0x96, a);
}

ActionBuilder& ActionBuilder::PushBool(bool b) { return Raw(0x96, {5, uint8_t(b ? 1 : 0)}); }

ActionBuilder& ActionBuilder::Function(const std::string& name, const std::vector<std::string>& params,
                                       const ActionBuilder& body)
{
    std::vector<uint8_t> a;
    AddString(a, name);
    a.insert(a.end(), {uint8_t(params.size()), uint8_t(params.size() >> 8)});
    for (const std::string& p : params)
        AddString(a, p);
    a.insert(a.end(), {uint8_t(body.code_.size()), uint8_t(body.code_.size() >> 8)});
    Raw(0x9B, a);
    return Append(body);
}

ActionBuilder& ActionBuilder::Append(const ActionBuilder& more)
{
    code_.insert(code_.end(), more.code_.begin(), more.code_.end());
    return *this;
}

std::vector<uint8_t> ActionBuilder::Bytes() const
{
    std::vector<uint8_t> b = code_;
    b.push_back(0);
    return b;
}

// ---- movie

SwfWriter::SwfWriter(int widthPx, int heightPx, double frameRate, uint8_t version)
    : width_(widthPx), height_(heightPx), rate_(frameRate), version_(version)
{
}

void SwfWriter::Tag(uint16_t code, const std::vector<uint8_t>& body)
{
    BitWriter header;
    const bool isLong = body.size() >= 0x3F;
    header.U16(uint16_t((code << 6) | (isLong ? 0x3F : body.size())));
    if (isLong)
        header.U32(uint32_t(body.size()));
    tags_.insert(tags_.end(), header.Data().begin(), header.Data().end());
    tags_.insert(tags_.end(), body.begin(), body.end());
}

void SwfWriter::SetBackground(Rgba c)
{
    BitWriter w;
    w.Color(c, false);
    Tag(9, w.Data());
}

void SwfWriter::DefineShape(uint16_t id, const ShapeBuilder& shape, int version, TwipsRect bounds)
{
    static const uint16_t codes[] = {2, 22, 32, 83};
    if (version < 1 || version > 4)
        throw std::invalid_argument("shape version");
    BitWriter w;
    w.U16(id);
    shape.Write(w, version, bounds);
    Tag(codes[version - 1], w.Data());
}

void SwfWriter::PlaceNamed(uint16_t depth, uint16_t id, const std::string& name, const Matrix& m,
                           const std::vector<std::pair<uint32_t, ActionBuilder>>& events)
{
    BitWriter w;
    w.U8(uint8_t(0x02 | 0x04 | 0x20 | (events.empty() ? 0 : 0x80)));
    w.U16(depth);
    w.U16(id);
    w.MatrixRecord(m);
    w.String(name);
    if (!events.empty()) {
        uint32_t all = 0;
        for (const auto& [flags, code] : events)
            all |= flags;
        w.U16(0);
        w.U32(all);
        for (const auto& [flags, code] : events) {
            std::vector<uint8_t> bytes = code.Bytes();
            w.U32(flags);
            w.U32(uint32_t(bytes.size()));
            w.Bytes(bytes.data(), bytes.size());
        }
        w.U32(0);
    }
    Tag(26, w.Data());
}

void SwfWriter::DefineButton(uint16_t id, const std::vector<ButtonRecord>& records,
                             const std::vector<ButtonAction>& actions, int version)
{
    BitWriter list;
    for (const ButtonRecord& r : records) {
        list.U8(r.states);
        list.U16(r.character);
        list.U16(r.depth);
        list.MatrixRecord(r.matrix);
        if (version == 2)
            list.CxForm(r.color, true);
    }
    list.U8(0);
    BitWriter w;
    w.U16(id);
    if (version == 2) {
        w.U8(0);                                                        // not a menu
        w.U16(uint16_t(actions.empty() ? 0 : list.Data().size() + 2)); // from here to the actions
    }
    w.Bytes(list.Data().data(), list.Data().size());
    for (size_t i = 0; i < actions.size() && (version == 2 || i == 0); ++i) {
        if (version == 2) { // each condition record's size, 0 for the last
            w.U16(uint16_t(i + 1 == actions.size() ? 0 : actions[i].code.size() + 4));
            w.U16(actions[i].conditions);
        }
        w.Bytes(actions[i].code.data(), actions[i].code.size());
    }
    Tag(version == 1 ? 7 : 34, w.Data());
}

void SwfWriter::Place(uint16_t depth, uint16_t id, const Matrix& m, const ColorTransform* cx, uint16_t clipDepth)
{
    BitWriter w;
    w.U8(uint8_t(0x02 | 0x04 | (cx ? 0x08 : 0) | (clipDepth ? 0x40 : 0)));
    w.U16(depth);
    w.U16(id);
    w.MatrixRecord(m);
    if (cx)
        w.CxForm(*cx, true);
    if (clipDepth)
        w.U16(clipDepth);
    Tag(26, w.Data());
}

void SwfWriter::Move(uint16_t depth, const Matrix& m, const ColorTransform* cx)
{
    BitWriter w;
    w.U8(uint8_t(0x01 | 0x04 | (cx ? 0x08 : 0)));
    w.U16(depth);
    w.MatrixRecord(m);
    if (cx)
        w.CxForm(*cx, true);
    Tag(26, w.Data());
}

void SwfWriter::PlaceObject1(uint16_t id, uint16_t depth, const Matrix& m, const ColorTransform* cx)
{
    BitWriter w;
    w.U16(id);
    w.U16(depth);
    w.MatrixRecord(m);
    if (cx)
        w.CxForm(*cx, false);
    Tag(4, w.Data());
}

void SwfWriter::Remove(uint16_t depth)
{
    BitWriter w;
    w.U16(depth);
    Tag(28, w.Data());
}

void SwfWriter::RemoveObject1(uint16_t id, uint16_t depth)
{
    BitWriter w;
    w.U16(id);
    w.U16(depth);
    Tag(5, w.Data());
}

void SwfWriter::DefineSprite(uint16_t id, const std::vector<std::pair<uint16_t, uint16_t>>& depthAndCharacter)
{
    SwfWriter inner(0, 0, 0);
    for (auto [depth, character] : depthAndCharacter)
        inner.Place(depth, character);
    inner.ShowFrame();
    DefineSprite(id, inner);
}

void SwfWriter::DefineSprite(uint16_t id, const SwfWriter& timeline)
{
    BitWriter w;
    w.U16(id);
    w.U16(timeline.frames_);
    w.Bytes(timeline.tags_.data(), timeline.tags_.size());
    w.U16(0); // End
    Tag(39, w.Data());
}

void SwfWriter::Place3(uint16_t depth, uint16_t id, const Matrix& m, const ColorTransform* cx, int ratio,
                       uint8_t blendMode, bool blur)
{
    BitWriter w;
    w.U8(uint8_t(0x02 | 0x04 | (cx ? 0x08 : 0) | (ratio >= 0 ? 0x10 : 0)));
    w.U8(uint8_t((blur ? 0x01 : 0) | (blendMode ? 0x02 : 0)));
    w.U16(depth);
    w.U16(id);
    w.MatrixRecord(m);
    if (cx)
        w.CxForm(*cx, true);
    if (ratio >= 0)
        w.U16(uint16_t(ratio));
    if (blur) {
        w.U8(1);                          // one filter
        w.U8(1);                          // blur
        w.U32(4 << 16);                   // blur x, 16.16
        w.U32(4 << 16);                   // blur y
        w.U8(1 << 3);                     // one pass
    }
    if (blendMode)
        w.U8(blendMode);
    Tag(70, w.Data());
}

void SwfWriter::MoveRatio(uint16_t depth, uint16_t ratio)
{
    BitWriter w;
    w.U8(uint8_t(0x01 | 0x10));
    w.U16(depth);
    w.U16(ratio);
    Tag(26, w.Data());
}

void SwfWriter::DefineMorphShape(uint16_t id, const MorphBuilder& morph, int version)
{
    BitWriter w;
    w.U16(id);
    morph.Write(w, version);
    Tag(version >= 2 ? 84 : 46, w.Data());
}

namespace {

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data)
{
    uLongf size = compressBound(uLong(data.size()));
    std::vector<uint8_t> z(size);
    if (compress2(z.data(), &size, data.data(), uLong(data.size()), 9) != Z_OK)
        throw std::runtime_error("compress");
    z.resize(size);
    return z;
}

// A tag body: the character id, then the bytes as they are.
std::vector<uint8_t> WithId(uint16_t id, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> body{uint8_t(id), uint8_t(id >> 8)};
    body.insert(body.end(), bytes.begin(), bytes.end());
    return body;
}

} // namespace

void SwfWriter::DefineBitsLossless(uint16_t id, uint8_t format, uint16_t width, uint16_t height,
                                   const std::vector<uint8_t>& payload, bool withAlpha, int colors)
{
    BitWriter w;
    w.U16(id);
    w.U8(format);
    w.U16(width);
    w.U16(height);
    if (format == 3)
        w.U8(uint8_t(colors - 1));
    std::vector<uint8_t> z = Deflate(payload);
    w.Bytes(z.data(), z.size());
    Tag(withAlpha ? 36 : 20, w.Data());
}

void SwfWriter::JpegTables(const std::vector<uint8_t>& tables) { Tag(8, tables); }

void SwfWriter::DefineBits(uint16_t id, const std::vector<uint8_t>& jpeg) { Tag(6, WithId(id, jpeg)); }

void SwfWriter::DefineBitsJpeg2(uint16_t id, const std::vector<uint8_t>& jpeg) { Tag(21, WithId(id, jpeg)); }

void SwfWriter::DefineBitsJpeg3(uint16_t id, const std::vector<uint8_t>& jpeg, const std::vector<uint8_t>& alpha,
                                int deblock)
{
    BitWriter w;
    w.U16(id);
    w.U32(uint32_t(jpeg.size()));
    if (deblock >= 0)
        w.U16(uint16_t(deblock));
    w.Bytes(jpeg.data(), jpeg.size());
    std::vector<uint8_t> z = Deflate(alpha);
    w.Bytes(z.data(), z.size());
    Tag(deblock >= 0 ? 90 : 35, w.Data());
}

void SwfWriter::FrameLabel(const std::string& name)
{
    BitWriter w;
    w.String(name);
    Tag(43, w.Data());
}

void SwfWriter::DoAction(const ActionBuilder& actions) { Tag(12, actions.Bytes()); }

void SwfWriter::DefineFont(uint16_t id, int version, const std::vector<ShapeBuilder>& glyphs,
                           const std::vector<uint16_t>& codes, const std::vector<int16_t>& advances, uint16_t ascent,
                           uint16_t descent)
{
    const bool wide = version >= 2;
    BitWriter w, shapes;
    w.U16(id);
    if (version >= 2) {
        w.U8(uint8_t((advances.empty() ? 0 : 0x80) | 0x08 | 0x04)); // layout, wide offsets, wide codes
        w.U8(0);
        w.U8(4);
        w.Bytes("Test", 4);
        w.U16(uint16_t(glyphs.size()));
    }
    // Offsets count from the table's start: 16-bit in DefineFont, else 32-bit and the code table's last.
    const size_t entries = glyphs.size() + (wide ? 1 : 0);
    for (size_t i = 0; i < entries; ++i) {
        const uint32_t offset = uint32_t(entries * (wide ? 4 : 2) + shapes.Data().size());
        wide ? w.U32(offset) : w.U16(uint16_t(offset));
        if (i < glyphs.size())
            glyphs[i].WriteGlyph(shapes);
    }
    w.Bytes(shapes.Data().data(), shapes.Data().size());
    if (wide) {
        for (uint16_t c : codes)
            w.U16(c);
        if (!advances.empty()) {
            w.U16(ascent);
            w.U16(descent);
            w.U16(0);
            for (int16_t a : advances)
                w.U16(uint16_t(a));
            for (size_t i = 0; i < advances.size(); ++i)
                w.Rect({});
            w.U16(0); // no kerning
        }
    }
    Tag(version == 1 ? 10 : version == 2 ? 48 : 75, w.Data());
    if (version == 1) { // the code table comes in DefineFontInfo
        BitWriter info;
        info.U16(id);
        info.U8(4);
        info.Bytes("Test", 4);
        info.U8(0x01); // wide codes
        for (uint16_t c : codes)
            info.U16(c);
        Tag(13, info.Data());
    }
}

void SwfWriter::DefineText(uint16_t id, int version, TwipsRect bounds, const Matrix& m,
                           const std::vector<TextRecord>& records)
{
    BitWriter w;
    w.U16(id);
    w.Rect(bounds);
    w.MatrixRecord(m);
    w.U8(16); // glyph bits
    w.U8(16); // advance bits
    for (const TextRecord& r : records) {
        w.U8(0x80 | 0x08 | 0x04 | 0x02 | 0x01);
        w.U16(r.font);
        w.Color(r.color, version >= 2);
        w.U16(uint16_t(r.x));
        w.U16(uint16_t(r.y));
        w.U16(r.height);
        w.U8(uint8_t(r.glyphs.size()));
        for (const auto& [index, advance] : r.glyphs) {
            w.UB(index, 16);
            w.SB(advance, 16);
        }
        w.Align();
    }
    w.U8(0);
    Tag(version >= 2 ? 33 : 11, w.Data());
}

void SwfWriter::DefineEditText(uint16_t id, TwipsRect bounds, const EditTextField& f)
{
    BitWriter w;
    w.U16(id);
    w.Rect(bounds);
    w.U8(uint8_t(0x80 | (f.wordWrap ? 0x40 : 0) | (f.multiline ? 0x20 : 0) | 0x08 | 0x04 | (f.font ? 0x01 : 0)));
    w.U8(uint8_t(0x20 | (f.border ? 0x08 : 0) | (f.html ? 0x02 : 0) | (f.useOutlines ? 0x01 : 0)));
    if (f.font) {
        w.U16(f.font);
        w.U16(f.height);
    }
    w.Color(f.color, true);
    w.U8(f.align);
    w.U16(f.leftMargin);
    w.U16(f.rightMargin);
    w.U16(0); // indent
    w.U16(uint16_t(f.leading));
    w.String(f.variable);
    w.String(f.text);
    Tag(37, w.Data());
}

void SwfWriter::ShowFrame()
{
    Tag(1, {});
    ++frames_;
}

std::string SwfWriter::Finish(bool compressed) const
{
    BitWriter body;
    body.Rect({0, width_ * 20, 0, height_ * 20});
    int rate = int(std::lround(rate_ * 256));
    body.U16(uint16_t(std::clamp(rate, 0, 0xFFFF)));
    body.U16(frames_);
    body.Bytes(tags_.data(), tags_.size());
    body.U16(0); // End
    const std::vector<uint8_t>& b = body.Data();

    std::string out = compressed ? "CWS" : "FWS";
    out.push_back(char(version_));
    uint32_t length = uint32_t(b.size() + 8);
    for (int i = 0; i < 4; ++i)
        out.push_back(char(length >> (8 * i)));
    const std::vector<uint8_t> stored = compressed ? Deflate(b) : b;
    return out.append(stored.begin(), stored.end());
}

} // namespace glint::flash::testing
