// The sprite path: every point a depth-tested square copy of the texture, scaled by distance,
// tinted with the point's colour, with pure red texels transparent. The general rules multiply
// texel and colour, read each texel at its centre, draw the part of a square on the target and
// only points inside the visibility window; the demonstration's show the mean of texel and colour,
// step whole texels and drop a square that would leave the target, wherever the point is.
#include <algorithm>
#include <cstddef>

#include "geometry/SafeFloat.h"
#include "render/paths/Paths.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/DepthRule.h"
#include "render/stages/TextureSampling.h"
#include "render/stages/VertexStage.h"

namespace tepple {

namespace {

// The float nearest one sixth, a hair above it: at depths where 300 / z is whole the size comes
// out one pixel smaller (depth 6 gives 49, depth 60 gives 4).
constexpr float oneSixth = 0.16666667f;
constexpr double fullSize = 50.0;

// Side of the square in pixels at focal length 320: 50 up to depth 6, 0 from depth 300 on (and for
// NaN depths). Other focal lengths scale the full size with them.
int spriteSize(float z, double focalLength)
{
    // Kept in double: rounding the scale to float would lose the hair above one sixth.
    double scale = z * static_cast<double>(oneSixth);
    if (scale < 1.0) scale = 1.0;
    return truncToInt(fullSize * (focalLength / 320.0) / scale);
}

bool transparent(uint32_t texel) { return (texel & 0x00FFFFFF) == 0x00FF0000; }

struct SpriteContext {
    const DrawBuffers& buffers;
    const TextureView& texture;
};

// The square's top-left corner, not its centre, sits at the projected point.
void drawSprite(const SpriteContext& context, ScreenPoint corner, int size, float w, uint32_t tint)
{
    const TextureView& texture = context.texture;
    // Whole-texel steps: (size - 1) x (W / size) stays below W, so every read is inside the
    // texture. Positions are whole numbers, exact as the running floats they model.
    const int uStep = texture.width / size;
    const int vStep = texture.height / size;
    const double key = context.buffers.depthRule.key(w);
    double* depthBuffer = context.buffers.depth;
    for (int j = 0; j < size; ++j) {
        const uint32_t* texelRow = texture.texels + static_cast<size_t>(j) * vStep * texture.width;
        const size_t rowStart = context.buffers.rowStart(corner.y + j) + static_cast<size_t>(corner.x);
        for (int i = 0; i < size; ++i) {
            const size_t pixel = rowStart + static_cast<size_t>(i);
            if (!(key > depthBuffer[pixel])) continue;
            const uint32_t texel = texelRow[static_cast<size_t>(i) * uStep];
            // Transparent texels leave the depth untouched too.
            if (transparent(texel)) continue;
            context.buffers.pixels[pixel] = meanChannels(texel, tint);
            depthBuffer[pixel] = key;
        }
    }
}

// The general rules' square: only its part on the target, each pixel (i, j) of the square reading
// the texel under its centre, column (2i + 1) x W / 2 size, and the texel multiplied by the tint.
void drawClippedSprite(const SpriteContext& context, const Viewport& viewport, ScreenPoint corner, int size,
                       float w, uint32_t tint)
{
    const TextureView& texture = context.texture;
    const int64_t left = corner.x, top = corner.y;
    const int64_t firstI = std::max<int64_t>(0, -left), endI = std::min<int64_t>(size, viewport.width - left);
    const int64_t firstJ = std::max<int64_t>(0, -top), endJ = std::min<int64_t>(size, viewport.height - top);
    const double key = context.buffers.depthRule.key(w);
    double* depthBuffer = context.buffers.depth;
    const int64_t twiceSize = 2 * static_cast<int64_t>(size);
    for (int64_t j = firstJ; j < endJ; ++j) {
        const int64_t texelRow = (2 * j + 1) * texture.height / twiceSize;
        const uint32_t* texels = texture.texels +
                                 static_cast<size_t>(texelRow) * static_cast<size_t>(texture.width);
        const size_t rowStart = context.buffers.rowStart(static_cast<int>(top + j)) +
                                static_cast<size_t>(left);
        for (int64_t i = firstI; i < endI; ++i) {
            const size_t pixel = rowStart + static_cast<size_t>(i);
            if (!(key > depthBuffer[pixel])) continue;
            const uint32_t texel = texels[(2 * i + 1) * texture.width / twiceSize];
            if (transparent(texel)) continue;
            context.buffers.pixels[pixel] = modulatedChannels(texel, redOf(tint), greenOf(tint),
                                                              blueOf(tint));
            depthBuffer[pixel] = key;
        }
    }
}

} // namespace

void paths::sprites(const CallState& call, CallScratch&)
{
    const Viewport& viewport = call.viewport;
    const TextureView textureView = TextureView::lock(call.texture);
    if (!textureView.usable()) return;
    const SpriteContext context{call.buffers, textureView};
    if (!viewport.demoRules) {
        for (size_t i = 0; i < call.input.vertexCount; ++i) {
            const Vertex& point = call.input.positions[i];
            const float w = inverseDepth(point.z);
            if (!(point.z > 0.0f) || !call.buffers.window.contains(w)) continue;
            const ScreenPoint corner = project(point, viewport);
            const int size = spriteSize(point.z, viewport.focalLength);
            if (size <= 0) continue;
            drawClippedSprite(context, viewport, corner, size, w, point.colour);
        }
        return;
    }
    // Under the demonstration's rules a square may not touch the last column or row either.
    const int margin = viewport.demoRules ? 1 : 0;
    for (size_t i = 0; i < call.input.vertexCount; ++i) {
        const Vertex& point = call.input.positions[i];
        const ScreenPoint corner = project(point, viewport);
        const int size = spriteSize(point.z, viewport.focalLength);
        // No clipping: a square that would cross an edge of the target is not drawn at all. There
        // is no visibility window either; points at or behind the eye are drawn at full size.
        if (size <= 0 || corner.x < 0 || corner.y < 0 || corner.x > viewport.width - size - margin ||
            corner.y > viewport.height - size - margin) {
            continue;
        }
        drawSprite(context, corner, size, inverseDepth(point.z), point.colour);
    }
}

} // namespace tepple
