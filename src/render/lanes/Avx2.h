#pragma once
// The eight-lane set (AVX2), with the operations of Sse2.h lane for lane. Included only inside
// an AVX2 target region (paths/TexturedAvx2.cpp).
#include <immintrin.h>

#include <cstdint>

#include "render/stages/TextureSampling.h"

namespace tepple {

struct Avx2Lanes {
    static constexpr int width = 8;
    using Float = __m256;
    using Int = __m256i;
    // Lanes 0-3 and lanes 4-7.
    struct Double {
        __m256d low;
        __m256d high;
    };
    using Bits = int;

    static Float loadFloats(const float* p) { return _mm256_loadu_ps(p); }
    static Int loadInts(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static Int splat(int32_t v) { return _mm256_set1_epi32(v); }
    static Double splat(double v) { return {_mm256_set1_pd(v), _mm256_set1_pd(v)}; }


    static Float add(Float a, Float b) { return _mm256_add_ps(a, b); }
    static Double add(Double a, Double b)
    {
        return {_mm256_add_pd(a.low, b.low), _mm256_add_pd(a.high, b.high)};
    }
    static Double sub(Double a, Double b)
    {
        return {_mm256_sub_pd(a.low, b.low), _mm256_sub_pd(a.high, b.high)};
    }
    static Double mul(Double a, Double b)
    {
        return {_mm256_mul_pd(a.low, b.low), _mm256_mul_pd(a.high, b.high)};
    }
    static Double div(Double a, Double b)
    {
        return {_mm256_div_pd(a.low, b.low), _mm256_div_pd(a.high, b.high)};
    }
    static Int add(Int a, Int b) { return _mm256_add_epi32(a, b); }
    static Int sub(Int a, Int b) { return _mm256_sub_epi32(a, b); }
    static Int min(Int a, Int b) { return _mm256_min_epi32(a, b); }
    static Int max(Int a, Int b) { return _mm256_max_epi32(a, b); }

    static Double widened(Float v)
    {
        return {_mm256_cvtps_pd(_mm256_castps256_ps128(v)), _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1))};
    }
    static Double widened(Int v)
    {
        return {_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)),
                _mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1))};
    }
    static Float narrowed(Double d)
    {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(d.low)), _mm256_cvtpd_ps(d.high),
                                    1);
    }

    static Bits greater(Int a, Int b)
    {
        return _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(a, b)));
    }
    static Bits greater(Double a, Double b)
    {
        return _mm256_movemask_pd(_mm256_cmp_pd(a.low, b.low, _CMP_GT_OQ)) |
               _mm256_movemask_pd(_mm256_cmp_pd(a.high, b.high, _CMP_GT_OQ)) << 4;
    }
    static Bits less(Double a, Double b) { return greater(b, a); }

    static Int truncated(Float v)
    {
        // As in the four-lane set: NaN to 0, beyond the top to the largest int32.
        const __m256i ordered = _mm256_castps_si256(_mm256_cmp_ps(v, v, _CMP_ORD_Q));
        const __m256i t = _mm256_and_si256(_mm256_cvttps_epi32(v), ordered);
        const __m256i tooHigh =
            _mm256_castps_si256(_mm256_cmp_ps(v, _mm256_set1_ps(2147483648.0f), _CMP_GE_OQ));
        return _mm256_blendv_epi8(t, _mm256_set1_epi32(0x7FFFFFFF), tooHigh);
    }
    static Int channel(Float v)
    {
        // max(v, 0) keeps v only when v > 0, so NaN gives 0, as channelOf does.
        return _mm256_cvttps_epi32(
            _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)));
    }
    static Int packed(Int red, Int green, Int blue)
    {
        return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(red, 16), _mm256_slli_epi32(green, 8)),
                               blue);
    }
    static Int scaled(Int texel, Int red, Int green, Int blue)
    {
        // Products of two bytes fit 16 bits, as in the four-lane set.
        const __m256i byte = _mm256_set1_epi32(0xFF);
        const auto product = [&](__m256i channel, __m256i factor) {
            return _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_and_si256(channel, byte), factor), 8);
        };
        return packed(product(_mm256_srli_epi32(texel, 16), red), product(_mm256_srli_epi32(texel, 8), green),
                      product(texel, blue));
    }
    static Int mean(Int a, Int b)
    {
        const __m256i halves = _mm256_set1_epi32(0x7F7F7F);
        const __m256i halfSum = _mm256_add_epi32(_mm256_and_si256(_mm256_srli_epi32(a, 1), halves),
                                                 _mm256_and_si256(_mm256_srli_epi32(b, 1), halves));
        return _mm256_add_epi32(halfSum,
                                _mm256_and_si256(_mm256_and_si256(a, b), _mm256_set1_epi32(0x010101)));
    }

    // Each lane's pixel in the buffers, read lane by lane (the hardware gathers are slower than
    // eight plain loads on some of the processors that have them, docs/performance.md) and written
    // lane by lane (AVX2 has no scatter).
    struct Pixels {
        alignas(32) int32_t at[width];
    };
    static Pixels pixels(Int index)
    {
        Pixels p;
        _mm256_store_si256(reinterpret_cast<__m256i*>(p.at), index);
        return p;
    }
    // first[lane] + min(k, last[lane]).
    static Pixels pixels(const int32_t* first, const int32_t* last, int k)
    {
        return pixels(_mm256_add_epi32(loadInts(first), _mm256_min_epi32(splat(k), loadInts(last))));
    }
    static Int gather(const uint32_t* base, const Pixels& p)
    {
        return _mm256_setr_epi32(static_cast<int>(base[p.at[0]]), static_cast<int>(base[p.at[1]]),
                                 static_cast<int>(base[p.at[2]]), static_cast<int>(base[p.at[3]]),
                                 static_cast<int>(base[p.at[4]]), static_cast<int>(base[p.at[5]]),
                                 static_cast<int>(base[p.at[6]]), static_cast<int>(base[p.at[7]]));
    }
    static Double gather(const double* base, const Pixels& p)
    {
        return {_mm256_setr_pd(base[p.at[0]], base[p.at[1]], base[p.at[2]], base[p.at[3]]),
                _mm256_setr_pd(base[p.at[4]], base[p.at[5]], base[p.at[6]], base[p.at[7]])};
    }
    // TextureView::atTexel of each lane. The index width x row + column + offset is formed in
    // double: exact wherever it lies within 2^53, and where it does not, it is so far outside the
    // texture that its rounding cannot carry it across either end of the clamp.
    static Int texels(const TextureView& texture, Int column, Int row, int offset)
    {
        const __m256d zero = _mm256_setzero_pd();
        const __m256d lastIndex = _mm256_set1_pd(static_cast<double>(texture.lastIndex));
        const Double index =
            add(add(mul(widened(row), splat(static_cast<double>(texture.width))), widened(column)),
                splat(static_cast<double>(offset)));
        const __m128i low = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(index.low, zero), lastIndex));
        const __m128i high = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(index.high, zero), lastIndex));
        return gather(texture.texels, pixels(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1)));
    }
    static void scatter(uint32_t* base, const Pixels& p, Int values, Bits lanes)
    {
        alignas(32) uint32_t value[width];
        _mm256_store_si256(reinterpret_cast<__m256i*>(value), values);
        for (; lanes != 0; lanes &= lanes - 1) {
            const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
            base[p.at[lane]] = value[lane];
        }
    }
    static void scatter(double* base, const Pixels& p, Double values, Bits lanes)
    {
        alignas(32) double value[width];
        _mm256_store_pd(value, values.low);
        _mm256_store_pd(value + 4, values.high);
        for (; lanes != 0; lanes &= lanes - 1) {
            const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
            base[p.at[lane]] = value[lane];
        }
    }
};

} // namespace tepple
