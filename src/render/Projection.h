#pragma once
// What the rasterisers share besides scan conversion: the per-triangle set-up of the three
// depth-tested triangle paths, corner lighting, the depth rule and locking the screen.
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "render/EdgeTable.h"
#include "render/Renderer.h"
#include "render/RowLanes.h"

// w = 1/z, or 0 for a point exactly at z = 0.
inline float inverseDepth(float z) { return z != 0.0f ? static_cast<float>(1.0 / static_cast<double>(z)) : 0.0f; }

// Whole triangles among the corners handed over.
int drawableTriangles(const Renderer& renderer);

// Projects every vertex of the draw call into renderer.vertexResults (screen position and w) and
// marks every lit colour stale. A vertex's values are the same whichever corner uses it, so
// working them out once per vertex gives what working them out per corner would.
void prepareVertices(Renderer& renderer);

// Takes triangle `triangle`'s projected corners from prepareVertices and applies, in order, the
// winding cull (only when blendMode is clear and backfaceCull set), off-screen rejection and near
// rejection (mean depth below 1).
// Returns false when the triangle is dropped.
bool setUpTriangle(const Renderer& renderer, int triangle, TriangleCorners& corners);

// The lit colour of positions entry `vertex`: lightVertex over the whole light list, with the
// vertex's own colour as base, worked out on the first use in a draw call (after prepareVertices)
// and remembered. A vertex without a normal counts as having the zero normal.
uint32_t litVertex(Renderer& renderer, int vertex);

// The depth rule, decided here for all four depth-tested paths (Gouraud, textured, two-texture,
// sprites). A pixel's key is frameCounter + w; the pixel passes when its key is strictly greater
// than the stored one, and then the key is stored, whether or not the pixel's colour is shown.
// Equal keys fail, so of two equal surfaces the first drawn stays. The counter's growth makes
// every key of an earlier frame stale without clearing the buffer: a key stored k frames ago
// loses to any new w above its own w minus k.
//
// The key is formed and stored in double, where it is exact: frameCounter + w fits in 53 bits for
// every w a triangle shows (above 0.001) up to frame 2^20, over an hour at 240 Hz. A float held
// only 24 bits, so at frame 30,000 (under 3.5 minutes at 144 Hz) it kept w to 2^-9, a few depth
// steps across a scene. Past frame 2^20 double rounding can make keys tie but never reorder them.
class DepthRule {
public:
    explicit DepthRule(uint32_t frame) : frame_(frame) {}

    double key(float w) const { return frame_ + static_cast<double>(w); }

    bool pass(double& stored, float w) const
    {
        const double pixelKey = key(w);
        if (!(pixelKey > stored)) return false;
        stored = pixelKey;
        return true;
    }

#if defined(TEPPLE_ROW_LANES)
    // pass() for the pixels of a lane step, w already widened: stores the keys of the active
    // lanes that pass, and returns those lanes.
    int passLanes(double* buffer, const LaneStep& step, DoubleLanes w) const
    {
        const DoubleLanes key = lanesOf(frame_) + w;
        const DoubleLanes stored = loadLanes(buffer[step.pixel[0]], buffer[step.pixel[1]], buffer[step.pixel[2]],
                                             buffer[step.pixel[3]]);
        const int passed = laneBits(greaterLanes(key, stored)) & step.active;
        if (passed == 0) return 0;
        alignas(16) double keys[spanLanes];
        storeLanes(keys, key);
        for (int lane = 0; lane < spanLanes; ++lane) {
            if (passed >> lane & 1) buffer[step.pixel[lane]] = keys[lane];
        }
        return passed;
    }
#endif

private:
    double frame_;
};

// Triangle pixels are shown only for camera distances strictly between 10 and 1000.
inline bool insideVisibilityWindow(float w) { return w > 0.001 && w < 0.1; }

// The target's pixels when it is screen-sized; null (nothing to draw into) otherwise.
uint32_t* lockScreen(Surface& target);

// Calls with fewer triangles than this are drawn on the calling thread alone: handing them out
// costs more than sharing so little gains.
constexpr int minTrianglesForThreads = 32;

