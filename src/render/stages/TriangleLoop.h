#pragma once
// The triangle loop every depth-tested triangle path shares: the vertex stage, set-up, then scan
// conversion of each surviving triangle in the call's order through the path's edge table, whose
// spans the path then draws.
//
// With several threads the rows of the screen are cut into strips, one per thread, and the thread
// that takes a strip walks every surviving triangle in order for that strip's rows alone; set-up
// and corner lighting run first, shared among the threads, so that drawing only reads what they
// made. Every pixel, depth key and accumulation value is then what one thread gives.
//
// A frame may instead be kept (FrameBin): each call runs its vertex stage and set-up at once and
// keeps its surviving triangles, their corner values and how its spans are drawn; drawing the bin
// then hands the screen's strips out once for all of them, each thread drawing every kept call in
// order for its strip's rows. Each pixel still meets the calls in their order, and a triangle's
// rows are scanned from the same corner values, so the bits are those of drawing call by call.
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "render/PoolJobs.h"
#include "render/stages/CallState.h"
#include "render/stages/EdgeTable.h"
#include "render/stages/TriangleSetup.h"
#include "render/stages/VertexStage.h"

namespace tepple {

// The cut of the screen's rows into strips: strip s is rows [rows[s], rows[s + 1]).
struct StripCut {
    std::vector<int> rows;
    std::vector<int64_t> rowCost; // per row, the cost expected there (splitRows)
};

struct CallScratch;

// A call kept for drawing later, strip by strip.
class KeptCall {
public:
    virtual ~KeptCall() = default;
    // Draws the call's triangles that reach rows [stripTop, stripEnd), in order, with `thread`'s
    // edge tables.
    virtual void drawStrip(CallScratch& scratch, int thread, int stripTop, int stripEnd) const = 0;
};

// Of three things kept per attribute count (4 Gouraud, 5 two-texture, 6 textured), the one for N.
template <int N, class Four, class Five, class Six>
auto& byAttributeCount(Four& four, Five& five, Six& six)
{
    static_assert(N >= 4 && N <= 6, "no path interpolates this many attributes");
    if constexpr (N == 4) {
        return four;
    } else if constexpr (N == 5) {
        return five;
    } else {
        return six;
    }
}

// A kept triangle: its corners and their N attribute values.
template <int N>
struct KeptTriangle {
    TriangleCorners corners;
    float values[3][N];
};

// A kept call: its triangles, entries [first, end) of the bin's list for N attributes, and how its
// spans are drawn.
template <int N, class DrawSpans>
class KeptCallOf : public KeptCall {
public:
    KeptCallOf(DrawSpans drawSpans, size_t first, size_t end)
        : drawSpans_(std::move(drawSpans)), first_(first), end_(end)
    {
    }
    void drawStrip(CallScratch& scratch, int thread, int stripTop, int stripEnd) const override;

private:
    DrawSpans drawSpans_; // holds all it draws with by value: the call's state is gone by then
    size_t first_;
    size_t end_;
};

// The calls kept since the bin was last drawn, their triangles (in lists by attribute count, which
// keep their room from frame to frame), the screen rows each triangle covers (for the cut into
// strips), and the target they draw into.
struct FrameBin {
    bool keeping = false; // set by the renderer for the call it runs
    const uint32_t* target = nullptr;
    std::vector<std::unique_ptr<KeptCall>> calls;
    std::vector<TriangleCorners> rows;
    std::vector<KeptTriangle<4>> triangles4;
    std::vector<KeptTriangle<5>> triangles5;
    std::vector<KeptTriangle<6>> triangles6;

