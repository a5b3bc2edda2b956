#pragma once
// Reads a bitmap fill's colour at a device pixel: the pixel centre is taken
// through the fill's inverse matrix into the picture, which repeats or whose
// edge pixels extend beyond it, sampled at the nearest pixel or filtered
// between the four around it. Used by the rasteriser's scan loop.
#include "flash/PixelRuns.h"
#include "flash/Rounding.h"
#include "flash/SwfTypes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace glint::flash {

struct BitmapSource {
    const uint32_t* pixels = nullptr; // premultiplied 0xAARRGGBB, top row first
    int width = 0, height = 0;
    bool repeat = false, smooth = false;
    bool opaque = false; // every pixel's alpha is 255
    // Applied to each sample when set (a placed object's colour transform).
    const ColorTransform* color = nullptr;
};

// Index of `i` in [0, n): wrapped when repeating, else held at the edge.
inline int BitmapWrap(int64_t i, int n, bool repeat)
{
    if (repeat) {
        int64_t r = i % n;
        return int(r < 0 ? r + n : r);
    }
    return i < 0 ? 0 : i >= n ? n - 1 : int(i);
}

// A colour transform on a premultiplied pixel: taken back to straight colour,
// transformed, premultiplied again.
inline uint32_t TransformPremultiplied(uint32_t p, const ColorTransform& t)
{
    uint32_t a = p >> 24;
    Rgba c{0, 0, 0, uint8_t(a)};
    if (a) {
        c.r = uint8_t(std::min<uint32_t>(255, (((p >> 16) & 0xFF) * 255 + a / 2) / a));
        c.g = uint8_t(std::min<uint32_t>(255, (((p >> 8) & 0xFF) * 255 + a / 2) / a));
        c.b = uint8_t(std::min<uint32_t>(255, ((p & 0xFF) * 255 + a / 2) / a));
    }
    Rgba o = t.Apply(c);
    auto mul = [](uint32_t v, uint32_t k) {
        uint32_t x = v * k + 128;
        return (x + (x >> 8)) >> 8;
    };
    return (uint32_t(o.a) << 24) | (mul(o.r, o.a) << 16) | (mul(o.g, o.a) << 8) | mul(o.b, o.a);
}

// The colour at bitmap coordinates (u, v), in pixels from the picture's top left corner.
inline uint32_t SampleBitmap(const BitmapSource& s, double u, double v)
{
    uint32_t p;
    if (!s.smooth) {
        const double fu = std::floor(u), fv = std::floor(v);
        if (!(std::fabs(fu) < 1e15 && std::fabs(fv) < 1e15))
            return 0;
        p = s.pixels[size_t(BitmapWrap(int64_t(fv), s.height, s.repeat)) * size_t(s.width) +
                     size_t(BitmapWrap(int64_t(fu), s.width, s.repeat))];
    } else {
        // Between the four pixel centres around the point, in 1/256 steps.
        const double su = u - 0.5, sv = v - 0.5;
        const double fu = std::floor(su), fv = std::floor(sv);
        if (!(std::fabs(fu) < 1e15 && std::fabs(fv) < 1e15))
            return 0;
        const uint32_t wx = uint32_t((su - fu) * 256), wy = uint32_t((sv - fv) * 256);
        const int x0 = BitmapWrap(int64_t(fu), s.width, s.repeat), x1 = BitmapWrap(int64_t(fu) + 1, s.width, s.repeat);
        const int y0 = BitmapWrap(int64_t(fv), s.height, s.repeat), y1 = BitmapWrap(int64_t(fv) + 1, s.height, s.repeat);
        const uint32_t* r0 = s.pixels + size_t(y0) * size_t(s.width);
        const uint32_t* r1 = s.pixels + size_t(y1) * size_t(s.width);
        const uint32_t c00 = r0[x0], c01 = r0[x1], c10 = r1[x0], c11 = r1[x1];
        p = BitmapLerp(BitmapLerp(c00, c01, wx), BitmapLerp(c10, c11, wx), wy);
    }
    return s.color ? TransformPremultiplied(p, *s.color) : p;
}

// Samples along one row of device pixels: the picture coordinates of pixel
// x are start + x * step. Kept in 16.16 fixed point where they fit, so that
// the common case (a pixel inside the picture, no colour transform) costs a
// multiply and a load; the rest goes through SampleBitmap.
class BitmapRowSampler {
public:
    explicit BitmapRowSampler(const BitmapSource& s) : s_(s) {}

