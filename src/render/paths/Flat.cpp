// The flat path: paints each triangle in one face-lit colour, in buffer order, with 16.16
// fixed-point edges split at the middle corner (clearing the target first under the demonstration's
// rules). No depth, rejection or clipping. The general rules drop back faces as the winding cull
// says (Renderer::backfaceCull) and light each face's first corner's colour by every light
// (shadeFace); the demonstration's draw every face and light pure red by the last light.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "render/paths/Paths.h"
#include "render/stages/TriangleSetup.h"
#include "render/stages/VertexStage.h"

namespace tepple {

namespace {

// Under the demonstration's rules faces are lit from this pure red.
constexpr uint32_t faceBaseColour = 0x00FF0000;

// Screen positions are held within this range before the 16.16 arithmetic, so every edge
// position and step fits easily in 64 bits (2^20 x 2^16 per row, over at most 2^21 rows), and for
// any position on the demonstration's picture every value equals what 32-bit arithmetic gives.
constexpr int32_t demoPositionLimit = 16384;
constexpr int32_t positionLimit = 1 << 20;

using Fixed = int64_t; // 16.16

Fixed toFixed(int64_t whole) { return whole * 65536; }
// Arithmetic shift: rounds toward minus infinity, also for negative positions.
int64_t wholePart(Fixed value) { return value >> 16; }

// The target of a call: its pixels and size, and its rules (Viewport::demoRules).
struct FlatTarget {
    uint32_t* pixels;
    int width;
    int height;
    int rightStop;      // where a row reaching past the right edge stops (exclusive)
    int32_t limit;      // positions are held within +-limit
};

struct Corner {
    int64_t x;
    int64_t y;
};

Corner clampedCorner(ScreenPoint p, int32_t limit)
{
    return Corner{std::clamp(p.x, -limit, limit), std::clamp(p.y, -limit, limit)};
}

uint32_t faceColour(const CallState& call, const Vertex* c)
{
    if (!call.viewport.demoRules) {
        return shadeFace(call.lights.data(), static_cast<int>(call.lights.size()), call.ambient, c[0], c[1],
                         c[2], c[0].colour);
    }
    // The face takes the colour of the last light; with no lights it keeps its unlit base colour.
    if (call.lights.empty()) return faceBaseColour;
    Vertex edge1 = c[0];
    vecSub(edge1, c[1]);
    Vertex edge2 = c[1];
    vecSub(edge2, c[2]);
    Vertex centre = c[0];
    vecAdd(centre, c[1]);
    vecAdd(centre, c[2]);
    vecDiv(centre, 3.0f);
    return lightFace(call.lights.back(), edge1, edge2, centre, faceBaseColour);
}

// Paints row y between two edge positions, the right end excluded; a right end past the target
// stops at target.rightStop.
void fillRow(const FlatTarget& target, int64_t y, Fixed first, Fixed second, uint32_t colour)
{
    if (y < 0 || y >= target.height) return;
    int64_t lo = std::min(wholePart(first), wholePart(second));
    int64_t hi = std::max(wholePart(first), wholePart(second));
    if (lo < 0) lo = 0;
    if (hi > target.rightStop) hi = target.rightStop;
    if (lo >= hi) return;
    uint32_t* row = target.pixels + static_cast<size_t>(y) * static_cast<size_t>(target.width);
    std::fill(row + lo, row + hi, colour);
}

// Fills rows [fromRow, toRow) with edge positions that are firstStart and secondStart at
// fromRow and move by firstStep and secondStep per row. Only rows on screen are visited: the
// positions are exact integers, so jumping to a row gives what stepping to it would.
void fillRows(const FlatTarget& target, int64_t fromRow, int64_t toRow, Fixed firstStart, Fixed firstStep,
              Fixed secondStart, Fixed secondStep, uint32_t colour)
{
    const int64_t first = std::max<int64_t>(fromRow, 0);
    const int64_t end = std::min<int64_t>(toRow, target.height);
    for (int64_t y = first; y < end; ++y) {
        const int64_t rowsDown = y - fromRow;
        fillRow(target, y, firstStart + rowsDown * firstStep, secondStart + rowsDown * secondStep, colour);
    }
}

void fillTriangle(const FlatTarget& target, ScreenPoint p0, ScreenPoint p1, ScreenPoint p2, uint32_t colour)
{
    // Top, middle and bottom by row, with these three compare-and-swaps (whole points move).
    Corner top = clampedCorner(p0, target.limit), middle = clampedCorner(p1, target.limit),
           bottom = clampedCorner(p2, target.limit);
    if (middle.y > bottom.y) std::swap(middle, bottom);
    if (top.y > bottom.y) std::swap(top, bottom);
    if (top.y > middle.y) std::swap(top, middle);

    // The long and upper steps divide by the row count + 1, the lower one by the row count.
    // Integer division truncates toward zero.
    const Fixed longStep = toFixed(bottom.x - top.x) / (bottom.y - top.y + 1);
    if (middle.y != top.y) {
        const Fixed upperStep = toFixed(middle.x - top.x) / (middle.y - top.y + 1);
        fillRows(target, top.y, middle.y, toFixed(top.x), longStep, toFixed(top.x), upperStep, colour);
    }
    if (bottom.y != middle.y) {
        const Fixed lowerStep = toFixed(bottom.x - middle.x) / (bottom.y - middle.y);
        const Fixed longAtMiddle = toFixed(top.x) + (middle.y - top.y) * longStep;
        // The lower half includes the bottom row.
        fillRows(target, middle.y, bottom.y + 1, longAtMiddle, longStep, toFixed(middle.x), lowerStep,
                 colour);
    }
}

} // namespace

void paths::flat(const CallState& call, CallScratch&)
{
    const Viewport& viewport = call.viewport;
    const bool demo = viewport.demoRules;
    // Under the demonstration's rules a row past the right edge leaves the last column unpainted.
    const FlatTarget flat{call.buffers.pixels, viewport.width, viewport.height,
                          demo ? viewport.width - 1 : viewport.width,
                          demo ? demoPositionLimit : positionLimit};
    if (demo) {
        std::fill(flat.pixels,
                  flat.pixels + static_cast<size_t>(viewport.width) * static_cast<size_t>(viewport.height),
                  0u);
    }
    const CallInput& input = call.input;
    const int triangles = drawableTriangles(input);
    for (int t = 0; t < triangles; ++t) {
        const size_t first = 3 * static_cast<size_t>(t);
        const Vertex c[3] = {input.positions[input.vertexOfCorner(first)],
                             input.positions[input.vertexOfCorner(first + 1)],
                             input.positions[input.vertexOfCorner(first + 2)]};
        const ScreenPoint screen[3] = {project(c[0], viewport), project(c[1], viewport),
                                       project(c[2], viewport)};
        // The general rules honour the winding cull as the other paths do; it is what keeps a
        // closed mesh's far side, drawn without a depth test, from showing through.
        if (!demo && !call.blend && call.cullBackFaces && windingOf(screen) <= 0) continue;
        fillTriangle(flat, screen[0], screen[1], screen[2], faceColour(call, c));
    }
}

} // namespace tepple
