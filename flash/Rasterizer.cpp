#include "flash/Rasterizer.h"

#include "flash/PixelRuns.h"
#include "flash/Rounding.h"
#include "flash/SwfShape.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>

namespace glint::flash {

namespace {

// A channel 0..1 as 0..255, rounded.
inline uint32_t ToByte(float v) { return uint32_t(FloorToInt(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f)); }

#include "flash/KernelMath.inl"
#include "flash/RasterCells.inl"

struct SolidShade {
    static constexpr bool kConstant = true;
    uint32_t color;
    void Row(int) {}
    uint32_t At(int) const { return color; }
};

// The colours of a run of pixels, for the shades that have no faster way.
template <typename Shade> inline void FetchEach(const Shade& shade, int x, int n, uint32_t* out)
{
    for (int i = 0; i < n; ++i)
        out[i] = shade.At(x + i);
}

// Ramp entry for position t (255 is the end of the gradient): held at the
// ends (pad), or the gradient repeats or reflects beyond them.
inline int RampIndex(double t, GradientSpread spread)
{
    if (spread != GradientSpread::Pad && (t < 0 || t > 255) && t > -1e9 && t < 1e9) {
        const double period = spread == GradientSpread::Reflect ? 510.0 : 256.0;
        t -= std::floor(t / period) * period;
        if (spread == GradientSpread::Reflect && t > 255)
            t = 510.0 - t;
    }
    return t <= 0 ? 0 : t >= 255 ? 255 : FloorToInt(t + 0.5);
}

struct LinearShade {
    static constexpr bool kConstant = false;
    const Matrix& m;
    const uint32_t* ramp;
    GradientSpread spread;
    double rowX = 0;
    void Row(int y) { rowX = m.c * (y + 0.5) + m.tx + m.a * 0.5; }
    uint32_t At(int x) const
    {
        double g = rowX + m.a * x;
        double t = (g + 16384.0) * (255.0 / 32768.0);
        return ramp[RampIndex(t, spread)];
    }
    void Fetch(int x, int n, uint32_t* out) const { FetchEach(*this, x, n, out); }
    static bool Opaque() { return false; }
};

// With a focal point f on the x axis, a point p lies at t on the ray from f
// through it to the circle: |f + (p - f) / t| = 1, the root of
// (1 - f^2) t^2 - 2 f dx t - |d|^2 = 0 with d = p - f. With f = 0 that is |p|.
struct RadialShade {
    static constexpr bool kConstant = false;
    const Matrix& m;
    const uint32_t* ramp;
    GradientSpread spread;
    double focal;
    double rowX = 0, rowY = 0;
    void Row(int y)
    {
        rowX = m.c * (y + 0.5) + m.tx + m.a * 0.5 - focal * 16384.0;
        rowY = m.d * (y + 0.5) + m.ty + m.b * 0.5;
    }
    uint32_t At(int x) const
    {
        const double dx = rowX + m.a * x, dy = rowY + m.b * x;
        double t;
        if (focal == 0)
            t = std::sqrt(dx * dx + dy * dy) * (255.0 / 16384.0);
        else
            t = (focal * dx + std::sqrt(dx * dx + dy * dy - focal * focal * dy * dy)) * (255.0 / 16384.0) /
                (1 - focal * focal);
        return ramp[RampIndex(t, spread)];
    }
    void Fetch(int x, int n, uint32_t* out) const { FetchEach(*this, x, n, out); }
    static bool Opaque() { return false; }
};

struct NullSink {
    void Row(int) {}
    void Pixels(int, int, const uint8_t*) {}
    void Span(int, int, uint32_t) {}
};

struct BitmapShade {
    static constexpr bool kConstant = false;
    const Matrix& m;
    BitmapRowSampler sampler;
    void Row(int y)
    {
        sampler.Start(m.c * (y + 0.5) + m.tx + m.a * 0.5, m.d * (y + 0.5) + m.ty + m.b * 0.5, m.a, m.b);
    }
    uint32_t At(int x) const { return sampler.At(x); }
    void Fetch(int x, int n, uint32_t* out) const { sampler.Fetch(x, n, out); }
    bool Opaque() const { return sampler.Opaque(); }
};

} // namespace

uint32_t Premultiply(Rgba c) { return PremultipliedPixel(c.r, c.g, c.b, c.a); }

void BuildRamp(const GradientStop* stops, size_t count, uint32_t* ramp)
{
    if (count == 0) {
        for (int i = 0; i < 256; ++i)
            ramp[i] = 0;
        return;
    }
    size_t k = 0;
    for (int i = 0; i < 256; ++i) {
        while (k + 1 < count && stops[k + 1].ratio <= i)
            ++k;
        const GradientStop& s0 = stops[k];
        if (i <= s0.ratio || k + 1 >= count) {
            ramp[i] = Premultiply(s0.color);
            continue;
        }
        const GradientStop& s1 = stops[k + 1];
        int span = s1.ratio - s0.ratio;
        int f = span > 0 ? (i - s0.ratio) * 256 / span : 256;
        auto mix = [f](uint8_t a, uint8_t b) { return uint8_t((a * (256 - f) + b * f + 128) >> 8); };
        ramp[i] = Premultiply({mix(s0.color.r, s1.color.r), mix(s0.color.g, s1.color.g),
                               mix(s0.color.b, s1.color.b), mix(s0.color.a, s1.color.a)});
    }
}

void Rasterizer::Reset(int width, int height)
{
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    cellStride_ = ptrdiff_t(width_) + 2;
    wordsPerRow_ = ((cellStride_ + (ptrdiff_t(1) << kBlockShift) - 1) >> kBlockShift) / 64 + 1;
    // Cells are cleared as they are swept, and lines not filled yet are dropped.
    cells_.assign(size_t(cellStride_) * kBandRows, 0.0f);
    touched_.assign(size_t(wordsPerRow_) * kBandRows, 0);
    ClearBounds();
}

void Rasterizer::ClearBounds()
{
    if (lines_.capacity() > kMaxLines / 16)
        lines_ = {}; // what one outsized shape needed is not kept for the rest of the movie
    lines_.clear();
    reach_.minX = width_;
    reach_.maxX = -1;
    reach_.minY = height_;
    reach_.maxY = -1;
}

void Rasterizer::AddLine(double x0, double y0, double x1, double y1)
{
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    if (y0 == y1 || height_ == 0 || width_ == 0)
        return;
    double h = height_;
    double w = width_;
    // Most lines lie inside the target and need no clipping.
    if (y0 >= 0 && y1 >= 0 && y0 <= h && y1 <= h && x0 >= 0 && x1 >= 0 && x0 <= w && x1 <= w) {
        AddClippedLine(x0, y0, x1, y1);
        return;
    }
    if ((y0 <= 0 && y1 <= 0) || (y0 >= h && y1 >= h))
        return;
    // Clip to the rows of the target.
    auto cutY = [&](double yc, double& xa, double& ya, double xb, double yb) {
        xa = xa + (xb - xa) * (yc - ya) / (yb - ya);
        ya = yc;
    };
    if (y0 < 0)
        cutY(0, x0, y0, x1, y1);
    else if (y1 < 0)
        cutY(0, x1, y1, x0, y0);
    if (y0 > h)
        cutY(h, x0, y0, x1, y1);
    else if (y1 > h)
        cutY(h, x1, y1, x0, y0);
    // Split where the line crosses the left and right edges; the parts outside
    // are pressed onto the edge, where they still carry the right cover.
    double xs[4] = {x0, 0, 0, x1}, ys[4] = {y0, 0, 0, y1};
    int n = 1;
    double bounds[2] = {0, w};
    double lo = std::min(x0, x1), hi = std::max(x0, x1);
    double cuts[2];
    int nc = 0;
    for (double b : bounds)
        if (lo < b && b < hi)
            cuts[nc++] = b;
    if (nc == 2 && x0 > x1)
        std::swap(cuts[0], cuts[1]);
    for (int i = 0; i < nc; ++i) {
        double t = (cuts[i] - x0) / (x1 - x0);
        xs[n] = cuts[i];
        ys[n] = y0 + (y1 - y0) * t;
        ++n;
    }
    xs[n] = x1;
    ys[n] = y1;
    for (int i = 0; i < n; ++i)
        AddClippedLine(std::clamp(xs[i], 0.0, w), ys[i], std::clamp(xs[i + 1], 0.0, w), ys[i + 1]);
}

void Rasterizer::AddClippedLine(double x0, double y0, double x1, double y1)
{
    Line line;
    const bool rows = GLINT_KERNEL(SetUpLine, x0, y0, x1, y1, width_, height_, reach_, line);
    if (rows && lines_.size() < kMaxLines)
        lines_.push_back(line);
}

void Rasterizer::AccumulateBand(int top, int bottom)
{
    if (top == reach_.minY) {
        // Sorts the lines by the band they start in (stable: each cell then
        // adds up its lines in the order they came, as one pass over all would).
        const size_t bands = size_t((reach_.maxY - reach_.minY) / kBandRows + 2);
        bandStart_.assign(bands + 1, 0);
        for (const Line& l : lines_)
            ++bandStart_[size_t((l.row - reach_.minY) / kBandRows) + 1];
        for (size_t b = 1; b <= bands; ++b)
            bandStart_[b] += bandStart_[b - 1];
        byBand_.resize(lines_.size());
        merged_.assign(bandStart_.begin(), bandStart_.end() - 1); // next free slot of each band
        for (uint32_t i = 0; i < lines_.size(); ++i)
            byBand_[merged_[size_t((lines_[i].row - reach_.minY) / kBandRows)]++] = i;
        live_.clear();
    }
    const size_t band = size_t((top - reach_.minY) / kBandRows);
    const auto first = byBand_.begin() + bandStart_[band], last = byBand_.begin() + bandStart_[band + 1];
    merged_.clear();
    std::merge(live_.begin(), live_.end(), first, last, std::back_inserter(merged_));
    live_.clear();
    const RasterBand cells{cells_.data(), touched_.data(), cellStride_, wordsPerRow_, top, bottom, float(width_)};
    for (uint32_t i : merged_) {
        GLINT_KERNEL(AccumulateLine, lines_[i], cells);
        if (lines_[i].row < lines_[i].rowEnd)
            live_.push_back(i);
    }
}

void Rasterizer::AddQuad(double x0, double y0, double cx, double cy, double x1, double y1)
{
    double ddx = x0 - 2 * cx + x1, ddy = y0 - 2 * cy + y1;
    double dd = std::sqrt(ddx * ddx + ddy * ddy);
    if (!std::isfinite(dd))
        return;
    // A chord of 1/n of the curve strays dd / (8 n^2) from it.
    int n = int(std::ceil(std::sqrt(dd * 1.25)));
    n = std::clamp(n, 1, 100);
    double px = x0, py = y0;
    for (int i = 1; i <= n; ++i) {
        double t = double(i) / n, u = 1 - t;
        double qx = u * u * x0 + 2 * u * t * cx + t * t * x1;
        double qy = u * u * y0 + 2 * u * t * cy + t * t * y1;
        AddLine(px, py, qx, qy);
        px = qx;
        py = qy;
    }
}

template <typename Sink>
void Rasterizer::Sweep(Sink& sink)
{
    static_assert(kBlockShift == kCellBlockShift, "the sweep reads the blocks the accumulation marks");
    const int xEnd = std::min(reach_.maxX, width_ + 1);
    const int lastPixel = std::min(xEnd, width_ - 1);
    const int w0 = reach_.minX >> (kBlockShift + 6), w1 = xEnd >> (kBlockShift + 6);
    uint8_t coverage[64 << kBlockShift]; // of a word's blocks
    for (int y = reach_.minY; y <= reach_.maxY; ++y) {
        const int inBand = (y - reach_.minY) % kBandRows;
        if (inBand == 0)
            AccumulateBand(y, std::min(y + kBandRows, reach_.maxY + 1));
        float* row = cells_.data() + ptrdiff_t(inBand) * cellStride_;
        uint64_t* bits = touched_.data() + ptrdiff_t(inBand) * wordsPerRow_;
        sink.Row(y);
        float winding = 0;
        uint32_t between = 0; // the coverage after the last touched cell
        int x = 0; // first pixel not yet drawn; before the first touched block the coverage is 0
        for (int w = w0; w <= w1; ++w) {
            uint64_t word = bits[w];
            if (!word)
                continue;
            bits[w] = 0;
            do {
                // A stretch of touched blocks at once.
                const int first = std::countr_zero(word), blocks = std::countr_one(word >> first);
                word = blocks + first >= 64 ? 0 : word & (~uint64_t(0) << (first + blocks));
                const int bx0 = ((w << 6) + first) << kBlockShift;
                const int bx1 = std::min(bx0 + (blocks << kBlockShift) - 1, xEnd);
                if (bx0 > x && x <= lastPixel)
                    sink.Span(x, std::min(bx0 - 1, lastPixel), between);
                if (bx0 <= bx1) {
                    winding = GLINT_KERNEL(SweepCells, row + bx0, bx1 - bx0 + 1, winding, coverage);
                    between = coverage[bx1 - bx0];
                    if (bx0 < width_)
                        sink.Pixels(bx0, std::min(bx1, width_ - 1) - bx0 + 1, coverage);
                }
                x = bx1 + 1;
            } while (word);
        }
        if (x <= lastPixel)
            sink.Span(x, lastPixel, between);
    }
    ClearBounds();
}

namespace {

template <typename Shade>
struct FillSink {
    Shade shade;
    uint32_t* pixels;
    ptrdiff_t stride;
    const uint8_t* mask;
    int width;
    bool plain;      // normal blending onto an opaque target: the fast paths
    BlendMode blend;
    bool layer;
    uint32_t* out = nullptr;
    const uint8_t* maskRow = nullptr;

