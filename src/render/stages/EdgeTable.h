#pragma once
// Scan conversion of one triangle into per-row spans, shared by the three depth-tested triangle
// paths. Each path interpolates its own fixed set of N float attributes (colours, w = 1/z, texel
// coordinates over z); the table keeps, per screen row, the leftmost and rightmost column an edge
// reached and the attribute values there.
//
// Rules the pictures depend on:
//  - an edge covers the rows from its upper end up to but not including its lower end, so the
//    bottom row of a triangle is never drawn and a horizontal edge covers nothing;
//  - a span includes its left end and excludes its right end, so two triangles sharing an edge
//    never both draw a pixel on it;
//  - values are taken at each corner's integer screen position, with no sub-pixel correction;
//  - every attribute is a float stepped by a float increment (computed in double), row by row.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "geometry/SafeFloat.h"
#include "render/Viewport.h"
#include "render/stages/DoublePair.h"

namespace tepple {

// One row's span after clamping to the screen, with the attributes at its unclamped left end.
template <int N>
struct Span {
    int row;
    int left;              // first column drawn
    int right;             // one past the last column drawn
    int64_t unclampedLeft; // below 0 when the span starts off screen
    float values[N];       // at the unclamped left end
    float steps[N];        // per pixel
};

// steps[i] = (to[i] - from[i]) / over for each of the N attributes, worked out in double and
// rounded to float, two attributes at a time (DoublePair.h).
template <int N>
[[gnu::always_inline]] inline void stepsOver(const float* from, const float* to, double over, float* steps)
{
    const DoublePair overPair = pairOf(over, over);
    int i = 0;
    for (; i + 1 < N; i += 2) {
        const FloatPair quotient =
            narrowed((pairOf(to[i], to[i + 1]) - pairOf(from[i], from[i + 1])) / overPair);
        steps[i] = quotient[0];
        steps[i + 1] = quotient[1];
    }
    if (i < N) steps[i] = static_cast<float>((static_cast<double>(to[i]) - from[i]) / over);
}

// Each thread scans with a table of its own, and the tables stand side by side in one array: a
// cache line each, so that one thread's writes to its rows and bounds never stall another's reads.
template <int N>
class alignas(64) EdgeTable {
public:
    // Fits the table to a width x height target. Under the demonstration's rules a row reaching
    // past the right edge stops one column short of it; otherwise at the edge.
    void fit(int width, int height, bool demoRules)
    {
        width_ = width;
        height_ = height;
        rightStop_ = demoRules ? width - 1 : width;
        if (leftX_.size() != static_cast<size_t>(height)) {
            leftX_.assign(static_cast<size_t>(height), 0);
            rightX_.assign(static_cast<size_t>(height), 0);
            leftValues_.assign(static_cast<size_t>(height), {});
            rightValues_.assign(static_cast<size_t>(height), {});
        }
    }

    // Walks the three edges (c0, c1), (c1, c2), (c2, c0) of a triangle, after resetting only the
    // rows it covers on screen, keeping only rows [stripTop, stripEnd) of the screen. Every edge is
    // still stepped from its upper end, so a row's values do not depend on the strip.
    void scan(const ScreenPoint (&corner)[3], const float (&values)[3][N], int stripTop, int stripEnd);

    // Calls visit(const Span<N>&) for every row of the last scan that has something to draw,
    // top to bottom.
    template <class Visit>
    void forEachSpan(Visit&& visit) const;

    // The same spans in the same order, handed over up to Group at a time:
    // visit(const Span<N>* spans, int count) with 1 <= count <= Group.
    template <int Group, class Visit>
    void forEachSpanGroup(Visit&& visit) const;

private:
    // An edge starting this far above the screen jumps straight to row 0 instead of walking
    // there row by row: only a corner almost at the eye's plane projects so far, and walking
    // billions of rows would stall the frame.
    static constexpr int64_t maxRowsWalkedAbove = 16384;

    void walkEdge(ScreenPoint upper, const float* upperValues, ScreenPoint lower, const float* lowerValues,
                  int stripTop, int stripEnd);
    void record(int row, int32_t column, const float* values);
    // Fills `span` for `row` of the last scan; false when the row has nothing to draw. Inlined into
    // the span loops: called once per row, it costs as much as a short row's pixels otherwise.
    [[gnu::always_inline]] inline bool spanAt(int row, Span<N>& span) const;

