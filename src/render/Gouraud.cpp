// The smooth-shaded path: per-corner lighting interpolated across the triangle.
#include <cstddef>

#include "render/ChannelArithmetic.h"
#include "render/SpanTarget.h"
#include "render/TriangleLoop.h"

namespace {

enum GouraudAttribute { red, green, blue, invZ, attributeCount };

void setCorner(float (&values)[attributeCount], uint32_t colour, float w)
{
    values[red] = static_cast<float>(redOf(colour));
    values[green] = static_cast<float>(greenOf(colour));
    values[blue] = static_cast<float>(blueOf(colour));
    values[invZ] = w;
}

// A span that starts off screen is drawn from column 0 with the colours and w of its off-screen
// left end: nothing is advanced to column 0. Blend is a template flag so the pixel loop holds no
// test of it.
template <bool Blend>
void shadeRow(const SpanTarget& target, const Span<attributeCount>& span)
{
    float r = span.values[red], g = span.values[green], b = span.values[blue], w = span.values[invZ];
    const float rStep = span.steps[red], gStep = span.steps[green], bStep = span.steps[blue];
    const float wStep = span.steps[invZ];
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = target.depthRule;
    const VisibilityWindow window = target.window;
    const size_t rowStart = target.rowStart(span.row);
    uint32_t* screenRow = target.pixels + rowStart;
    uint32_t* accumRow = target.accum + rowStart;
    double* depthRow = target.depth + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        uint32_t colour = packColour(channelOf(r), channelOf(g), channelOf(b));
        if (Blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            colour = meanChannels(accumRow[column], colour);
            accumRow[column] = colour;
        }
        if (depthRule.pass(depthRow[column], w) && window.contains(w)) screenRow[column] = colour;
        r += rStep;
        g += gStep;
        b += bStep;
        w += wStep;
    }
}

template <bool Blend>
void shadeTriangles(const Renderer& renderer, CallWork& work, const SpanTarget& target)
{
    scanTriangles<attributeCount, 1>(
        renderer, work, true,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            setCorner(values, litVertex(renderer, work.input, work.vertices, corners.vertex[i]), corners.w[i]);
        },
        rowByRow([&target](const Span<attributeCount>& span) { shadeRow<Blend>(target, span); }));
}

using ShadeTriangles = void (*)(const Renderer&, CallWork&, const SpanTarget&);
// Indexed by blend.
constexpr ShadeTriangles shadeTrianglesByFlags[] = {&shadeTriangles<false>, &shadeTriangles<true>};

} // namespace

void Renderer::drawGouraud(Surface& target)
{
    shadeTrianglesByFlags[blendMode != 0](*this, *work_, spanTarget(target));
}