    void Put(uint32_t& dst, uint32_t src, uint32_t cov)
    {
        if (plain)
            BlendOver(dst, src);
        else
            BlendPixel(dst, src, cov, blend, layer);
    }

    void Row(int y)
    {
        out = pixels + ptrdiff_t(y) * stride;
        maskRow = mask ? mask + ptrdiff_t(y) * width : nullptr;
        shade.Row(y);
    }
    void Pixels(int x0, int n, const uint8_t* coverage)
    {
        for (int i = 0; i < n; ++i)
            Pixel(x0 + i, coverage[i]);
    }
    void Pixel(int x, uint32_t cov)
    {
        if (maskRow)
            cov = Mul255(cov, maskRow[x]);
        if (cov == 0)
            return;
        uint32_t c = shade.At(x);
        Put(out[x], cov == 255 ? c : ScalePixel(c, cov), cov);
    }
    void Span(int x0, int x1, uint32_t cov)
    {
        if (cov == 0)
            return;
        if (maskRow) {
            for (int x = x0; x <= x1; ++x)
                if (uint32_t k = Mul255(cov, maskRow[x]))
                    Put(out[x], k == 255 ? shade.At(x) : ScalePixel(shade.At(x), k), k);
            return;
        }
        if (!plain) {
            for (int x = x0; x <= x1; ++x)
                BlendPixel(out[x], cov == 255 ? shade.At(x) : ScalePixel(shade.At(x), cov), cov, blend, layer);
            return;
        }
        if constexpr (Shade::kConstant) {
            const uint32_t c = shade.At(x0);
            const uint32_t src = cov == 255 ? c : ScalePixel(c, cov);
            if ((src >> 24) == 255)
                FillRun(out + x0, x1 - x0 + 1, src);
            else
                BlendColorRun(out + x0, x1 - x0 + 1, src);
        } else if (cov == 255 && shade.Opaque()) {
            shade.Fetch(x0, x1 - x0 + 1, out + x0); // each colour replaces what is there
        } else {
            // The colours a chunk at a time, then put down in one loop.
            constexpr int kChunk = 256;
            uint32_t colors[kChunk];
            for (int x = x0; x <= x1; x += kChunk) {
                const int n = std::min(kChunk, x1 - x + 1);
                shade.Fetch(x, n, colors);
                BlendOverRun(out + x, colors, n, cov);
            }
        }
    }
};

// Passes on only what lies outside the covered runs of each row. The sweep
// goes left to right, so one cursor walks the runs.
template <typename Inner>
struct CoveredSink {
    Inner& inner;
    const std::vector<CoveredArea>& areas;
    std::vector<PixelRun>& runs;
    size_t next = 0;

