// Row loops of the high-quality scaling, for any processor and, chosen at run time, for AVX2. The premultiplication
// is one body built twice. The two filter passes are per-pixel functions (the portable loops, and the tails of the
// wide ones) beside AVX2 code that does eight pixels at once with the same operations in the same order. Nothing
// contracts a multiplication and an addition into one instruction, so both variants give the same bytes. This file
// is built with -O3.
#include "theme/scale_rows.h"

#include <cstring>

#include "theme/wide_registers.h"

#ifdef ORV_WIDE_REGISTERS
#include <immintrin.h>
#endif

namespace
{
// Added to the alpha sum before it is truncated. Where the exact sum is a whole number (a uniform alpha, an opaque
// image) the computed sum lies a rounding error below or above it, and truncation alone would turn part of an
// opaque image into 254; the slack lifts every such sum onto its whole number. It is four times the largest
// rounding error of the float sums (about 1/8000 at 255) and moves other sums only when they lie within it below
// the next whole number.
constexpr float kWholeAlphaSlack = 1.0f / 2048;

#define ORV_INLINE inline __attribute__((always_inline))

// Clamped to 0..255 and truncated; a NaN becomes 0.
ORV_INLINE unsigned char ToByte(float value)
{
    return static_cast<unsigned char>(static_cast<int>(value > 0.0f ? (value < 255.0f ? value : 255.0f) : 0.0f));
}

ORV_INLINE void PremultiplyBody(const unsigned char* __restrict rgb, const unsigned char* __restrict alpha, int count,
                                float* __restrict r, float* __restrict g, float* __restrict b, float* __restrict a)
{
    if (!alpha)
    {
        for (int i = 0; i < count; ++i)
        {
            r[i] = rgb[3 * i];
            g[i] = rgb[3 * i + 1];
            b[i] = rgb[3 * i + 2];
        }
        return;
    }
    for (int i = 0; i < count; ++i)
    {
        const int weight = alpha[i];
        r[i] = static_cast<float>(rgb[3 * i] * weight);
        g[i] = static_cast<float>(rgb[3 * i + 1] * weight);
        b[i] = static_cast<float>(rgb[3 * i + 2] * weight);
        a[i] = static_cast<float>(weight);
    }
}

// One output pixel of the horizontal pass for the channels c < channels; the taps are stored tap by tap.
ORV_INLINE void HorizontalPixel(const float* const planes[4], int channels, const int* offsets, const float* weights,
                                int count, int j, float* const out[4])
{
    const int o0 = offsets[j], o1 = offsets[count + j], o2 = offsets[2 * count + j], o3 = offsets[3 * count + j];
    const float w0 = weights[j], w1 = weights[count + j], w2 = weights[2 * count + j], w3 = weights[3 * count + j];
    for (int c = 0; c < channels; ++c)
    {
        const float* p = planes[c];
        out[c][j] = w0 * p[o0] + w1 * p[o1] + w2 * p[o2] + w3 * p[o3];
    }
}

// One output pixel of the vertical pass, turned into bytes.
ORV_INLINE void VerticalPixel(const float* const rows[4][4], const float weights[4], int i, bool hasAlpha,
                              unsigned char* rgb, unsigned char* alpha)
{
    float sums[4];
    for (int c = 0; c < (hasAlpha ? 4 : 3); ++c)
        sums[c] = weights[0] * rows[0][c][i] + weights[1] * rows[1][c][i] + weights[2] * rows[2][c][i] +
                  weights[3] * rows[3][c][i];
    if (!hasAlpha)
    {
        for (int c = 0; c < 3; ++c)
            rgb[3 * i + c] = ToByte(sums[c] + 0.5f);
        return;
    }
    // No colour where nothing is opaque; written without a branch, as the wide variant computes it.
    const float a = sums[3];
    const bool some = a != 0.0f;
    const float inverse = (some ? 1.0f : 0.0f) / (some ? a : 1.0f);
    const float half = some ? 0.5f : 0.0f;
    for (int c = 0; c < 3; ++c)
        rgb[3 * i + c] = ToByte(sums[c] * inverse + half);
    alpha[i] = ToByte(a + kWholeAlphaSlack);
}

#ifdef ORV_WIDE_REGISTERS
__attribute__((target("avx2"))) void PremultiplyWide(const unsigned char* rgb, const unsigned char* alpha, int count,
                                                     float* const planes[4])
{
    PremultiplyBody(rgb, alpha, count, planes[0], planes[1], planes[2], planes[3]);
}

// Eight output pixels at a time, the source pixels gathered by index; the rest pixel by pixel.
__attribute__((target("avx2"))) void HorizontalWide(const float* const planes[4], int channels, const int* offsets,
                                                    const float* weights, int count, float* const out[4])
{
    int j = 0;
    for (; j + 8 <= count; j += 8)
    {
        __m256i index[4];
        __m256 weight[4];
        for (int k = 0; k < 4; ++k)
        {
            index[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets + k * count + j));
            weight[k] = _mm256_loadu_ps(weights + k * count + j);
        }
        for (int c = 0; c < channels; ++c)
        {
            __m256 sum = _mm256_mul_ps(weight[0], _mm256_i32gather_ps(planes[c], index[0], 4));
            for (int k = 1; k < 4; ++k)
                sum = _mm256_add_ps(sum, _mm256_mul_ps(weight[k], _mm256_i32gather_ps(planes[c], index[k], 4)));
            _mm256_storeu_ps(out[c] + j, sum);
        }
    }
    for (; j < count; ++j)
        HorizontalPixel(planes, channels, offsets, weights, count, j, out);
}

