#include "render/stages/TriangleSetup.h"

#include <algorithm>
#include <cstddef>

#include "render/PoolJobs.h"

namespace tepple {

namespace {

// The float nearest one third: the mean depth is this times the sum, which is a hair above it.
constexpr float oneThird = 0.33333334f;

// Screen positions used by the winding test are held within +-(2^30 - 1) so the 64-bit products
// below cannot overflow; any position that far out already lies absurdly off screen.
int64_t windingCoordinate(int32_t value)
{
    constexpr int32_t limit = (1 << 30) - 1;
    return std::clamp(value, -limit, limit);
}

bool whollyOffScreen(const ScreenPoint (&p)[3], int width, int height)
{
    const auto allOf = [&p](auto test) { return test(p[0]) && test(p[1]) && test(p[2]); };
    return allOf([](ScreenPoint s) { return s.x < 0; }) ||
           allOf([width](ScreenPoint s) { return s.x > width; }) ||
           allOf([](ScreenPoint s) { return s.y < 0; }) ||
           allOf([height](ScreenPoint s) { return s.y > height; });
}

bool tooNear(const Vertex& c0, const Vertex& c1, const Vertex& c2)
{
    return (static_cast<double>(c2.z) + c1.z + c0.z) * oneThird < 1.0;
}

void lightDrawnCorners(const CallState& call, const CallInput& input, VertexResults& vertices,
                       const std::vector<TriangleCorners>& drawn)
{
    const uint32_t callNumber = vertices.call;
    for (const TriangleCorners& corners : drawn) {
        for (int i = 0; i < 3; ++i)
            vertices.wantedInCall[static_cast<size_t>(corners.vertex[i])] = callNumber;
    }
    // Each vertex is lit by the one piece whose range holds it, which may reuse only what it lit.
    const bool ignoresPosition = lightingIgnoresPosition(call);
    forItems(call.pool, vertices.wantedInCall.size(), [&](size_t begin, size_t end, int) {
        int previous = -1;
        for (size_t v = begin; v < end; ++v) {
            if (vertices.wantedInCall[v] != callNumber) continue;
            litVertexAfter(call, input, vertices, static_cast<int>(v), previous, ignoresPosition);
            previous = static_cast<int>(v);
        }
    });
}

} // namespace

// Twice the signed screen area; positive when the corners run clockwise with rows growing down.
int64_t windingOf(const ScreenPoint (&p)[3])
{
    const int64_t x0 = windingCoordinate(p[0].x), y0 = windingCoordinate(p[0].y);
    const int64_t x1 = windingCoordinate(p[1].x), y1 = windingCoordinate(p[1].y);
    const int64_t x2 = windingCoordinate(p[2].x), y2 = windingCoordinate(p[2].y);
    return (y0 - y1) * (x2 - x0) - (x0 - x1) * (y2 - y0);
}

int drawableTriangles(const CallInput& input)
{
    // More than 2^31 corners would not fit in memory twice over; the cap keeps the count an int.
    return static_cast<int>(std::min<size_t>(input.cornerCount() / 3, INT32_MAX));
}

bool setUpTriangle(const CallState& call, const CallInput& input, const VertexResults& vertices, int triangle,
                   TriangleCorners& corners)
{
    for (int i = 0; i < 3; ++i) {
        const size_t vertex =
            input.vertexOfCorner(3 * static_cast<size_t>(triangle) + static_cast<size_t>(i));
        corners.vertex[i] = static_cast<int>(vertex);
        corners.screen[i] = vertices.screen[vertex];
    }

    if (!call.blend && call.cullBackFaces && windingOf(corners.screen) <= 0) return false;
    if (whollyOffScreen(corners.screen, call.viewport.width, call.viewport.height)) return false;
    const auto at = [&](int i) -> const Vertex& {
        return input.positions[static_cast<size_t>(corners.vertex[i])];
    };
    if (!call.viewport.clipNear && tooNear(at(0), at(1), at(2))) return false;

    for (int i = 0; i < 3; ++i) corners.w[i] = vertices.w[static_cast<size_t>(corners.vertex[i])];
    return true;
}

void setUpTriangles(const CallState& call, const CallInput& input, VertexResults& vertices, int triangles,
                    bool lightCorners, SetUpResults& results)
{
    WorkerPool* pool = call.pool;
    const size_t count = static_cast<size_t>(triangles);
    results.drawnInPiece.resize(static_cast<size_t>(pool != nullptr ? piecesFor(*pool, count) : 1));
    for (SetUpResults::Share& share : results.drawnInPiece) share.triangles.clear();
    SetUpResults::Share* shares = results.drawnInPiece.data();
    // Each piece's triangles follow the piece before's, so the shares joined in piece order keep
    // the triangles' order.
    forItems(pool, count, [&](size_t begin, size_t end, int piece) {
        std::vector<TriangleCorners>& share = shares[static_cast<size_t>(piece)].triangles;
        for (size_t t = begin; t < end; ++t) {
            TriangleCorners corners;
            if (setUpTriangle(call, input, vertices, static_cast<int>(t), corners)) share.push_back(corners);
        }
    });
    results.drawn.clear();
    for (const SetUpResults::Share& share : results.drawnInPiece) {
        results.drawn.insert(results.drawn.end(), share.triangles.begin(), share.triangles.end());
    }
    if (lightCorners) lightDrawnCorners(call, input, vertices, results.drawn);
}

} // namespace tepple
