// The culling's row work: which whole pixels of each row a convex opaque fill
// covers, within the opaque bands of its picture if it has one. The 32-bit
// programs build it twice, with x87 math in SwfPlayer.cpp and with SSE2 math
// in Sse2Copies.cpp for processors that have it: x87 float-to-int conversions
// made this a fifth of a frame of a movie of pictures. So that neither copy
// can stand in for the other at link time, this file is included inside an
// anonymous namespace, includes nothing and calls only what it defines, but
// FloorToInt and CeilToInt, which each includer provides, and what
// KernelMath.inl defines.

// A convex quadrilateral on the target, ready to be crossed row by row.
struct CoverQuad {
    double x[4], y[4];
    double slope[4];    // x per y along the edge from corner k to the next; 0 where flat
    double top, bottom; // the rows it spans
};

inline CoverQuad QuadOf(const CoverJob& job)
{
    CoverQuad q;
    for (int k = 0; k < 4; ++k) {
        const int j = (k + 1) % 4;
        q.x[k] = job.x[k];
        q.y[k] = job.y[k];
        q.slope[k] = job.y[j] == job.y[k] ? 0 : (job.x[j] - job.x[k]) / (job.y[j] - job.y[k]);
    }
    q.top = Smaller(Smaller(q.y[0], q.y[1]), Smaller(q.y[2], q.y[3]));
    q.bottom = Larger(Larger(q.y[0], q.y[1]), Larger(q.y[2], q.y[3]));
    return q;
}

// Where the line at height `at` crosses the quadrilateral: [left, right]; false when it misses.
inline bool QuadSpan(const CoverQuad& q, double at, double& left, double& right)
{
    left = __builtin_huge_val();
    right = -__builtin_huge_val();
    if (at < q.top || at > q.bottom)
        return false;
    for (int k = 0; k < 4; ++k) {
        const int j = (k + 1) % 4;
        if (at < Smaller(q.y[k], q.y[j]) || at > Larger(q.y[k], q.y[j]))
            continue;
        const double xa = q.y[k] == q.y[j] ? q.x[k] : q.x[k] + q.slope[k] * (at - q.y[k]);
        const double xb = q.y[k] == q.y[j] ? q.x[j] : xa;
        left = Smaller(Smaller(left, xa), xb);
        right = Larger(Larger(right, xa), xb);
    }
    return left <= right;
}

// Narrows [l, r] to where at + step x lies within [low, high]; false when
// nothing is left. per is 1 / step.
inline bool Within(double at, double step, double per, double low, double high, double& l, double& r)
{
    if (step == 0)
        return low <= at && at <= high;
    const double p = (low - at) * per, q = (high - at) * per;
    l = Larger(l, Smaller(p, q));
    r = Smaller(r, Larger(p, q));
    return l <= r;
}

// Of the runs that the picture's opaque bands cover at the pixel centres of
// row y near the quadrilateral's run, the longest joined one.
inline PixelRun OpaqueBandsRun(const CoverJob& job, int y, PixelRun run, double perU, double perV)
{
    const double u0 = job.uy * (y + 0.5) + job.u, v0 = job.vy * (y + 0.5) + job.v;
    const double vFirst = v0 + job.dv * run.x0, vLast = v0 + job.dv * run.x1;
    const double vLow = Smaller(vFirst, vLast) - 1, vHigh = Larger(vFirst, vLast) + 1;
    // The bands come down the picture: the first that reaches the row, by halves.
    size_t b = 0;
    for (size_t n = job.bandCount; n > 0;) {
        const size_t half = n / 2;
        if (job.bands[b + half].e < vLow) {
            b += half + 1;
            n -= half + 1;
        } else {
            n = half;
        }
    }
    // The bands' runs, in the order they start.
    constexpr int kFound = 32; // kept in a row
    PixelRun found[kFound];
    int n = 0;
    for (; b < job.bandCount && n < kFound && job.bands[b].t <= vHigh; ++b) {
        const PictureBand& band = job.bands[b];
        double l = -__builtin_huge_val(), r = __builtin_huge_val();
        if (!Within(u0, job.du, perU, band.lo, band.hi, l, r) || !Within(v0, job.dv, perV, band.t, band.e, l, r))
            continue;
        const PixelRun at{CeilToInt(Bounded(l - 0.5, -1.0, 1e7)), CeilToInt(Bounded(r - 0.5, -1.0, 1e7))};
        int k = n++;
        for (; k > 0 && at.x0 < found[k - 1].x0; --k)
            found[k] = found[k - 1];
        found[k] = at;
    }
    PixelRun best;
    for (int k = 0; k < n;) {
        PixelRun joined = found[k++];
        while (k < n && found[k].x0 <= joined.x1)
            joined.x1 = Larger(joined.x1, found[k++].x1);
        if (joined.x1 - joined.x0 > best.x1 - best.x0)
            best = joined;
    }
    return best;
}

// The covered run of each row, runs[y - y0], empty where there is none;
// left and right take in the columns of those that are not.
inline void CoverRows(const CoverJob& job, PixelRun* runs, int& left, int& right)
{
    const CoverQuad quad = QuadOf(job);
    const double perU = job.du == 0 ? 0 : 1 / job.du, perV = job.dv == 0 ? 0 : 1 / job.dv;
    double l0, r0; // the crossing of the row's top edge, the last row's bottom one
    bool in0 = QuadSpan(quad, job.y0, l0, r0);
    for (int y = job.y0; y < job.y1; ++y) {
        // Whole pixels inside: all four corners are.
        double l1, r1;
        const bool in1 = QuadSpan(quad, y + 1, l1, r1);
        PixelRun run;
        if (in0 && in1) {
            run.x0 = Bounded(CeilToInt(Larger(l0, l1)), 0, job.width);
            run.x1 = Bounded(FloorToInt(Smaller(r0, r1)), 0, job.width);
        }
        in0 = in1;
        l0 = l1;
        r0 = r1;
        if (job.bandCount && run.x0 < run.x1) {
            const PixelRun best = OpaqueBandsRun(job, y, run, perU, perV);
            run.x0 = Larger(run.x0, best.x0);
            run.x1 = Smaller(run.x1, best.x1);
        }
        if (run.x0 >= run.x1) {
            run = PixelRun{};
        } else {
            left = Smaller(left, run.x0);
            right = Larger(right, run.x1);
        }
        runs[y - job.y0] = run;
    }
}
