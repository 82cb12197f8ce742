// The smooth-shaded path: per-corner lighting interpolated across the triangle.
#include <cstddef>

#include "render/ChannelArithmetic.h"
#include "render/DepthRule.h"
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
void shadeRow(Renderer& renderer, const Span<attributeCount>& span, uint32_t* screen, const DepthRule& depth)
{
    float r = span.values[red], g = span.values[green], b = span.values[blue], w = span.values[invZ];
    const float rStep = span.steps[red], gStep = span.steps[green], bStep = span.steps[blue];
    const float wStep = span.steps[invZ];
    const size_t rowStart = static_cast<size_t>(span.row) * screenWidth;
    uint32_t* screenRow = screen + rowStart;
    uint32_t* accumRow = renderer.accumBuffer + rowStart;
    double* depthRow = renderer.depthBuffer + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        uint32_t colour = packColour(channelOf(r), channelOf(g), channelOf(b));
        if (Blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            colour = meanChannels(accumRow[column], colour);
            accumRow[column] = colour;
        }
        if (depth.pass(depthRow[column], w) && insideVisibilityWindow(w)) screenRow[column] = colour;
        r += rStep;
        g += gStep;
        b += bStep;
        w += wStep;
    }
}

template <bool Blend>
void shadeTriangles(Renderer& renderer, CallWork& work, uint32_t* screen, const DepthRule& depth)
{
    scanTriangles<attributeCount, 1>(
        renderer, work, true,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            setCorner(values, litVertex(renderer, work.vertices, corners.vertex[i]), corners.w[i]);
        },
        rowByRow([&](const Span<attributeCount>& span) { shadeRow<Blend>(renderer, span, screen, depth); }));
}

using ShadeTriangles = void (*)(Renderer&, CallWork&, uint32_t*, const DepthRule&);
// Indexed by blend.
constexpr ShadeTriangles shadeTrianglesByFlags[] = {&shadeTriangles<false>, &shadeTriangles<true>};

} // namespace

void Renderer::drawGouraud(Surface& target)
{
    uint32_t* screen = lockScreen(target);
    if (screen == nullptr) return;
    const DepthRule depth(frameCounter);
    shadeTrianglesByFlags[blendMode != 0](*this, *work_, screen, depth);
}
