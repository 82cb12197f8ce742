#pragma once
// Rows of one triangle drawn side by side, one row per SIMD lane. A pixel step's attribute
// arithmetic (stepping, depth keys, texel positions, channel products) runs once for four rows,
// and each lane gets exactly the float or double the one-row loop gets, because it performs the
// same IEEE operations in the same order and precision: a float stays a float and a double
// stays a double. Memory is still read and written lane by lane: the rows lie 2,560 bytes apart.
//
// Without SSE2 the paths draw one row at a time; the browser build has it through WebAssembly SIMD.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/EdgeTable.h"

// Rows handed to a path's row kernel at once.
constexpr int spanLanes = 4;

// A group whose rows are all shorter than this is drawn one row at a time even where lanes are
// available: laying short rows side by side costs more than the lanes save.
constexpr int minLaneRowLength = 6;

#if defined(__SSE2__)
#define TEPPLE_ROW_LANES 1
#include <emmintrin.h>

// Four doubles: lanes 0-1 and lanes 2-3.
struct DoubleLanes {
    __m128d low;
    __m128d high;
};

// static_cast<double> of each lane.
inline DoubleLanes widened(__m128 v) { return {_mm_cvtps_pd(v), _mm_cvtps_pd(_mm_movehl_ps(v, v))}; }
inline DoubleLanes widened(__m128i v)
{
    return {_mm_cvtepi32_pd(v), _mm_cvtepi32_pd(_mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)))};
}
// static_cast<float> of each lane (round to nearest, as the cast does).
inline __m128 narrowed(DoubleLanes d) { return _mm_movelh_ps(_mm_cvtpd_ps(d.low), _mm_cvtpd_ps(d.high)); }
inline DoubleLanes lanesOf(double value) { return {_mm_set1_pd(value), _mm_set1_pd(value)}; }
inline DoubleLanes operator+(DoubleLanes a, DoubleLanes b)
{
    return {_mm_add_pd(a.low, b.low), _mm_add_pd(a.high, b.high)};
}
inline DoubleLanes operator-(DoubleLanes a, DoubleLanes b)
{
    return {_mm_sub_pd(a.low, b.low), _mm_sub_pd(a.high, b.high)};
}
inline DoubleLanes operator*(DoubleLanes a, DoubleLanes b)
{
    return {_mm_mul_pd(a.low, b.low), _mm_mul_pd(a.high, b.high)};
}
// Division is plain IEEE division. Where quotient() special-cases a zero denominator it gives the
// same infinities, and a NaN whose sign may differ; every NaN a path makes ends in truncToInt, as 0.
inline DoubleLanes operator/(DoubleLanes a, DoubleLanes b)
{
    return {_mm_div_pd(a.low, b.low), _mm_div_pd(a.high, b.high)};
}
// Ordered comparisons: false where either side is NaN, as the scalar ones are.
inline DoubleLanes greaterLanes(DoubleLanes a, DoubleLanes b)
{
    return {_mm_cmpgt_pd(a.low, b.low), _mm_cmpgt_pd(a.high, b.high)};
}
inline DoubleLanes lessLanes(DoubleLanes a, DoubleLanes b)
{
    return {_mm_cmplt_pd(a.low, b.low), _mm_cmplt_pd(a.high, b.high)};
}
inline DoubleLanes bothLanes(DoubleLanes a, DoubleLanes b)
{
    return {_mm_and_pd(a.low, b.low), _mm_and_pd(a.high, b.high)};
}
inline int laneBits(DoubleLanes mask) { return _mm_movemask_pd(mask.low) | _mm_movemask_pd(mask.high) << 2; }
inline void storeLanes(double* out, DoubleLanes d)
{
    _mm_storeu_pd(out, d.low);
    _mm_storeu_pd(out + 2, d.high);
}
inline DoubleLanes loadLanes(double a, double b, double c, double d) { return {_mm_setr_pd(a, b), _mm_setr_pd(c, d)}; }

// truncToInt of each lane: NaN gives 0, and values beyond the int32 range saturate.
inline __m128i truncatedLanes(__m128 v)
{
    // The conversion gives 0x80000000 for NaN and for values beyond either end; only the low end
    // wants it.
    __m128i t = _mm_and_si128(_mm_cvttps_epi32(v), _mm_castps_si128(_mm_cmpord_ps(v, v)));
    const __m128i tooHigh = _mm_castps_si128(_mm_cmpge_ps(v, _mm_set1_ps(2147483648.0f)));
    return _mm_or_si128(_mm_andnot_si128(tooHigh, t), _mm_and_si128(tooHigh, _mm_set1_epi32(0x7FFFFFFF)));
}

