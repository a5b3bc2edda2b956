#include "flash/display/Button.h"

#include <algorithm>
#include <cmath>

namespace glint::flash {

namespace {

// More records than any state could show are left out (a hostile file could hold millions).
constexpr size_t kMaxRecords = 1024;

// Records end with a zero flags byte; the flags' high bits say what follows.
bool ReadRecords(SwfReader& in, int version, Button& out)
{
    while (in.Remaining() > 0 && out.records.size() < kMaxRecords) {
        uint8_t flags = in.U8();
        if (flags == 0)
            return true;
        ButtonRecord r;
        r.states = flags & 0x0F;
        r.character = in.U16();
        r.depth = in.U16();
        r.matrix = in.MatrixRecord();
        if (version == 2) {
            r.color = in.CxForm(true);
            if (flags & 0x10) { // filters: passed over, they are not drawn
                unsigned count = in.U8();
                for (unsigned i = 0; i < count && !in.Failed(); ++i) {
                    static const uint8_t sizes[] = {23, 9, 15, 27, 0, 0, 80, 0};
                    uint8_t kind = in.U8();
                    if (kind > 7)
                        return !out.records.empty();
                    if (kind == 4 || kind == 7)
                        in.Skip(size_t(in.U8()) * 5 + 19);
                    else if (kind == 5) {
                        unsigned mx = in.U8(), my = in.U8();
                        in.Skip(8 + size_t(mx) * my * 4 + 5);
                    } else
                        in.Skip(sizes[kind]);
                }
            }
            if (flags & 0x20)
                r.blendMode = in.U8();
        }
        if (in.Failed())
            return false;
        out.records.push_back(r);
    }
    return false; // no end flag
}

} // namespace

bool ReadButton(SwfReader& in, int version, Button& out)
{
    out = Button{};
    if (version == 1) {
        bool complete = ReadRecords(in, 1, out);
        if (complete && in.Remaining() > 0)
            out.actions.push_back({kButtonRelease, std::vector<uint8_t>(in.Current(), in.Current() + in.Remaining())});
        return !out.records.empty();
    }
    in.U8(); // track as menu: the button acts the same
    const size_t start = in.Position();
    uint16_t actionOffset = in.U16();
    bool complete = ReadRecords(in, 2, out);
    if (!complete || actionOffset == 0)
        return !out.records.empty();
    // Condition actions: each starts with the size of itself (0 for the last).
    size_t at = start + actionOffset;
    if (at < in.Position())
        return !out.records.empty();
    in.Skip(at - in.Position());
    while (in.Remaining() >= 4) {
        const uint8_t* here = in.Current();
        size_t remaining = in.Remaining();
        uint16_t size = in.U16();
        uint16_t conditions = in.U16();
        size_t body = size == 0 ? remaining - 4 : (size >= 4 && size <= remaining ? size - 4 : 0);
        if (size != 0 && body == 0 && size != 4)
            break; // a size that does not fit
        out.actions.push_back({conditions, std::vector<uint8_t>(here + 4, here + 4 + body)});
        in.Skip(body);
        if (size == 0)
            break;
    }
    return !out.records.empty();
}

void SetButtonColor(Button& button, const ColorTransform& color)
{
    for (ButtonRecord& r : button.records)
        r.color = color;
}

std::vector<const ButtonRecord*> ButtonState(const Button& button, uint8_t state)
{
    std::vector<const ButtonRecord*> out;
    for (const ButtonRecord& r : button.records)
        if (r.states & state)
            out.push_back(&r);
    std::stable_sort(out.begin(), out.end(),
                     [](const ButtonRecord* a, const ButtonRecord* b) { return a->depth < b->depth; });
    return out;
}

bool ShapeContains(const Shape& shape, double x, double y)
{
    const TwipsRect& b = shape.bounds;
    if (b.xMax > b.xMin && (x < b.xMin || x > b.xMax || y < b.yMin || y > b.yMax))
        return false;
    // Winding number of each fill's closed outlines; curves are followed in a few straight steps.
    auto crossing = [&](double x0, double y0, double x1, double y1) {
        if ((y0 <= y) == (y1 <= y))
            return 0;
        double t = (y - y0) / (y1 - y0);
        if (x0 + t * (x1 - x0) <= x)
            return 0;
        return y1 > y0 ? 1 : -1;
    };
    for (const ShapeLayer& layer : shape.layers) {
        for (const auto& edges : layer.fillEdges) {
            int winding = 0;
            for (const Edge& e : edges) {
                if (!e.curve) {
                    winding += crossing(e.x0, e.y0, e.x1, e.y1);
                    continue;
                }
                double px = e.x0, py = e.y0;
                for (int i = 1; i <= 8; ++i) {
                    double t = i / 8.0, u = 1 - t;
                    double qx = u * u * e.x0 + 2 * u * t * e.cx + t * t * e.x1;
                    double qy = u * u * e.y0 + 2 * u * t * e.cy + t * t * e.y1;
                    winding += crossing(px, py, qx, qy);
                    px = qx;
                    py = qy;
                }
            }
            if (winding != 0)
                return true;
        }
        // Lines take the mouse within their half width.
        for (const StrokePath& s : layer.strokes) {
            double half = std::max(20.0, layer.lines[s.lineStyle].width / 2.0);
            for (const Edge& e : s.edges) {
                double dx = e.x1 - e.x0, dy = e.y1 - e.y0, len2 = dx * dx + dy * dy;
                double t = len2 > 0 ? std::clamp(((x - e.x0) * dx + (y - e.y0) * dy) / len2, 0.0, 1.0) : 0;
                double ex = e.x0 + t * dx - x, ey = e.y0 + t * dy - y;
                if (ex * ex + ey * ey <= half * half)
                    return true;
            }
        }
    }
    return false;
}

} // namespace glint::flash
