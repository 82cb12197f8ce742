#pragma once
// The vertex stage, the first of a triangle draw call: every vertex handed over (already in camera
// space, see MeshDraw.h) is projected once, and lit on first use, whichever corners share it.
// Results live for one call and are refilled by the next; the arrays grow to the largest call and
// are then reused, so drawing allocates nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Vertex.h"
#include "render/Viewport.h"
#include "render/stages/CallState.h"

namespace tepple {

// project(), declared with the viewport (Viewport.h), is defined here beside its callers.

// w = 1/z, or 0 for a point exactly at z = 0.
inline float inverseDepth(float z)
{
    return z != 0.0f ? static_cast<float>(1.0 / static_cast<double>(z)) : 0.0f;
}

// The copies a call cut at the near plane reads instead of the renderer's arrays: every vertex
// handed over, then the vertices made where edges cross the plane, and the corners of what lies
// beyond it.
struct NearClip {
    std::vector<Vertex> positions;
    std::vector<Vertex> normals;
    std::vector<int32_t> corners;
};

// The call's input: the renderer's arrays (call.input), or, when the viewport clips and some triangle crosses
// the plane z = nearDistance, copies in `clip` where each such triangle is replaced by the one or
// two triangles of its part beyond the plane (its winding kept), with every attribute of a new
// corner interpolated along the edge it lies on. Triangles wholly before the plane are dropped.
CallInput clippedInput(const CallState& call, NearClip& clip);

// What the stage works out per vertex of the call in progress.
struct VertexResults {
    std::vector<ScreenPoint> screen;
    std::vector<float> w;
    std::vector<uint32_t> lit;
    std::vector<uint32_t> litInCall;    // lit[i] is valid while litInCall[i] == call
    std::vector<uint32_t> wantedInCall; // a drawn corner uses vertex i while wantedInCall[i] == call
    uint32_t call = 0;
};

// Projects every vertex of `input` into `results` (screen position and w), shared among the call's
// pool's threads, and marks every lit colour stale.
void prepareVertices(const CallState& call, const CallInput& input, VertexResults& results);

// The lit colour of positions entry `vertex`: shadePoint (the general rules) or lightVertex (the
// demonstration's) over the call's whole light list, with the vertex's own colour as base, worked
// out on the first use in a call (after prepareVertices) and remembered. A vertex without a normal
// counts as having the zero normal.
// Only the call's one thread asks for a colour not yet worked out (set-up works out every drawn
// corner's first when the call is shared: TriangleSetup.h).
uint32_t litVertex(const CallState& call, const CallInput& input, VertexResults& results, int vertex);

// Whether the call's lit colours depend on a vertex's position only through the side the eye sees
// (facesAwayFromEye): the general rules with directional lights alone.
bool lightingIgnoresPosition(const CallState& call);

// litVertex, taking the colour of `previous` (an entry this thread lit in this call, or -1) when it
// must come out the same: with ignoresPosition, an equal colour, normal and side. The corners of a
// flat-shaded face are such vertices, one after another.
uint32_t litVertexAfter(const CallState& call, const CallInput& input, VertexResults& results, int vertex,
                        int previous, bool ignoresPosition);

} // namespace tepple
