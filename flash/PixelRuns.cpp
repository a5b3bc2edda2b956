#include "flash/PixelRuns.h"

#include <cstddef>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define GLINT_PIXEL_SSE2 1
#include <cpuid.h>
#include <emmintrin.h>
#endif

namespace glint::flash {

namespace {

#if GLINT_PIXEL_SSE2
#if defined(__i386__)
// 32-bit Windows keeps the stack 4-byte aligned; spilled vectors need 16.
#define GLINT_SSE2_FUNCTION __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define GLINT_SSE2_FUNCTION __attribute__((target("sse2")))
#endif

bool ProcessorHasSse2()
{
#if defined(__x86_64__)
    return true;
#else
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & bit_SSE2);
#endif
}

// Each 16-bit lane (0..255) times k (0..255) / 255, rounded, as Mul255.
GLINT_SSE2_FUNCTION inline __m128i Scale16(__m128i x, __m128i k)
{
    const __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, k), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
}

// Four pixels times k, channel by channel, as ScalePixel.
GLINT_SSE2_FUNCTION inline __m128i Scale4(__m128i c, __m128i k)
{
    const __m128i zero = _mm_setzero_si128();
    return _mm_packus_epi16(Scale16(_mm_unpacklo_epi8(c, zero), k), Scale16(_mm_unpackhi_epi8(c, zero), k));
}

// Source-over of four colours onto four opaque pixels, as BlendOver: the
// scaled alpha gives way to 0xFF, and the colours are added as whole words so
// that a colour brighter than its alpha carries as it does one at a time.
GLINT_SSE2_FUNCTION inline __m128i Over4(__m128i dst, __m128i src)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    __m128i inverse = _mm_sub_epi32(_mm_set1_epi32(255), _mm_srli_epi32(src, 24));
    inverse = _mm_or_si128(inverse, _mm_slli_epi32(inverse, 16)); // in both halves of each pixel
    const __m128i lo = Scale16(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi32(inverse, inverse));
    const __m128i hi = Scale16(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi32(inverse, inverse));
    return _mm_or_si128(_mm_add_epi32(src, _mm_packus_epi16(lo, hi)), alpha);
}

GLINT_SSE2_FUNCTION int FillRunSse2(uint32_t* dst, int n, uint32_t colour)
{
    const __m128i c = _mm_set1_epi32(int(colour));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), c);
    return i;
}

GLINT_SSE2_FUNCTION int BlendColorRunSse2(uint32_t* dst, int n, uint32_t src)
{
    const __m128i s = _mm_set1_epi32(int(src));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(dst + i);
        _mm_storeu_si128(p, Over4(_mm_loadu_si128(p), s));
    }
    return i;
}

GLINT_SSE2_FUNCTION int BlendOverRunSse2(uint32_t* dst, const uint32_t* src, int n, uint32_t cov)
{
    const __m128i k = _mm_set1_epi16(short(cov));
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        if (cov != 255)
            s = Scale4(s, k);
        __m128i* p = reinterpret_cast<__m128i*>(dst + i);
        // Pictures are mostly opaque inside and transparent around their subject.
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alpha), alpha)) == 0xFFFF)
            _mm_storeu_si128(p, s);
        else if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, _mm_setzero_si128())) != 0xFFFF)
            _mm_storeu_si128(p, Over4(_mm_loadu_si128(p), s));
    }
    return i;
}

// Four picture offsets at once: the row and the column of each sample as two
// 16-bit halves, times the width and one, summed in one step.
GLINT_SSE2_FUNCTION int NearestRunSse2(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du, int32_t dv,
                                       int n, uint32_t* out)
{
    __m128i us = _mm_setr_epi32(u, u + du, u + 2 * du, u + 3 * du);
    __m128i vs = _mm_setr_epi32(v, v + dv, v + 2 * dv, v + 3 * dv);
    const __m128i uStep = _mm_set1_epi32(4 * du), vStep = _mm_set1_epi32(4 * dv);
    const __m128i widthAndOne = _mm_set1_epi32(int(0x10000u | uint32_t(width)));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i at = _mm_or_si128(_mm_srli_epi32(vs, 16), _mm_slli_epi32(_mm_srli_epi32(us, 16), 16));
        const __m128i offset = _mm_madd_epi16(at, widthAndOne);
        out[i] = pixels[_mm_cvtsi128_si32(offset)];
        out[i + 1] = pixels[_mm_cvtsi128_si32(_mm_srli_si128(offset, 4))];
        out[i + 2] = pixels[_mm_cvtsi128_si32(_mm_srli_si128(offset, 8))];
        out[i + 3] = pixels[_mm_cvtsi128_si32(_mm_srli_si128(offset, 12))];
        us = _mm_add_epi32(us, uStep);
        vs = _mm_add_epi32(vs, vStep);
    }
    return i;
}