    void Row(int y)
    {
        inner.Row(y);
        runs.clear();
        next = 0;
        for (const CoveredArea& a : areas)
            if (a.y0 <= y && y < a.y1 && a.runs[y - a.y0].x0 < a.runs[y - a.y0].x1)
                runs.push_back(a.runs[y - a.y0]);
        if (runs.size() < 2)
            return;
        std::sort(runs.begin(), runs.end(), [](const PixelRun& p, const PixelRun& q) { return p.x0 < q.x0; });
        size_t n = 0;
        for (size_t i = 1; i < runs.size(); ++i) {
            if (runs[i].x0 <= runs[n].x1)
                runs[n].x1 = std::max(runs[n].x1, runs[i].x1);
            else
                runs[++n] = runs[i];
        }
        runs.resize(n + 1);
    }
    void Pixels(int x0, int n, const uint8_t* coverage)
    {
        const int end = x0 + n;
        while (next < runs.size() && runs[next].x1 <= x0)
            ++next;
        for (size_t i = next; i < runs.size() && runs[i].x0 < end; ++i) {
            if (runs[i].x0 > x0)
                inner.Pixels(x0, runs[i].x0 - x0, coverage);
            const int past = std::min(end, std::max(x0, runs[i].x1));
            coverage += past - x0;
            x0 = past;
        }
        if (x0 < end)
            inner.Pixels(x0, end - x0, coverage);
    }
    void Span(int x0, int x1, uint32_t cov)
    {
        while (next < runs.size() && runs[next].x1 <= x0)
            ++next;
        for (size_t i = next; i < runs.size() && runs[i].x0 <= x1; ++i) {
            if (runs[i].x0 > x0)
                inner.Span(x0, runs[i].x0 - 1, cov);
            x0 = std::max(x0, runs[i].x1);
        }
        if (x0 <= x1)
            inner.Span(x0, x1, cov);
    }
};

struct MaskSink {
    uint8_t* mask;
    int width;
    uint8_t* out = nullptr;