    int width_ = 0;
    int height_ = 0;
    int rightStop_ = 0;
    std::vector<int32_t> leftX_;
    std::vector<int32_t> rightX_;
    std::vector<std::array<float, N>> leftValues_;
    std::vector<std::array<float, N>> rightValues_;
    int firstRow_ = 0; // rows of the last scan on screen: [firstRow_, endRow_)
    int endRow_ = 0;
};

template <int N>
void EdgeTable<N>::scan(const ScreenPoint (&corner)[3], const float (&values)[3][N], int stripTop,
                        int stripEnd)
{
    const int32_t top = std::min({height_ + 1, corner[0].y, corner[1].y, corner[2].y});
    const int32_t bottom = std::max({-1, corner[0].y, corner[1].y, corner[2].y});
    firstRow_ = std::max(top, stripTop);
    endRow_ = std::min(bottom, stripEnd);
    for (int row = firstRow_; row < endRow_; ++row) {
        leftX_[row] = width_ + 1;
        rightX_[row] = -1;
    }
    if (firstRow_ >= endRow_) return;
    walkEdge(corner[0], values[0], corner[1], values[1], stripTop, stripEnd);
    walkEdge(corner[1], values[1], corner[2], values[2], stripTop, stripEnd);
    walkEdge(corner[2], values[2], corner[0], values[0], stripTop, stripEnd);
}

template <int N>
void EdgeTable<N>::walkEdge(ScreenPoint upper, const float* upperValues, ScreenPoint lower,
                            const float* lowerValues, int stripTop, int stripEnd)
{
    if (lower.y < upper.y) {
        std::swap(upper, lower);
        std::swap(upperValues, lowerValues);
    }
    // Rows past the bottom of the strip would store nothing.
    const int64_t endRow = std::min<int64_t>(lower.y, stripEnd);
    if (endRow <= stripTop || upper.y >= endRow) return;

    // 64-bit: saturated screen positions may lie 2^32 rows apart.
    const double rows = static_cast<double>(static_cast<int64_t>(lower.y) - upper.y);
    float x = static_cast<float>(upper.x);
    const float xStep = static_cast<float>((static_cast<double>(lower.x) - upper.x) / rows);
    float value[N];
    float step[N];
    std::copy(upperValues, upperValues + N, value);
    stepsOver<N>(upperValues, lowerValues, rows, step);

    int64_t row = upper.y;
    if (row < -maxRowsWalkedAbove) {
        const double skipped = static_cast<double>(-row);
        x = static_cast<float>(x + skipped * xStep);
        for (int i = 0; i < N; ++i) value[i] = static_cast<float>(value[i] + skipped * step[i]);
        row = 0;
    }
    // Rows above the strip are stepped through without being recorded, so that every row gets the
    // values the same additions from the upper end give it, whichever strip draws it.
    for (const int64_t stepOnly = std::min<int64_t>(stripTop, endRow); row < stepOnly; ++row) {
        x += xStep;
        for (int i = 0; i < N; ++i) value[i] += step[i];
    }
    for (; row < endRow; ++row) {
        record(static_cast<int>(row), truncToInt(x), value);
        x += xStep;
        for (int i = 0; i < N; ++i) value[i] += step[i];
    }
}

template <int N>
void EdgeTable<N>::record(int row, int32_t column, const float* values)
{
    // Left and right are tested independently: the first edge to reach a row sets both ends.
    if (column < leftX_[row]) {
        leftX_[row] = column;
        std::copy(values, values + N, leftValues_[row].begin());
    }
    if (column > rightX_[row]) {
        rightX_[row] = column;
        std::copy(values, values + N, rightValues_[row].begin());
    }
}

template <int N>
bool EdgeTable<N>::spanAt(int row, Span<N>& span) const
{
    const int32_t left = leftX_[row];
    const int32_t right = rightX_[row];
    span.row = row;
    span.unclampedLeft = left;
    span.left = left < 0 ? 0 : left;
    span.right = right > width_ ? rightStop_ : right;
    if (span.left > width_ || span.right <= 0 || span.left >= span.right) return false;
    // Steps span the whole unclamped width, as if the row were drawn off screen too.
    const double width = static_cast<double>(static_cast<int64_t>(right) - left);
    const std::array<float, N>& leftValues = leftValues_[row];
    stepsOver<N>(leftValues.data(), rightValues_[row].data(), width, span.steps);
    std::copy(leftValues.begin(), leftValues.end(), span.values);
    return true;
}

template <int N>
template <class Visit>
void EdgeTable<N>::forEachSpan(Visit&& visit) const
{
    Span<N> span;
    for (int row = firstRow_; row < endRow_; ++row) {
        if (spanAt(row, span)) visit(span);
    }
}

template <int N>
template <int Group, class Visit>
void EdgeTable<N>::forEachSpanGroup(Visit&& visit) const
{
    Span<N> spans[Group];
    int count = 0;
    for (int row = firstRow_; row < endRow_; ++row) {
        if (!spanAt(row, spans[count])) continue;
        if (++count == Group) {
            visit(static_cast<const Span<N>*>(spans), count);
            count = 0;
        }
    }
    if (count > 0) visit(static_cast<const Span<N>*>(spans), count);
}

} // namespace tepple
