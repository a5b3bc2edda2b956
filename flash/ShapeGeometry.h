#pragma once
// Shapes turned into straight lines in shape space (twips): fills flattened,
// strokes outlined with round joins and caps. The result depends only on the
// linear part of the shape's transform (it sets how finely curves and round
// parts are cut), so it can be kept while a shape only moves, and drawn by
// transforming its points.
#include "flash/Rasterizer.h"
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glint::flash {

// Chains of points; a line joins each point of a chain to the next.
struct PathSet {
    std::vector<float> xy;      // x, y pairs
    std::vector<uint32_t> ends; // for each chain, the index one past its last point
    // Points kept at most: a hostile file's shape is drawn in part rather than fill the memory.
    size_t limit = size_t(8) << 20;

    void Clear()
    {
        xy.clear();
        ends.clear();
    }
    size_t Chains() const { return ends.size(); }
    size_t Points() const { return xy.size() / 2; }
    bool Full() const { return xy.size() >= 2 * limit; }
    void MoveTo(double x, double y)
    {
        EndChain();
        if (Full())
            return;
        xy.push_back(float(x));
        xy.push_back(float(y));
    }
    void LineTo(double x, double y)
    {
        if (Full())
            return;
        xy.push_back(float(x));
        xy.push_back(float(y));
    }
    // Closes the open chain (if any) where it stands.
    void EndChain()
    {
        uint32_t n = uint32_t(Points());
        if (n > (ends.empty() ? 0u : ends.back()))
            ends.push_back(n);
    }
};

// Appends the outlines of a fill style's edges; curves are cut so that they
// stray less than about a tenth of a pixel under `m`.
void FlattenFill(const std::vector<Edge>& edges, const Matrix& m, PathSet& out);

// Appends the outline of stroked paths `first`..`last` (one line style, half
// width `half` in twips): a quadrilateral per straight piece, round caps at open
// ends and the missing wedge of a round join where pieces meet. All pieces turn
// the same way, so the non-zero rule fills their union.
void OutlineStroke(const StrokePath* first, const StrokePath* last, double half, const Matrix& m, PathSet& out);

// Adds chains [chainBegin, chainEnd) of `paths`, transformed by `m`, to the rasteriser.
void AddPaths(Rasterizer& raster, const PathSet& paths, size_t chainBegin, size_t chainEnd, const Matrix& m);

} // namespace glint::flash