    bool empty() const { return calls.empty(); }
    template <int N>
    std::vector<KeptTriangle<N>>& triangles()
    {
        return byAttributeCount<N>(triangles4, triangles5, triangles6);
    }
    void clear()
    {
        calls.clear();
        rows.clear();
        triangles4.clear();
        triangles5.clear();
        triangles6.clear();
        target = nullptr;
    }
};

// Draws every call kept in `scratch.bin` on the pool's threads, strip by strip, then empties it.
// The viewport must be the one the calls were kept with.
void drawFrameBin(CallScratch& scratch, WorkerPool& pool, const Viewport& viewport);

// The scratch of a draw call, kept by the renderer from call to call so that drawing allocates
// nothing once it has grown to the largest call: the vertex stage's results, the survivors of
// set-up, the strip cut, and each thread's edge tables, one per attribute count (4 Gouraud,
// 5 two-texture, 6 textured).
struct CallScratch {
    CallInput input; // what the call reads: the renderer's arrays or the near-clipped copies
    NearClip clip;
    VertexResults vertices;
    SetUpResults setUp;
    StripCut strips;
    FrameBin bin;
    std::vector<EdgeTable<4>> edges4;
    std::vector<EdgeTable<5>> edges5;
    std::vector<EdgeTable<6>> edges6;

