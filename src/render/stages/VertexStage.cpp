#include "render/stages/VertexStage.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "geometry/Lighting.h"
#include "geometry/SafeFloat.h"
#include "render/PoolJobs.h"

namespace tepple {

namespace {

// The substitute depth of a point in the eye's plane.
constexpr float zeroDepthStandIn = 0.1f;

} // namespace

ScreenPoint project(Vertex v, const Viewport& viewport)
{
    const double z = v.z != 0.0f ? v.z : zeroDepthStandIn;
    const double invZ = 1.0 / z;
    const double focal = viewport.focalLength;
    return ScreenPoint{truncToInt(v.x * invZ * focal + viewport.centreX),
                       truncToInt(v.y * invZ * focal + viewport.centreY)};
}

void prepareVertices(const CallState& call, const CallInput& input, VertexResults& results)
{
    const size_t count = input.vertexCount;
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
    const Viewport& viewport = call.viewport;
    forItems(call.pool, count, [&input, &results, &viewport](size_t begin, size_t end, int) {
        for (size_t i = begin; i < end; ++i) {
            const Vertex& v = input.positions[i];
            results.screen[i] = project(v, viewport);
            results.w[i] = inverseDepth(v.z);
        }
    });
}

namespace {

Vertex normalOf(const CallInput& input, size_t index)
{
    return index < input.normalCount ? input.normals[index] : Vertex(0, 0, 0, 0);
}

bool sameDirection(const Vertex& a, const Vertex& b)
{
    return std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0 &&
           std::memcmp(&a.z, &b.z, sizeof a.z) == 0;
}

} // namespace

bool lightingIgnoresPosition(const CallState& call)
{
    if (call.viewport.demoRules) return false;
    for (const Light& light : call.lights) {
        if (light.kind != LightKind::Directional) return false;
    }
    return true;
}

uint32_t litVertexAfter(const CallState& call, const CallInput& input, VertexResults& results, int vertex,
                        int previous, bool ignoresPosition)
{
    const size_t index = static_cast<size_t>(vertex);
    if (results.litInCall[index] == results.call) return results.lit[index];
    const Vertex& position = input.positions[index];
    const Vertex normal = normalOf(input, index);
    if (ignoresPosition && previous >= 0 && results.litInCall[static_cast<size_t>(previous)] == results.call) {
        const size_t before = static_cast<size_t>(previous);
        const Vertex& other = input.positions[before];
        const Vertex otherNormal = normalOf(input, before);
        if (other.colour == position.colour && sameDirection(normal, otherNormal) &&
            facesAwayFromEye(position, normal) == facesAwayFromEye(other, otherNormal)) {
            results.lit[index] = results.lit[before];
            results.litInCall[index] = results.call;
            return results.lit[index];
        }
    }
    const int lightCount = static_cast<int>(call.lights.size());
    results.lit[index] = call.viewport.demoRules
                             ? lightVertex(call.lights.data(), lightCount, position, normal, position.colour)
                             : shadePoint(call.lights.data(), lightCount, call.ambient, position, normal,
                                          position.colour);
    results.litInCall[index] = results.call;
    return results.lit[index];
}

uint32_t litVertex(const CallState& call, const CallInput& input, VertexResults& results, int vertex)
{
    const size_t index = static_cast<size_t>(vertex);
    if (results.litInCall[index] == results.call) return results.lit[index];
    // Still to be lit: the call runs on one thread (VertexStage.h), so the vertex before may be read.
    return litVertexAfter(call, input, results, vertex, vertex - 1, lightingIgnoresPosition(call));
}

namespace {

float mix(float a, float b, double t) { return static_cast<float>(a + (static_cast<double>(b) - a) * t); }

uint32_t mixColour(uint32_t a, uint32_t b, double t)
{
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)) & 0xFF; };
    return packColour(channel(redOf(a), redOf(b)), channel(greenOf(a), greenOf(b)),
                      channel(blueOf(a), blueOf(b)));
}

