#include "render/Projection.h"

#include <algorithm>
#include <cstddef>

#include "geometry/SafeFloat.h"

namespace {

// The substitute depth of a point in the eye's plane.
constexpr float zeroDepthStandIn = 0.1f;
// The float nearest one third: the mean depth is this times the sum, which is a hair above it.
constexpr float oneThird = 0.33333334f;

// Screen positions used by the winding test are held within +-(2^30 - 1) so the 64-bit products
// below cannot overflow; any position that far out already lies absurdly off screen.
int64_t windingCoordinate(int32_t value)
{
    constexpr int32_t limit = (1 << 30) - 1;
    return std::clamp(value, -limit, limit);
}

// Twice the signed screen area; positive when the corners run clockwise with rows growing down.
int64_t windingOf(const ScreenPoint (&p)[3])
{
    const int64_t x0 = windingCoordinate(p[0].x), y0 = windingCoordinate(p[0].y);
    const int64_t x1 = windingCoordinate(p[1].x), y1 = windingCoordinate(p[1].y);
    const int64_t x2 = windingCoordinate(p[2].x), y2 = windingCoordinate(p[2].y);
    return (y0 - y1) * (x2 - x0) - (x0 - x1) * (y2 - y0);
}

// Bounds are inclusive: a corner on column 640 or row 480 keeps the triangle.
bool whollyOffScreen(const ScreenPoint (&p)[3])
{
    const auto allOf = [&p](auto test) { return test(p[0]) && test(p[1]) && test(p[2]); };
    return allOf([](ScreenPoint s) { return s.x < 0; }) || allOf([](ScreenPoint s) { return s.x > screenWidth; }) ||
           allOf([](ScreenPoint s) { return s.y < 0; }) || allOf([](ScreenPoint s) { return s.y > screenHeight; });
}

// There is no clipping: a triangle whose mean depth is below 1 is dropped as a whole.
bool tooNear(const Vertex& c0, const Vertex& c1, const Vertex& c2)
{
    return (static_cast<double>(c2.z) + c1.z + c0.z) * oneThird < 1.0;
}

} // namespace

ScreenPoint project(Vertex v)
{
    const double z = v.z != 0.0f ? v.z : zeroDepthStandIn;
    const double invZ = 1.0 / z;
    // Both axes are centred on 240 and scaled by 320; rows grow with camera y.
    return ScreenPoint{truncToInt(v.x * invZ * 320.0 + 240.0), truncToInt(v.y * invZ * 320.0 + 240.0)};
}

int drawableTriangles(const Renderer& renderer)
{
    // More than 2^31 corners would not fit in memory twice over; the cap keeps the count an int.
    return static_cast<int>(std::min<size_t>(renderer.cornerCount() / 3, INT32_MAX));
}

void prepareVertices(Renderer& renderer)
{
    Renderer::VertexResults& results = renderer.vertexResults;
    const size_t count = renderer.positions.size();
    results.screen.resize(count);
    results.w.resize(count);
    results.lit.resize(count);
    results.litInCall.resize(count, 0);
    results.wantedInCall.resize(count, 0);
    // Call numbers start at 1, so a fresh entry (0) is stale; on wrapping every entry is reset.
    if (++results.call == 0) {
        std::fill(results.litInCall.begin(), results.litInCall.end(), 0u);
        std::fill(results.wantedInCall.begin(), results.wantedInCall.end(), 0u);
        results.call = 1;
    }
    renderer.forItems(count, [&renderer, &results](size_t begin, size_t end, int) {
        for (size_t i = begin; i < end; ++i) {
            const Vertex& v = renderer.positions[i];
            results.screen[i] = project(v);
            results.w[i] = inverseDepth(v.z);
        }
    });
}

bool setUpTriangle(const Renderer& renderer, int triangle, TriangleCorners& corners)
{
    const Renderer::VertexResults& results = renderer.vertexResults;
    for (int i = 0; i < 3; ++i) {
        const size_t vertex = renderer.vertexOfCorner(3 * static_cast<size_t>(triangle) + static_cast<size_t>(i));
        corners.vertex[i] = static_cast<int>(vertex);
        corners.screen[i] = results.screen[vertex];
    }

    if (renderer.blendMode == 0 && renderer.backfaceCull != 0 && windingOf(corners.screen) <= 0) return false;
    if (whollyOffScreen(corners.screen)) return false;
    const auto at = [&](int i) -> const Vertex& { return renderer.positions[static_cast<size_t>(corners.vertex[i])]; };
    if (tooNear(at(0), at(1), at(2))) return false;

    for (int i = 0; i < 3; ++i) corners.w[i] = results.w[static_cast<size_t>(corners.vertex[i])];
    return true;
}