    void Row(int y) { out = mask + ptrdiff_t(y) * width; }
    // Several mask shapes add up.
    void Pixels(int x0, int n, const uint8_t* coverage)
    {
        for (int i = 0; i < n; ++i)
            out[x0 + i] = uint8_t(std::min<uint32_t>(255, out[x0 + i] + coverage[i]));
    }
    void Span(int x0, int x1, uint32_t cov)
    {
        if (cov)
            for (int x = x0; x <= x1; ++x)
                out[x] = uint8_t(std::min<uint32_t>(255, out[x] + cov));
    }
};

struct ColourSink {
    uint32_t* pixels;
    ptrdiff_t stride;
    uint32_t colour;
    uint32_t* out = nullptr;

    void Row(int y) { out = pixels + ptrdiff_t(y) * stride; }
    void Pixels(int x0, int n, const uint8_t*) { FillRun(out + x0, n, colour); }
    void Span(int x0, int x1, uint32_t) { FillRun(out + x0, x1 - x0 + 1, colour); }
};

} // namespace

void Rasterizer::Clear(uint32_t* pixels, ptrdiff_t stride, uint32_t colour)
{
    ColourSink sink{pixels, stride, colour};
    active_.assign(covered_, covered_ + coveredCount_);
    CoveredSink<ColourSink> covered{sink, active_, rowRuns_};
    for (int y = 0; y < height_; ++y) {
        covered.Row(y);
        covered.Span(0, width_ - 1, 255);
    }
}

template <typename Shade>
void Rasterizer::Scan(uint32_t* pixels, ptrdiff_t stride, const uint8_t* mask, Shade shade)
{
    const bool plain = blend_ == BlendMode::Normal && !layer_;
    FillSink<Shade> sink{shade, pixels, stride, mask, width_, plain, blend_, layer_};
    active_.clear();
    for (size_t i = 0; i < coveredCount_; ++i) {
        const CoveredArea& a = covered_[i];
        if (a.x0 < a.x1 && a.y0 < a.y1 && a.x1 > reach_.minX && a.x0 <= reach_.maxX && a.y1 > reach_.minY && a.y0 <= reach_.maxY)
            active_.push_back(a);
    }
    if (active_.empty()) {
        Sweep(sink);
        return;
    }
    CoveredSink<FillSink<Shade>> covered{sink, active_, rowRuns_};
    Sweep(covered);
}

uint32_t ScalePremultiplied(uint32_t c, uint32_t k) { return ScalePixel(c, k); }

void BlendPixel(uint32_t& dst, uint32_t src, uint32_t cov, BlendMode mode, bool layer)
{
    const uint32_t sa = src >> 24;
    switch (mode) {
    case BlendMode::Alpha: // what is behind keeps the object's share of itself
        if (layer)
            dst = ScalePixel(dst, 255 - cov + sa);
        return;
    case BlendMode::Erase:
        if (layer)
            dst = ScalePixel(dst, 255 - sa);
        return;
    case BlendMode::Multiply:
    case BlendMode::Screen:
    case BlendMode::Lighten:
    case BlendMode::Darken:
    case BlendMode::Difference:
    case BlendMode::Add:
    case BlendMode::Subtract:
    case BlendMode::Invert:
        break;
    default: // normal, layer, and the modes drawn as normal
        if (layer)
            dst = src + ScalePixel(dst, 255 - sa);
        else
            BlendOver(dst, src);
        return;
    }
    // The separable modes on premultiplied channels, in 0..1:
    // result = s (1 - da) + d (1 - sa) + f(s, d).
    const float s_a = sa / 255.0f, d_a = layer ? (dst >> 24) / 255.0f : 1.0f;
    float r_a = s_a + d_a - s_a * d_a;
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const float s = ((src >> shift) & 0xFF) / 255.0f, d = ((dst >> shift) & 0xFF) / 255.0f;
        float r;
        switch (mode) {
        case BlendMode::Multiply: r = s * (1 - d_a) + d * (1 - s_a) + s * d; break;
        case BlendMode::Screen: r = s + d - s * d; break;
        case BlendMode::Lighten: r = s + d - std::min(s * d_a, d * s_a); break;
        case BlendMode::Darken: r = s + d - std::max(s * d_a, d * s_a); break;
        case BlendMode::Difference: r = s + d - 2 * std::min(s * d_a, d * s_a); break;
        case BlendMode::Add: r = s + d; break;
        case BlendMode::Subtract: r = d - s; break;
        default: r = d * (1 - s_a) + (d_a - d) * s_a; break; // invert
        }
        result |= ToByte(r) << shift;
    }
    if (mode == BlendMode::Add)
        r_a = std::min(1.0f, s_a + d_a);
    else if (mode == BlendMode::Subtract)
        r_a = d_a;
    uint32_t a = layer ? ToByte(r_a) : 255u;
    // Channels stay within the alpha, as premultiplied colours must.
    uint32_t r = std::min((result >> 16) & 0xFF, a), g = std::min((result >> 8) & 0xFF, a), b = std::min(result & 0xFF, a);
    dst = (a << 24) | (r << 16) | (g << 8) | b;
}

