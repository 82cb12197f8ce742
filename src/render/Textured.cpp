// The perspective-correct textured path: one texture, modulated by per-corner lighting.
#include <algorithm>
#include <climits>
#include <cstddef>

#include "render/ChannelArithmetic.h"
#include "render/LaneKernels.h"
#include "render/LaneWidth.h"
#include "render/TexturedSpan.h"
#include "render/TextureSampling.h"
#include "render/TriangleLoop.h"

namespace {

constexpr int attributeCount = texturedAttributeCount;

void setCorner(float (&values)[attributeCount], const Vertex& corner, uint32_t colour, float w,
               const TextureView& texture)
{
    // Divided by the corner's own z: a corner at z = 0 gets an infinite (or NaN) u/z, which the
    // texel look-up clamps.
    values[uOverZ] = static_cast<float>(quotient(static_cast<double>(corner.texU) * texture.width, corner.z));
    values[vOverZ] = static_cast<float>(quotient(static_cast<double>(corner.texV) * texture.height, corner.z));
    values[red] = static_cast<float>(redOf(colour));
    values[green] = static_cast<float>(greenOf(colour));
    values[blue] = static_cast<float>(blueOf(colour));
    values[invZ] = w;
}

// With lights, each texel channel is scaled by the lit corner colour; without, the texel shows as
// it is. Blend and Lit are template flags so the pixel loop holds no test of either.
template <bool Lit>
inline uint32_t litTexel(uint32_t texel, float r, float g, float b)
{
    if (!Lit) return texel;
    return scaledChannels(texel, channelOf(r), channelOf(g), channelOf(b));
}

template <bool Blend, bool Lit>
void textureRow(const TexturedSpanContext& context, const Span<attributeCount>& span)
{
    const SpanTarget& target = context.target;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = target.depthRule;
    const VisibilityWindow window = target.window;
    const float* step = span.steps;
    float uz = span.values[uOverZ], vz = span.values[vOverZ], w = span.values[invZ];
    float r = span.values[red], g = span.values[green], b = span.values[blue];
    if (span.unclampedLeft < 0) {
        // The texel position and depth start at column 0; the colours keep their left-end values.
        uz = advancedToColumnZero(uz, step[uOverZ], span.unclampedLeft);
        vz = advancedToColumnZero(vz, step[vOverZ], span.unclampedLeft);
        w = advancedToColumnZero(w, step[invZ], span.unclampedLeft);
    }

    int blockLength = nextBlockLength(span.right, span.left);
    PerspectiveTexel texel;
    texel.start(uz, vz, w);
    texel.aim(uz, step[uOverZ], vz, step[vOverZ], blockEndW(w, step[invZ], blockLength), blockLength);
    int pixelsInBlock = 0;

    const size_t rowStart = target.rowStart(span.row);
    uint32_t* screenRow = target.pixels + rowStart;
    uint32_t* accumRow = target.accum + rowStart;
    double* depthRow = target.depth + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        if (Blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            const uint32_t texelColour = context.texture.at(texel.u, texel.v, firstTextureOffset);
            const uint32_t mixed = meanChannels(accumRow[column], litTexel<Lit>(texelColour, r, g, b));
            accumRow[column] = mixed;
            if (depthRule.pass(depthRow[column], w) && window.contains(w)) screenRow[column] = mixed;
        } else if (depthRule.pass(depthRow[column], w) && window.contains(w)) {
            const uint32_t texelColour = context.texture.at(texel.u, texel.v, firstTextureOffset);
            screenRow[column] = litTexel<Lit>(texelColour, r, g, b);
        }

        texel.advance();
        uz += step[uOverZ];
        vz += step[vOverZ];
        w += step[invZ];
        if (Lit) {
            r += step[red];
            g += step[green];
            b += step[blue];
        }
        if (++pixelsInBlock == perspectiveBlock) {
            pixelsInBlock = 0;
            blockLength = nextBlockLength(span.right, column);
            texel.aim(uz, step[uOverZ], vz, step[vOverZ], blockEndW(w, step[invZ], blockLength), blockLength);
        }
    }
}

// The path's span kernel: a group of rows of one triangle side by side, as many at a time as the
// lane width, where that pays; else one by one. The last rows of a group go to the narrowest lane
// set that takes them all.
template <bool Blend, bool Lit>
void textureRows(const TexturedSpanContext& context, const Span<attributeCount>* spans, int count)
{
    if (context.laneWidth > 1 && worthLanes(spans, count)) {
        for (int i = 0; i < count; i += context.laneWidth) {
            const int rows = std::min(context.laneWidth, count - i);
            context.kernels[laneSetIndex(laneWidthFor(rows, context.laneWidth))](context, spans + i, rows);
        }
        return;
    }
    for (int i = 0; i < count; ++i) textureRow<Blend, Lit>(context, spans[i]);
}

// Rows are handed over as many at a time as the widest lane set drawn with: gathering more rows
// than a set takes only to cut them up again costs time.
template <bool Blend, bool Lit, int Group>
void textureTrianglesInGroups(const Renderer& renderer, CallWork& work, const TexturedSpanContext& context)
{
    scanTriangles<attributeCount, Group>(
        renderer, work, Lit,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const int index = corners.vertex[i];
            // Unlit corners keep their colours unread: only lit spans step them.
            const uint32_t colour = Lit ? litVertex(renderer, work.input, work.vertices, index) : 0u;
            setCorner(values, work.input.positions[static_cast<size_t>(index)], colour, corners.w[i], context.texture);
        },
        [&context](const Span<attributeCount>* spans, int count) { textureRows<Blend, Lit>(context, spans, count); });
}

template <bool Blend, bool Lit>
void textureTriangles(const Renderer& renderer, CallWork& work, const TexturedSpanContext& context)
{
    if (context.laneWidth <= 4) {
        textureTrianglesInGroups<Blend, Lit, 4>(renderer, work, context);
    } else {
        textureTrianglesInGroups<Blend, Lit, maxLaneWidth>(renderer, work, context);
    }
}

using TextureTriangles = void (*)(const Renderer&, CallWork&, const TexturedSpanContext&);
// Indexed by 2 x blend + lit.
constexpr TextureTriangles textureTrianglesByFlags[] = {&textureTriangles<false, false>, &textureTriangles<false, true>,
                                                        &textureTriangles<true, false>, &textureTriangles<true, true>};

} // namespace

void Renderer::drawTextured(Surface& target)
{
    const SpanTarget spans = spanTarget(target);
    const TextureView textureView = TextureView::lock(texture);
    if (!textureView.usable()) return;
    int requested = laneWidth;
    // The wider sets gather texels by 32-bit index: a texture too large for that takes the
    // four-lane set, which reads lane by lane.
    if (textureView.lastIndex > INT32_MAX && (requested == 0 || requested > 4)) requested = 4;
    const int flags = 2 * (blendMode != 0) + !lights.empty();
    TexturedSpanContext context{spans, textureView, resolvedLaneWidth(requested), {}};
    for (int width = 4; width <= context.laneWidth; width *= 2) {
        context.kernels[laneSetIndex(width)] = laneKernels(width).byFlags[flags];
    }
    textureTrianglesByFlags[flags](*this, *work_, context);
}
