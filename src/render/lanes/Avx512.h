#pragma once
// The sixteen-lane set (AVX-512 F), with the operations of Sse2.h lane for lane. Included only
// inside an AVX-512 target region (paths/TexturedAvx512.cpp).
#include <immintrin.h>

#include <cstdint>

#include "render/stages/TextureSampling.h"

namespace tepple {

struct Avx512Lanes {
    static constexpr int width = 16;
    using Float = __m512;
    using Int = __m512i;
    // Lanes 0-7 and lanes 8-15.
    struct Double {
        __m512d low;
        __m512d high;
    };
    using Bits = int;

    static Float loadFloats(const float* p) { return _mm512_loadu_ps(p); }
    static Int loadInts(const int32_t* p) { return _mm512_loadu_si512(p); }
    static Int splat(int32_t v) { return _mm512_set1_epi32(v); }
    static Double splat(double v) { return {_mm512_set1_pd(v), _mm512_set1_pd(v)}; }


    static Float add(Float a, Float b) { return _mm512_add_ps(a, b); }
    static Double add(Double a, Double b)
    {
        return {_mm512_add_pd(a.low, b.low), _mm512_add_pd(a.high, b.high)};
    }
    static Double sub(Double a, Double b)
    {
        return {_mm512_sub_pd(a.low, b.low), _mm512_sub_pd(a.high, b.high)};
    }
    static Double mul(Double a, Double b)
    {
        return {_mm512_mul_pd(a.low, b.low), _mm512_mul_pd(a.high, b.high)};
    }
    static Double div(Double a, Double b)
    {
        return {_mm512_div_pd(a.low, b.low), _mm512_div_pd(a.high, b.high)};
    }
    static Int add(Int a, Int b) { return _mm512_add_epi32(a, b); }
    static Int sub(Int a, Int b) { return _mm512_sub_epi32(a, b); }
    static Int min(Int a, Int b) { return _mm512_min_epi32(a, b); }
    static Int max(Int a, Int b) { return _mm512_max_epi32(a, b); }

    static __m256i lowHalf(Int v) { return _mm512_castsi512_si256(v); }
    static __m256i highHalf(Int v) { return _mm512_extracti64x4_epi64(v, 1); }
    static Int joined(__m256i low, __m256i high)
    {
        return _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
    }

