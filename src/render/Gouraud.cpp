// The smooth-shaded path: per-corner lighting interpolated across the triangle.
#include <emmintrin.h>

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
//
// The four attributes are stepped as one vector ordered blue, green, red, w: each lane does the
// float add the attribute would get on its own, and the channels' bytes packed in that order read
// 0x00RRGGBB. channelOf on each lane: max(x, 0) and min(x, 255) return their second operand when
// the comparison fails (NaN included), as x > 0 ? x : 0 and x < 255 ? x : 255 do, on x86 and in
// the browser's SIMD alike.
template <bool Blend>
void shadeRow(const SpanTarget& target, const Span<attributeCount>& span)
{
    __m128 attributes = _mm_setr_ps(span.values[blue], span.values[green], span.values[red], span.values[invZ]);
    const __m128 steps = _mm_setr_ps(span.steps[blue], span.steps[green], span.steps[red], span.steps[invZ]);
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(255.0f);
    // Copies the pixel loop keeps in registers: the buffers' stores cannot change them.
    const DepthRule depthRule = target.depthRule;
    const VisibilityWindow window = target.window;
    const size_t rowStart = target.rowStart(span.row);
    uint32_t* screenRow = target.pixels + rowStart;
    uint32_t* accumRow = target.accum + rowStart;
    double* depthRow = target.depth + rowStart;
    for (int column = span.left; column < span.right; ++column) {
        const __m128i channels = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(attributes, zero), top));
        const __m128i words = _mm_packs_epi32(channels, channels);
        uint32_t colour = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))) & 0xFFFFFFu;
        if (Blend) {
            // The feedback buffer mixes every pixel of the span, hidden or not.
            colour = meanChannels(accumRow[column], colour);
            accumRow[column] = colour;
        }
        const float w = _mm_cvtss_f32(_mm_shuffle_ps(attributes, attributes, _MM_SHUFFLE(3, 3, 3, 3)));
        if (depthRule.pass(depthRow[column], w) && window.contains(w)) screenRow[column] = colour;
        attributes = _mm_add_ps(attributes, steps);
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
