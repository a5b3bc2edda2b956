#pragma once
// Anti-aliased scanline rasteriser. Outlines are accumulated as signed area
// and cover per cell (each line adds its exact area contribution to the cells
// it crosses); a running sum along each row then gives the coverage. That is
// exact anti-aliasing without sub-samples, and costs one add per pixel.
// Coverage is |winding| clamped to 1, i.e. the non-zero rule for outlines that
// do not overlap themselves with opposite directions.
// Lines are kept until the fill and accumulated a band of rows at a time, just
// before the band is swept: the cells of a band stay in the cache, where
// cells for the whole target would be evicted by the pixels drawn meanwhile.
// Each row also keeps a bit per block of cells that lines have touched: the
// sweep walks only those blocks pixel by pixel, and between them the coverage
// is constant, so it fills (or skips) whole runs at once. The interior of a
// shape and the empty middle of a stroke cost a span each, not a pixel each.
// Runs of gradient or bitmap colour are read a chunk at a time into a buffer
// and then put down in one loop.
#include "flash/CoverRows.h"
#include "flash/RasterCells.h"
#include "flash/SwfShape.h"
#include "flash/SwfTypes.h"
#include "flash/bitmap/BitmapSampler.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glint::flash {

// How a paint meets what is already drawn (the values of PlaceObject3).
// Overlay and hard light are drawn as normal.
enum class BlendMode : uint8_t {
    Normal = 1,
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11, // the drawn object's alpha multiplies what is behind it
    Erase = 12, // the drawn object's alpha clears what is behind it
};

// Colours are premultiplied 0xAARRGGBB, which is B, G, R, A in memory on
// little-endian machines: the layout of a 32-bit top-down Windows DIB.
struct Paint {
    enum class Kind : uint8_t { Solid, Linear, Radial, Bitmap };
    Kind kind = Kind::Solid;
    uint32_t color = 0xFF000000;
    const uint32_t* ramp = nullptr; // 256 premultiplied colours for the gradient kinds
    Matrix toGradient;              // device pixel -> gradient square (-16384..16384), or bitmap pixels
    GradientSpread spread = GradientSpread::Pad;
    float focal = 0;                // radial kind: the focal point on the circle's x axis, -1..1
    BitmapSource bitmap;            // the picture of the bitmap kind
    BlendMode blend = BlendMode::Normal;
    // The target may be transparent (a layer drawn apart): its alpha is kept
    // instead of being taken as opaque.
    bool layer = false;
};

// Scales all four channels of a premultiplied colour by k (0..255).
uint32_t ScalePremultiplied(uint32_t c, uint32_t k);

// Puts `src` (premultiplied, coverage `cov` already applied to it) onto `dst`.
void BlendPixel(uint32_t& dst, uint32_t src, uint32_t cov, BlendMode mode, bool layer);

uint32_t Premultiply(Rgba c);
// Fills `ramp` (256 entries) from gradient stops, ratio 0..255 along the gradient.
void BuildRamp(const GradientStop* stops, size_t count, uint32_t* ramp);

// Pixels of rows [y0, y1): in row y, runs[y - y0]. All lie within x0..x1.
struct CoveredArea {
    int y0 = 0, y1 = 0, x0 = 0, x1 = 0;
    const PixelRun* runs = nullptr;
};

class Rasterizer {
public:
    // Lines kept for one fill at most (56 MB): a hostile file's shape is drawn
    // in part rather than fill the memory.
    static constexpr size_t kMaxLines = size_t(2) << 20;

    // Sets the target size; the cell buffer keeps its capacity between frames.
    void Reset(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }

    void AddLine(double x0, double y0, double x1, double y1);
    // Quadratic curve, flattened so that the error stays below about a tenth of a pixel.
    void AddQuad(double x0, double y0, double cx, double cy, double x1, double y1);

    // Composites the accumulated outlines with the paint, then clears them.
    // `mask` (optional, one byte a pixel, same size) limits the coverage.
    void Fill(uint32_t* pixels, ptrdiff_t stride, const Paint& paint, const uint8_t* mask = nullptr);
    // Sets the target to one colour, but for the covered areas (see SetCovered).
    void Clear(uint32_t* pixels, ptrdiff_t stride, uint32_t colour);
    // Writes the accumulated coverage (0..255) into `mask`, then clears.
    void FillMask(uint8_t* mask);
    bool Empty() const { return reach_.minY > reach_.maxY; }
    // Pixels that opaque paint drawn later covers entirely: fills leave them
    // alone, as nothing put there would show. The areas must stay valid until
    // the next call; (nullptr, 0) draws everywhere again.
    void SetCovered(const CoveredArea* areas, size_t count)
    {
        covered_ = areas;
        coveredCount_ = count;
    }

private:
    using Line = RasterLine;

    void AddClippedLine(double x0, double y0, double x1, double y1);
    // Accumulates the lines' rows within [top, bottom) into the band's cells.
    void AccumulateBand(int top, int bottom);
    // Walks the touched rows, calling sink.Row(y), sink.Pixels(x, n, coverages) for each
    // stretch of touched blocks and sink.Span(x0, x1, coverage) for the runs of constant
    // coverage between them.
    template <typename Sink> void Sweep(Sink& sink);
    template <typename Shade> void Scan(uint32_t* pixels, ptrdiff_t stride, const uint8_t* mask, Shade shade);
    void ClearBounds();

    static constexpr int kBlockShift = 2; // 4 cells a block, as the line accumulation marks them
    static constexpr int kBandRows = 16;  // a band's cells: 16 rows of 1922 floats for 1920 pixels

    std::vector<Line> lines_;           // in the order they were added
    std::vector<uint32_t> byBand_;      // their indices by the band they start in, in order
    std::vector<uint32_t> bandStart_;   // where each band's lines begin in byBand_
    std::vector<uint32_t> live_, merged_; // the lines the band meets, in the order added
    std::vector<float> cells_;          // kBandRows rows
    std::vector<uint64_t> touched_;     // per row of the band, a bit per block of cells written
    int width_ = 0, height_ = 0;
    ptrdiff_t cellStride_ = 0;
    ptrdiff_t wordsPerRow_ = 0;
    RasterReach reach_{0, -1, 0, -1};
    BlendMode blend_ = BlendMode::Normal; // of the paint being filled
    bool layer_ = false;
    const CoveredArea* covered_ = nullptr;
    size_t coveredCount_ = 0;
    std::vector<CoveredArea> active_; // the covered areas the fill meets
    std::vector<PixelRun> rowRuns_;   // their runs in the row being drawn, in order
};

} // namespace glint::flash
