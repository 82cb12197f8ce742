// The perspective-correct textured path: one texture, modulated by per-corner lighting. Its spans
// are drawn one at a time here (textureSpan), or side by side on a lane set (TexturedLaneKernel.h)
// where the lane plan says so; both give the same bits.
#include <algorithm>
#include <climits>
#include <cstddef>

#include "render/lanes/LanePlan.h"
#include "render/lanes/LaneTable.h"
#include "render/paths/Paths.h"
#include "render/paths/TexturedSpan.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/TextureSampling.h"
#include "render/stages/TriangleLoop.h"

namespace tepple {

namespace {

constexpr int attributeCount = texturedAttributeCount;

void setCorner(float (&values)[attributeCount], const Vertex& corner, uint32_t colour, float w,
               const TextureView& texture)
{
    // Divided by the corner's own z: a corner at z = 0 gets an infinite (or NaN) u/z, which the
    // texel look-up clamps.
    values[uOverZ] = static_cast<float>(quotient(static_cast<double>(corner.texU) * texture.width, corner.z));
    values[vOverZ] =
        static_cast<float>(quotient(static_cast<double>(corner.texV) * texture.height, corner.z));
    values[red] = static_cast<float>(redOf(colour));
    values[green] = static_cast<float>(greenOf(colour));
    values[blue] = static_cast<float>(blueOf(colour));
    values[invZ] = w;
}

// How each rule set reads a texel at a running texel position, and lights it: the demonstration's
// reads one texel left of the truncated position and scales by c / 256; the general rules sample
// at texel centres (TexelSampler) and scale by c / 255.
struct DemoTexels {
    TextureView texture;

    uint32_t read(float u, float v) const { return texture.at(u, v, firstTextureOffset); }
    static uint32_t lit(uint32_t texel, int r, int g, int b) { return scaledChannels(texel, r, g, b); }
};

template <TextureFilter Filter, TextureAddress Address>
struct GeneralTexels {
    TexelSampler sampler;

