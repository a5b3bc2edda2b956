// The rasteriser's work on its cells: the signed area a line sweeps in each
// cell of each row of a band it crosses, and the coverage of the pixels as a
// row's cells are summed. The 32-bit programs build it twice, with x87 math in
// Rasterizer.cpp and with SSE2 math in Sse2Copies.cpp for processors that have
// it: x87 code spends much of a frame here. So that neither copy can stand in
// for the other at link time, this file is included inside an anonymous
// namespace, includes nothing and calls only what it defines, but FloorToInt,
// FloorOfPositive and CeilToInt, which each includer provides, and what
// KernelMath.inl defines.

constexpr int kCellBlockShift = 2; // 4 cells a block

// Sets the bits of blocks b0..b1 of a row.
inline void MarkBlocks(uint64_t* bits, int b0, int b1)
{
    for (int w = b0 >> 6; w <= (b1 >> 6); ++w) {
        uint64_t m = ~uint64_t(0);
        if (w == (b0 >> 6))
            m &= ~uint64_t(0) << (b0 & 63);
        if (w == (b1 >> 6))
            m &= ~uint64_t(0) >> (63 - (b1 & 63));
        bits[w] |= m;
    }
}

// The line from (x0, y0) to (x1, y1), within the target, made ready to be
// accumulated, and the reach widened by it: false when it meets no row.
inline bool SetUpLine(double x0, double y0, double x1, double y1, int width, int height, RasterReach& reach,
                      RasterLine& line)
{
    if (y0 == y1)
        return false;
    // Coordinates are clipped to the target here, so never negative.
    reach.minY = Smaller(reach.minY, Larger(FloorToInt(Smaller(y0, y1)), 0));
    reach.maxY = Larger(reach.maxY, Smaller(CeilToInt(Larger(y0, y1)) - 1, height - 1));
    reach.minX = Smaller(reach.minX, Larger(FloorToInt(Smaller(x0, x1)), 0));
    reach.maxX = Larger(reach.maxX, Smaller(CeilToInt(Larger(x0, x1)) + 1, width + 1));
    float fx0 = float(x0), fy0 = float(y0), fx1 = float(x1), fy1 = float(y1);
    line.dir = 1.0f;
    if (fy0 > fy1) {
        const float x = fx0, y = fy0;
        fx0 = fx1;
        fy0 = fy1;
        fx1 = x;
        fy1 = y;
        line.dir = -1.0f;
    }
    line.x = fx0;
    line.y0 = fy0;
    line.y1 = fy1;
    line.dxdy = (fx1 - fx0) / (fy1 - fy0);
    line.row = Larger(0, FloorToInt(fy0));
    line.rowEnd = Smaller(height, CeilToInt(fy1));
    return line.row < line.rowEnd;
}

// Adds the line's rows before the band's bottom; x is within [0, width], y within [0, height].
inline void AccumulateLine(RasterLine& line, const RasterBand& band)
{
    const float dxdy = line.dxdy, dir = line.dir, y0 = line.y0, y1 = line.y1;
    float x = line.x;
    const int yEnd = line.rowEnd < band.bottom ? line.rowEnd : band.bottom;
    int y = line.row;
    for (; y < yEnd; ++y) {
        float* row = band.cells + ptrdiff_t(y - band.top) * band.cellStride;
        uint64_t* bits = band.touched + ptrdiff_t(y - band.top) * band.wordsPerRow;
        float dy = Smaller(float(y + 1), y1) - Larger(float(y), y0);
        if (dy <= 0)
            continue;
        float xNext = Bounded(x + dxdy * dy, 0.0f, band.width);
        float d = dy * dir;
        float xa = Smaller(x, xNext), xb = Larger(x, xNext);
        int ia = FloorToInt(xa);
        float xaFloor = float(ia);
        int ib = CeilToInt(xb);
        if (ib <= ia + 1) {
            // Within one cell: split by the mean position of the line in it.
            float xm = 0.5f * (x + xNext) - xaFloor;
            row[ia] += d - d * xm;
            row[ia + 1] += d * xm;
            MarkBlocks(bits, ia >> kCellBlockShift, (ia + 1) >> kCellBlockShift);
        } else {
            float s = 1.0f / (xb - xa);
            float fa = xa - xaFloor;
            float a0 = 0.5f * s * (1.0f - fa) * (1.0f - fa);
            float fb = xb - float(ib) + 1.0f;
            float am = 0.5f * s * fb * fb;
            row[ia] += d * a0;
            if (ib == ia + 2) {
                row[ia + 1] += d * (1.0f - a0 - am);
            } else {
                float a1 = s * (1.5f - fa);
                row[ia + 1] += d * (a1 - a0);
                for (int i = ia + 2; i < ib - 1; ++i)
                    row[i] += d * s;
                float a2 = a1 + float(ib - ia - 3) * s;
                row[ib - 1] += d * (1.0f - a2 - am);
            }
            row[ib] += d * am;
            MarkBlocks(bits, ia >> kCellBlockShift, ib >> kCellBlockShift);
        }
        x = xNext;
    }
    line.x = x;
    line.row = y;
}

// Coverage 0..255 of a winding: |winding| clamped to 1.
inline uint32_t CoverageOf(float winding)
{
    const float a = winding < 0 ? -winding : winding;
    return a >= 1.0f ? 255u : uint32_t(FloorOfPositive(a * 255.0f + 0.5f));
}

// Adds cells [0, n) of a row to the winding left of them, clearing them, and
// gives each one's coverage; returns the winding after the last.
inline float SweepCells(float* cells, int n, float winding, uint8_t* coverage)
{
    for (int i = 0; i < n; ++i) {
        winding += cells[i];
        cells[i] = 0;
        coverage[i] = uint8_t(CoverageOf(winding));
    }
    return winding;
}
