// The flat path: clears the target and paints each triangle in one face-lit colour, in buffer
// order, with 16.16 fixed-point edges split at the middle corner. No depth, culling or rejection.
#include <algorithm>
#include <cstddef>
#include <utility>

#include "render/Renderer.h"
#include "render/TriangleSetup.h"
#include "render/VertexStage.h"

namespace {

// Faces are lit from this pure red.
constexpr uint32_t faceBaseColour = 0x00FF0000;

// Screen positions are held within this range before the 16.16 arithmetic, so every edge
// position and step fits easily in 64 bits, and for any real screen position every value equals
// what 32-bit arithmetic gives.
constexpr int32_t positionLimit = 16384;

using Fixed = int64_t; // 16.16

Fixed toFixed(int64_t whole) { return whole * 65536; }
// Arithmetic shift: rounds toward minus infinity, also for negative positions.
int64_t wholePart(Fixed value) { return value >> 16; }

struct Corner {
    int64_t x;
    int64_t y;
};

Corner clampedCorner(ScreenPoint p)
{
    return Corner{std::clamp(p.x, -positionLimit, positionLimit), std::clamp(p.y, -positionLimit, positionLimit)};
}

// The face takes the colour of the last light; with no lights it keeps its unlit base colour.
uint32_t faceColour(const Renderer& renderer, const Vertex* c)
{
    if (renderer.lights.empty()) return faceBaseColour;
    Vertex edge1 = c[0];
    vecSub(edge1, c[1]);
    Vertex edge2 = c[1];
    vecSub(edge2, c[2]);
    Vertex centre = c[0];
    vecAdd(centre, c[1]);
    vecAdd(centre, c[2]);
    vecDiv(centre, 3.0f);
    return lightFace(renderer.lights.back(), edge1, edge2, centre, faceBaseColour);
}

// Paints row y between two edge positions, the right end excluded; a right end past the screen
// stops at column 638.
void fillRow(uint32_t* screen, int64_t y, Fixed first, Fixed second, uint32_t colour)
{
    if (y < 0 || y >= screenHeight) return;
    int64_t lo = std::min(wholePart(first), wholePart(second));
    int64_t hi = std::max(wholePart(first), wholePart(second));
    if (lo < 0) lo = 0;
    if (hi >= screenWidth) hi = screenWidth - 1;
    if (lo >= hi) return;
    uint32_t* row = screen + static_cast<size_t>(y) * screenWidth;
    std::fill(row + lo, row + hi, colour);
}

// Fills rows [fromRow, toRow) with edge positions that are firstStart and secondStart at
// fromRow and move by firstStep and secondStep per row. Only rows on screen are visited: the
// positions are exact integers, so jumping to a row gives what stepping to it would.
void fillRows(uint32_t* screen, int64_t fromRow, int64_t toRow, Fixed firstStart, Fixed firstStep,
              Fixed secondStart, Fixed secondStep, uint32_t colour)
{
    const int64_t first = std::max<int64_t>(fromRow, 0);
    const int64_t end = std::min<int64_t>(toRow, screenHeight);
    for (int64_t y = first; y < end; ++y) {
        const int64_t rowsDown = y - fromRow;
        fillRow(screen, y, firstStart + rowsDown * firstStep, secondStart + rowsDown * secondStep, colour);
    }
}

void fillTriangle(uint32_t* screen, ScreenPoint p0, ScreenPoint p1, ScreenPoint p2, uint32_t colour)
{
    // Top, middle and bottom by row, with these three compare-and-swaps (whole points move).
    Corner top = clampedCorner(p0), middle = clampedCorner(p1), bottom = clampedCorner(p2);
    if (middle.y > bottom.y) std::swap(middle, bottom);
    if (top.y > bottom.y) std::swap(top, bottom);
    if (top.y > middle.y) std::swap(top, middle);

    // The long and upper steps divide by the row count + 1, the lower one by the row count.
    // Integer division truncates toward zero.
    const Fixed longStep = toFixed(bottom.x - top.x) / (bottom.y - top.y + 1);
    if (middle.y != top.y) {
        const Fixed upperStep = toFixed(middle.x - top.x) / (middle.y - top.y + 1);
        fillRows(screen, top.y, middle.y, toFixed(top.x), longStep, toFixed(top.x), upperStep, colour);
    }
    if (bottom.y != middle.y) {
        const Fixed lowerStep = toFixed(bottom.x - middle.x) / (bottom.y - middle.y);
        const Fixed longAtMiddle = toFixed(top.x) + (middle.y - top.y) * longStep;
        // The lower half includes the bottom row.
        fillRows(screen, middle.y, bottom.y + 1, longAtMiddle, longStep, toFixed(middle.x), lowerStep, colour);
    }
}

} // namespace

void Renderer::drawFlat(Surface& target)
{
    uint32_t* screen = lockScreen(target);
    if (screen == nullptr) return;
    std::fill(screen, screen + static_cast<size_t>(screenWidth) * screenHeight, 0u);
    const int triangles = drawableTriangles(*this);
    for (int t = 0; t < triangles; ++t) {
        const size_t first = 3 * static_cast<size_t>(t);
        const Vertex c[3] = {positions[vertexOfCorner(first)], positions[vertexOfCorner(first + 1)],
                             positions[vertexOfCorner(first + 2)]};
        const uint32_t colour = faceColour(*this, c);
        fillTriangle(screen, project(c[0]), project(c[1]), project(c[2]), colour);
    }
}
