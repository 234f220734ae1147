// Blending of one row: source alpha a over destination alpha A.
//   a = 0: the pixel stays; a = 255 or A = 0: it becomes the source;
//   otherwise colour = floor(D * A/255 * (1 - a/255) + S * a/255 + 0.5), alpha = min(A + a, 255).
// The colour is computed in integers as (N + 32512) / 65025 with N = D * A * (255 - a) + S * 255 * a. The exact
// fraction N / 65025 is never within 1/130050 of one half, far more than the rounding error of evaluating the rule
// in doubles, so both forms give the same byte for every input. The two special cases are the weights (65025, 0)
// and (0, 65025), which lets a compiler vectorise the wide variant. This file is built with -O3.
#include "theme/blend_row.h"

#include <cstdint>
#include <cstring>

#include "theme/wide_registers.h"

#ifdef ORV_WIDE_REGISTERS
#include <immintrin.h>
#endif

namespace
{
constexpr int kChunk = 64;

inline unsigned char Channel(uint32_t dest, uint32_t source, uint32_t destWeight, uint32_t sourceWeight)
{
    return static_cast<unsigned char>((dest * destWeight + source * sourceWeight + 32512) / 65025);
}

}  // namespace

void BlendRowPortable(unsigned char* __restrict rgb, unsigned char* __restrict alpha,
                      const unsigned char* __restrict sourceRgb, const unsigned char* __restrict sourceAlpha, int width)
{
    for (int i = 0; i < width; ++i)
    {
        const uint32_t a = sourceAlpha[i];
        const uint32_t A = alpha[i];
        if (a == 0)
            continue;
        unsigned char* d = rgb + 3 * i;
        const unsigned char* s = sourceRgb + 3 * i;
        if (a == 255 || A == 0)
        {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            alpha[i] = static_cast<unsigned char>(a);
            continue;
        }
        const uint32_t dw = A * (255 - a);
        const uint32_t sw = 255 * a;
        d[0] = Channel(d[0], s[0], dw, sw);
        d[1] = Channel(d[1], s[1], dw, sw);
        d[2] = Channel(d[2], s[2], dw, sw);
        alpha[i] = static_cast<unsigned char>(A + a > 255 ? 255 : A + a);
    }
}

