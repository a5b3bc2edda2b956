// std::min, std::max and std::clamp, as they treat their values, for the
// kernels built twice (RasterCells.inl, CoverRows.inl): those include no
// header, so that no template of the library is built with two kinds of
// floating-point math and one stands in for the other at link time. Included
// inside an anonymous namespace, before them.

template <typename T> inline T Smaller(T a, T b) { return b < a ? b : a; }
template <typename T> inline T Larger(T a, T b) { return a < b ? b : a; }
template <typename T> inline T Bounded(T v, T lo, T hi) { return v < lo ? lo : hi < v ? hi : v; }
