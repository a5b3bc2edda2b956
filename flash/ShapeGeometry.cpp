#include "flash/ShapeGeometry.h"

#include <algorithm>
#include <cmath>

namespace glint::flash {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kMaxPolyline = size_t(1) << 16;

// Pieces a quadratic curve is cut into under `m`: a chord of 1/n of the curve
// strays dd / (8 n^2) from it, dd being the curve's second difference in pixels.
int CurvePieces(const Edge& e, const Matrix& m)
{
    double sx = double(e.x0) - 2.0 * e.cx + e.x1, sy = double(e.y0) - 2.0 * e.cy + e.y1;
    double ddx = m.a * sx + m.c * sy, ddy = m.b * sx + m.d * sy;
    double dd = std::sqrt(ddx * ddx + ddy * ddy);
    return std::isfinite(dd) ? std::clamp(int(std::ceil(std::sqrt(dd * 1.25))), 1, 100) : 1;
}

struct Vertex {
    double x, y;
    bool corner; // an end of an edge (gets a join), not a point inside a cut curve
};

class Stroker {
public:
    Stroker(double half, double halfPx, PathSet& out) : half_(half), out_(out)
    {
        joins_ = halfPx > 0.75;    // joins and caps of thinner lines do not show
        curveJoins_ = halfPx > 2;  // nor do those inside a cut curve, but for wide lines
        // Round parts are cut into as many pieces as keep them within a tenth of a pixel.
        const double tolerance = 0.1;
        dotPieces_ = halfPx > tolerance ? int(std::ceil(kPi / std::acos(1 - tolerance / halfPx))) : 4;
        dotPieces_ = std::clamp(dotPieces_, 4, 128);
        step_ = 2 * kPi / dotPieces_;
        cosStep_ = std::cos(step_);
        sinStep_ = std::sin(step_);
    }

    void Add(double x, double y, bool corner)
    {
        if (!line_.empty()) {
            Vertex& last = line_.back();
            double dx = x - last.x, dy = y - last.y;
            if (!(dx * dx + dy * dy > 1e-18)) { // a piece of no length draws nothing
                last.corner |= corner;
                return;
            }
        }
        if (line_.size() >= kMaxPolyline) { // a path this long is drawn in parts, to bound the memory
            Vertex last = line_.back();
            Flush();
            line_.push_back(last);
        }
        line_.push_back({x, y, corner});
    }

    // Draws the polyline gathered since the last Flush.
    void Flush()
    {
        const size_t n = line_.size();
        if (n == 1 && joins_)
            Dot(line_[0].x, line_[0].y);
        if (n < 2) {
            line_.clear();
            return;
        }
        for (size_t i = 0; i + 1 < n; ++i)
            Piece(line_[i], line_[i + 1]);
        const bool closed = n >= 3 && line_[0].x == line_[n - 1].x && line_[0].y == line_[n - 1].y;
        for (size_t i = 1; i + 1 < n; ++i)
            Join(line_[i - 1], line_[i], line_[i + 1]);
        if (closed) {
            Join(line_[n - 2], line_[0], line_[1]);
        } else if (joins_) { // round caps
            Dot(line_[0].x, line_[0].y);
            Dot(line_[n - 1].x, line_[n - 1].y);
        }
        line_.clear();
    }

private:
    // The straight piece a-b widened to both sides.
    void Piece(const Vertex& a, const Vertex& b)
    {
        double dx = b.x - a.x, dy = b.y - a.y;
        double len = std::sqrt(dx * dx + dy * dy);
        double nx = -dy / len * half_, ny = dx / len * half_;
        out_.MoveTo(a.x + nx, a.y + ny);
        out_.LineTo(b.x + nx, b.y + ny);
        out_.LineTo(b.x - nx, b.y - ny);
        out_.LineTo(a.x - nx, a.y - ny);
        out_.LineTo(a.x + nx, a.y + ny);
    }