namespace
{
#ifdef ORV_WIDE_REGISTERS
// What a chunk of pixels needs, known from its alphas: nothing (the source is transparent throughout), a copy (the
// source is opaque throughout), a copy of the non-transparent source pixels (the destination is transparent
// throughout, as a fresh canvas is), or the general blend. The first three give what the general blend gives.
enum class ChunkKind
{
    Keep,
    Copy,
    Select,
    Blend
};

ChunkKind KindOf(bool anyDest, bool anySource, bool allSource)
{
    if (!anySource)
        return ChunkKind::Keep;
    if (allSource)
        return ChunkKind::Copy;
    return anyDest ? ChunkKind::Blend : ChunkKind::Select;
}

// A whole chunk in a few instructions (the general blend must not pay much for the question); a shorter one byte
// by byte.
__attribute__((target("avx2"))) ChunkKind Classify(const unsigned char* alpha, const unsigned char* sourceAlpha,
                                                   int count)
{
    static_assert(kChunk == 64, "two 32-byte halves");
    if (count == kChunk)
    {
        const __m256i* A_ = reinterpret_cast<const __m256i*>(alpha);
        const __m256i* a_ = reinterpret_cast<const __m256i*>(sourceAlpha);
        const __m256i dest = _mm256_or_si256(_mm256_loadu_si256(A_), _mm256_loadu_si256(A_ + 1));
        const __m256i a0 = _mm256_loadu_si256(a_), a1 = _mm256_loadu_si256(a_ + 1);
        const __m256i any = _mm256_or_si256(a0, a1);
        const __m256i all = _mm256_and_si256(a0, a1);
        return KindOf(!_mm256_testz_si256(dest, dest), !_mm256_testz_si256(any, any),
                      _mm256_movemask_epi8(_mm256_cmpeq_epi8(all, _mm256_set1_epi8(-1))) == -1);
    }
    unsigned char anyDest = 0, anySource = 0, allSource = 255;
    for (int i = 0; i < count; ++i)
    {
        anyDest |= alpha[i];
        anySource |= sourceAlpha[i];
        allSource &= sourceAlpha[i];
    }
    return KindOf(anyDest != 0, anySource != 0, allSource == 255);
}

// Over a transparent destination every source pixel that is not transparent replaces the pixel, alpha included;
// transparent source pixels leave it, and its alpha is already the source's 0.
__attribute__((target("avx2"))) void SelectChunk(unsigned char* __restrict d, unsigned char* __restrict A_,
                                                 const unsigned char* __restrict s, const unsigned char* __restrict a_,
                                                 int count)
{
    for (int i = 0; i < count; ++i)
    {
        const unsigned char keep = a_[i] == 0 ? 0xff : 0;  // a mask rather than a branch, so that it vectorises
        d[3 * i] = static_cast<unsigned char>((d[3 * i] & keep) | (s[3 * i] & ~keep));
        d[3 * i + 1] = static_cast<unsigned char>((d[3 * i + 1] & keep) | (s[3 * i + 1] & ~keep));
        d[3 * i + 2] = static_cast<unsigned char>((d[3 * i + 2] & keep) | (s[3 * i + 2] & ~keep));
        A_[i] = a_[i];
    }
}

// Branch-free: weights and alpha first, then the colours; vectorised for AVX2.
__attribute__((target("avx2"))) void BlendChunk(unsigned char* __restrict d, unsigned char* __restrict A_,
                                                const unsigned char* __restrict s, const unsigned char* __restrict a_,
                                                int count)
{
    uint32_t dw[kChunk];
    uint32_t sw[kChunk];
    for (int i = 0; i < count; ++i)
    {
        const uint32_t a = a_[i];
        const uint32_t A = A_[i];
        const bool keep = a == 0;
        const bool take = (a == 255) | (A == 0);
        dw[i] = keep ? 65025u : (take ? 0u : A * (255 - a));
        sw[i] = keep ? 0u : (take ? 65025u : 255 * a);
        const uint32_t sum = A + a > 255 ? 255 : A + a;
        A_[i] = static_cast<unsigned char>(keep ? A : (take ? a : sum));
    }
    for (int i = 0; i < count; ++i)
    {
        d[3 * i] = Channel(d[3 * i], s[3 * i], dw[i], sw[i]);
        d[3 * i + 1] = Channel(d[3 * i + 1], s[3 * i + 1], dw[i], sw[i]);
        d[3 * i + 2] = Channel(d[3 * i + 2], s[3 * i + 2], dw[i], sw[i]);
    }
}

__attribute__((target("avx2"))) void BlendRowWide(unsigned char* rgb, unsigned char* alpha,
                                                  const unsigned char* sourceRgb, const unsigned char* sourceAlpha,
                                                  int width)
{
    for (int base = 0; base < width; base += kChunk)
    {
        const int count = width - base < kChunk ? width - base : kChunk;
        unsigned char* d = rgb + 3 * base;
        const unsigned char* s = sourceRgb + 3 * base;
        switch (Classify(alpha + base, sourceAlpha + base, count))
        {
            case ChunkKind::Keep:
                break;
            case ChunkKind::Copy:
                std::memcpy(d, s, 3 * static_cast<size_t>(count));
                std::memcpy(alpha + base, sourceAlpha + base, count);
                break;
            case ChunkKind::Select:
                SelectChunk(d, alpha + base, s, sourceAlpha + base, count);
                break;
            case ChunkKind::Blend:
                BlendChunk(d, alpha + base, s, sourceAlpha + base, count);
                break;
        }
    }
}
#endif
}  // namespace

void BlendRow(unsigned char* rgb, unsigned char* alpha, const unsigned char* sourceRgb,
              const unsigned char* sourceAlpha, int width)
{
#ifdef ORV_WIDE_REGISTERS
    if (HasWideRegisters())
    {
        BlendRowWide(rgb, alpha, sourceRgb, sourceAlpha, width);
        return;
    }
#endif
    BlendRowPortable(rgb, alpha, sourceRgb, sourceAlpha, width);
}