void Rasterizer::Fill(uint32_t* pixels, ptrdiff_t stride, const Paint& paint, const uint8_t* mask)
{
    if (Empty())
        return;
    blend_ = paint.blend;
    layer_ = paint.layer;
    switch (paint.kind) {
    case Paint::Kind::Solid:
        Scan(pixels, stride, mask, SolidShade{paint.color});
        break;
    case Paint::Kind::Linear:
        Scan(pixels, stride, mask, LinearShade{paint.toGradient, paint.ramp, paint.spread});
        break;
    case Paint::Kind::Radial:
        // A focal point on the circle itself has no inside: held just within it.
        Scan(pixels, stride, mask,
             RadialShade{paint.toGradient, paint.ramp, paint.spread, std::clamp(double(paint.focal), -0.98, 0.98)});
        break;
    case Paint::Kind::Bitmap:
        if (paint.bitmap.pixels && paint.bitmap.width > 0 && paint.bitmap.height > 0)
            Scan(pixels, stride, mask, BitmapShade{paint.toGradient, BitmapRowSampler(paint.bitmap)});
        else
        {
            NullSink sink; // nothing to draw: the outline is dropped
            Sweep(sink);
        }
        break;
    }
}

void Rasterizer::FillMask(uint8_t* mask)
{
    if (Empty())
        return;
    MaskSink sink{mask, width_};
    Sweep(sink);
}

} // namespace glint::flash
