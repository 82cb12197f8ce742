#pragma once
// Triangle set-up, the second stage: each triangle of the call takes its corners' projected
// positions and w from the vertex stage and meets, in order, the winding cull (only when the call
// culls back faces and does not blend), off-screen rejection and near rejection. What survives is a
// TriangleCorners record, the one thing the triangle loop reads.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "render/Viewport.h"
#include "render/stages/CallState.h"
#include "render/stages/VertexStage.h"

namespace tepple {

// The corners of a triangle that survived set-up, in buffer order.
struct TriangleCorners {
    int vertex[3]; // each corner's entry in the call input's positions (and normals)
    ScreenPoint screen[3];
    float w[3];    // 1/z, or 0 for a corner exactly at z = 0

    // The rows the triangle covers: from its top corner's up to, not including, its bottom one's
    // (unclamped, so either may lie off screen).
    int32_t topRow() const { return std::min({screen[0].y, screen[1].y, screen[2].y}); }
    int32_t endRow() const { return std::max({screen[0].y, screen[1].y, screen[2].y}); }
    // The columns between its leftmost and rightmost corner.
    int64_t width() const
    {
        return static_cast<int64_t>(std::max({screen[0].x, screen[1].x, screen[2].x})) -
               std::min({screen[0].x, screen[1].x, screen[2].x});
    }
};

// Twice the signed screen area of three projected corners: positive when they run clockwise with
// rows growing down (the winding cull keeps those).
int64_t windingOf(const ScreenPoint (&p)[3]);

// Whole triangles among the corners of the call.
int drawableTriangles(const CallInput& input);

// Sets up triangle `triangle` from the vertex stage's results. Off screen means all three corners
// beyond the same edge (a corner on the column or row just past the target keeps it); too near means a
// mean depth below 1 when the viewport does not clip, dropped whole. Returns false when it is dropped.
bool setUpTriangle(const CallState& call, const CallInput& input, const VertexResults& vertices, int triangle,
                   TriangleCorners& corners);

// The survivors of a call set up ahead of drawing, when the call is shared among threads.
struct SetUpResults {
    std::vector<TriangleCorners> drawn; // in their order in the call
    // Each piece's share while set up; a cache line each, since the threads grow their pieces'
    // lists at the same time.
    struct alignas(64) Share {
        std::vector<TriangleCorners> triangles;
    };
    std::vector<Share> drawnInPiece;
};

// Sets up triangles [0, triangles), shared among the pool's threads, into results.drawn in their
// order; when lightCorners, then works out the lit colour (litVertex) of every vertex a survivor
// uses, shared the same way, so that drawing only reads them.
void setUpTriangles(const CallState& call, const CallInput& input, VertexResults& vertices, int triangles,
                    bool lightCorners, SetUpResults& results);

} // namespace tepple
