#pragma once
// A lane set: the spans of one triangle drawn side by side, one span per SIMD lane, with the bits
// of drawing them one at a time.
//
// The exactness promise. A pixel step's attribute arithmetic (stepping, depth keys, texel
// positions, channel products) runs once for all the lanes, and each lane gets exactly the float,
// double or integer the one-span loop gets, because it performs the same IEEE operations in the
// same order and precision: a float stays a float and a double stays a double, no multiply is ever
// fused with an add, and a NaN, an infinity or a value beyond the integer range comes out as the
// one-span code makes it (truncToInt, channelOf). tests/render/LaneSetChecks.h holds every set to
// this at the edges.
//
// What a lane set L supplies (lanes/Sse2.h is the reference, one file per instruction set):
//   width                       4, 8 or 16 lanes
//   Float, Int                  a float and a 32-bit integer per lane
//   Double                      a double per lane (as many registers as it takes)
//   Bits                        an int, bit i standing for lane i
//   Pixels                      each lane's index into the target-sized buffers
//   loadFloats, loadInts        width values from memory, lane 0 first
//   splat(int32_t), splat(double)
//   add(Float, Float); add, sub, mul, div on Double; add, sub, min, max on Int
//   widened(Float), widened(Int) to Double; narrowed(Double) to Float, rounded to nearest
//   greater(Int, Int), greater(Double, Double), less(Double, Double): the lanes where it holds
//   truncated(Float)            truncToInt of each lane
//   channel(Float)              channelOf of each lane
//   scaled(texel, r, g, b), mean(a, b): scaledChannels and meanChannels (ChannelArithmetic.h)
//   pixels(first, last, k)      first[lane] + min(k, last[lane])
//   gather(const uint32_t*, Pixels), gather(const double*, Pixels)
//   texels(TextureView, column, row, offset): TextureView::atTexel of each lane
//   scatter(uint32_t*, Pixels, Int, Bits), scatter(double*, Pixels, Double, Bits): the lanes named
// and a set the build's baseline runs (BaselineLanes, LaneTable.h), on which the Gouraud path steps
// its four attributes: lowBytes(Int), the low byte of each lane in one word, and lastLane(Float).
//
// The helpers below are written once on any L. A file that compiles a set for instructions beyond
// the build's baseline includes this header, the set's own header and its kernels inside that
// set's instruction-set region (InstructionSet.h), with every shared header included before the
// region, so that what is built for wider instructions never stands in for code the baseline runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/stages/DepthRule.h"
#include "render/stages/EdgeTable.h"
#include "render/stages/TextureSampling.h"

namespace tepple {

// A group of spans laid side by side: each attribute's value and step per lane, and where each
// lane's span starts in the target-sized buffers (whose pixel count fits 31 bits, Viewport.h). A
// lane without a span of its own repeats the first one with length 0, so it is masked throughout.
template <int N, class L>
struct LaneSpans {
    alignas(64) float value[N][L::width];
    alignas(64) float step[N][L::width];
    alignas(64) int32_t length[L::width];
    alignas(64) int32_t last[L::width];  // the span's last pixel, from its first
    alignas(64) int32_t first[L::width]; // the span's first pixel in the buffers
    int steps = 0;                       // the longest span's length

    // `width`: the entries of a row in the buffers.
    LaneSpans(const Span<N>* spans, int count, size_t width)
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
            first[lane] =
                static_cast<int32_t>(static_cast<size_t>(span.row) * width + static_cast<size_t>(span.left));
        }
    }
};

// One pixel step of a group: the lanes still inside their spans, and each lane's pixel (a masked
// lane keeps its span's last pixel, which it may read but never writes).
template <class L>
struct LaneStep {
    typename L::Bits active;
    typename L::Pixels pixel;

    template <int N>
    [[gnu::always_inline]] LaneStep(const LaneSpans<N, L>& spans, typename L::Int lengths, int k)
        : active(L::greater(lengths, L::splat(k))), pixel(L::pixels(spans.first, spans.last, k))
    {
    }
};

// The per-step helpers below are forced inline: called once per pixel step, a call with its vector
// arguments passed through memory costs as much as the step's own work.
//
// DepthRule::pass for the pixels of a lane step, w already widened: stores the keys of the active
// lanes that pass, and returns those lanes.
template <class L>
[[gnu::always_inline]] inline typename L::Bits passLanes(const DepthRule& rule, double* buffer,
                                                         const LaneStep<L>& at, typename L::Double w)
{
    const typename L::Double key = L::add(L::splat(rule.frame()), w);
    const typename L::Bits passed = L::greater(key, L::gather(buffer, at.pixel)) & at.active;
    if (passed != 0) L::scatter(buffer, at.pixel, key, passed);
    return passed;
}

// VisibilityWindow::contains of each lane, on w already widened.
template <class L>
[[gnu::always_inline]] inline typename L::Bits containsLanes(const VisibilityWindow& window,
                                                             typename L::Double w)
{
    return L::greater(w, L::splat(window.minW())) & L::less(w, L::splat(window.maxW()));
}

// PerspectiveTexel for spans side by side, each lane with its own block length.
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

} // namespace tepple