    template <int N>
    std::vector<EdgeTable<N>>& edges()
    {
        return byAttributeCount<N>(edges4, edges5, edges6);
    }
};

// Calls with fewer triangles than this are drawn on the calling thread alone: handing them out
// costs more than sharing so little gains.
constexpr int minTrianglesForThreads = 32;

// A call expecting a lower cost than this (expectedCost) is drawn on the calling thread alone once
// set up: handing strips to other threads costs about as much as drawing this many pixels.
constexpr int64_t minCostForThreads = 4000;

// The cost a call's triangles are expected to have, in pixels: the pixels each may cover (half its
// bounding box, clamped to the target), and its edge walks and span set-up, which weigh about as
// much as 16 pixels.
int64_t expectedCost(const std::vector<TriangleCorners>& drawn, int width, int height);

// Cuts the target's `height` rows into `strips` strips that each expect about the same cost from
// `drawn` (the rows each triangle covers, and its set-up). Any cut draws the same pixels; this one
// keeps the threads equally busy when a call's triangles crowd into part of the screen.
void splitRows(const std::vector<TriangleCorners>& drawn, int strips, int height, StripCut& cut);

// Sets up the call's triangles and keeps the survivors with their corner values in the bin, set up
// and lit on the pool's threads when the call is large enough to share, as when drawn at once.
template <int N, class CornerValues, class DrawSpans>
void keepTriangles(const CallState& call, CallScratch& scratch, int triangles, bool cornersLit,
                   CornerValues& cornerValues, DrawSpans&& drawSpans)
{
    std::vector<KeptTriangle<N>>& out = scratch.bin.triangles<N>();
    const size_t first = out.size();
    WorkerPool* pool = call.pool;
    if (pool == nullptr || pool->threads() == 1 || triangles < minTrianglesForThreads) {
        for (int t = 0; t < triangles; ++t) {
            KeptTriangle<N> triangle;
            if (!setUpTriangle(call, scratch.input, scratch.vertices, t, triangle.corners)) continue;
            for (int i = 0; i < 3; ++i) cornerValues(triangle.corners, i, triangle.values[i]);
            out.push_back(triangle);
        }
    } else {
        setUpTriangles(call, scratch.input, scratch.vertices, triangles, cornersLit, scratch.setUp);
        const std::vector<TriangleCorners>& drawn = scratch.setUp.drawn;
        out.resize(first + drawn.size());
        KeptTriangle<N>* kept = out.data() + first;
        // The corners' colours are already lit: each triangle's values are its own work.
        forItems(pool, drawn.size(), [&](size_t begin, size_t end, int) {
            for (size_t t = begin; t < end; ++t) {
                kept[t].corners = drawn[t];
                for (int i = 0; i < 3; ++i) cornerValues(kept[t].corners, i, kept[t].values[i]);
            }
        });
    }
    if (out.size() == first) return;
    for (size_t t = first; t < out.size(); ++t) scratch.bin.rows.push_back(out[t].corners);
    using Kept = KeptCallOf<N, std::decay_t<DrawSpans>>;
    scratch.bin.calls.push_back(std::make_unique<Kept>(std::forward<DrawSpans>(drawSpans), first, out.size()));
}

// Runs the loop for one path. cornerValues(corners, i, values) fills the N attributes of corner i
// of a triangle that survived set-up, reading the vertex from scratch.input; when cornersLit it may
// call litVertex for that corner's vertex. drawSpans(const EdgeTable<N>& edges, const
// TriangleCorners& corners) draws the spans of the triangle just scanned into `edges` (their rows
// within the strip being drawn), top to bottom.
template <int N, class CornerValues, class DrawSpans>
void scanTriangles(const CallState& call, CallScratch& scratch, bool cornersLit, CornerValues&& cornerValues,
                   DrawSpans&& drawSpans)
{
    WorkerPool* pool = call.pool;
    const int threads = pool != nullptr ? pool->threads() : 1;
    const Viewport& viewport = call.viewport;
    std::vector<EdgeTable<N>>& tables = scratch.edges<N>();
    if (tables.size() < static_cast<size_t>(threads)) tables.resize(static_cast<size_t>(threads));
    for (EdgeTable<N>& table : tables) table.fit(viewport.width, viewport.height, viewport.demoRules);

    scratch.input = viewport.clipNear ? clippedInput(call, scratch.clip) : call.input;
    prepareVertices(call, scratch.input, scratch.vertices);
    const int triangles = drawableTriangles(scratch.input);
    if (scratch.bin.keeping) {
        keepTriangles<N>(call, scratch, triangles, cornersLit, cornerValues, std::forward<DrawSpans>(drawSpans));
        return;
    }
    const auto drawTriangle = [&](const TriangleCorners& corners, EdgeTable<N>& edges, int stripTop,
                                  int stripEnd) {
        float values[3][N];
        for (int i = 0; i < 3; ++i) cornerValues(corners, i, values[i]);
        edges.scan(corners.screen, values, stripTop, stripEnd);
        drawSpans(static_cast<const EdgeTable<N>&>(edges), corners);
    };

    if (threads == 1 || triangles < minTrianglesForThreads) {
        for (int t = 0; t < triangles; ++t) {
            TriangleCorners corners;
            if (setUpTriangle(call, scratch.input, scratch.vertices, t, corners)) {
                drawTriangle(corners, tables[0], 0, viewport.height);
            }
        }
        return;
    }

    setUpTriangles(call, scratch.input, scratch.vertices, triangles, cornersLit, scratch.setUp);
    if (expectedCost(scratch.setUp.drawn, viewport.width, viewport.height) < minCostForThreads) {
        for (const TriangleCorners& corners : scratch.setUp.drawn) {
            drawTriangle(corners, tables[0], 0, viewport.height);
        }
        return;
    }
    splitRows(scratch.setUp.drawn, threads, viewport.height, scratch.strips);
    auto drawStrip = [&](int strip, int thread) {
        const int stripTop = scratch.strips.rows[static_cast<size_t>(strip)];
        const int stripEnd = scratch.strips.rows[static_cast<size_t>(strip) + 1];
        EdgeTable<N>& edges = tables[static_cast<size_t>(thread)];
        for (const TriangleCorners& corners : scratch.setUp.drawn) {
            if (corners.endRow() <= stripTop || corners.topRow() >= stripEnd) continue;
            drawTriangle(corners, edges, stripTop, stripEnd);
        }
    };
    forPieces(*pool, threads, drawStrip);
}

template <int N, class DrawSpans>
void KeptCallOf<N, DrawSpans>::drawStrip(CallScratch& scratch, int thread, int stripTop, int stripEnd) const
{
    EdgeTable<N>& edges = scratch.edges<N>()[static_cast<size_t>(thread)];
    const std::vector<KeptTriangle<N>>& kept = scratch.bin.triangles<N>();
    for (size_t t = first_; t < end_; ++t) {
        const KeptTriangle<N>& triangle = kept[t];
        if (triangle.corners.endRow() <= stripTop || triangle.corners.topRow() >= stripEnd) continue;
        edges.scan(triangle.corners.screen, triangle.values, stripTop, stripEnd);
        drawSpans_(static_cast<const EdgeTable<N>&>(edges), triangle.corners);
    }
}

} // namespace tepple