// Clamped to 0..255 and truncated, a NaN to 0 (max returns its second operand for a NaN), as ToByte.
__attribute__((target("avx2"))) inline __m256i ToBytes(__m256 value)
{
    const __m256 clamped = _mm256_min_ps(_mm256_max_ps(value, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    return _mm256_cvttps_epi32(clamped);
}

// Eight pixels of 32-bit channels (each 0..255) stored as 24 bytes of colour and, when asked, 8 of alpha. The
// first 16-byte store reaches 4 bytes into the second group, which the second store then writes.
__attribute__((target("avx2"))) inline void StorePixels(__m256i r, __m256i g, __m256i b, __m256i a, unsigned char* rgb,
                                                        unsigned char* alpha)
{
    // Per half: r0-3 g0-3 b0-3 a0-3 as bytes, then reordered to r0 g0 b0 ... r3 g3 b3 a0 a1 a2 a3.
    const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(r, g), _mm256_packus_epi32(b, a));
    const __m256i order = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, 12, 13, 14, 15, 0, 4, 8, 1, 5, 9, 2, 6,
                                           10, 3, 7, 11, 12, 13, 14, 15);
    const __m256i pixels = _mm256_shuffle_epi8(bytes, order);
    const __m128i low = _mm256_castsi256_si128(pixels);
    const __m128i high = _mm256_extracti128_si256(pixels, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(rgb), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(rgb + 12), high);
    const int last = _mm_extract_epi32(high, 2);
    std::memcpy(rgb + 20, &last, 4);
    if (alpha)
        _mm_storel_epi64(reinterpret_cast<__m128i*>(alpha), _mm_srli_si128(_mm_unpackhi_epi32(low, high), 8));
}

__attribute__((target("avx2"))) inline __m256 SumRows(const float* const rows[4][4], const __m256 weight[4], int c,
                                                      int i)
{
    __m256 sum = _mm256_mul_ps(weight[0], _mm256_loadu_ps(rows[0][c] + i));
    for (int k = 1; k < 4; ++k)
        sum = _mm256_add_ps(sum, _mm256_mul_ps(weight[k], _mm256_loadu_ps(rows[k][c] + i)));
    return sum;
}

