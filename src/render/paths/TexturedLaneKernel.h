#pragma once
// The textured path's span kernel for spans side by side, written once for every lane set
// (lanes/LaneSet.h): textureSpan of Textured.cpp for up to L::width spans at once, one per lane.
// The steps run as long as the longest span; a lane past its own span's end stores nothing. Every
// lane's blocks start at its span's left end, so all lanes aim at the same steps.
//
// Included by each lane set's file inside its instruction-set region, after TexturedSpan.h.
#include "render/lanes/LaneSet.h"
#include "render/paths/TexturedSpan.h"

namespace tepple {

// Each lane's block length after `drawn` steps, at least 1 so that masked lanes divide safely.
template <class L>
typename L::Int laneBlockLengths(typename L::Int lengths, int drawn)
{
    return L::max(L::splat(1), L::min(L::splat(perspectiveBlock), L::sub(lengths, L::splat(drawn))));
}

// Each lane reads and writes its own row, so a step touches as many rows as there are lanes: more
// streams than the processor follows ahead on its own. Every eight steps (a cache line of depth
// keys) each span's next lines are asked for, this many pixels ahead (never past the span's end).
constexpr int prefetchEvery = 8;
constexpr int prefetchDistance = 8;

template <bool Blend, int N, class L>
[[gnu::always_inline]] inline void prefetchAhead(const DrawBuffers& buffers, const LaneSpans<N, L>& spans,
                                                int count, int k)
{
    for (int lane = 0; lane < count; ++lane) {
        const size_t pixel =
            static_cast<size_t>(spans.first[lane]) + static_cast<size_t>(std::min(k, spans.last[lane]));
        __builtin_prefetch(buffers.depth + pixel, 1);
        __builtin_prefetch(buffers.pixels + pixel, 1);
        if (Blend) __builtin_prefetch(buffers.accumulation + pixel, 1);
    }
}

template <class L, bool Blend, bool Lit>
void textureLanes(const TexturedSpanContext& context, const Span<texturedAttributeCount>* group, int count)
{
    using Float = typename L::Float;
    using Int = typename L::Int;
    const DrawBuffers& buffers = context.buffers;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = buffers.depthRule;
    const VisibilityWindow window = buffers.window;
    LaneSpans<texturedAttributeCount, L> spans(group, count, buffers.width);
    for (int lane = 0; lane < count; ++lane) {
        const Span<texturedAttributeCount>& span = group[lane];
        if (span.unclampedLeft >= 0) continue;
        for (const int a : {uOverZ, vOverZ, invZ}) {
            spans.value[a][lane] = advancedToColumnZero(span.values[a], span.steps[a], span.unclampedLeft);
        }
    }
    Float uz = L::loadFloats(spans.value[uOverZ]), vz = L::loadFloats(spans.value[vOverZ]);
    Float w = L::loadFloats(spans.value[invZ]);
    Float r = L::loadFloats(spans.value[red]), g = L::loadFloats(spans.value[green]);
    Float b = L::loadFloats(spans.value[blue]);
    const Float uzStep = L::loadFloats(spans.step[uOverZ]), vzStep = L::loadFloats(spans.step[vOverZ]);
    const Float wStep = L::loadFloats(spans.step[invZ]);
    const Float rStep = L::loadFloats(spans.step[red]), gStep = L::loadFloats(spans.step[green]);
    const Float bStep = L::loadFloats(spans.step[blue]);
    const Int lengths = L::loadInts(spans.length);

    PerspectiveTexelLanes<L> texel;
    texel.start(uz, vz, w);
    texel.aim(uz, uzStep, vz, vzStep, w, wStep, laneBlockLengths<L>(lengths, 0));
    for (int k = 0; k < spans.steps; ++k) {
        if (k % prefetchEvery == 0) prefetchAhead<Blend>(buffers, spans, count, k + prefetchDistance);
        const LaneStep<L> at(spans, lengths, k);
        const typename L::Double wide = L::widened(w);
        const typename L::Bits keyStored = passLanes<L>(depthRule, buffers.depth, at, wide);
        const typename L::Bits shown = keyStored & containsLanes<L>(window, wide);
        if (Blend || shown != 0) {
            Int colour = texel.read(context.texture, firstTextureOffset);
            if (Lit) colour = L::scaled(colour, L::channel(r), L::channel(g), L::channel(b));
            if (Blend) {
                // The accumulation buffer mixes every pixel of the span, hidden or not.
                colour = L::mean(L::gather(buffers.accumulation, at.pixel), colour);
                L::scatter(buffers.accumulation, at.pixel, colour, at.active);
            }
            L::scatter(buffers.pixels, at.pixel, colour, shown);
        }

        texel.advance();
        uz = L::add(uz, uzStep);
        vz = L::add(vz, vzStep);
        w = L::add(w, wStep);
        if (Lit) {
            r = L::add(r, rStep);
            g = L::add(g, gStep);
            b = L::add(b, bStep);
        }
        if (k % perspectiveBlock == perspectiveBlock - 1) {
            texel.aim(uz, uzStep, vz, vzStep, w, wStep, laneBlockLengths<L>(lengths, k));
        }
    }
}

// The kernels of lane set L, indexed by 2 x blend + lit.
template <class L>
constexpr TexturedLaneKernels texturedLaneKernelsOf{
    {&textureLanes<L, false, false>, &textureLanes<L, false, true>, &textureLanes<L, true, false>,
     &textureLanes<L, true, true>}};

} // namespace tepple
