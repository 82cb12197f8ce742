// The smooth-shaded path: per-corner lighting interpolated across the triangle.
#include <cstddef>

#include "render/ChannelTables.h"
#include "render/Projection.h"

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
// left end: nothing is advanced to column 0.
void shadeSpan(Renderer& renderer, const Span<attributeCount>& span, uint32_t* screen, const DepthRule& depth)
{
    float r = span.values[red], g = span.values[green], b = span.values[blue], w = span.values[invZ];
    const float rStep = span.steps[red], gStep = span.steps[green], bStep = span.steps[blue];
    const float wStep = span.steps[invZ];
    const bool blend = renderer.blendMode != 0;
    const size_t rowStart = static_cast<size_t>(span.row) * screenWidth;
    for (int column = span.left; column < span.right; ++column) {
        const size_t pixel = rowStart + static_cast<size_t>(column);
        uint32_t colour = packColour(channelOf(r), channelOf(g), channelOf(b));
        if (blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            colour = tableChannels(renderer.avgTable, renderer.accumBuffer[pixel], colour);
            renderer.accumBuffer[pixel] = colour;
        }
        if (depth.pass(renderer.depthBuffer[pixel], w) && insideVisibilityWindow(w)) screen[pixel] = colour;
        r += rStep;
        g += gStep;
        b += bStep;
        w += wStep;
    }
}

} // namespace

void Renderer::drawGouraud(Surface& target)
{
    uint32_t* screen = lockScreen(target);
    if (screen == nullptr) return;
    const DepthRule depth(frameCounter);
    scanTriangles(
        *this, gouraudEdges_,
        [this](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            setCorner(values, litCorner(*this, corners.first + i), corners.w[i]);
        },
        [&](const Span<attributeCount>& span) { shadeSpan(*this, span, screen, depth); });
}