// Sets up triangles [0, triangles) (setUpTriangle), shared among the threads, and keeps those
// that survive in vertexResults.drawnTriangles, in their order.
void setUpTriangles(Renderer& renderer, int triangles);

// Works out the lit colour (litVertex) of every vertex a corner of vertexResults.drawnTriangles
// uses, the vertices shared among the threads, so that drawing only reads them.
void lightDrawnCorners(Renderer& renderer);

// Cuts the rows of the screen into `strips` runs of rows that each expect about the same work
// from vertexResults.drawnTriangles (the rows each triangle covers, and its set-up), into
// vertexResults.stripRows. Any cut draws the same pixels; this one keeps the threads equally busy
// when a call's triangles crowd into part of the screen.
void splitRows(Renderer& renderer, int strips);

// The loop every depth-tested triangle path shares: set-up, then scan conversion through the
// path's edge table of the thread (renderer.*edgesOf), then drawSpan for the spans.
// cornerValues(corners, i, values) fills the N attributes of corner i of a triangle that survived
// set-up; when cornersLit it may call litVertex for that corner's vertex. drawSpan takes either
// one span, or (const Span<N>* spans, int count) up to spanLanes rows of one triangle, top to
// bottom. With several threads the set-up and the lighting run first, shared among them, so that
// drawing only reads what they made; the rows are then cut into strips, and the thread that
// takes a strip walks the surviving triangles in order for that strip's rows alone.
template <int N, class CornerValues, class DrawSpan>
void scanTriangles(Renderer& renderer, EdgeTable<N>& (Renderer::*edgesOf)(int), bool cornersLit,
                   CornerValues&& cornerValues, DrawSpan&& drawSpan)
{
    prepareVertices(renderer);
    const int triangles = drawableTriangles(renderer);
    const auto drawTriangle = [&](const TriangleCorners& corners, EdgeTable<N>& edges, int stripTop, int stripEnd) {
        float values[3][N];
        for (int i = 0; i < 3; ++i) cornerValues(corners, i, values[i]);
        edges.scan(corners.screen, values, stripTop, stripEnd);
        if constexpr (std::is_invocable_v<DrawSpan&, const Span<N>*, int>) {
            // No row is wider than its triangle: a narrow one skips gathering rows into groups.
            if (corners.width() >= minLaneRowLength) {
                edges.template forEachSpanGroup<spanLanes>(drawSpan);
            } else {
                edges.forEachSpan([&drawSpan](const Span<N>& span) { drawSpan(&span, 1); });
            }
        } else {
            edges.forEachSpan(drawSpan);
        }
    };

    if (renderer.threads() == 1 || triangles < minTrianglesForThreads) {
        EdgeTable<N>& edges = (renderer.*edgesOf)(0);
        for (int t = 0; t < triangles; ++t) {
            TriangleCorners corners;
            if (setUpTriangle(renderer, t, corners)) drawTriangle(corners, edges, 0, screenHeight);
        }
        return;
    }

    setUpTriangles(renderer, triangles);
    if (cornersLit) lightDrawnCorners(renderer);
    const std::vector<TriangleCorners>& drawn = renderer.vertexResults.drawnTriangles;
    const int strips = Renderer::stripsPerThread * renderer.threads();
    splitRows(renderer, strips);
    const auto drawStrip = [&](int strip, int thread) {
        const int stripTop = renderer.vertexResults.stripRows[static_cast<size_t>(strip)];
        const int stripEnd = renderer.vertexResults.stripRows[static_cast<size_t>(strip) + 1];
        EdgeTable<N>& edges = (renderer.*edgesOf)(thread);
        for (const TriangleCorners& corners : drawn) {
            if (corners.endRow() <= stripTop || corners.topRow() >= stripEnd) continue;
            drawTriangle(corners, edges, stripTop, stripEnd);
        }
    };
    using DrawStrip = decltype(drawStrip);
    renderer.runPieces(
        [](void* context, int strip, int thread) { (*static_cast<const DrawStrip*>(context))(strip, thread); },
        const_cast<void*>(static_cast<const void*>(&drawStrip)), strips);
}
