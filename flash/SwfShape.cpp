#include "flash/SwfShape.h"

#include <algorithm>

namespace glint::flash {

namespace {

bool ReadGradient(SwfReader& in, int version, FillStyle& fill)
{
    uint8_t head = in.U8();
    unsigned count = head & 0x0F; // the interpolation mode (bits 4-5) is not used
    unsigned spread = head >> 6;
    fill.spread = spread == 1 ? GradientSpread::Reflect : spread == 2 ? GradientSpread::Repeat : GradientSpread::Pad;
    for (unsigned i = 0; i < count && !in.Failed(); ++i) {
        GradientStop s;
        s.ratio = in.U8();
        s.color = version >= 3 ? in.RgbaColor() : in.Rgb();
        fill.stops.push_back(s);
    }
    if (fill.stops.empty())
        return false;
    fill.color = fill.stops.back().color;
    return !in.Failed();
}

bool ReadFillStyle(SwfReader& in, int version, FillStyle& fill)
{
    uint8_t type = in.U8();
    switch (type) {
    case 0x00:
        fill.kind = FillKind::Solid;
        fill.color = version >= 3 ? in.RgbaColor() : in.Rgb();
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        fill.kind = type == 0x10 ? FillKind::Linear : FillKind::Radial;
        fill.matrix = in.MatrixRecord();
        if (!ReadGradient(in, version, fill))
            fill = FillStyle{};
        if (type == 0x13)
            fill.focal = std::clamp(in.S16() / 256.0f, -1.0f, 1.0f); // signed 8.8
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        // 0x40 repeating, 0x41 clipped, 0x42 and 0x43 the same without smoothing.
        fill.kind = FillKind::Bitmap;
        fill.bitmap = in.U16();
        fill.matrix = in.MatrixRecord();
        fill.repeat = type == 0x40 || type == 0x42;
        fill.smooth = type == 0x40 || type == 0x41;
        fill.color = Rgba{0, 0, 0, 0}; // a missing picture draws nothing
        break;
    default:
        return false;
    }
    return !in.Failed();
}

uint32_t ReadCount(SwfReader& in, int version)
{
    uint32_t n = in.U8();
    if (n == 0xFF && version >= 2)
        n = in.U16();
    return n;
}

bool ReadStyles(SwfReader& in, int version, ShapeLayer& layer, size_t& budget)
{
    uint32_t fills = ReadCount(in, version);
    if (fills > in.Remaining() || fills > budget) // each style takes at least one byte
        return false;
    budget -= fills;
    layer.fills.reserve(fills);
    for (uint32_t i = 0; i < fills; ++i) {
        FillStyle f;
        if (!ReadFillStyle(in, version, f))
            return false;
        layer.fills.push_back(std::move(f));
    }
    uint32_t lines = ReadCount(in, version);
    if (lines > in.Remaining() / 2 || lines > budget)
        return false;
    budget -= lines;
    layer.lines.reserve(lines);
    for (uint32_t i = 0; i < lines; ++i) {
        LineStyle l;
        l.width = in.U16();
        if (version >= 4) {
            in.UB(2); // start cap
            unsigned join = in.UB(2);
            bool hasFill = in.UB(1) != 0;
            in.UB(3); // no-scale flags, pixel hinting
            in.UB(5); // reserved
            in.UB(1); // no close
            in.UB(2); // end cap
            if (join == 2)
                in.U16(); // miter limit
            if (hasFill) {
                FillStyle f;
                if (!ReadFillStyle(in, version, f))
                    return false;
                l.color = f.color;
                l.hasFill = true;
                l.fill = std::move(f);
            } else {
                l.color = in.RgbaColor();
            }
        } else {
            l.color = version >= 3 ? in.RgbaColor() : in.Rgb();
        }
        if (in.Failed())
            return false;
        layer.lines.push_back(l);
    }
    layer.fillEdges.resize(layer.fills.size());
    return !in.Failed();
}

} // namespace

void AddShapeEdge(ShapeLayer& layer, const Edge& e, uint32_t fill0, uint32_t fill1, uint32_t line, StrokePath*& stroke)
{
    if (fill1 != 0 && fill1 <= layer.fillEdges.size())
        layer.fillEdges[fill1 - 1].push_back(e);
    if (fill0 != 0 && fill0 <= layer.fillEdges.size()) {
        Edge r = e;
        std::swap(r.x0, r.x1);
        std::swap(r.y0, r.y1);
        layer.fillEdges[fill0 - 1].push_back(r);
    }
    if (line != 0 && line <= layer.lines.size()) {
        if (!stroke) {
            layer.strokes.push_back({line - 1, {}});
            stroke = &layer.strokes.back();
        }
        stroke->edges.push_back(e);
    }
}

void OrderStrokes(ShapeLayer& layer)
{
    std::stable_sort(layer.strokes.begin(), layer.strokes.end(),
                     [](const StrokePath& a, const StrokePath& b) { return a.lineStyle < b.lineStyle; });
}

bool ReadEdgeRecord(SwfReader& in, int64_t& x, int64_t& y, Edge& e)
{
    e.x0 = float(x);
    e.y0 = float(y);
    if (in.UB(1)) { // straight
        unsigned n = in.UB(4) + 2;
        int64_t dx = 0, dy = 0;
        if (in.UB(1)) {
            dx = in.SB(n);
            dy = in.SB(n);
        } else if (in.UB(1)) {
            dy = in.SB(n);
        } else {
            dx = in.SB(n);
        }
        x += dx;
        y += dy;
        e.curve = false;
        e.cx = float(x);
        e.cy = float(y);
    } else {
        unsigned n = in.UB(4) + 2;
        int64_t cdx = in.SB(n), cdy = in.SB(n), adx = in.SB(n), ady = in.SB(n);
        e.cx = float(x + cdx);
        e.cy = float(y + cdy);
        x += cdx + adx;
        y += cdy + ady;
        e.curve = true;
    }
    e.x1 = float(x);
    e.y1 = float(y);
    return !in.Failed();
}

bool ReadShape(SwfReader& in, int version, Shape& out, size_t& budget)
{
    out.bounds = in.Rect();
    if (version >= 4) {
        in.Rect(); // edge bounds
        in.U8();   // winding rule and stroke scaling flags
    }
    out.layers.emplace_back();
    if (!ReadStyles(in, version, out.layers.back(), budget))
        return false;
    unsigned fillBits = in.UB(4);
    unsigned lineBits = in.UB(4);

    // Current drawing state, as the records change it.
    int64_t x = 0, y = 0; // wide enough for any run of 32-bit deltas
    uint32_t fill0 = 0, fill1 = 0, line = 0;
    StrokePath* stroke = nullptr;

    auto addEdge = [&](const Edge& e) { AddShapeEdge(out.layers.back(), e, fill0, fill1, line, stroke); };

    while (!in.Failed() && budget > 3) {
        if (in.UB(1) == 0) {
            unsigned flags = in.UB(5);
            if (flags == 0 || in.Failed())
                break; // end of shape
            if (flags & 0x01) { // move to
                unsigned n = in.UB(5);
                x = in.SB(n);
                y = in.SB(n);
                stroke = nullptr;
            }
            if (flags & 0x02)
                fill0 = in.UB(fillBits);
            if (flags & 0x04)
                fill1 = in.UB(fillBits);
            if (flags & 0x08) {
                line = in.UB(lineBits);
                stroke = nullptr;
            }
            if (flags & 0x10) { // new styles: a new layer drawn above the previous ones
                --budget;
                out.layers.emplace_back();
                if (!ReadStyles(in, version, out.layers.back(), budget))
                    break;
                fillBits = in.UB(4);
                lineBits = in.UB(4);
                fill0 = fill1 = line = 0;
                stroke = nullptr;
            }
        } else {
            Edge e{};
            if (!ReadEdgeRecord(in, x, y, e))
                break;
            addEdge(e);
            budget -= 3; // an edge is kept at most twice (both sides) and once in a stroke
        }
    }
    for (ShapeLayer& layer : out.layers)
        OrderStrokes(layer);
    return true;
}

} // namespace glint::flash
