#pragma once
// The four-lane set (SSE2): the operations LaneSet.h draws spans side by side with, each lane
// doing exactly what the one-span code does to its own value. The x86-64 baseline has SSE2; the
// browser build gets it through WebAssembly SIMD. Also the Gouraud path's four attributes, stepped
// as one vector (lowBytes, lastLane).
#include <emmintrin.h>

#include <cstdint>

#include "render/stages/TextureSampling.h"

namespace tepple {

struct Sse2Lanes {
    static constexpr int width = 4;
    using Float = __m128;
    using Int = __m128i;
    // Lanes 0-1 and lanes 2-3.
    struct Double {
        __m128d low;
        __m128d high;
    };
    // Bit i stands for lane i.
    using Bits = int;

    static Float loadFloats(const float* p) { return _mm_loadu_ps(p); }
    static Int loadInts(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static Int splat(int32_t v) { return _mm_set1_epi32(v); }
    static Double splat(double v) { return {_mm_set1_pd(v), _mm_set1_pd(v)}; }


    static Float add(Float a, Float b) { return _mm_add_ps(a, b); }
    static Double add(Double a, Double b) { return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)}; }
    static Double sub(Double a, Double b) { return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)}; }
    static Double mul(Double a, Double b) { return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)}; }
    static Double div(Double a, Double b) { return {_mm_div_pd(a.low, b.low), _mm_div_pd(a.high, b.high)}; }
    static Int add(Int a, Int b) { return _mm_add_epi32(a, b); }
    static Int sub(Int a, Int b) { return _mm_sub_epi32(a, b); }
    static Int min(Int a, Int b)
    {
        const __m128i aGreater = _mm_cmpgt_epi32(a, b);
        return _mm_or_si128(_mm_and_si128(aGreater, b), _mm_andnot_si128(aGreater, a));
    }
    static Int max(Int a, Int b)
    {
        const __m128i aGreater = _mm_cmpgt_epi32(a, b);
        return _mm_or_si128(_mm_and_si128(aGreater, a), _mm_andnot_si128(aGreater, b));
    }

    static Double widened(Float v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
    static Double widened(Int v)
    {
        return {_mm_cvtepi32_pd(v), _mm_cvtepi32_pd(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)))};
    }
    static Float narrowed(Double d) { return _mm_movelh_ps(_mm_cvtpd_ps(d.low), _mm_cvtpd_ps(d.high)); }

    static Bits greater(Int a, Int b) { return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(a, b))); }
    static Bits greater(Double a, Double b)
    {
        return _mm_movemask_pd(_mm_cmpgt_pd(a.low, b.low)) | _mm_movemask_pd(_mm_cmpgt_pd(a.high, b.high))
                                                                 << 2;
    }
    static Bits less(Double a, Double b) { return greater(b, a); }

    static Int truncated(Float v)
    {
        // The conversion gives 0x80000000 for NaN and for values beyond either end; only the low
        // end wants it.
        const __m128i t = _mm_and_si128(_mm_cvttps_epi32(v), _mm_castps_si128(_mm_cmpord_ps(v, v)));
        const __m128i tooHigh = _mm_castps_si128(_mm_cmpge_ps(v, _mm_set1_ps(2147483648.0f)));
        return _mm_or_si128(_mm_andnot_si128(tooHigh, t), _mm_and_si128(tooHigh, _mm_set1_epi32(0x7FFFFFFF)));
    }
    static Int channel(Float v)
    {
        return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
    }
    // packColour of channels already in 0-255.
    static Int packed(Int red, Int green, Int blue)
    {
        return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(red, 16), _mm_slli_epi32(green, 8)), blue);
    }
    static Int scaled(Int texel, Int red, Int green, Int blue)
    {
        // Products of two bytes fit 16 bits, so the 16-bit multiply is exact (the upper halves
        // multiply 0 by 0).
        const __m128i byte = _mm_set1_epi32(0xFF);
        const __m128i r =
            _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(texel, 16), byte), red), 8);
        const __m128i g =
            _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(texel, 8), byte), green), 8);
        const __m128i b = _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(texel, byte), blue), 8);
        return packed(r, g, b);
    }
    // The low byte of each lane, lane 0 lowest, in one word; every lane must hold 0 to 255.
    static uint32_t lowBytes(Int v)
    {
        const __m128i words = _mm_packs_epi32(v, v);
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    }
    static float lastLane(Float v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3))); }
    static Int mean(Int a, Int b)
    {
        const __m128i halves = _mm_set1_epi32(0x7F7F7F);
        const __m128i halfSum = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(a, 1), halves),
                                              _mm_and_si128(_mm_srli_epi32(b, 1), halves));
        return _mm_add_epi32(halfSum, _mm_and_si128(_mm_and_si128(a, b), _mm_set1_epi32(0x010101)));
    }

    // Each lane's pixel in the buffers, read and written lane by lane: SSE2 has no gather or
    // scatter, so the positions are kept where the loads and stores find them.
    struct Pixels {
        alignas(16) int32_t at[width];
    };
    // first[lane] + min(k, last[lane]), worked out where the loads will read it.
    static Pixels pixels(const int32_t* first, const int32_t* last, int k)
    {
        Pixels p;
        for (int lane = 0; lane < width; ++lane) p.at[lane] = first[lane] + (k < last[lane] ? k : last[lane]);
        return p;
    }
    static Int gather(const uint32_t* base, const Pixels& p)
    {
        return _mm_setr_epi32(static_cast<int>(base[p.at[0]]), static_cast<int>(base[p.at[1]]),
                              static_cast<int>(base[p.at[2]]), static_cast<int>(base[p.at[3]]));
    }
    static Double gather(const double* base, const Pixels& p)
    {
        return {_mm_setr_pd(base[p.at[0]], base[p.at[1]]), _mm_setr_pd(base[p.at[2]], base[p.at[3]])};
    }
    static Int texels(const TextureView& texture, Int column, Int row, int offset)
    {
        alignas(16) int32_t u[width];
        alignas(16) int32_t v[width];
        _mm_store_si128(reinterpret_cast<__m128i*>(u), column);
        _mm_store_si128(reinterpret_cast<__m128i*>(v), row);
        return _mm_setr_epi32(static_cast<int>(texture.atTexel(u[0], v[0], offset)),
                              static_cast<int>(texture.atTexel(u[1], v[1], offset)),
                              static_cast<int>(texture.atTexel(u[2], v[2], offset)),
                              static_cast<int>(texture.atTexel(u[3], v[3], offset)));
    }
    static void scatter(uint32_t* base, const Pixels& p, Int values, Bits lanes)
    {
        alignas(16) uint32_t value[width];
        _mm_store_si128(reinterpret_cast<__m128i*>(value), values);
        for (int lane = 0; lane < width; ++lane) {
            if (lanes >> lane & 1) base[p.at[lane]] = value[lane];
        }
    }
    static void scatter(double* base, const Pixels& p, Double values, Bits lanes)
    {
        alignas(16) double value[width];
        _mm_storeu_pd(value, values.low);
        _mm_storeu_pd(value + 2, values.high);
        for (int lane = 0; lane < width; ++lane) {
            if (lanes >> lane & 1) base[p.at[lane]] = value[lane];
        }
    }
};

} // namespace tepple
