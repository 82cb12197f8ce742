// The perspective-correct textured path: one texture, modulated by per-corner lighting.
#include <cstddef>

#include "render/ChannelTables.h"
#include "render/Projection.h"
#include "render/TextureSampling.h"

namespace {

enum TexturedAttribute { uOverZ, vOverZ, red, green, blue, invZ, attributeCount };

// The first texture is addressed one texel to the left of (trunc(u), trunc(v)).
constexpr int firstTextureOffset = -1;

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

struct TexturedSpanContext {
    Renderer& renderer;
    uint32_t* screen;
    const DepthRule& depth;
    const TextureView& texture;
};

// With lights, each texel channel is scaled by the lit corner colour through the table;
// without, the texel shows as it is.
inline uint32_t litTexel(const int32_t* mulTable, bool lit, uint32_t texel, float r, float g, float b)
{
    if (!lit) return texel;
    return tableChannels(mulTable, texel, channelOf(r), channelOf(g), channelOf(b));
}

void textureSpan(const TexturedSpanContext& context, const Span<attributeCount>& span)
{
    Renderer& renderer = context.renderer;
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

    const bool blend = renderer.blendMode != 0;
    const bool lit = !renderer.lights.empty();
    const int32_t* mulTable = renderer.mulTable;
    const size_t rowStart = static_cast<size_t>(span.row) * screenWidth;
    for (int column = span.left; column < span.right; ++column) {
        const size_t pixel = rowStart + static_cast<size_t>(column);
        if (blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            const uint32_t texelColour = context.texture.at(texel.u, texel.v, firstTextureOffset);
            const uint32_t mixed = tableChannels(renderer.avgTable, renderer.accumBuffer[pixel],
                                                 litTexel(mulTable, lit, texelColour, r, g, b));
            renderer.accumBuffer[pixel] = mixed;
            if (context.depth.pass(renderer.depthBuffer[pixel], w) && insideVisibilityWindow(w)) {
                context.screen[pixel] = mixed;
            }
        } else if (context.depth.pass(renderer.depthBuffer[pixel], w) && insideVisibilityWindow(w)) {
            const uint32_t texelColour = context.texture.at(texel.u, texel.v, firstTextureOffset);
            context.screen[pixel] = litTexel(mulTable, lit, texelColour, r, g, b);
        }

        texel.advance();
        uz += step[uOverZ];
        vz += step[vOverZ];
        w += step[invZ];
        r += step[red];
        g += step[green];
        b += step[blue];
        if (++pixelsInBlock == perspectiveBlock) {
            pixelsInBlock = 0;
            blockLength = nextBlockLength(span.right, column);
            texel.aim(uz, step[uOverZ], vz, step[vOverZ], blockEndW(w, step[invZ], blockLength), blockLength);
        }
    }
}

} // namespace

void Renderer::drawTextured(Surface& target)
{
    const TextureView textureView = TextureView::lock(texture);
    if (!textureView.usable()) return;
    uint32_t* screen = lockScreen(target);
    if (screen == nullptr) return;
    const DepthRule depth(frameCounter);
    const TexturedSpanContext context{*this, screen, depth, textureView};
    scanTriangles(
        *this, texturedEdges_,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const int index = corners.first + i;
            setCorner(values, positions[static_cast<size_t>(index)], litCorner(*this, index), corners.w[i],
                      textureView);
        },
        [&context](const Span<attributeCount>& span) { textureSpan(context, span); });
}
