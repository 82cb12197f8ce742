// The two-texture path: the even mix of two perspective-correct textures, unlit. The general rules
// read both textures as the renderer's sampling says; the demonstration's read texture A one texel
// left of the truncated position and texture B there.
#include <cstddef>

#include "render/paths/Paths.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/DepthRule.h"
#include "render/stages/TextureSampling.h"
#include "render/stages/TriangleLoop.h"

namespace tepple {

namespace {

enum DualAttribute { uOverZA, vOverZA, uOverZB, vOverZB, invZ, attributeCount };

// Texture A is addressed one texel left of (trunc(u), trunc(v)), texture B exactly there.
constexpr int offsetA = -1;
constexpr int offsetB = 0;

void setCorner(float (&values)[attributeCount], const Vertex& corner, float w, const TextureView& a,
               const TextureView& b)
{
    // Divided by the corner's own z: a corner at z = 0 gets an infinite (or NaN) u/z, which the
    // texel look-ups clamp.
    values[uOverZA] = static_cast<float>(quotient(static_cast<double>(corner.texU) * a.width, corner.z));
    values[vOverZA] = static_cast<float>(quotient(static_cast<double>(corner.texV) * a.height, corner.z));
    values[uOverZB] = static_cast<float>(quotient(static_cast<double>(corner.texU2) * b.width, corner.z));
    values[vOverZB] = static_cast<float>(quotient(static_cast<double>(corner.texV2) * b.height, corner.z));
    values[invZ] = w;
}

// Held by value, so that a call kept for the frame's strips (TriangleLoop.h) keeps its own.
struct DualSpanContext {
    DrawBuffers buffers;
    TextureView a;
    TextureView b;
    Sampling sampling;
};

template <bool General>
uint32_t dualTexel(const DualSpanContext& context, const PerspectiveTexel& texelA,
                   const PerspectiveTexel& texelB)
{
    if (General) {
        return meanChannels(TexelSampler{context.a, context.sampling}(texelA.u, texelA.v),
                            TexelSampler{context.b, context.sampling}(texelB.u, texelB.v));
    }
    return meanChannels(context.a.at(texelA.u, texelA.v, offsetA), context.b.at(texelB.u, texelB.v, offsetB));
}

template <bool General>
void dualTextureSpan(const DualSpanContext& context, const Span<attributeCount>& span)
{
    const DrawBuffers& buffers = context.buffers;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = buffers.depthRule;
    const VisibilityWindow window = buffers.window;
    const float* step = span.steps;
    float value[attributeCount];
    for (int i = 0; i < attributeCount; ++i) {
        value[i] = span.unclampedLeft < 0 ? advancedToColumnZero(span.values[i], step[i], span.unclampedLeft)
                                          : span.values[i];
    }
    float& w = value[invZ];
    // A row whose first pixel is nearer than depth 10, or at or behind the eye, is dropped whole,
    // even where it recedes further on.
    if (w > window.maxW() || w <= 0.0f) return;

    int blockLength = nextBlockLength(span.right, span.left);
    PerspectiveTexel texelA, texelB;
    texelA.start(value[uOverZA], value[vOverZA], w);
    texelB.start(value[uOverZB], value[vOverZB], w);
    const auto aimBoth = [&]() {
        const float wEnd = blockEndW(w, step[invZ], blockLength);
        texelA.aim(value[uOverZA], step[uOverZA], value[vOverZA], step[vOverZA], wEnd, blockLength);
        texelB.aim(value[uOverZB], step[uOverZB], value[vOverZB], step[vOverZB], wEnd, blockLength);
    };
    aimBoth();
    int pixelsInBlock = 0;

    const size_t rowStart = buffers.rowStart(span.row);
    for (int column = span.left; column < span.right; ++column) {
        const size_t pixel = rowStart + static_cast<size_t>(column);
        if (depthRule.pass(buffers.depth[pixel], w) && window.contains(w)) {
            buffers.pixels[pixel] = dualTexel<General>(context, texelA, texelB);
        }

        texelA.advance();
        texelB.advance();
        for (int i = 0; i < attributeCount; ++i) value[i] += step[i];
        if (++pixelsInBlock == perspectiveBlock) {
            pixelsInBlock = 0;
            blockLength = nextBlockLength(span.right, column);
            aimBoth();
        }
    }
}

// Under each rule set the spans are drawn by their own instance, with nothing to choose per span.
template <bool General>
void dualTriangles(const CallState& call, CallScratch& scratch, const DualSpanContext& context)
{
    scanTriangles<attributeCount>(
        call, scratch, false,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const Vertex& corner = scratch.input.positions[static_cast<size_t>(corners.vertex[i])];
            setCorner(values, corner, corners.w[i], context.a, context.b);
        },
        [context](const EdgeTable<attributeCount>& edges, const TriangleCorners&) {
            edges.forEachSpan(
                [&context](const Span<attributeCount>& span) { dualTextureSpan<General>(context, span); });
        });
}

} // namespace

void paths::dualTextured(const CallState& call, CallScratch& scratch)
{
    const TextureView viewA = TextureView::lock(call.texture);
    const TextureView viewB = TextureView::lock(call.secondTexture);
    if (!viewA.usable() || !viewB.usable()) return;
    const DualSpanContext context{call.buffers, viewA, viewB, call.sampling};
    if (call.viewport.demoRules) {
        dualTriangles<false>(call, scratch, context);
    } else {
        dualTriangles<true>(call, scratch, context);
    }
}

} // namespace tepple
