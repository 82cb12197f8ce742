#pragma once
// Rows of one triangle drawn side by side, one row per SIMD lane. A pixel step's attribute
// arithmetic (stepping, depth keys, texel positions, channel products) runs once for all the rows,
// and each lane gets exactly the float or double the one-row loop gets, because it performs the
// same IEEE operations in the same order and precision: a float stays a float and a double stays
// a double, and no multiply is ever fused with an add.
//
// Written once for every lane set L (LanesSse2.h, LanesAvx2.h, LanesAvx512.h: 4, 8 or 16 lanes),
// which supplies the types Float, Int, Double and Bits and the operations on them. A file compiled
// for a wider instruction set includes this header inside that set's target region
// (see SpanLanesAvx2.cpp) with every shared header included before it, so that what is built
// for AVX2 or AVX-512 never stands in for code the baseline runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/DepthRule.h"
#include "render/EdgeTable.h"
#include "render/LaneWidth.h"
#include "render/TextureSampling.h"

// The rows of a group of spans laid side by side: each attribute's value and step per lane, and
// where each lane's row starts in the target-sized buffers (whose pixel count fits 31 bits,
// Viewport.h). A lane without a row of its own repeats the first one with length 0, so it is
// masked throughout.
template <int N, class L>
struct LaneRows {
    alignas(64) float value[N][L::width];
    alignas(64) float step[N][L::width];
    alignas(64) int32_t length[L::width];
    alignas(64) int32_t last[L::width];  // the row's last pixel, from its first
    alignas(64) int32_t first[L::width]; // the row's first pixel in the buffers
    int steps = 0;                       // the longest row's length

    // `width`: the entries of a row in the buffers.
    LaneRows(const Span<N>* spans, int count, size_t width)
    {
        for (int lane = 0; lane < L::width; ++lane) {
            const Span<N>& span = spans[lane < count ? lane : 0];
            for (int a = 0; a < N; ++a) {
                value[a][lane] = span.values[a];
                step[a][lane] = span.steps[a];
            }
            last[lane] = span.right - span.left - 1;
            length[lane] = lane < count ? last[lane] + 1 : 0;
            steps = std::max(steps, length[lane]);
            first[lane] = static_cast<int32_t>(static_cast<size_t>(span.row) * width + static_cast<size_t>(span.left));
        }
    }
};

// One pixel step of a group: the lanes still inside their rows, and each lane's pixel (a masked
// lane keeps its row's last pixel, which it may read but never writes).
template <class L>
struct LaneStep {
    typename L::Bits active;
    typename L::Pixels pixel;

    template <int N>
    [[gnu::always_inline]] LaneStep(const LaneRows<N, L>& rows, typename L::Int lengths, int k)
        : active(L::greater(lengths, L::splat(k))), pixel(L::pixels(rows.first, rows.last, k))
    {
    }
};

// The per-step helpers below are forced inline: called once per pixel step, a call with its vector
// arguments passed through memory costs as much as the step's own work.
//
// DepthRule::pass for the pixels of a lane step, w already widened: stores the keys of the active
// lanes that pass, and returns those lanes.
template <class L>
[[gnu::always_inline]] inline typename L::Bits passLanes(const DepthRule& rule, double* buffer, const LaneStep<L>& at,
                                                        typename L::Double w)
{
    const typename L::Double key = L::add(L::splat(rule.frame()), w);
    const typename L::Bits passed = L::greater(key, L::gather(buffer, at.pixel)) & at.active;
    if (passed != 0) L::scatter(buffer, at.pixel, key, passed);
    return passed;
}

// VisibilityWindow::contains of each lane, on w already widened.
template <class L>
[[gnu::always_inline]] inline typename L::Bits containsLanes(const VisibilityWindow& window, typename L::Double w)
{
    return L::greater(w, L::splat(window.minW())) & L::less(w, L::splat(window.maxW()));
}

// PerspectiveTexel for rows side by side, each lane with its own block length.
template <class L>
struct PerspectiveTexelLanes {
    using Float = typename L::Float;
    using Double = typename L::Double;
    Float u;
    Float v;
    Float du;
    Float dv;

    // Plain IEEE division where quotient() special-cases a zero denominator: the same infinities,
    // and a NaN whose sign may differ, which truncated() turns into 0 as truncToInt does.
    void start(Float uOverZ, Float vOverZ, Float w)
    {
        const Double wide = L::widened(w);
        u = L::narrowed(L::div(L::widened(uOverZ), wide));
        v = L::narrowed(L::div(L::widened(vOverZ), wide));
    }

    // wStep and n as in blockEndW; every lane's n must be at least 1.
    void aim(Float uOverZ, Float uOverZStep, Float vOverZ, Float vOverZStep, Float w, Float wStep,
             typename L::Int n)
    {
        const Double pixels = L::widened(n);
        const Double wEnd = L::widened(L::narrowed(L::add(L::widened(w), L::mul(pixels, L::widened(wStep)))));
        const auto endValue = [&](Float value, Float step) {
            return L::narrowed(L::div(L::add(L::widened(value), L::mul(pixels, L::widened(step))), wEnd));
        };
        const Float uEnd = endValue(uOverZ, uOverZStep);
        const Float vEnd = endValue(vOverZ, vOverZStep);
        du = L::narrowed(L::div(L::sub(L::widened(uEnd), L::widened(u)), pixels));
        dv = L::narrowed(L::div(L::sub(L::widened(vEnd), L::widened(v)), pixels));
    }

    [[gnu::always_inline]] void advance()
    {
        u = L::add(u, du);
        v = L::add(v, dv);
    }

    // The texel of each lane, as TextureView::at reads it.
    [[gnu::always_inline]] typename L::Int read(const TextureView& texture, int offset) const
    {
        return L::texels(texture, L::truncated(u), L::truncated(v), offset);
    }
};
