#include "flash/display/MorphShape.h"

#include "flash/SwfReader.h"

#include <algorithm>
#include <cmath>

namespace glint::flash {

namespace {

bool ReadMorphFill(SwfReader& in, MorphFill& f)
{
    uint8_t type = in.U8();
    FillStyle& a = f.start;
    FillStyle& b = f.end;
    switch (type) {
    case 0x00:
        a.kind = b.kind = FillKind::Solid;
        a.color = in.RgbaColor();
        b.color = in.RgbaColor();
        break;
    case 0x10:
    case 0x12:
    case 0x13: {
        a.kind = b.kind = type == 0x10 ? FillKind::Linear : FillKind::Radial;
        a.matrix = in.MatrixRecord();
        b.matrix = in.MatrixRecord();
        unsigned count = in.U8() & 0x0F;
        for (unsigned i = 0; i < count && !in.Failed(); ++i) {
            GradientStop s, e;
            s.ratio = in.U8();
            s.color = in.RgbaColor();
            e.ratio = in.U8();
            e.color = in.RgbaColor();
            a.stops.push_back(s);
            b.stops.push_back(e);
        }
        if (a.stops.empty())
            return false;
        a.color = a.stops.back().color;
        b.color = b.stops.back().color;
        break;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        a.kind = b.kind = FillKind::Bitmap;
        a.bitmap = b.bitmap = in.U16();
        a.matrix = in.MatrixRecord();
        b.matrix = in.MatrixRecord();
        a.repeat = b.repeat = type == 0x40 || type == 0x42;
        a.smooth = b.smooth = type == 0x40 || type == 0x41;
        a.color = b.color = Rgba{0, 0, 0, 0};
        break;
    default:
        return false;
    }
    return !in.Failed();
}

uint32_t ReadCount(SwfReader& in)
{
    uint32_t n = in.U8();
    return n == 0xFF ? in.U16() : n;
}

// Reads the edges of one outline: `start` true files style changes and edges
// as new steps; false pairs each edge with the next start edge, in order.
void ReadEdges(SwfReader& in, bool start, MorphShape& out, size_t& budget)
{
    unsigned fillBits = in.UB(4), lineBits = in.UB(4);
    int64_t x = 0, y = 0;
    size_t next = 0; // the start step whose end edge comes next
    while (!in.Failed() && budget > 2) {
        if (in.UB(1) == 0) {
            unsigned flags = in.UB(5);
            if (flags == 0 || in.Failed())
                break;
            MorphStep step;
            if (flags & 0x01) {
                unsigned n = in.UB(5);
                x = in.SB(n);
                y = in.SB(n);
                step.move = true;
            }
            if (flags & 0x02) {
                step.setFill0 = true;
                step.fill0 = in.UB(fillBits);
            }
            if (flags & 0x04) {
                step.setFill1 = true;
                step.fill1 = in.UB(fillBits);
            }
            if (flags & 0x08) {
                step.setLine = true;
                step.line = in.UB(lineBits);
            }
            if (flags & 0x10)
                break; // morphs have one style table; new styles mean damage
            if (start) {
                --budget;
                out.steps.push_back(step);
            }
            continue;
        }
        Edge e{};
        if (!ReadEdgeRecord(in, x, y, e))
            break;
        if (!e.curve) {
            // A straight edge is the curve with its control point halfway, so
            // that it pairs with a curve of the other outline.
            e.cx = float((double(e.x0) + e.x1) / 2);
            e.cy = float((double(e.y0) + e.y1) / 2);
        }
        if (start) {
            MorphStep step;
            step.isEdge = true;
            step.start = e;
            step.end = e; // until the end outline says otherwise
            budget -= 2;
            out.steps.push_back(step);
        } else {
            while (next < out.steps.size() && !out.steps[next].isEdge)
                ++next;
            if (next == out.steps.size())
                break;
            out.steps[next++].end = e;
        }
    }
}

float Mix(float a, float b, double t) { return float(a + (double(b) - a) * t); }
double Mix(double a, double b, double t) { return a + (b - a) * t; }
uint8_t Mix(uint8_t a, uint8_t b, double t) { return uint8_t(std::lround(a + (double(b) - a) * t)); }
Rgba Mix(Rgba a, Rgba b, double t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t), Mix(a.a, b.a, t)}; }

FillStyle MixFill(const MorphFill& f, double t)
{
    FillStyle s = f.start;
    s.color = Mix(f.start.color, f.end.color, t);
    const Matrix &a = f.start.matrix, &b = f.end.matrix;
    s.matrix = Matrix{Mix(a.a, b.a, t), Mix(a.b, b.b, t), Mix(a.c, b.c, t), Mix(a.d, b.d, t), Mix(a.tx, b.tx, t), Mix(a.ty, b.ty, t)};
    for (size_t i = 0; i < s.stops.size() && i < f.end.stops.size(); ++i) {
        s.stops[i].ratio = Mix(f.start.stops[i].ratio, f.end.stops[i].ratio, t);
        s.stops[i].color = Mix(f.start.stops[i].color, f.end.stops[i].color, t);
    }
    return s;
}

} // namespace