// channelOf of each lane. max(v, 0) keeps v only when v > 0, so NaN gives 0, as channelOf does.
inline __m128i channelLanes(__m128 v)
{
    return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
}

// packColour of channels already in 0-255.
inline __m128i packedLanes(__m128i red, __m128i green, __m128i blue)
{
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(red, 16), _mm_slli_epi32(green, 8)), blue);
}

// scaledChannels of each lane. Products of two bytes fit 16 bits, so the 16-bit multiply is exact
// (the upper halves multiply 0 by 0).
inline __m128i scaledLanes(__m128i texel, __m128i red, __m128i green, __m128i blue)
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128i r = _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(texel, 16), byte), red), 8);
    const __m128i g = _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(_mm_srli_epi32(texel, 8), byte), green), 8);
    const __m128i b = _mm_srli_epi32(_mm_mullo_epi16(_mm_and_si128(texel, byte), blue), 8);
    return packedLanes(r, g, b);
}

// meanChannels of each lane.
inline __m128i meanLanes(__m128i a, __m128i b)
{
    const __m128i halves = _mm_set1_epi32(0x7F7F7F);
    const __m128i halfSum = _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(a, 1), halves),
                                          _mm_and_si128(_mm_srli_epi32(b, 1), halves));
    return _mm_add_epi32(halfSum, _mm_and_si128(_mm_and_si128(a, b), _mm_set1_epi32(0x010101)));
}

// The rows of a group of spans laid side by side: each attribute's value and step per lane, and
// where each lane's row starts in the screen-sized buffers. A lane without a row of its own
// repeats the first one with length 0, so it is masked throughout.
template <int N>
struct LaneRows {
    alignas(16) float value[N][spanLanes];
    alignas(16) float step[N][spanLanes];
    alignas(16) int32_t length[spanLanes];
    int32_t last[spanLanes];   // the row's last pixel, from its first
    size_t first[spanLanes];   // the row's first pixel in a target-sized buffer
    int steps = 0;             // the longest row's length

    // `width`: the entries of a row in the buffers.
    LaneRows(const Span<N>* spans, int count, size_t width)
    {
        for (int lane = 0; lane < spanLanes; ++lane) {
            const Span<N>& span = spans[lane < count ? lane : 0];
            for (int a = 0; a < N; ++a) {
                value[a][lane] = span.values[a];
                step[a][lane] = span.steps[a];
            }
            last[lane] = span.right - span.left - 1;
            length[lane] = lane < count ? last[lane] + 1 : 0;
            steps = std::max(steps, length[lane]);
            first[lane] = static_cast<size_t>(span.row) * width + static_cast<size_t>(span.left);
        }
    }

    // Whether the rows are long enough to draw side by side.
    static bool worthLanes(const Span<N>* spans, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (spans[i].right - spans[i].left >= minLaneRowLength) return true;
        }
        return false;
    }
};

// One pixel step of a group: the lanes still inside their rows, and each lane's pixel (a masked
// lane keeps its row's last pixel, which it reads but never writes).
struct LaneStep {
    int active;
    size_t pixel[spanLanes];

    template <int N>
    LaneStep(const LaneRows<N>& rows, __m128i lengths, int k)
        : active(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(lengths, _mm_set1_epi32(k)))))
    {
        for (int lane = 0; lane < spanLanes; ++lane) {
            pixel[lane] = rows.first[lane] + static_cast<size_t>(std::min(k, rows.last[lane]));
        }
    }

    template <class T>
    __m128i gathered(const T* buffer) const
    {
        return _mm_setr_epi32(static_cast<int>(buffer[pixel[0]]), static_cast<int>(buffer[pixel[1]]),
                              static_cast<int>(buffer[pixel[2]]), static_cast<int>(buffer[pixel[3]]));
    }

    // Writes each lane of `values` whose bit is set in `lanes`.
    void scattered(uint32_t* buffer, __m128i values, int lanes) const
    {
        alignas(16) uint32_t value[spanLanes];
        _mm_store_si128(reinterpret_cast<__m128i*>(value), values);
        for (int lane = 0; lane < spanLanes; ++lane) {
            if (lanes >> lane & 1) buffer[pixel[lane]] = value[lane];
        }
    }
};
#endif