    uint32_t read(float u, float v) const { return sampler.sample<Filter, Address>(u, v); }
    static uint32_t lit(uint32_t texel, int r, int g, int b) { return modulatedChannels(texel, r, g, b); }
};

// With lights, each texel channel is scaled by the lit corner colour; without, the texel shows as
// it is. Blend and Lit are template flags so the pixel loop holds no test of either.
template <bool Lit, class Texels>
inline uint32_t litTexel(uint32_t texel, float r, float g, float b)
{
    if (!Lit) return texel;
    return Texels::lit(texel, channelOf(r), channelOf(g), channelOf(b));
}

template <bool Blend, bool Lit, class Texels>
void textureSpan(const TexturedSpanContext& context, const Texels& texels, const Span<attributeCount>& span)
{
    const DrawBuffers& buffers = context.buffers;
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = buffers.depthRule;
    const VisibilityWindow window = buffers.window;
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

    const size_t rowStart = buffers.rowStart(span.row);
    uint32_t* screenRow = buffers.pixels + rowStart;
    uint32_t* accumRow = buffers.accumulation + rowStart;
    double* depthRow = buffers.depth + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        if (Blend) {
            // The accumulation buffer mixes every pixel of the span, hidden or not.
            const uint32_t texelColour = texels.read(texel.u, texel.v);
            const uint32_t mixed = meanChannels(accumRow[column],
                                                litTexel<Lit, Texels>(texelColour, r, g, b));
            accumRow[column] = mixed;
            if (depthRule.pass(depthRow[column], w) && window.contains(w)) screenRow[column] = mixed;
        } else if (depthRule.pass(depthRow[column], w) && window.contains(w)) {
            const uint32_t texelColour = texels.read(texel.u, texel.v);
            screenRow[column] = litTexel<Lit, Texels>(texelColour, r, g, b);
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

template <class CornerValues>
void scanTextured(const CallState& call, CallScratch& scratch, const TextureView& texture, bool lit,
                  CornerValues&& drawTriangle)
{
    scanTriangles<attributeCount>(
        call, scratch, lit,
        [&](const TriangleCorners& corners, int i, float(&values)[attributeCount]) {
            const int index = corners.vertex[i];
            // Unlit corners keep their colours unread: only lit spans step them.
            const uint32_t colour = lit ? litVertex(call, scratch.input, scratch.vertices, index) : 0u;
            setCorner(values, scratch.input.positions[static_cast<size_t>(index)], colour, corners.w[i],
                      texture);
        },
        drawTriangle);
}

// The general rules draw every span on its own, sampling as the renderer asks.
template <bool Blend, bool Lit, TextureFilter Filter, TextureAddress Address>
void generalTriangles(const CallState& call, CallScratch& scratch, const TexturedSpanContext& context)
{
    const GeneralTexels<Filter, Address> texels{TexelSampler{context.texture, call.sampling}};
    scanTextured(call, scratch, context.texture, Lit,
                 [context, texels](const EdgeTable<attributeCount>& edges, const TriangleCorners&) {
                     edges.forEachSpan([&](const Span<attributeCount>& span) {
                         textureSpan<Blend, Lit>(context, texels, span);
                     });
                 });
}

using GeneralTriangles = void (*)(const CallState&, CallScratch&, const TexturedSpanContext&);
template <TextureFilter Filter, TextureAddress Address>
constexpr GeneralTriangles generalTrianglesOf[] = {
    &generalTriangles<false, false, Filter, Address>, &generalTriangles<false, true, Filter, Address>,
    &generalTriangles<true, false, Filter, Address>, &generalTriangles<true, true, Filter, Address>};
// Indexed by 2 x filter + address (nearest and repeat first), then by 2 x blend + lit.
constexpr const GeneralTriangles* generalTrianglesBySampling[] = {
    generalTrianglesOf<TextureFilter::Nearest, TextureAddress::Repeat>,
    generalTrianglesOf<TextureFilter::Nearest, TextureAddress::Clamp>,
    generalTrianglesOf<TextureFilter::Bilinear, TextureAddress::Repeat>,
    generalTrianglesOf<TextureFilter::Bilinear, TextureAddress::Clamp>};

template <bool Blend, bool Lit>
void textureTriangles(const CallState& call, CallScratch& scratch, const TexturedSpanContext& context,
                      const LanePlan& plan)
{
    const DemoTexels texels{context.texture};
    scanTextured(
        call, scratch, context.texture, Lit,
        [context, texels, plan](const EdgeTable<attributeCount>& edges, const TriangleCorners& corners) {
            plan.drawSpans(
                edges, corners.width(),
                [&](const Span<attributeCount>& span) { textureSpan<Blend, Lit>(context, texels, span); },
                [&context](int set, const Span<attributeCount>* spans, int count) {
                    context.kernels[static_cast<size_t>(set)](context, spans, count);
                });
        });
}

using TextureTriangles = void (*)(const CallState&, CallScratch&, const TexturedSpanContext&,
                                  const LanePlan&);
// Indexed by 2 x blend + lit, as each lane set's kernels are.
constexpr TextureTriangles textureTrianglesByFlags[] = {
    &textureTriangles<false, false>, &textureTriangles<false, true>, &textureTriangles<true, false>,
    &textureTriangles<true, true>};

// Each lane set's kernels, in the order of laneSets().
#define TEPPLE_TEXTURED_KERNELS_ROW(name, ...) &texturedKernels##name,
constexpr std::array<const TexturedLaneKernels& (*)(), laneSetCount> kernelsBySet{
    {TEPPLE_EACH_LANE_SET(TEPPLE_TEXTURED_KERNELS_ROW)}};
#undef TEPPLE_TEXTURED_KERNELS_ROW

} // namespace

void paths::textured(const CallState& call, CallScratch& scratch)
{
    const TextureView textureView = TextureView::lock(call.texture);
    if (!textureView.usable()) return;
    // The wider sets gather texels by 32-bit index: a texture too large for that takes a set that
    // reads lane by lane.
    const LanePlan plan = LanePlan::forCall(call.laneWidth, textureView.lastIndex > INT32_MAX);
    const int flags = 2 * call.blend + call.lit();
    TexturedSpanContext context{call.buffers, textureView, {}};
    if (!call.viewport.demoRules) {
        const int sampling = 2 * (call.sampling.filter == TextureFilter::Bilinear) +
                             (call.sampling.address == TextureAddress::Clamp);
        generalTrianglesBySampling[sampling][flags](call, scratch, context);
        return;
    }
    // Only a set this processor runs is asked for its kernels: the accessor is built for its
    // instructions.
    for (size_t set = 0; set < kernelsBySet.size(); ++set) {
        if (laneSets()[set].runsHere) context.kernels[set] = kernelsBySet[set]().byFlags[flags];
    }
    textureTrianglesByFlags[flags](call, scratch, context, plan);
}

} // namespace tepple
