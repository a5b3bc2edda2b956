#pragma once
// What the rasteriser's cell work runs on, as plain data: the kernels in
// RasterCells.inl are built twice in the 32-bit programs (see there).
#include <cstddef>
#include <cstdint>

namespace glint::flash {

// A line waiting for its rows to be accumulated, from top to bottom.
struct RasterLine {
    float x;        // where it enters row `row`
    float y0, y1;   // y0 < y1
    float dxdy, dir;
    int row, rowEnd; // the rows still to do: [row, rowEnd)
};

// The cells of a band of rows, and a bit per block of cells written.
struct RasterBand {
    float* cells;
    uint64_t* touched;
    ptrdiff_t cellStride, wordsPerRow;
    int top, bottom; // the band's rows: [top, bottom)
    float width;     // lines are held within [0, width]
};

// How far the lines added so far reach: rows minY..maxY, cells minX..maxX.
struct RasterReach {
    int minX, maxX, minY, maxY;
};

// A kernel of RasterCells.inl or CoverRows.inl called by its name: in the
// 32-bit programs its SSE2 copy (NAMESse2) where the processor has SSE2.
#if GLINT_SSE2_COPIES
#define GLINT_KERNEL(name, ...) (useSse2 ? name##Sse2(__VA_ARGS__) : name(__VA_ARGS__))
#else
#define GLINT_KERNEL(name, ...) name(__VA_ARGS__)
#endif

// The same as SetUpLine, AccumulateLine and SweepCells with SSE2 math.
bool SetUpLineSse2(double x0, double y0, double x1, double y1, int width, int height, RasterReach& reach,
                   RasterLine& line);
void AccumulateLineSse2(RasterLine& line, const RasterBand& band);
float SweepCellsSse2(float* cells, int n, float winding, uint8_t* coverage);

} // namespace glint::flash
