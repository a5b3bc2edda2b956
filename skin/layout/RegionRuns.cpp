#include "skin/layout/RegionRuns.h"

#include <algorithm>

namespace glint {

namespace {

// Region data starts with a rectangle a row and grows in steps of 40.
constexpr size_t kRunsGrowth = 40;

void Append(std::vector<RECT>& runs, const RECT& r)
{
    if (runs.size() == runs.capacity())
        runs.reserve(runs.capacity() + kRunsGrowth);
    runs.push_back(r);
}

bool Clip(RECT& r, const RECT& to)
{
    r.left = std::max(r.left, to.left);
    r.top = std::max(r.top, to.top);
    r.right = std::min(r.right, to.right);
    r.bottom = std::min(r.bottom, to.bottom);
    return r.left < r.right && r.top < r.bottom;
}

} // namespace

std::vector<RECT> KeyRuns(const PixelRows& rows, uint32_t key)
{
    std::vector<RECT> runs;
    if (!rows.pixels || rows.width <= 0 || rows.height <= 0)
        return runs;
    runs.reserve(size_t(rows.height));
    for (int32_t y = 0; y < rows.height; ++y) {
        const uint32_t* row = rows.pixels + size_t(y) * rows.stride;
        int32_t start = -1;
        for (int32_t x = 0; x < rows.width; ++x) {
            const bool keep = row[x] != key;
            if (keep && start < 0) {
                start = x;
            } else if (!keep && start >= 0) {
                Append(runs, {start, y, x, y + 1});
                start = -1;
            }
        }
        if (start >= 0)
            Append(runs, {start, y, rows.width, y + 1});
    }
    return runs;
}

RegionPlaceMode RegionModeForDrawMode(int32_t drawMode)
{
    return drawMode == 0 ? REGION_MOVE : drawMode == 1 ? REGION_TILE : REGION_SCALE;
}

std::vector<POINT> TileOrigins(SIZE source, const RECT& target)
{
    std::vector<POINT> origins;
    if (source.cx <= 0 || source.cy <= 0 || target.right <= target.left || target.bottom <= target.top)
        return origins;
    for (int32_t y = target.top; y < target.bottom; y += source.cy)
        for (int32_t x = target.left; x < target.right; x += source.cx)
            origins.push_back({x, y});
    return origins;
}

std::vector<RECT> MoveRects(const std::vector<RECT>& rects, const RECT& target)
{
    std::vector<RECT> out;
    out.reserve(rects.size());
    for (RECT r : rects) {
        r = {r.left + target.left, r.top + target.top, r.right + target.left, r.bottom + target.top};
        if (Clip(r, target))
            out.push_back(r);
    }
    return out;
}

std::vector<RECT> TileRects(const std::vector<RECT>& rects, SIZE source, const RECT& target)
{
    std::vector<RECT> out;
    const std::vector<POINT> origins = TileOrigins(source, target);
    out.reserve(rects.size() * origins.size());
    for (const POINT& o : origins)
        for (RECT r : rects) {
            r = {r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
            if (Clip(r, target))
                out.push_back(r);
        }
    return out;
}

RegionScale ScaleOnto(SIZE source, const RECT& target)
{
    RegionScale s;
    s.dx = float(target.left);
    s.dy = float(target.top);
    if (source.cx > 0 && source.cy > 0) {
        s.scaleX = float(target.right - target.left) / float(source.cx);
        s.scaleY = float(target.bottom - target.top) / float(source.cy);
    }
    return s;
}

RECT BoundsOf(const std::vector<RECT>& rects)
{
    if (rects.empty())
        return {0, 0, 0, 0};
    RECT b = rects.front();
    for (const RECT& r : rects) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

} // namespace glint
