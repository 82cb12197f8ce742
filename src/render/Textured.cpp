// The perspective-correct textured path: one texture, modulated by per-corner lighting.
#include <cstddef>

#include "render/ChannelArithmetic.h"
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

// With lights, each texel channel is scaled by the lit corner colour; without, the texel shows as
// it is. Blend and Lit are template flags so the pixel loop holds no test of either.
template <bool Lit>
inline uint32_t litTexel(uint32_t texel, float r, float g, float b)
{
    if (!Lit) return texel;
    return scaledChannels(texel, channelOf(r), channelOf(g), channelOf(b));
}

template <bool Blend, bool Lit>
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

    const size_t rowStart = static_cast<size_t>(span.row) * screenWidth;
    uint32_t* screenRow = context.screen + rowStart;
    uint32_t* accumRow = renderer.accumBuffer + rowStart;
    double* depthRow = renderer.depthBuffer + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        if (Blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            const uint32_t texelColour = context.texture.at(texel.u, texel.v, firstTextureOffset);
            const uint32_t mixed = meanChannels(accumRow[column], litTexel<Lit>(texelColour, r, g, b));
            accumRow[column] = mixed;
            if (context.depth.pass(depthRow[column], w) && insideVisibilityWindow(w)) screenRow[column] = mixed;
        } else if (context.depth.pass(depthRow[column], w) && insideVisibilityWindow(w)) {
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

template <bool Blend, bool Lit>
void textureTriangles(Renderer& renderer, const TexturedSpanContext& context)
{
    scanTriangles(
        renderer, &Renderer::texturedEdges, Lit,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const int index = corners.vertex[i];
            // Unlit corners keep their colours unread: only lit spans step them.
            const uint32_t colour = Lit ? litVertex(renderer, index) : 0u;
            setCorner(values, renderer.positions[static_cast<size_t>(index)], colour, corners.w[i], context.texture);
        },
        [&context](const Span<attributeCount>& span) { textureSpan<Blend, Lit>(context, span); });
}

using TextureTriangles = void (*)(Renderer&, const TexturedSpanContext&);
// Indexed by 2 x blend + lit.
constexpr TextureTriangles textureTrianglesByFlags[] = {&textureTriangles<false, false>, &textureTriangles<false, true>,
                                                        &textureTriangles<true, false>, &textureTriangles<true, true>};

} // namespace

void Renderer::drawTextured(Surface& target)
{
    const TextureView textureView = TextureView::lock(texture);
    if (!textureView.usable()) return;
    uint32_t* screen = lockScreen(target);
    if (screen == nullptr) return;
    const DepthRule depth(frameCounter);
    const TexturedSpanContext context{*this, screen, depth, textureView};
    textureTrianglesByFlags[2 * (blendMode != 0) + !lights.empty()](*this, context);
}
