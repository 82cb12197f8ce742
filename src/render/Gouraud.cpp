// The smooth-shaded path: per-corner lighting interpolated across the triangle.
#include <algorithm>
#include <cstddef>

#include "render/ChannelArithmetic.h"
#include "render/GouraudSpan.h"
#include "render/LaneKernels.h"
#include "render/LaneWidth.h"
#include "render/SpanTarget.h"
#include "render/TriangleLoop.h"

namespace {

constexpr int attributeCount = gouraudAttributeCount;
constexpr int red = shadeRed, green = shadeGreen, blue = shadeBlue, invZ = shadeInvZ;

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

// The path's span kernel: the rows of a group side by side, as many at a time as the lane width
// (the last ones in the narrowest lane set that takes them all), where some row is long enough for
// lanes to pay; else one by one.
template <bool Blend>
void shadeRows(const SpanTarget& target, int laneWidth, const Span<attributeCount>* spans, int count)
{
    if (laneWidth > 1 && worthLanes(spans, count)) {
        for (int i = 0; i < count; i += laneWidth) {
            const int rows = std::min(laneWidth, count - i);
            laneKernels(laneWidthFor(rows, laneWidth)).gouraud.byBlend[Blend](target, spans + i, rows);
        }
        return;
    }
    for (int i = 0; i < count; ++i) shadeRow<Blend>(target, spans[i]);
}

template <bool Blend>
void shadeTriangles(const Renderer& renderer, CallWork& work, const SpanTarget& target, int laneWidth)
{
    scanTriangles<attributeCount, maxLaneWidth>(
        renderer, work, true,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            setCorner(values, litVertex(renderer, work.input, work.vertices, corners.vertex[i]), corners.w[i]);
        },
        [&target, laneWidth](const Span<attributeCount>* spans, int count) {
            shadeRows<Blend>(target, laneWidth, spans, count);
        });
}

using ShadeTriangles = void (*)(const Renderer&, CallWork&, const SpanTarget&, int);
// Indexed by blend.
constexpr ShadeTriangles shadeTrianglesByFlags[] = {&shadeTriangles<false>, &shadeTriangles<true>};

} // namespace

void Renderer::drawGouraud(Surface& target)
{
    shadeTrianglesByFlags[blendMode != 0](*this, *work_, spanTarget(target), resolvedLaneWidth(laneWidth));
}