    // The round join at v between pieces p-v and v-q. The two pieces already
    // cover the half discs behind and ahead of v when both are at least half a
    // line width long; the wedge between their outer edges is what is missing.
    void Join(const Vertex& p, const Vertex& v, const Vertex& q)
    {
        if (!(v.corner ? joins_ : curveJoins_))
            return;
        double ax = v.x - p.x, ay = v.y - p.y, bx = q.x - v.x, by = q.y - v.y;
        double la = std::sqrt(ax * ax + ay * ay), lb = std::sqrt(bx * bx + by * by);
        if (la < half_ || lb < half_) {
            Dot(v.x, v.y);
            return;
        }
        ax /= la;
        ay /= la;
        bx /= lb;
        by /= lb;
        double turn = std::atan2(ax * by - ay * bx, ax * bx + ay * by);
        if (std::fabs(turn) < 1e-9)
            return;
        // The wedge runs from angle `e` down to `s` (decreasing, as the pieces turn).
        double ex, ey, sx, sy;
        if (turn > 0) {
            ex = by, ey = -bx;
            sx = ay, sy = -ax;
        } else {
            ex = -ay, ey = ax;
            sx = -by, sy = bx;
        }
        int k = std::max(1, int(std::ceil(std::fabs(turn) / step_ - 1e-9)));
        double c = std::cos(std::fabs(turn) / k), s = std::sin(std::fabs(turn) / k);
        out_.MoveTo(v.x, v.y);
        double ux = ex, uy = ey;
        out_.LineTo(v.x + ux * half_, v.y + uy * half_);
        for (int i = 1; i < k; ++i) {
            double rx = ux * c + uy * s, ry = -ux * s + uy * c;
            ux = rx;
            uy = ry;
            out_.LineTo(v.x + ux * half_, v.y + uy * half_);
        }
        out_.LineTo(v.x + sx * half_, v.y + sy * half_);
        out_.LineTo(v.x, v.y);
    }

    // A whole disc: caps, and joins of pieces too short to cover their half discs.
    void Dot(double x, double y)
    {
        double ux = 1, uy = 0;
        out_.MoveTo(x + half_, y);
        for (int k = 1; k < dotPieces_; ++k) {
            double rx = ux * cosStep_ + uy * sinStep_, ry = -ux * sinStep_ + uy * cosStep_;
            ux = rx;
            uy = ry;
            out_.LineTo(x + ux * half_, y + uy * half_);
        }
        out_.LineTo(x + half_, y);
    }

    double half_;
    PathSet& out_;
    bool joins_, curveJoins_;
    int dotPieces_;
    double step_, cosStep_, sinStep_;
    std::vector<Vertex> line_;
};

} // namespace

void FlattenFill(const std::vector<Edge>& edges, const Matrix& m, PathSet& out)
{
    bool open = false;
    float cx = 0, cy = 0;
    for (const Edge& e : edges) {
        if (out.Full())
            break;
        if (!open || e.x0 != cx || e.y0 != cy) {
            out.MoveTo(e.x0, e.y0);
            open = true;
        }
        if (e.curve) {
            int n = CurvePieces(e, m);
            for (int i = 1; i < n; ++i) {
                double t = double(i) / n, u = 1 - t;
                out.LineTo(u * u * e.x0 + 2 * u * t * e.cx + t * t * e.x1, u * u * e.y0 + 2 * u * t * e.cy + t * t * e.y1);
            }
        }
        out.LineTo(e.x1, e.y1);
        cx = e.x1;
        cy = e.y1;
    }
    out.EndChain();
}

void OutlineStroke(const StrokePath* first, const StrokePath* last, double half, const Matrix& m, PathSet& out)
{
    const double lineScale = std::sqrt(std::fabs(m.Det()));
    Stroker stroker(half, half * lineScale, out);
    for (const StrokePath* path = first; path != last; ++path) {
        bool open = false;
        float cx = 0, cy = 0;
        for (const Edge& e : path->edges) {
            if (out.Full())
                break;
            if (!open || e.x0 != cx || e.y0 != cy) {
                stroker.Flush();
                stroker.Add(e.x0, e.y0, true);
                open = true;
            }
            if (e.curve) {
                int n = CurvePieces(e, m);
                for (int i = 1; i < n; ++i) {
                    double t = double(i) / n, u = 1 - t;
                    stroker.Add(u * u * e.x0 + 2 * u * t * e.cx + t * t * e.x1,
                                u * u * e.y0 + 2 * u * t * e.cy + t * t * e.y1, false);
                }
            }
            stroker.Add(e.x1, e.y1, true);
            cx = e.x1;
            cy = e.y1;
        }
        stroker.Flush();
    }
    out.EndChain();
}

void AddPaths(Rasterizer& raster, const PathSet& paths, size_t chainBegin, size_t chainEnd, const Matrix& m)
{
    const float* xy = paths.xy.data();
    size_t p = chainBegin == 0 ? 0 : paths.ends[chainBegin - 1];
    for (size_t c = chainBegin; c < chainEnd; ++c) {
        const size_t end = paths.ends[c];
        double px, py;
        m.Apply(xy[2 * p], xy[2 * p + 1], px, py);
        for (++p; p < end; ++p) {
            double qx, qy;
            m.Apply(xy[2 * p], xy[2 * p + 1], qx, qy);
            raster.AddLine(px, py, qx, qy);
            px = qx;
            py = qy;
        }
    }
}

} // namespace glint::flash