// The point where the edge from `inside` to `outside` crosses z = near, t of the way along it.
Vertex pointOnEdge(const Vertex& inside, const Vertex& outside, double t, float nearZ)
{
    Vertex v;
    v.x = mix(inside.x, outside.x, t);
    v.y = mix(inside.y, outside.y, t);
    v.z = nearZ;
    v.colour = mixColour(inside.colour, outside.colour, t);
    v.texU = mix(inside.texU, outside.texU, t);
    v.texV = mix(inside.texV, outside.texV, t);
    v.texU2 = mix(inside.texU2, outside.texU2, t);
    v.texV2 = mix(inside.texV2, outside.texV2, t);
    return v;
}

Vertex normalOnEdge(const Vertex& inside, const Vertex& outside, double t)
{
    Vertex n(mix(inside.x, outside.x, t), mix(inside.y, outside.y, t), mix(inside.z, outside.z, t), 0);
    return n;
}

} // namespace

CallInput clippedInput(const CallState& call, NearClip& clip)
{
    const CallInput& input = call.input;
    const float nearZ = static_cast<float>(call.viewport.nearDistance);
    const size_t triangles = input.cornerCount() / 3;
    const auto beyond = [&](size_t corner) {
        return input.positions[input.vertexOfCorner(corner)].z >= nearZ;
    };
    // Whether any corner lies before the plane, each piece of the corners asked on its own.
    std::atomic<bool> crossing{false};
    forItems(call.pool, 3 * triangles, [&](size_t begin, size_t end, int) {
        for (size_t corner = begin; corner < end && !crossing.load(std::memory_order_relaxed); ++corner) {
            if (!beyond(corner)) crossing.store(true, std::memory_order_relaxed);
        }
    });
    if (!crossing) return input;

    clip.positions.assign(input.positions, input.positions + input.vertexCount);
    clip.normals.assign(input.vertexCount, Vertex(0, 0, 0, 0));
    std::copy(input.normals, input.normals + std::min(input.normalCount, input.vertexCount),
              clip.normals.begin());
    clip.corners.clear();
    for (size_t t = 0; t < triangles; ++t) {
        int32_t corner[3];
        bool in[3];
        int inside = 0;
        for (int i = 0; i < 3; ++i) {
            corner[i] = static_cast<int32_t>(input.vertexOfCorner(3 * t + static_cast<size_t>(i)));
            in[i] = beyond(3 * t + static_cast<size_t>(i));
            inside += in[i];
        }
        if (inside == 3) {
            clip.corners.insert(clip.corners.end(), corner, corner + 3);
            continue;
        }
        if (inside == 0) continue;
        // The polygon beyond the plane, corners in the triangle's order: each corner beyond it, and
        // a new corner on each edge that crosses it.
        int32_t polygon[4];
        int count = 0;
        for (int i = 0; i < 3; ++i) {
            const int j = (i + 1) % 3;
            if (in[i]) polygon[count++] = corner[i];
            if (in[i] != in[j]) {
                const int a = in[i] ? i : j; // the end beyond the plane
                const int b = in[i] ? j : i;
                const Vertex pa = clip.positions[static_cast<size_t>(corner[a])];
                const Vertex pb = clip.positions[static_cast<size_t>(corner[b])];
                double t = (static_cast<double>(nearZ) - pa.z) / (static_cast<double>(pb.z) - pa.z);
                if (!(t >= 0.0 && t <= 1.0)) t = 0.0; // a NaN or infinite end: take the end beyond
                const Vertex na = clip.normals[static_cast<size_t>(corner[a])];
                const Vertex nb = clip.normals[static_cast<size_t>(corner[b])];
                clip.positions.push_back(pointOnEdge(pa, pb, t, nearZ));
                clip.normals.push_back(normalOnEdge(na, nb, t));
                polygon[count++] = static_cast<int32_t>(clip.positions.size() - 1);
            }
        }
        for (int k = 1; k + 1 < count; ++k) {
            clip.corners.insert(clip.corners.end(), {polygon[0], polygon[k], polygon[k + 1]});
        }
    }

    CallInput clipped;
    clipped.positions = clip.positions.data();
    clipped.vertexCount = clip.positions.size();
    clipped.normals = clip.normals.data();
    clipped.normalCount = clip.normals.size();
    clipped.indices = clip.corners.data();
    clipped.indexCount = clip.corners.size();
    return clipped;
}

} // namespace tepple
