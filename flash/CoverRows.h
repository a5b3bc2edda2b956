#pragma once
// What the culling's row work runs on, as plain data: the kernel in
// CoverRows.inl is built twice in the 32-bit programs (see there).
#include <cstddef>

namespace glint::flash {

// Pixels [x0, x1) of a row.
struct PixelRun {
    int x0 = 0, x1 = 0;
};

// Rows [t, e) of a picture that are opaque between columns lo and hi, in its pixels.
struct PictureBand {
    double lo, hi, t, e;
};

// The rows [y0, y1) of the target a convex quadrilateral (corners in order)
// covers, and the picture that fills it, if any: along the line of row y's
// pixel centres its coordinates are u0 + du x and v0 + dv x, with
// u0 = uy (y + 0.5) + u and v0 = vy (y + 0.5) + v. Its opaque bands come down
// the picture.
struct CoverJob {
    double x[4], y[4];
    int y0, y1, width;
    const PictureBand* bands; // none: a plain fill
    size_t bandCount;
    double uy, u, vy, v, du, dv;
};

// The same as CoverRows with SSE2 math (see GLINT_KERNEL).
void CoverRowsSse2(const CoverJob& job, PixelRun* runs, int& left, int& right);

} // namespace glint::flash