// One sample with all four channels at once: the two pixels of each row
// weighed by the horizontal fraction, then the two rows by the vertical one.
// Every product and sum stays below 65536, so 16-bit lanes give BitmapLerp's bytes.
GLINT_SSE2_FUNCTION int BilinearRunSse2(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du,
                                        int32_t dv, int n, uint32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    for (int i = 0; i < n; ++i, u += du, v += dv) {
        const uint32_t* r0 = pixels + size_t(v >> 16) * size_t(width) + size_t(u >> 16);
        const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0)), zero);
        const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + width)), zero);
        const __m128i wx = _mm_set1_epi16(short((u >> 8) & 0xFF));
        const __m128i wy = _mm_set1_epi16(short((v >> 8) & 0xFF));
        const __m128i xWeights = _mm_unpacklo_epi64(_mm_sub_epi16(whole, wx), wx);
        const __m128i yWeights = _mm_unpacklo_epi64(_mm_sub_epi16(whole, wy), wy);
        const __m128i t = _mm_mullo_epi16(top, xWeights), b = _mm_mullo_epi16(bottom, xWeights);
        __m128i rows = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(t, b), _mm_unpackhi_epi64(t, b)), 8);
        rows = _mm_mullo_epi16(rows, yWeights);
        const __m128i mixed = _mm_srli_epi16(_mm_add_epi16(rows, _mm_srli_si128(rows, 8)), 8);
        out[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(mixed, mixed)));
    }
    return n;
}
#else
bool ProcessorHasSse2() { return false; }
#endif

} // namespace

bool useSse2 = ProcessorHasSse2();

// How many pixels from the first the SSE2 code did, four at a time; the
// plain loops do the rest, or all without SSE2.
#if GLINT_PIXEL_SSE2
#define GLINT_SSE2_DONE(call) (useSse2 ? (call) : 0)
#else
#define GLINT_SSE2_DONE(call) 0
#endif

void FillRun(uint32_t* dst, int n, uint32_t colour)
{
    for (int i = GLINT_SSE2_DONE(FillRunSse2(dst, n, colour)); i < n; ++i)
        dst[i] = colour;
}

void BlendColorRun(uint32_t* dst, int n, uint32_t src)
{
    for (int i = GLINT_SSE2_DONE(BlendColorRunSse2(dst, n, src)); i < n; ++i)
        BlendOver(dst[i], src);
}

void BlendOverRun(uint32_t* dst, const uint32_t* src, int n, uint32_t cov)
{
    for (int i = GLINT_SSE2_DONE(BlendOverRunSse2(dst, src, n, cov)); i < n; ++i) {
        const uint32_t c = cov == 255 ? src[i] : ScalePixel(src[i], cov);
        if (c >= 0xFF000000u)
            dst[i] = c;
        else if (c) // pictures are often transparent around their subject
            BlendOver(dst[i], c);
    }
}

void NearestRun(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du, int32_t dv, int n,
                uint32_t* out)
{
    const int done = GLINT_SSE2_DONE(NearestRunSse2(pixels, width, u, v, du, dv, n, out));
    u += done * du;
    v += done * dv;
    for (int i = done; i < n; ++i, u += du, v += dv)
        out[i] = pixels[size_t(v >> 16) * size_t(width) + size_t(u >> 16)];
}

void BilinearRun(const uint32_t* pixels, int width, int32_t u, int32_t v, int32_t du, int32_t dv, int n,
                 uint32_t* out)
{
    const int done = GLINT_SSE2_DONE(BilinearRunSse2(pixels, width, u, v, du, dv, n, out));
    u += done * du;
    v += done * dv;
    for (int i = done; i < n; ++i, u += du, v += dv) {
        const uint32_t* r0 = pixels + size_t(v >> 16) * size_t(width) + size_t(u >> 16);
        const uint32_t* r1 = r0 + width;
        const uint32_t wx = uint32_t(u >> 8) & 0xFF, wy = uint32_t(v >> 8) & 0xFF;
        out[i] = BitmapLerp(BitmapLerp(r0[0], r0[1], wx), BitmapLerp(r1[0], r1[1], wx), wy);
    }
}

} // namespace glint::flash