    static Double widened(Float v)
    {
        const __m256 high = _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1));
        return {_mm512_cvtps_pd(_mm512_castps512_ps256(v)), _mm512_cvtps_pd(high)};
    }
    static Double widened(Int v) { return {_mm512_cvtepi32_pd(lowHalf(v)), _mm512_cvtepi32_pd(highHalf(v))}; }
    static Float narrowed(Double d)
    {
        const __m512d low = _mm512_castps_pd(_mm512_castps256_ps512(_mm512_cvtpd_ps(d.low)));
        return _mm512_castpd_ps(_mm512_insertf64x4(low, _mm256_castps_pd(_mm512_cvtpd_ps(d.high)), 1));
    }

    static Bits greater(Int a, Int b) { return _mm512_cmpgt_epi32_mask(a, b); }
    static Bits greater(Double a, Double b)
    {
        return _mm512_cmp_pd_mask(a.low, b.low, _CMP_GT_OQ) | _mm512_cmp_pd_mask(a.high, b.high, _CMP_GT_OQ)
                                                                  << 8;
    }
    static Bits less(Double a, Double b) { return greater(b, a); }

    static Int truncated(Float v)
    {
        // As in the four-lane set: NaN to 0, beyond the top to the largest int32.
        const __mmask16 ordered = _mm512_cmp_ps_mask(v, v, _CMP_ORD_Q);
        const __mmask16 tooHigh = _mm512_cmp_ps_mask(v, _mm512_set1_ps(2147483648.0f), _CMP_GE_OQ);
        const __m512i t = _mm512_maskz_mov_epi32(ordered, _mm512_cvttps_epi32(v));
        return _mm512_mask_blend_epi32(tooHigh, t, _mm512_set1_epi32(0x7FFFFFFF));
    }
    static Int channel(Float v)
    {
        // max(v, 0) keeps v only when v > 0, so NaN gives 0, as channelOf does.
        return _mm512_cvttps_epi32(
            _mm512_min_ps(_mm512_max_ps(v, _mm512_setzero_ps()), _mm512_set1_ps(255.0f)));
    }
    static Int packed(Int red, Int green, Int blue)
    {
        return _mm512_or_si512(_mm512_or_si512(_mm512_slli_epi32(red, 16), _mm512_slli_epi32(green, 8)),
                               blue);
    }
    static Int scaled(Int texel, Int red, Int green, Int blue)
    {
        // Products of two bytes: the 32-bit multiply is as exact as the one-row code's.
        const __m512i byte = _mm512_set1_epi32(0xFF);
        const auto product = [&](__m512i channel, __m512i factor) {
            return _mm512_srli_epi32(_mm512_mullo_epi32(_mm512_and_si512(channel, byte), factor), 8);
        };
        return packed(product(_mm512_srli_epi32(texel, 16), red), product(_mm512_srli_epi32(texel, 8), green),
                      product(texel, blue));
    }
    static Int mean(Int a, Int b)
    {
        const __m512i halves = _mm512_set1_epi32(0x7F7F7F);
        const __m512i halfSum = _mm512_add_epi32(_mm512_and_si512(_mm512_srli_epi32(a, 1), halves),
                                                 _mm512_and_si512(_mm512_srli_epi32(b, 1), halves));
        return _mm512_add_epi32(halfSum,
                                _mm512_and_si512(_mm512_and_si512(a, b), _mm512_set1_epi32(0x010101)));
    }

    // Each lane's pixel in the buffers, for the hardware gathers and scatters.
    struct Pixels {
        Int at;
    };
    static Pixels pixels(Int index) { return {index}; }
    // first[lane] + min(k, last[lane]).
    static Pixels pixels(const int32_t* first, const int32_t* last, int k)
    {
        return {_mm512_add_epi32(loadInts(first), _mm512_min_epi32(splat(k), loadInts(last)))};
    }
    static Int gather(const uint32_t* base, const Pixels& p) { return _mm512_i32gather_epi32(p.at, base, 4); }
    static Double gather(const double* base, const Pixels& p)
    {
        return {_mm512_i32gather_pd(lowHalf(p.at), base, 8), _mm512_i32gather_pd(highHalf(p.at), base, 8)};
    }
    // TextureView::atTexel of each lane, the index formed in double as in the eight-lane set.
    static Int texels(const TextureView& texture, Int column, Int row, int offset)
    {
        const __m512d zero = _mm512_setzero_pd();
        const __m512d lastIndex = _mm512_set1_pd(static_cast<double>(texture.lastIndex));
        const Double index =
            add(add(mul(widened(row), splat(static_cast<double>(texture.width))), widened(column)),
                splat(static_cast<double>(offset)));
        const __m256i low = _mm512_cvttpd_epi32(_mm512_min_pd(_mm512_max_pd(index.low, zero), lastIndex));
        const __m256i high = _mm512_cvttpd_epi32(_mm512_min_pd(_mm512_max_pd(index.high, zero), lastIndex));
        return gather(texture.texels, pixels(joined(low, high)));
    }
    // Stores go lane by lane: the hardware scatters are slower than plain stores on some of the
    // processors that have them (docs/performance.md).
    static void scatter(uint32_t* base, const Pixels& p, Int values, Bits lanes)
    {
        alignas(64) int32_t at[width];
        alignas(64) uint32_t value[width];
        _mm512_store_si512(at, p.at);
        _mm512_store_si512(value, values);
        for (; lanes != 0; lanes &= lanes - 1) {
            const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
            base[at[lane]] = value[lane];
        }
    }
    static void scatter(double* base, const Pixels& p, Double values, Bits lanes)
    {
        alignas(64) int32_t at[width];
        alignas(64) double value[width];
        _mm512_store_si512(at, p.at);
        _mm512_store_pd(value, values.low);
        _mm512_store_pd(value + 8, values.high);
        for (; lanes != 0; lanes &= lanes - 1) {
            const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
            base[at[lane]] = value[lane];
        }
    }
};

} // namespace tepple
