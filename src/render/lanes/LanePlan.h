#pragma once
// The lane policy, decided here alone: per call, which lane sets may draw (the renderer's request,
// the processor, the call's data); per triangle, how many of its spans are handed over together;
// per group of spans, whether lanes pay and which lane set draws them. Any plan gives the same
// pictures (LaneSet.h): it changes only speed.
#include <algorithm>
#include <cstdint>

#include "render/LaneWidth.h"
#include "render/lanes/LaneTable.h"
#include "render/stages/EdgeTable.h"

namespace tepple {

class LanePlan {
public:
    // A group whose spans are all shorter than this is drawn one span at a time even where lanes
    // are available: laying short spans side by side costs more than the lanes save.
    static constexpr int minLaneSpanLength = 6;
    // A triangle narrower than this hands its spans over at most narrowGroup at a time, so they
    // are drawn four side by side at most: a wider set's steps cost more, and spans this short
    // leave too many of its lanes idle to make up for it.
    static constexpr int minWideSpanLength = 24;
    static constexpr int narrowGroup = 4;

    // The plan of a call whose renderer asks for `requested` lanes (Renderer::laneWidth:
    // resolvedLaneWidth). `largeIndexes`: the call reads a texture with more texels than a 32-bit
    // index reaches, which only the sets that read any index may draw.
    static LanePlan forCall(int requested, bool largeIndexes)
    {
        LanePlan plan;
        const int allowed = resolvedLaneWidth(requested);
        for (int i = 0; i < laneSetCount; ++i) {
            const LaneSet& set = laneSets()[static_cast<size_t>(i)];
            if (!set.runsHere || set.width > allowed || (largeIndexes && !set.readsAnyIndex)) continue;
            // Narrowest first: each count of spans up to this set's width not yet taken is its.
            for (int count = plan.width_ + 1; count <= set.width; ++count) plan.setFor_[count] = i;
            plan.width_ = set.width;
        }
        return plan;
    }

    // The most spans drawn side by side in the call; 1: one span at a time.
    int width() const { return width_; }

    // Draws the spans of the triangle last scanned into `edges`, `triangleWidth` columns wide (no
    // span is wider), top to bottom: oneSpan(const Span<N>&) for a span drawn alone,
    // lanes(int set, const Span<N>* spans, int count) for `count` spans (up to the set's width) on
    // lane set number `set` of laneSets().
    template <int N, class OneSpan, class Lanes>
    void drawSpans(const EdgeTable<N>& edges, int64_t triangleWidth, OneSpan&& oneSpan, Lanes&& lanes) const
    {
        const auto group = [&](const Span<N>* spans, int count) {
            if (!worthLanes(spans, count)) {
                for (int i = 0; i < count; ++i) oneSpan(spans[i]);
                return;
            }
            // The last spans of a group go to the narrowest set that takes them all.
            for (int i = 0; i < count; i += width_) {
                const int n = std::min(width_, count - i);
                lanes(setFor_[n], spans + i, n);
            }
        };
        // Spans are gathered as many at a time as the widest set takes: gathering more only to
        // cut them up again costs time.
        if (width_ > narrowGroup && triangleWidth >= minWideSpanLength) {
            edges.template forEachSpanGroup<maxLaneWidth>(group);
        } else if (width_ > 1 && triangleWidth >= minLaneSpanLength) {
            edges.template forEachSpanGroup<narrowGroup>(group);
        } else {
            edges.forEachSpan(oneSpan);
        }
    }

private:
    // Whether some span of a group is long enough for lanes to pay.
    template <int N>
    static bool worthLanes(const Span<N>* spans, int count)
    {
        for (int i = 0; i < count; ++i) {
            if (spans[i].right - spans[i].left >= minLaneSpanLength) return true;
        }
        return false;
    }

    int width_ = 1;
    // The lane set (its place in laneSets()) that draws a group of n spans, 1 < n <= width_.
    int setFor_[maxLaneWidth + 1] = {};
};

} // namespace tepple
