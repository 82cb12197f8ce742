// The Gouraud path: per-corner lighting interpolated across the triangle.
#include <cstddef>
#include <cstdint>

#include "geometry/SafeFloat.h"
#include "render/lanes/LaneTable.h"
#include "render/paths/Paths.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/DepthRule.h"
#include "render/stages/TriangleLoop.h"

namespace tepple {

namespace {

// In the order the colour's bytes are packed, lowest first, so that stepped as one vector the
// channels read 0x00RRGGBB.
enum GouraudAttribute { blue, green, red, invZ, attributeCount };

void setCorner(float (&values)[attributeCount], uint32_t colour, float w)
{
    values[red] = static_cast<float>(redOf(colour));
    values[green] = static_cast<float>(greenOf(colour));
    values[blue] = static_cast<float>(blueOf(colour));
    values[invZ] = w;
}

// The four attributes stepped as four floats, where the build has no lane set to step them as one
// vector: the same float adds and channelOf, so the same bits.
struct FourFloats {
    struct Float {
        float lane[4];
    };
    using Int = Float;
    static Float loadFloats(const float* p) { return Float{{p[0], p[1], p[2], p[3]}}; }
    static Float add(Float a, Float b)
    {
        for (int i = 0; i < 4; ++i) a.lane[i] += b.lane[i];
        return a;
    }
    static Float channel(Float v) { return v; }
    static uint32_t lowBytes(Float c)
    {
        return static_cast<uint32_t>(channelOf(c.lane[2]) << 16 | channelOf(c.lane[1]) << 8 |
                                     channelOf(c.lane[0]));
    }
    static float lastLane(Float v) { return v.lane[3]; }
};

#if defined(TEPPLE_BASELINE_LANES)
using AttributeLanes = BaselineLanes;
#else
using AttributeLanes = FourFloats;
#endif

// A span that starts off screen is drawn from column 0 with the colours and w of its off-screen
// left end: nothing is advanced to column 0. Blend is a template flag so the pixel loop holds no
// test of it.
//
// The four attributes step as one vector of lanes blue, green, red, w: each lane does the float add
// the attribute would get on its own, and channel() on each lane is channelOf, so the low bytes of
// the first three lanes are the colour.
template <bool Blend>
void shadeSpan(const DrawBuffers& buffers, const Span<attributeCount>& span)
{
    using L = AttributeLanes;
    typename L::Float attributes = L::loadFloats(span.values);
    const typename L::Float steps = L::loadFloats(span.steps);
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = buffers.depthRule;
    const VisibilityWindow window = buffers.window;
    const size_t rowStart = buffers.rowStart(span.row);
    uint32_t* screenRow = buffers.pixels + rowStart;
    uint32_t* accumRow = buffers.accumulation + rowStart;
    double* depthRow = buffers.depth + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        uint32_t colour = L::lowBytes(L::channel(attributes)) & 0xFFFFFFu;
        if (Blend) {
            // The accumulation buffer mixes every pixel of the span, hidden or not.
            colour = meanChannels(accumRow[column], colour);
            accumRow[column] = colour;
        }
        const float w = L::lastLane(attributes);
        if (depthRule.pass(depthRow[column], w) && window.contains(w)) screenRow[column] = colour;
        attributes = L::add(attributes, steps);
    }
}

template <bool Blend>
void shadeTriangles(const CallState& call, CallScratch& scratch)
{
    const DrawBuffers buffers = call.buffers;
    scanTriangles<attributeCount>(
        call, scratch, true,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            setCorner(values, litVertex(call, scratch.input, scratch.vertices, corners.vertex[i]),
                      corners.w[i]);
        },
        [buffers](const EdgeTable<attributeCount>& edges, const TriangleCorners&) {
            edges.forEachSpan(
                [&buffers](const Span<attributeCount>& span) { shadeSpan<Blend>(buffers, span); });
        });
}

using ShadeTriangles = void (*)(const CallState&, CallScratch&);
// Indexed by blend.
constexpr ShadeTriangles shadeTrianglesByFlags[] = {&shadeTriangles<false>, &shadeTriangles<true>};

} // namespace

void paths::gouraud(const CallState& call, CallScratch& scratch)
{
    shadeTrianglesByFlags[call.blend](call, scratch);
}

} // namespace tepple