// Eight output pixels at a time with the same operations in the same order as VerticalPixel, which does the rest.
__attribute__((target("avx2"))) void VerticalWide(const float* const rows[4][4], const float weights[4], int count,
                                                  bool hasAlpha, unsigned char* rgb, unsigned char* alpha)
{
    const __m256 weight[4] = {_mm256_set1_ps(weights[0]), _mm256_set1_ps(weights[1]), _mm256_set1_ps(weights[2]),
                              _mm256_set1_ps(weights[3])};
    const __m256 one = _mm256_set1_ps(1.0f);
    int i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m256 r = SumRows(rows, weight, 0, i), g = SumRows(rows, weight, 1, i), b = SumRows(rows, weight, 2, i);
        if (!hasAlpha)
        {
            const __m256 half = _mm256_set1_ps(0.5f);
            StorePixels(ToBytes(_mm256_add_ps(r, half)), ToBytes(_mm256_add_ps(g, half)),
                        ToBytes(_mm256_add_ps(b, half)), _mm256_setzero_si256(), rgb + 3 * i, nullptr);
            continue;
        }
        const __m256 a = SumRows(rows, weight, 3, i);
        const __m256 some = _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_NEQ_UQ);
        const __m256 inverse = _mm256_div_ps(_mm256_and_ps(some, one), _mm256_blendv_ps(one, a, some));
        const __m256 half = _mm256_and_ps(some, _mm256_set1_ps(0.5f));
        StorePixels(ToBytes(_mm256_add_ps(_mm256_mul_ps(r, inverse), half)),
                    ToBytes(_mm256_add_ps(_mm256_mul_ps(g, inverse), half)),
                    ToBytes(_mm256_add_ps(_mm256_mul_ps(b, inverse), half)),
                    ToBytes(_mm256_add_ps(a, _mm256_set1_ps(kWholeAlphaSlack))), rgb + 3 * i, alpha + i);
    }
    for (; i < count; ++i)
        VerticalPixel(rows, weights, i, hasAlpha, rgb, alpha);
}
#endif

void PremultiplyPortable(const unsigned char* rgb, const unsigned char* alpha, int count, float* const planes[4])
{
    PremultiplyBody(rgb, alpha, count, planes[0], planes[1], planes[2], planes[3]);
}

// The variants of the three loops, picked once for the processor.
struct RowLoops
{
    decltype(&PremultiplyRow) premultiply;
    decltype(&CubicHorizontalRow) horizontal;
    decltype(&CubicVerticalRow) vertical;
};

const RowLoops& Loops()
{
#ifdef ORV_WIDE_REGISTERS
    static const RowLoops loops =
        HasWideRegisters() ? RowLoops{PremultiplyWide, HorizontalWide, VerticalWide}
                           : RowLoops{PremultiplyPortable, CubicHorizontalRowPortable, CubicVerticalRowPortable};
#else
    static const RowLoops loops{PremultiplyPortable, CubicHorizontalRowPortable, CubicVerticalRowPortable};
#endif
    return loops;
}
}  // namespace

void CubicHorizontalRowPortable(const float* const planes[4], int channels, const int* offsets, const float* weights,
                                int count, float* const out[4])
{
    for (int j = 0; j < count; ++j)
        HorizontalPixel(planes, channels, offsets, weights, count, j, out);
}

void CubicVerticalRowPortable(const float* const rows[4][4], const float weights[4], int count, bool hasAlpha,
                              unsigned char* rgb, unsigned char* alpha)
{
    for (int i = 0; i < count; ++i)
        VerticalPixel(rows, weights, i, hasAlpha, rgb, alpha);
}

void PremultiplyRow(const unsigned char* rgb, const unsigned char* alpha, int count, float* const planes[4])
{
    Loops().premultiply(rgb, alpha, count, planes);
}

void CubicHorizontalRow(const float* const planes[4], int channels, const int* offsets, const float* weights, int count,
                        float* const out[4])
{
    Loops().horizontal(planes, channels, offsets, weights, count, out);
}

void CubicVerticalRow(const float* const rows[4][4], const float weights[4], int count, bool hasAlpha,
                      unsigned char* rgb, unsigned char* alpha)
{
    Loops().vertical(rows, weights, count, hasAlpha, rgb, alpha);
}
