#pragma once
// The smooth-shaded path's span kernel for rows side by side, written once for every lane set
// (RowLanes.h): shadeRow of Gouraud.cpp for up to L::width rows at once, one per lane. As there,
// a row that starts off screen is drawn from column 0 with the values of its off-screen left end.
//
// Included by each lane set's file inside its target region, after RowLanes.h.
#include "render/GouraudSpan.h"
#include "render/RowLanes.h"

template <class L, bool Blend>
void shadeLanes(const SpanTarget& target, const Span<gouraudAttributeCount>* spans, int count)
{
    using Float = typename L::Float;
    using Int = typename L::Int;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = target.depthRule;
    const VisibilityWindow window = target.window;
    const LaneRows<gouraudAttributeCount, L> rows(spans, count, target.width);
    Float r = L::loadFloats(rows.value[shadeRed]), g = L::loadFloats(rows.value[shadeGreen]);
    Float b = L::loadFloats(rows.value[shadeBlue]), w = L::loadFloats(rows.value[shadeInvZ]);
    const Float rStep = L::loadFloats(rows.step[shadeRed]), gStep = L::loadFloats(rows.step[shadeGreen]);
    const Float bStep = L::loadFloats(rows.step[shadeBlue]), wStep = L::loadFloats(rows.step[shadeInvZ]);
    const Int lengths = L::loadInts(rows.length);
    const Int first = L::loadInts(rows.first);
    const Int last = L::loadInts(rows.last);
    for (int k = 0; k < rows.steps; ++k) {
        const LaneStep<L> at(first, last, lengths, k);
        const typename L::Double wide = L::widened(w);
        const typename L::Bits shown = passLanes<L>(depthRule, target.depth, at, wide) & containsLanes<L>(window, wide);
        if (Blend || shown != 0) {
            Int colour = L::packed(L::channel(r), L::channel(g), L::channel(b));
            if (Blend) {
                // The feedback buffer mixes every pixel of the span, hidden or not.
                colour = L::mean(L::gather(target.accum, at.pixel), colour);
                L::scatter(target.accum, at.pixel, colour, at.active);
            }
            L::scatter(target.pixels, at.pixel, colour, shown);
        }
        r = L::add(r, rStep);
        g = L::add(g, gStep);
        b = L::add(b, bStep);
        w = L::add(w, wStep);
    }
}

// The kernel table of lane set L.
template <class L>
constexpr GouraudLaneKernels gouraudLaneKernelsOf{{&shadeLanes<L, false>, &shadeLanes<L, true>}};
