// The perspective-correct textured path: one texture, modulated by per-corner lighting.
#include <algorithm>
#include <cstddef>

#include "render/ChannelArithmetic.h"
#include "render/SpanTarget.h"
#include "render/TriangleLoop.h"
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
    const SpanTarget& target;
    const TextureView& texture;
    bool rowLanes;
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
void textureRow(const TexturedSpanContext& context, const Span<attributeCount>& span)
{
    const SpanTarget& target = context.target;
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
            if (target.depthRule.pass(depthRow[column], w) && target.window.contains(w)) screenRow[column] = mixed;
        } else if (target.depthRule.pass(depthRow[column], w) && target.window.contains(w)) {
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

#if defined(TEPPLE_ROW_LANES)
// textureRow for up to four rows at once, one per lane (RowLanes.h). The steps run as long as
// the longest row; a lane past its own row's end stores nothing. Every lane's blocks start at
// its row's left end, so all lanes aim at the same steps.
template <bool Blend, bool Lit>
void textureLanes(const TexturedSpanContext& context, const Span<attributeCount>* spans, int count)
{
    const SpanTarget& target = context.target;
    LaneRows<attributeCount> rows(spans, count, target.width);
    for (int lane = 0; lane < spanLanes; ++lane) {
        const Span<attributeCount>& span = spans[lane < count ? lane : 0];
        if (span.unclampedLeft >= 0) continue;
        for (const int a : {uOverZ, vOverZ, invZ}) {
            rows.value[a][lane] = advancedToColumnZero(span.values[a], span.steps[a], span.unclampedLeft);
        }
    }
    __m128 uz = _mm_load_ps(rows.value[uOverZ]), vz = _mm_load_ps(rows.value[vOverZ]);
    __m128 w = _mm_load_ps(rows.value[invZ]);
    __m128 r = _mm_load_ps(rows.value[red]), g = _mm_load_ps(rows.value[green]), b = _mm_load_ps(rows.value[blue]);
    const __m128 uzStep = _mm_load_ps(rows.step[uOverZ]), vzStep = _mm_load_ps(rows.step[vOverZ]);
    const __m128 wStep = _mm_load_ps(rows.step[invZ]);
    const __m128 rStep = _mm_load_ps(rows.step[red]), gStep = _mm_load_ps(rows.step[green]);
    const __m128 bStep = _mm_load_ps(rows.step[blue]);
    const __m128i lengths = _mm_load_si128(reinterpret_cast<const __m128i*>(rows.length));
    // Each lane's block length after `drawn` steps, at least 1 so that masked lanes divide safely.
    const auto blockLengths = [&rows](int drawn) {
        alignas(16) int32_t n[spanLanes];
        for (int lane = 0; lane < spanLanes; ++lane) n[lane] = std::max(1, nextBlockLength(rows.length[lane], drawn));
        return _mm_load_si128(reinterpret_cast<const __m128i*>(n));
    };

    PerspectiveTexelLanes texel;
    texel.start(uz, vz, w);
    texel.aim(uz, uzStep, vz, vzStep, w, wStep, blockLengths(0));
    for (int k = 0; k < rows.steps; ++k) {
        const LaneStep at(rows, lengths, k);
        const DoubleLanes wide = widened(w);
        const int keyStored = target.depthRule.passLanes(target.depth, at, wide);
        const int shown = keyStored & laneBits(target.window.containsLanes(wide));
        if (Blend || shown != 0) {
            __m128i colour = texel.read(context.texture, firstTextureOffset);
            if (Lit) colour = scaledLanes(colour, channelLanes(r), channelLanes(g), channelLanes(b));
            if (Blend) {
                // The feedback buffer mixes every pixel of the span, hidden or not.
                colour = meanLanes(at.gathered(target.accum), colour);
                at.scattered(target.accum, colour, at.active);
            }
            at.scattered(target.pixels, colour, shown);
        }

        texel.advance();
        uz = _mm_add_ps(uz, uzStep);
        vz = _mm_add_ps(vz, vzStep);
        w = _mm_add_ps(w, wStep);
        if (Lit) {
            r = _mm_add_ps(r, rStep);
            g = _mm_add_ps(g, gStep);
            b = _mm_add_ps(b, bStep);
        }
        if (k % perspectiveBlock == perspectiveBlock - 1) texel.aim(uz, uzStep, vz, vzStep, w, wStep, blockLengths(k));
    }
}
#endif

// The path's span kernel: a group of rows of one triangle side by side where that pays, else one
// by one.
template <bool Blend, bool Lit>
void textureRows(const TexturedSpanContext& context, const Span<attributeCount>* spans, int count)
{
#if defined(TEPPLE_ROW_LANES)
    if (context.rowLanes && LaneRows<attributeCount>::worthLanes(spans, count)) {
        textureLanes<Blend, Lit>(context, spans, count);
        return;
    }
#endif
    for (int i = 0; i < count; ++i) textureRow<Blend, Lit>(context, spans[i]);
}

#if defined(TEPPLE_ROW_LANES)
constexpr int texturedLanes = spanLanes;
#else
constexpr int texturedLanes = 1;
#endif

template <bool Blend, bool Lit>
void textureTriangles(const Renderer& renderer, CallWork& work, const TexturedSpanContext& context)
{
    scanTriangles<attributeCount, texturedLanes>(
        renderer, work, Lit,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const int index = corners.vertex[i];
            // Unlit corners keep their colours unread: only lit spans step them.
            const uint32_t colour = Lit ? litVertex(renderer, work.input, work.vertices, index) : 0u;
            setCorner(values, work.input.positions[static_cast<size_t>(index)], colour, corners.w[i], context.texture);
        },
        [&context](const Span<attributeCount>* spans, int count) { textureRows<Blend, Lit>(context, spans, count); });
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
    const TexturedSpanContext context{spans, textureView, rowLanes};
    textureTrianglesByFlags[2 * (blendMode != 0) + !lights.empty()](*this, *work_, context);
}
