#include "flash/PixelRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace glint::flash {
namespace {

// The runs are checked on both paths (where the processor has SSE2): the
// four-at-a-time code and the plain one, each against values worked out here
// per channel in floating point.
class PixelRuns : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        saved_ = useSse2;
        useSse2 = GetParam() && saved_;
    }
    void TearDown() override { useSse2 = saved_; }

private:
    bool saved_ = false;
};

INSTANTIATE_TEST_SUITE_P(Paths, PixelRuns, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Sse2" : "Plain"; });

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }
uint32_t Rounded(double v) { return uint32_t(std::floor(v + 0.5)); }

// src * cov / 255 over dst, rounded per channel; the sum is taken as one word,
// so a colour brighter than its alpha (a damaged picture) carries into the
// channel above it as the one-pixel code does; alpha ends 255.
uint32_t ExpectedOver(uint32_t dst, uint32_t src, uint32_t cov)
{
    uint32_t scaled = 0, under = 0;
    for (int shift = 0; shift < 32; shift += 8)
        scaled |= Rounded(Channel(src, shift) * cov / 255.0) << shift;
    const uint32_t keep = 255 - (scaled >> 24);
    for (int shift = 0; shift < 24; shift += 8)
        under |= Rounded(Channel(dst, shift) * keep / 255.0) << shift;
    return (scaled + under) | 0xFF000000u;
}

uint32_t Random(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state;
}

// Valid premultiplied colours of every alpha, fully transparent and opaque
// ones, and a few damaged ones; runs of lengths that leave a tail after
// the fours.
TEST_P(PixelRuns, SourceOverOfColoursAndOfOneColour)
{
    uint32_t state = 7;
    std::vector<uint32_t> src, dst;
    for (uint32_t a = 0; a < 256; ++a)
        for (int k = 0; k < 3; ++k) {
            const uint32_t r = Random(state) >> 8;
            auto part = [&](int shift) { return ((r >> shift) & 0xFF) % (a + 1); }; // no brighter than alpha
            const uint32_t valid = (a << 24) | part(0) << 16 | part(8) << 8 | part(16);
            const bool damaged = k == 2 && a > 0 && a < 200;
            src.push_back(damaged ? (a << 24) | 0x00F0F0F0u : valid);
            dst.push_back(Random(state) | 0xFF000000u);
        }
    for (uint32_t cov : {255u, 254u, 128u, 1u, 0u})
        for (size_t n : {src.size(), size_t(7), size_t(3)}) {
            SCOPED_TRACE(testing::Message() << "coverage " << cov << ", " << n << " pixels");
            std::vector<uint32_t> out(dst.begin(), dst.begin() + n);
            BlendOverRun(out.data(), src.data(), int(n), cov);
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(out[i], ExpectedOver(dst[i], src[i], cov)) << std::hex << "over " << dst[i] << " of "
                                                                       << src[i];
        }
    for (uint32_t colour : {0x80402010u, 0x01010000u, 0xFE7F0000u, 0u}) {
        std::vector<uint32_t> out(dst.begin(), dst.begin() + 11);
        BlendColorRun(out.data(), int(out.size()), colour);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], ExpectedOver(dst[i], colour, 255)) << std::hex << colour << " over " << dst[i];
    }
}

// Each sample is the pixel a 16.16 point falls in, or, filtered, lies between
// the four pixels around it: the two of each row weighed by the fraction
// across, rounded down, then the two rows by the fraction down, rounded down.
TEST_P(PixelRuns, SamplesTakeThePixelAtThePointOrWeighTheFourAround)
{
    constexpr int kWidth = 9, kHeight = 6;
    uint32_t state = 99;
    std::vector<uint32_t> picture(kWidth * kHeight);
    for (uint32_t& p : picture)
        p = Random(state);
    picture[0] = 0xFFFFFFFFu; // extremes, where 16-bit sums would overflow first
    picture[1] = 0xFFFFFFFFu;
    picture[kWidth] = 0xFFFFFFFFu;
    picture[kWidth + 1] = 0xFFFFFFFFu;
    struct Walk {
        int32_t u, v, du, dv;
        int n;
    };
    // Steps across and down, backwards, turned, and fractions of 0 and 255/256.
    const Walk walks[] = {{0x0000FF00, 0x0000FF00, 0, 0, 1},     {0x00008000, 0x00004000, 0x3000, 0x1000, 21},
                          {0x0007FF00, 0x00040000, -0x5300, 0, 9}, {0x00010000, 0x00000000, 0x4A00, 0x3E00, 17},
                          {0x00000000, 0x00000100, 0x7FFF, 0, 5}};
    for (const Walk& w : walks) {
        std::vector<uint32_t> out(size_t(w.n)), nearest(size_t(w.n));
        BilinearRun(picture.data(), kWidth, w.u, w.v, w.du, w.dv, w.n, out.data());
        NearestRun(picture.data(), kWidth, w.u, w.v, w.du, w.dv, w.n, nearest.data());
        for (int i = 0; i < w.n; ++i) {
            const int32_t u = w.u + w.du * i, v = w.v + w.dv * i;
            const int x = u >> 16, y = v >> 16;
            ASSERT_LT(x + 1, kWidth);
            ASSERT_LT(y + 1, kHeight);
            ASSERT_EQ(nearest[size_t(i)], picture[size_t(y * kWidth + x)]) << "nearest sample " << i;
            const double fx = (u & 0xFFFF) / 65536.0, fy = (v & 0xFFFF) / 65536.0;
            const double wx = std::floor(fx * 256), wy = std::floor(fy * 256);
            uint32_t expected = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                auto at = [&](int px, int py) { return double(Channel(picture[py * kWidth + px], shift)); };
                const double top = std::floor((at(x, y) * (256 - wx) + at(x + 1, y) * wx) / 256);
                const double bottom = std::floor((at(x, y + 1) * (256 - wx) + at(x + 1, y + 1) * wx) / 256);
                expected |= uint32_t(std::floor((top * (256 - wy) + bottom * wy) / 256)) << shift;
            }
            ASSERT_EQ(out[size_t(i)], expected) << "sample " << i << " at " << std::hex << u << ", " << v;
        }
    }
}

} // namespace
} // namespace glint::flash
