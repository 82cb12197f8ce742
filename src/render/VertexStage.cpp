#include "render/VertexStage.h"

#include <algorithm>

#include "geometry/Lighting.h"
#include "geometry/SafeFloat.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

namespace {

// The substitute depth of a point in the eye's plane.
constexpr float zeroDepthStandIn = 0.1f;

} // namespace

ScreenPoint project(Vertex v, const Viewport& viewport)
{
    const double z = v.z != 0.0f ? v.z : zeroDepthStandIn;
    const double invZ = 1.0 / z;
    const double focal = viewport.focalLength;
    return ScreenPoint{truncToInt(v.x * invZ * focal + viewport.centreX), truncToInt(v.y * invZ * focal + viewport.centreY)};
}

void prepareVertices(const Renderer& renderer, WorkerPool* pool, VertexResults& results)
{
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
    const Viewport& viewport = renderer.viewport();
    forItems(pool, count, [&renderer, &results, &viewport](size_t begin, size_t end, int) {
        for (size_t i = begin; i < end; ++i) {
            const Vertex& v = renderer.positions[i];
            results.screen[i] = project(v, viewport);
            results.w[i] = inverseDepth(v.z);
        }
    });
}

uint32_t litVertex(const Renderer& renderer, VertexResults& results, int vertex)
{
    const size_t index = static_cast<size_t>(vertex);
    if (results.litInCall[index] == results.call) return results.lit[index];
    const Vertex& position = renderer.positions[index];
    const Vertex normal = index < renderer.normals.size() ? renderer.normals[index] : Vertex(0, 0, 0, 0);
    results.lit[index] = lightVertex(renderer.lights.data(), static_cast<int>(renderer.lights.size()), position,
                                     normal, position.colour);
    results.litInCall[index] = results.call;
    return results.lit[index];
}
