#pragma once
// Float to int for code that runs per pixel or per row of a frame. With x87
// math (the 32-bit programs) a plain cast switches the x87 rounding mode and
// back for every value, and std::floor and std::ceil are library calls that do
// the same: together they cost more there than the drawing around them.

#include <cmath>
#include <cstdint>

// x87 math: the 32-bit programs, and the native build that stands in for them.
#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE2_MATH__)
#define GLINT_X87_MATH 1
#endif

namespace glint::flash {

// The floor of v, which must lie within the range of int.
template <typename T> inline int FloorToInt(T v)
{
#if GLINT_X87_MATH
    int i;
    __asm__("fistpl %0" : "=m"(i) : "t"(v) : "st"); // rounds in the mode set: one step either way
#else
    int i = int(v); // towards zero
#endif
    return T(i) > v ? i - 1 : i;
}

// The floor of v, which must be at least 0 and within the range of int: with
// SSE2 math a plain cast, which truncates.
template <typename T> inline int FloorOfPositive(T v)
{
#if GLINT_X87_MATH
    return FloorToInt(v);
#else
    return int(v);
#endif
}

// The ceiling of v, which must lie within the range of int.
template <typename T> inline int CeilToInt(T v)
{
    int i = FloorToInt(v);
    return T(i) < v ? i + 1 : i;
}

// The floor of v, which must lie within the range of int64_t; the fast way
// where it fits in an int.
inline int64_t FloorToInt64(double v)
{
    return v > -2147483648.0 && v < 2147483647.0 ? FloorToInt(v) : int64_t(std::floor(v));
}

} // namespace glint::flash
