// The player's busiest floating-point work built for SSE2 math, for the 32-bit
// programs on processors that have it. Nothing here may be shared with the x87
// build: no header with code in it (not even flash/Rounding.h), only the plain
// data of RasterCells.h and CoverRows.h.
#include "flash/CoverRows.h"
#include "flash/RasterCells.h"

namespace glint::flash {

namespace {

template <typename T> inline int FloorToInt(T v)
{
    int i = int(v); // towards zero
    return T(i) > v ? i - 1 : i;
}

template <typename T> inline int CeilToInt(T v)
{
    int i = FloorToInt(v);
    return T(i) < v ? i + 1 : i;
}

template <typename T> inline int FloorOfPositive(T v) { return int(v); }

#include "flash/KernelMath.inl"
#include "flash/CoverRows.inl"
#include "flash/RasterCells.inl"

} // namespace

// 32-bit Windows keeps the stack 4-byte aligned; vectorised loops may spill 16.
__attribute__((force_align_arg_pointer)) bool SetUpLineSse2(double x0, double y0, double x1, double y1, int width,
                                                            int height, RasterReach& reach, RasterLine& line)
{
    return SetUpLine(x0, y0, x1, y1, width, height, reach, line);
}

__attribute__((force_align_arg_pointer)) void AccumulateLineSse2(RasterLine& line, const RasterBand& band)
{
    AccumulateLine(line, band);
}

__attribute__((force_align_arg_pointer)) float SweepCellsSse2(float* cells, int n, float winding, uint8_t* coverage)
{
    return SweepCells(cells, n, winding, coverage);
}

__attribute__((force_align_arg_pointer)) void CoverRowsSse2(const CoverJob& job, PixelRun* runs, int& left, int& right)
{
    CoverRows(job, runs, left, right);
}

} // namespace glint::flash
