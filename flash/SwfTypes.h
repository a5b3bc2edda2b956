#pragma once
// Value types shared by the movie reader, the rasteriser and the player.
#include <algorithm>
#include <cstdint>

namespace glint::flash {

// Colour with straight (not premultiplied) alpha.
struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

// Affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    // The transform that applies `inner` first, then this one.
    Matrix operator*(const Matrix& inner) const
    {
        Matrix m;
        m.a = a * inner.a + c * inner.b;
        m.b = b * inner.a + d * inner.b;
        m.c = a * inner.c + c * inner.d;
        m.d = b * inner.c + d * inner.d;
        m.tx = a * inner.tx + c * inner.ty + tx;
        m.ty = b * inner.tx + d * inner.ty + ty;
        return m;
    }
    double Det() const { return a * d - b * c; }
    bool Invert(Matrix& out) const
    {
        double det = Det();
        if (!(det > 1e-12 || det < -1e-12))
            return false;
        out.a = d / det;
        out.b = -b / det;
        out.c = -c / det;
        out.d = a / det;
        out.tx = -(out.a * tx + out.c * ty);
        out.ty = -(out.b * tx + out.d * ty);
        return true;
    }
    void Apply(double x, double y, double& ox, double& oy) const
    {
        ox = a * x + c * y + tx;
        oy = b * x + d * y + ty;
    }
};

// Colour transform in the file's 8.8 fixed point: c' = c * mul / 256 + add.
struct ColorTransform {
    int32_t mulR = 256, mulG = 256, mulB = 256, mulA = 256;
    int32_t addR = 0, addG = 0, addB = 0, addA = 0;

    static uint8_t Channel(int32_t c, int32_t mul, int32_t add)
    {
        int64_t v = int64_t(c) * mul / 256 + add;
        return uint8_t(std::clamp<int64_t>(v, 0, 255));
    }
    Rgba Apply(Rgba c) const
    {
        return {Channel(c.r, mulR, addR), Channel(c.g, mulG, addG), Channel(c.b, mulB, addB),
                Channel(c.a, mulA, addA)};
    }
    // `inner` is applied first, then this one.
    ColorTransform operator*(const ColorTransform& inner) const
    {
        auto clampMul = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, -(1 << 20), 1 << 20)); };
        ColorTransform t;
        t.mulR = clampMul(int64_t(mulR) * inner.mulR / 256);
        t.mulG = clampMul(int64_t(mulG) * inner.mulG / 256);
        t.mulB = clampMul(int64_t(mulB) * inner.mulB / 256);
        t.mulA = clampMul(int64_t(mulA) * inner.mulA / 256);
        t.addR = clampMul(int64_t(inner.addR) * mulR / 256 + addR);
        t.addG = clampMul(int64_t(inner.addG) * mulG / 256 + addG);
        t.addB = clampMul(int64_t(inner.addB) * mulB / 256 + addB);
        t.addA = clampMul(int64_t(inner.addA) * mulA / 256 + addA);
        return t;
    }
    bool operator==(const ColorTransform&) const = default;
};

// Rectangle in twips (1/20 pixel), as stored in the file.
struct TwipsRect {
    int32_t xMin = 0, xMax = 0, yMin = 0, yMax = 0;
};

} // namespace glint::flash
