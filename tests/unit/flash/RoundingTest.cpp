#include "flash/Rounding.h"

#include <gtest/gtest.h>

#include <cmath>

namespace glint::flash {
namespace {

// Whole numbers, halves either side of zero and values a hair off a whole
// number: where a conversion that rounds to nearest, or truncates, goes wrong.
TEST(Rounding, FloorAndCeilingMatchTheLibrary)
{
    const double values[] = {0.0, -0.0, 0.25, 0.5, 0.75, 1.0, 1.5, 2.5, 3.5, -0.25, -0.5, -1.0, -1.5, -2.5,
                             1919.999999, 1920.0000001, -7.0000001, 254.5, 2147483000.5, -2147483000.5};
    for (double v : values) {
        SCOPED_TRACE(v);
        EXPECT_EQ(FloorToInt(v), int(std::floor(v)));
        EXPECT_EQ(CeilToInt(v), int(std::ceil(v)));
        if (v >= 0) {
            EXPECT_EQ(FloorOfPositive(v), int(std::floor(v)));
        }
        const float f = float(v);
        if (std::fabs(f) < 1e9f) { // a float that large is not held exactly enough to matter
            EXPECT_EQ(FloorToInt(f), int(std::floor(f)));
            EXPECT_EQ(CeilToInt(f), int(std::ceil(f)));
        }
    }
    // Beyond int: the 16.16 positions of far-off picture pixels.
    for (double v : {68719476736.5, -68719476736.5, 2147483647.5, -2147483648.5, 1e15 + 0.5})
        EXPECT_EQ(FloorToInt64(v), int64_t(std::floor(v))) << v;
}

} // namespace
} // namespace glint::flash
