#pragma once
// The textured path's span kernel for rows side by side, written once for every lane set
// (RowLanes.h): textureRow of Textured.cpp for up to L::width rows at once, one per lane. The steps
// run as long as the longest row; a lane past its own row's end stores nothing. Every lane's
// blocks start at its row's left end, so all lanes aim at the same steps.
//
// Included by each lane set's file inside its target region, after RowLanes.h.
#include "render/RowLanes.h"
#include "render/TexturedSpan.h"

// Each lane's block length after `drawn` steps, at least 1 so that masked lanes divide safely.
template <class L>
typename L::Int laneBlockLengths(typename L::Int lengths, int drawn)
{
    return L::max(L::splat(1), L::min(L::splat(perspectiveBlock), L::sub(lengths, L::splat(drawn))));
}

// Each lane reads and writes its own row, so a step touches as many rows as there are lanes: more
// streams than the processor follows ahead on its own. Every eight steps (a cache line of depth
// keys) each row's next lines are asked for, this many pixels ahead (never past the row's end).
constexpr int prefetchEvery = 8;
constexpr int prefetchDistance = 8;

template <bool Blend, int N, class L>
[[gnu::always_inline]] inline void prefetchAhead(const SpanTarget& target, const LaneRows<N, L>& rows, int count,
                                                int k)
{
    for (int lane = 0; lane < count; ++lane) {
        const size_t pixel = static_cast<size_t>(rows.first[lane]) + static_cast<size_t>(std::min(k, rows.last[lane]));
        __builtin_prefetch(target.depth + pixel, 1);
        __builtin_prefetch(target.pixels + pixel, 1);
        if (Blend) __builtin_prefetch(target.accum + pixel, 1);
    }
}

template <class L, bool Blend, bool Lit>
void textureLanes(const TexturedSpanContext& context, const Span<texturedAttributeCount>* spans, int count)
{
    using Float = typename L::Float;
    using Int = typename L::Int;
    const SpanTarget& target = context.target;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = target.depthRule;
    const VisibilityWindow window = target.window;
    LaneRows<texturedAttributeCount, L> rows(spans, count, target.width);
    for (int lane = 0; lane < count; ++lane) {
        const Span<texturedAttributeCount>& span = spans[lane];
        if (span.unclampedLeft >= 0) continue;
        for (const int a : {uOverZ, vOverZ, invZ}) {
            rows.value[a][lane] = advancedToColumnZero(span.values[a], span.steps[a], span.unclampedLeft);
        }
    }
    Float uz = L::loadFloats(rows.value[uOverZ]), vz = L::loadFloats(rows.value[vOverZ]);
    Float w = L::loadFloats(rows.value[invZ]);
    Float r = L::loadFloats(rows.value[red]), g = L::loadFloats(rows.value[green]);
    Float b = L::loadFloats(rows.value[blue]);
    const Float uzStep = L::loadFloats(rows.step[uOverZ]), vzStep = L::loadFloats(rows.step[vOverZ]);
    const Float wStep = L::loadFloats(rows.step[invZ]);
    const Float rStep = L::loadFloats(rows.step[red]), gStep = L::loadFloats(rows.step[green]);
    const Float bStep = L::loadFloats(rows.step[blue]);
    const Int lengths = L::loadInts(rows.length);

    PerspectiveTexelLanes<L> texel;
    texel.start(uz, vz, w);
    texel.aim(uz, uzStep, vz, vzStep, w, wStep, laneBlockLengths<L>(lengths, 0));
    for (int k = 0; k < rows.steps; ++k) {
        if (k % prefetchEvery == 0) prefetchAhead<Blend>(target, rows, count, k + prefetchDistance);
        const LaneStep<L> at(rows, lengths, k);
        const typename L::Double wide = L::widened(w);
        const typename L::Bits keyStored = passLanes<L>(depthRule, target.depth, at, wide);
        const typename L::Bits shown = keyStored & containsLanes<L>(window, wide);
        if (Blend || shown != 0) {
            Int colour = texel.read(context.texture, firstTextureOffset);
            if (Lit) colour = L::scaled(colour, L::channel(r), L::channel(g), L::channel(b));
            if (Blend) {
                // The feedback buffer mixes every pixel of the span, hidden or not.
                colour = L::mean(L::gather(target.accum, at.pixel), colour);
                L::scatter(target.accum, at.pixel, colour, at.active);
            }
            L::scatter(target.pixels, at.pixel, colour, shown);
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

// The kernel table of lane set L.
template <class L>
constexpr TexturedLaneKernels texturedLaneKernelsOf{{&textureLanes<L, false, false>, &textureLanes<L, false, true>,
                                                      &textureLanes<L, true, false>, &textureLanes<L, true, true>}};
