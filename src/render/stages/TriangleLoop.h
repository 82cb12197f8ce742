#pragma once
// The triangle loop every depth-tested triangle path shares: the vertex stage, set-up, then scan
// conversion of each surviving triangle in the call's order through the path's edge table, whose
// spans the path then draws.
//
// With several threads the rows of the screen are cut into strips, one per thread, and the thread
// that takes a strip walks every surviving triangle in order for that strip's rows alone; set-up
// and corner lighting run first, shared among the threads, so that drawing only reads what they
// made. Every pixel, depth key and accumulation value is then what one thread gives.
#include <cstdint>
#include <vector>

#include "render/WorkerPool.h"
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
    pool->forPieces(threads, drawStrip);
}

} // namespace tepple
