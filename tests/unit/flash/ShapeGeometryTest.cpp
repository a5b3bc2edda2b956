// Stroke outlines and flattened fills, drawn by the rasteriser and compared
// with coverage worked out directly from the distance to the path.
#include "flash/ShapeGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

using namespace glint::flash;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Pt {
    double x, y;
};

double SegmentDistance(Pt p, Pt a, Pt b)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

// Coverage (0..1) of each pixel by the points within `half` of the polyline, by 16 x 16 samples.
std::vector<double> ReferenceStroke(const std::vector<Pt>& line, double half, int w, int h)
{
    std::vector<double> cov(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int in = 0;
            for (int sy = 0; sy < 16; ++sy)
                for (int sx = 0; sx < 16; ++sx) {
                    Pt p{x + (sx + 0.5) / 16, y + (sy + 0.5) / 16};
                    double d = 1e9;
                    for (size_t i = 0; i + 1 < line.size(); ++i)
                        d = std::min(d, SegmentDistance(p, line[i], line[i + 1]));
                    in += d <= half;
                }
            cov[size_t(y) * w + x] = in / 256.0;
        }
    return cov;
}

// Coverage (0..1) of each pixel by the paths drawn through `m`.
std::vector<double> Draw(const PathSet& paths, int w, int h, const Matrix& m = Matrix{})
{
    Rasterizer r;
    r.Reset(w, h);
    AddPaths(r, paths, 0, paths.Chains(), m);
    std::vector<uint8_t> mask(size_t(w) * h, 0);
    r.FillMask(mask.data());
    std::vector<double> cov(mask.size());
    for (size_t i = 0; i < mask.size(); ++i)
        cov[i] = mask[i] / 255.0;
    return cov;
}

StrokePath Path(const std::vector<Pt>& pts)
{
    StrokePath p;
    for (size_t i = 0; i + 1 < pts.size(); ++i)
        p.edges.push_back({float(pts[i].x), float(pts[i].y), float(pts[i + 1].x), float(pts[i + 1].y),
                           float(pts[i + 1].x), float(pts[i + 1].y), false});
    return p;
}

// Nothing of the stroke may be missing beyond what cutting round parts into
// straight pieces loses. Where two pieces overlap across an edge pixel their
// coverage adds up (the non-zero rule is exact only inside), which can make a
// few pixels at inner corners and cap sides a little too strong, never weaker.
void ExpectSameCoverage(const std::vector<double>& got, const std::vector<double>& want, int w)
{
    double sumGot = 0, sumWant = 0;
    size_t strong = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        sumGot += got[i];
        sumWant += want[i];
        ASSERT_GT(got[i], want[i] - 0.12) << "pixel " << i % size_t(w) << "," << i / size_t(w);
        strong += got[i] > want[i] + 0.12;
    }
    EXPECT_LE(strong, 12u);
    EXPECT_NEAR(sumGot, sumWant, sumWant * 0.01);
}

TEST(ShapeGeometry, OpenStrokeHasRoundJoinsAndCapsOnBothSides)
{
    // Turns left and right, sharp and shallow, and pieces shorter than the half width.
    const std::vector<Pt> line = {{8, 40}, {30, 10}, {52, 38}, {60, 36}, {62, 39}, {64, 37}, {90, 45}, {70, 52}};
    const double half = 4.5;
    const StrokePath path = Path(line);
    PathSet out;
    OutlineStroke(&path, &path + 1, half, Matrix{}, out);
    ExpectSameCoverage(Draw(out, 100, 60), ReferenceStroke(line, half, 100, 60), 100);
}

TEST(ShapeGeometry, ClosedStrokeIsJoinedWhereItStarted)
{
    const std::vector<Pt> square = {{10, 10}, {50, 10}, {50, 50}, {10, 50}, {10, 10}};
    const double half = 5;
    const StrokePath path = Path(square);
    PathSet out;
    OutlineStroke(&path, &path + 1, half, Matrix{}, out);
    auto got = Draw(out, 60, 60);
    ExpectSameCoverage(got, ReferenceStroke(square, half, 60, 60), 60);
    // The area of a square ring with round outer corners.
    const double side = 40;
    const double ring = 8 * side * half + kPi * half * half - 4 * half * half;
    EXPECT_NEAR(std::accumulate(got.begin(), got.end(), 0.0), ring, ring * 0.003);
}

TEST(ShapeGeometry, MirroredTransformsTurnEveryPieceTheSameWay)
{
    // Drawn through a mirroring matrix, the pieces must still add up rather than cancel.
    const std::vector<Pt> line = {{5, 5}, {25, 25}, {45, 5}};
    const StrokePath path = Path(line);
    PathSet out;
    OutlineStroke(&path, &path + 1, 3, Matrix{}, out);
    ExpectSameCoverage(Draw(out, 50, 30, Matrix{-1, 0, 0, 1, 50, 0}),
                       ReferenceStroke({{45, 5}, {25, 25}, {5, 5}}, 3, 50, 30), 50);
}

TEST(ShapeGeometry, CurvesAreCutFinerWhenDrawnLarger)
{
    std::vector<Edge> arch = {{0, 10, 5, 0, 10, 10, true}, {10, 10, 10, 10, 0, 10, false}};
    PathSet small, large;
    FlattenFill(arch, Matrix{1, 0, 0, 1, 0, 0}, small);
    FlattenFill(arch, Matrix{20, 0, 0, 20, 0, 0}, large);
    EXPECT_GT(large.Points(), small.Points());
    // Translation does not change the cut.
    PathSet moved;
    FlattenFill(arch, Matrix{20, 0, 0, 20, 1234, -99}, moved);
    EXPECT_EQ(moved.xy, large.xy);
    // Drawn 20 times larger the arch has the area of a parabola segment: 2/3 of base x height.
    const std::vector<double> cov = Draw(large, 220, 220, Matrix{20, 0, 0, 20, 0, 0});
    const double area = 2.0 / 3.0 * 200 * 100; // control point 200 px above the base: height 100
    EXPECT_NEAR(std::accumulate(cov.begin(), cov.end(), 0.0), area, area * 0.01);
}

} // namespace
