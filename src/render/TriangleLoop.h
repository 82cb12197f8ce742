#pragma once
// The triangle loop every depth-tested triangle path shares: the vertex stage, set-up, then scan
// conversion of each surviving triangle in the call's order through the path's edge table, and
// the path's span kernel for its rows.
//
// With several threads the rows of the screen are cut into strips, one per thread, and the thread
// that takes a strip walks every surviving triangle in order for that strip's rows alone; set-up
// and corner lighting run first, shared among the threads, so that drawing only reads what they
// made. Every pixel, depth key and accumulation value is then what one thread gives.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/EdgeTable.h"
#include "render/LaneWidth.h"
#include "render/Renderer.h"
#include "render/TriangleSetup.h"
#include "render/VertexStage.h"
#include "render/WorkerPool.h"

// The cut of the screen's rows into strips: strip s is rows [rows[s], rows[s + 1]).
struct StripCut {
    std::vector<int> rows;
    std::vector<int64_t> rowWork; // per row, the work expected there (splitRows)
};

// Everything a draw call works in, kept by the renderer from call to call so that drawing
// allocates nothing once the areas have grown to the largest call: the vertex stage's results,
// the survivors of set-up, the strip cut, and each thread's scan-conversion tables, one per
// attribute set (N = 4 smooth-shaded, 5 two-texture, 6 textured).
struct CallWork {
    CallInput input; // what the call reads: the renderer's arrays or the near-clipped copies
    NearClip clip;
    VertexResults vertices;
    SetUpResults setUp;
    StripCut strips;
    std::vector<EdgeTable<4>> edges4;
    std::vector<EdgeTable<5>> edges5;
    std::vector<EdgeTable<6>> edges6;

    template <int N>
    std::vector<EdgeTable<N>>& edges()
    {
        static_assert(N >= 4 && N <= 6, "no path interpolates this many attributes");
        if constexpr (N == 4) {
            return edges4;
        } else if constexpr (N == 5) {
            return edges5;
        } else {
            return edges6;
        }
    }
};

// Calls with fewer triangles than this are drawn on the calling thread alone: handing them out
// costs more than sharing so little gains.
constexpr int minTrianglesForThreads = 32;

// A call expecting less work than this (expectedWork) is drawn on the calling thread alone once
// set up: handing strips to other threads costs about as much as drawing this many pixels.
constexpr int64_t minWorkForThreads = 4000;

// The work a call's triangles are expected to make, in pixels: the pixels each may cover (half its
// bounding box, clamped to the target), and its edge walks and span set-up, which weigh about as
// much as 16 pixels.
int64_t expectedWork(const std::vector<TriangleCorners>& drawn, int width, int height);

// Cuts the target's `height` rows into `strips` strips that each expect about the same work from
// `drawn` (the rows each triangle covers, and its set-up). Any cut draws the same pixels; this one keeps
// the threads equally busy when a call's triangles crowd into part of the screen.
void splitRows(const std::vector<TriangleCorners>& drawn, int strips, int height, StripCut& cut);

// A group whose rows are all shorter than this is drawn one row at a time even where lanes are
// available: laying short rows side by side costs more than the lanes save.
constexpr int minLaneRowLength = 6;

// A triangle narrower than this hands its rows over at most narrowLaneGroup at a time, so they are
// drawn four side by side at most: a wider set's steps cost more, and rows this short leave too
// many of its lanes idle to make up for it.
constexpr int minWideLaneRowLength = 24;
constexpr int narrowLaneGroup = 4;

// Whether some row of a group is long enough for lanes to pay.
template <int N>
bool worthLanes(const Span<N>* spans, int count)
{
    for (int i = 0; i < count; ++i) {
        if (spans[i].right - spans[i].left >= minLaneRowLength) return true;
    }
    return false;
}

// Runs the loop for one path. cornerValues(corners, i, values) fills the N attributes of corner i
// of a triangle that survived set-up, reading the vertex from work.input; when cornersLit it may
// call litVertex for that corner's vertex. drawRows(const Span<N>* spans, int count) is the path's
// span kernel: it gets up to Lanes rows of one triangle at a time, top to bottom, and only one at a
// time for a triangle too narrow for lanes (under minLaneRowLength columns), and up to
// narrowLaneGroup at a time for one under minWideLaneRowLength columns.
template <int N, int Lanes, class CornerValues, class DrawRows>
void scanTriangles(const Renderer& renderer, CallWork& work, bool cornersLit, CornerValues&& cornerValues,
                   DrawRows&& drawRows)
{
    WorkerPool* pool = renderer.pool();
    const int threads = pool != nullptr ? pool->threads() : 1;
    const Viewport& viewport = renderer.viewport();
    std::vector<EdgeTable<N>>& tables = work.edges<N>();
    if (tables.size() < static_cast<size_t>(threads)) tables.resize(static_cast<size_t>(threads));
    for (EdgeTable<N>& table : tables) table.fit(viewport.width, viewport.height, viewport.demoRules);

    work.input = viewport.clipNear ? clippedInput(renderer, work.clip) : CallInput::of(renderer);
    prepareVertices(renderer, work.input, pool, work.vertices);
    const int triangles = drawableTriangles(work.input);
    const auto drawTriangle = [&](const TriangleCorners& corners, EdgeTable<N>& edges, int stripTop, int stripEnd) {
        float values[3][N];
        for (int i = 0; i < 3; ++i) cornerValues(corners, i, values[i]);
        edges.scan(corners.screen, values, stripTop, stripEnd);
        // No row is wider than its triangle.
        if (Lanes > narrowLaneGroup && corners.width() >= minWideLaneRowLength) {
            edges.template forEachSpanGroup<Lanes>(drawRows);
        } else if (Lanes > 1 && corners.width() >= minLaneRowLength) {
            edges.template forEachSpanGroup<std::min(Lanes, narrowLaneGroup)>(drawRows);
        } else {
            edges.template forEachSpanGroup<1>(drawRows);
        }
    };

    if (threads == 1 || triangles < minTrianglesForThreads) {
        for (int t = 0; t < triangles; ++t) {
            TriangleCorners corners;
            if (setUpTriangle(renderer, work.input, work.vertices, t, corners)) {
                drawTriangle(corners, tables[0], 0, viewport.height);
            }
        }
        return;
    }

    setUpTriangles(renderer, work.input, pool, work.vertices, triangles, cornersLit, work.setUp);
    if (expectedWork(work.setUp.drawn, viewport.width, viewport.height) < minWorkForThreads) {
        for (const TriangleCorners& corners : work.setUp.drawn) drawTriangle(corners, tables[0], 0, viewport.height);
        return;
    }
    splitRows(work.setUp.drawn, threads, viewport.height, work.strips);
    auto drawStrip = [&](int strip, int thread) {
        const int stripTop = work.strips.rows[static_cast<size_t>(strip)];
        const int stripEnd = work.strips.rows[static_cast<size_t>(strip) + 1];
        EdgeTable<N>& edges = tables[static_cast<size_t>(thread)];
        for (const TriangleCorners& corners : work.setUp.drawn) {
            if (corners.endRow() <= stripTop || corners.topRow() >= stripEnd) continue;
            drawTriangle(corners, edges, stripTop, stripEnd);
        }
    };
    pool->forPieces(threads, drawStrip);
}

// The span kernel of a path without a lane form: drawRow(span) for each row handed over.
template <class DrawRow>
auto rowByRow(DrawRow&& drawRow)
{
    return [&drawRow](const auto* spans, int count) {
        for (int i = 0; i < count; ++i) drawRow(spans[i]);
    };
}
