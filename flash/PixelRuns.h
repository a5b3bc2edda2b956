#pragma once
// Pixel arithmetic on premultiplied 0xAARRGGBB colours, one pixel at a time
// and in runs. The runs go four pixels at a time with SSE2 where the processor
// has it: always on x86-64; the 32-bit programs must still run on processors
// without it (those of Windows XP's years), so there it is asked once at run
// time. Either way the bytes are the same.
#include <cstdint>

namespace glint::flash {

// a * b / 255, rounded, for 8-bit values.
inline uint32_t Mul255(uint32_t a, uint32_t b)
{
    uint32_t t = a * b + 128;
    return (t + (t >> 8)) >> 8;
}

// A straight colour premultiplied by its alpha.
inline uint32_t PremultipliedPixel(uint32_t r, uint32_t g, uint32_t b, uint32_t a)
{
    return (a << 24) | (Mul255(r, a) << 16) | (Mul255(g, a) << 8) | Mul255(b, a);
}

// Scales all four channels of a premultiplied colour by k (0..255), each as Mul255.
inline uint32_t ScalePixel(uint32_t c, uint32_t k)
{
    uint32_t rb = (c & 0x00FF00FF) * k + 0x00800080;
    rb = ((rb + ((rb >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
    uint32_t ag = ((c >> 8) & 0x00FF00FF) * k + 0x00800080;
    ag = (ag + ((ag >> 8) & 0x00FF00FF)) & 0xFF00FF00;
    return rb | ag;
}

// Source-over onto an opaque pixel; the result stays opaque.
inline void BlendOver(uint32_t& dst, uint32_t src)
{
    uint32_t sa = src >> 24;
    if (sa == 255) {
        dst = src;
        return;
    }
    dst = (src + ScalePixel(dst, 255 - sa)) | 0xFF000000;
}

// a + (b - a) * w / 256 for each channel, rounded down; w is 0..255.
inline uint32_t BitmapLerp(uint32_t a, uint32_t b, uint32_t w)
{
    uint32_t rb = ((a & 0x00FF00FF) * (256 - w) + (b & 0x00FF00FF) * w) >> 8;
    uint32_t ag = (((a >> 8) & 0x00FF00FF) * (256 - w) + ((b >> 8) & 0x00FF00FF) * w) >> 8;
    return (rb & 0x00FF00FF) | ((ag & 0x00FF00FF) << 8);
}

// n pixels set to one colour.
void FillRun(uint32_t* dst, int n, uint32_t colour);

// Source-over of one colour onto n opaque pixels.
void BlendColorRun(uint32_t* dst, int n, uint32_t src);

// Source-over of src[i] scaled by cov (0..255) onto the opaque dst[i], for n pixels.
void BlendOverRun(uint32_t* dst, const uint32_t* src, int n, uint32_t cov);

// n samples of a picture `width` pixels wide, each the pixel at the integer
// part of (u, v), (u + du, v + dv), ... in 16.16 fixed point, which must all
// lie inside the picture; the picture is less than 32768 pixels wide and high.
void NearestRun(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du, int32_t dv, int n,
                uint32_t* out);

// n samples of a picture `width` pixels wide, each filtered between the four
// pixels around (u, v), (u + du, v + dv), ... in 16.16 fixed point: the pixel
// at the point's integer part, the one after it and the two below them, which
// must all lie inside the picture.
void BilinearRun(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du, int32_t dv, int n,
                 uint32_t* out);

// Whether the runs, and the rasteriser's line accumulation in the 32-bit
// programs, take their SSE2 code; tests turn it off to compare with the plain code.
extern bool useSse2;

} // namespace glint::flash