uint32_t litVertex(Renderer& renderer, int vertex)
{
    Renderer::VertexResults& results = renderer.vertexResults;
    const size_t index = static_cast<size_t>(vertex);
    if (results.litInCall[index] == results.call) return results.lit[index];
    const Vertex& position = renderer.positions[index];
    const Vertex normal = index < renderer.normals.size() ? renderer.normals[index] : Vertex(0, 0, 0, 0);
    results.lit[index] = lightVertex(renderer.lights.data(), static_cast<int>(renderer.lights.size()), position,
                                     normal, position.colour);
    results.litInCall[index] = results.call;
    return results.lit[index];
}

void setUpTriangles(Renderer& renderer, int triangles)
{
    Renderer::VertexResults& results = renderer.vertexResults;
    results.drawnInPiece.resize(static_cast<size_t>(renderer.piecesFor(static_cast<size_t>(triangles))));
    for (Renderer::VertexResults::Share& share : results.drawnInPiece) share.triangles.clear();
    Renderer::VertexResults::Share* shares = results.drawnInPiece.data();
    // Each piece's triangles follow the piece before's, so the shares joined in piece order keep
    // the triangles' order.
    renderer.forItems(static_cast<size_t>(triangles), [&](size_t begin, size_t end, int piece) {
        std::vector<TriangleCorners>& share = shares[static_cast<size_t>(piece)].triangles;
        for (size_t t = begin; t < end; ++t) {
            TriangleCorners corners;
            if (setUpTriangle(renderer, static_cast<int>(t), corners)) share.push_back(corners);
        }
    });
    results.drawnTriangles.clear();
    for (const Renderer::VertexResults::Share& share : results.drawnInPiece) {
        results.drawnTriangles.insert(results.drawnTriangles.end(), share.triangles.begin(), share.triangles.end());
    }
}

void lightDrawnCorners(Renderer& renderer)
{
    Renderer::VertexResults& results = renderer.vertexResults;
    const uint32_t call = results.call;
    for (const TriangleCorners& corners : results.drawnTriangles) {
        for (int i = 0; i < 3; ++i) results.wantedInCall[static_cast<size_t>(corners.vertex[i])] = call;
    }
    // Each vertex is lit by the one piece whose range holds it.
    renderer.forItems(results.wantedInCall.size(), [&renderer, &results, call](size_t begin, size_t end, int) {
        for (size_t v = begin; v < end; ++v) {
            if (results.wantedInCall[v] == call) litVertex(renderer, static_cast<int>(v));
        }
    });
}

void splitRows(Renderer& renderer, int strips)
{
    // A triangle's set-up and edge walks weigh about as much as this many of its rows.
    constexpr int64_t setUpRows = 8;
    Renderer::VertexResults& results = renderer.vertexResults;
    std::vector<int64_t>& work = results.rowWork;
    // Differences first (a covered run of rows is +1 at its top, -1 past its end), summed below.
    work.assign(screenHeight + 1, 0);
    for (const TriangleCorners& corners : results.drawnTriangles) {
        const int first = std::clamp<int32_t>(corners.topRow(), 0, screenHeight);
        const int end = std::clamp<int32_t>(corners.endRow(), 0, screenHeight);
        if (first >= end) continue;
        work[static_cast<size_t>(first)] += 1;
        work[static_cast<size_t>(end)] -= 1;
        work[static_cast<size_t>(first)] += setUpRows;
        work[static_cast<size_t>(first) + 1] -= setUpRows;
    }
    int64_t covering = 0;
    int64_t total = 0;
    for (int row = 0; row < screenHeight; ++row) {
        covering += work[static_cast<size_t>(row)];
        total += covering;
        work[static_cast<size_t>(row)] = total; // now the work of rows [0, row]
    }

    results.stripRows.assign(static_cast<size_t>(strips) + 1, screenHeight);
    results.stripRows[0] = 0;
    int row = 0;
    for (int strip = 1; strip < strips; ++strip) {
        // The strip before ends with the first row by which its share of the work is reached.
        const int64_t share = total * strip / strips;
        while (row < screenHeight && work[static_cast<size_t>(row)] < share) ++row;
        results.stripRows[static_cast<size_t>(strip)] = row;
    }
}

uint32_t* lockScreen(Surface& target)
{
    if (target.width() != screenWidth || target.height() != screenHeight) return nullptr;
    return target.lock();
}