bool ReadMorphShape(const uint8_t* data, size_t size, int version, MorphShape& out, size_t& budget)
{
    out = MorphShape{};
    SwfReader in(data, size);
    out.startBounds = in.Rect();
    out.endBounds = in.Rect();
    if (version >= 2) {
        in.Rect(); // edge bounds
        in.Rect();
        in.U8(); // scaling flags
    }
    uint32_t offset = in.U32();
    const size_t endAt = in.Position() + offset;
    uint32_t fills = ReadCount(in);
    if (in.Failed() || fills > in.Remaining() || fills > budget)
        return false;
    budget -= fills;
    for (uint32_t i = 0; i < fills; ++i) {
        MorphFill f;
        if (!ReadMorphFill(in, f))
            return false;
        out.fills.push_back(std::move(f));
    }
    uint32_t lines = ReadCount(in);
    if (in.Failed() || lines > in.Remaining() / 2 || lines > budget)
        return false;
    budget -= lines;
    for (uint32_t i = 0; i < lines; ++i) {
        MorphLine l;
        l.startWidth = in.U16();
        l.endWidth = in.U16();
        if (version >= 2) {
            in.UB(2); // start cap
            unsigned join = in.UB(2);
            l.hasFill = in.UB(1) != 0;
            in.UB(11); // scaling flags, hinting, reserved, no close
            in.UB(2);  // end cap
            if (join == 2)
                in.U16(); // miter limit
        }
        if (l.hasFill) {
            if (!ReadMorphFill(in, l.fill))
                return false;
            l.startColor = l.fill.start.color;
            l.endColor = l.fill.end.color;
        } else {
            l.startColor = in.RgbaColor();
            l.endColor = in.RgbaColor();
        }
        if (in.Failed())
            return false;
        out.lines.push_back(std::move(l));
    }
    ReadEdges(in, true, out, budget);
    if (endAt <= size) {
        SwfReader end(data + endAt, size - endAt);
        ReadEdges(end, false, out, budget);
    }
    return !out.steps.empty();
}

void MorphAt(const MorphShape& morph, double t, Shape& out)
{
    t = std::clamp(t, 0.0, 1.0);
    out = Shape{};
    out.bounds.xMin = int32_t(std::lround(Mix(double(morph.startBounds.xMin), double(morph.endBounds.xMin), t)));
    out.bounds.xMax = int32_t(std::lround(Mix(double(morph.startBounds.xMax), double(morph.endBounds.xMax), t)));
    out.bounds.yMin = int32_t(std::lround(Mix(double(morph.startBounds.yMin), double(morph.endBounds.yMin), t)));
    out.bounds.yMax = int32_t(std::lround(Mix(double(morph.startBounds.yMax), double(morph.endBounds.yMax), t)));
    ShapeLayer& layer = out.layers.emplace_back();
    for (const MorphFill& f : morph.fills)
        layer.fills.push_back(MixFill(f, t));
    for (const MorphLine& l : morph.lines) {
        LineStyle s;
        s.width = uint32_t(std::lround(Mix(double(l.startWidth), double(l.endWidth), t)));
        s.color = Mix(l.startColor, l.endColor, t);
        s.hasFill = l.hasFill;
        if (l.hasFill)
            s.fill = MixFill(l.fill, t);
        layer.lines.push_back(std::move(s));
    }
    layer.fillEdges.resize(layer.fills.size());
    uint32_t fill0 = 0, fill1 = 0, line = 0;
    StrokePath* stroke = nullptr;
    for (const MorphStep& s : morph.steps) {
        if (!s.isEdge) {
            if (s.move || s.setLine)
                stroke = nullptr;
            if (s.setFill0)
                fill0 = s.fill0;
            if (s.setFill1)
                fill1 = s.fill1;
            if (s.setLine)
                line = s.line;
            continue;
        }
        const Edge &a = s.start, &b = s.end;
        Edge e{Mix(a.x0, b.x0, t), Mix(a.y0, b.y0, t), Mix(a.cx, b.cx, t), Mix(a.cy, b.cy, t),
               Mix(a.x1, b.x1, t), Mix(a.y1, b.y1, t), a.curve || b.curve};
        AddShapeEdge(layer, e, fill0, fill1, line, stroke);
    }
    OrderStrokes(layer);
}

} // namespace glint::flash