    void Start(double u, double v, double du, double dv)
    {
        u_ = u;
        v_ = v;
        du_ = du;
        dv_ = dv;
        constexpr double kLimit = double(1 << 20), kStepLimit = double(1 << 10);
        fixed_ = !s_.color && std::fabs(u) < kLimit && std::fabs(v) < kLimit && std::fabs(du) < kStepLimit &&
                 std::fabs(dv) < kStepLimit;
        if (fixed_) {
            const double half = s_.smooth ? 0.5 : 0.0; // filtering is between pixel centres
            fu_ = FloorToInt64((u - half) * 65536.0);
            fv_ = FloorToInt64((v - half) * 65536.0);
            fdu_ = FloorToInt64(du * 65536.0 + 0.5);
            fdv_ = FloorToInt64(dv * 65536.0 + 0.5);
        }
    }

    // Every sample of this row is opaque: the picture is, and no colour transform
    // or far-off coordinates (which sample as transparent) get in the way.
    bool Opaque() const { return fixed_ && s_.opaque; }

    uint32_t At(int x) const
    {
        if (fixed_ && !s_.smooth && x >= 0 && x <= (1 << 16)) {
            const int64_t iu = (fu_ + fdu_ * x) >> 16, iv = (fv_ + fdv_ * x) >> 16;
            if (iu >= 0 && iv >= 0 && iu < s_.width && iv < s_.height)
                return s_.pixels[size_t(iv) * size_t(s_.width) + size_t(iu)];
        }
        return Slow(x);
    }

    // The colours of pixels x .. x + n - 1. When the first and the last sample
    // lie inside the picture so do all between them (the steps are linear):
    // then the run is read with 32-bit steps and no checks, else pixel by pixel.
    void Fetch(int x, int n, uint32_t* out) const
    {
        const int w = s_.width, h = s_.height;
        const int64_t last = int64_t(x) + n - 1;
        if (fixed_ && x >= 0 && last <= (1 << 16) && w < (1 << 15) && h < (1 << 15)) {
            const int64_t u0 = fu_ + fdu_ * x, v0 = fv_ + fdv_ * x;
            const int64_t u1 = fu_ + fdu_ * last, v1 = fv_ + fdv_ * last;
            // Filtering reads the pixel after each one as well.
            const int64_t uEnd = int64_t(s_.smooth ? w - 1 : w) << 16, vEnd = int64_t(s_.smooth ? h - 1 : h) << 16;
            if (std::min(u0, u1) >= 0 && std::min(v0, v1) >= 0 && std::max(u0, u1) < uEnd && std::max(v0, v1) < vEnd) {
                int32_t u = int32_t(u0), v = int32_t(v0);
                const int32_t du = int32_t(fdu_), dv = int32_t(fdv_);
                const uint32_t* const p = s_.pixels;
                if (s_.smooth)
                    BilinearRun(p, w, u, v, du, dv, n, out);
                else
                    NearestRun(p, w, u, v, du, dv, n, out);
                return;
            }
        }
        for (int i = 0; i < n; ++i)
            out[i] = At(x + i);
    }

private:
#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    uint32_t Slow(int x) const
    {
        if (!fixed_ || x < 0 || x > (1 << 16))
            return SampleBitmap(s_, u_ + du_ * x, v_ + dv_ * x);
        const int64_t u = fu_ + fdu_ * x, v = fv_ + fdv_ * x;
        const int64_t iu = u >> 16, iv = v >> 16; // floor, for negative values too
        const int w = s_.width, h = s_.height;
        if (!s_.smooth)
            return s_.pixels[size_t(BitmapWrap(iv, h, s_.repeat)) * size_t(w) + size_t(BitmapWrap(iu, w, s_.repeat))];
        const uint32_t wx = uint32_t(u >> 8) & 0xFF, wy = uint32_t(v >> 8) & 0xFF;
        int x0, x1, y0, y1;
        if (iu >= 0 && iu + 1 < w) {
            x0 = int(iu);
            x1 = x0 + 1;
        } else {
            x0 = BitmapWrap(iu, w, s_.repeat);
            x1 = BitmapWrap(iu + 1, w, s_.repeat);
        }
        if (iv >= 0 && iv + 1 < h) {
            y0 = int(iv);
            y1 = y0 + 1;
        } else {
            y0 = BitmapWrap(iv, h, s_.repeat);
            y1 = BitmapWrap(iv + 1, h, s_.repeat);
        }
        const uint32_t* r0 = s_.pixels + size_t(y0) * size_t(w);
        const uint32_t* r1 = s_.pixels + size_t(y1) * size_t(w);
        return BitmapLerp(BitmapLerp(r0[x0], r0[x1], wx), BitmapLerp(r1[x0], r1[x1], wx), wy);
    }

    const BitmapSource& s_;
    double u_ = 0, v_ = 0, du_ = 0, dv_ = 0;
    bool fixed_ = false;
    int64_t fu_ = 0, fv_ = 0, fdu_ = 0, fdv_ = 0;
};

} // namespace glint::flash
