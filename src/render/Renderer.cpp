#include "render/Renderer.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

} // namespace

Renderer::Renderer() : texture(nullptr), secondTexture(nullptr), blendMode(0), backfaceCull(1)
{
    std::fill(std::begin(accumBuffer), std::end(accumBuffer), 0u);
    std::fill(std::begin(depthBuffer), std::end(depthBuffer), initialDepth);
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            // Both stay within 0-255 (255 x 255 / 256 is 254), so packing never carries.
            mulTable[a * 256 + b] = (a * b) / 256;
            avgTable[a * 256 + b] = (a + b) / 2;
        }
    }
}

void Renderer::setVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, size_t count)
{
    if (positionsSource != nullptr) {
        positions.assign(positionsSource, positionsSource + count);
    } else {
        positions.assign(count, Vertex());
    }
    if (normalsSource != nullptr) {
        normals.assign(normalsSource, normalsSource + count);
    } else {
        normals.clear();
    }
}

bool Renderer::draw(DrawMode mode, Surface& target)
{
    using Rasteriser = void (Renderer::*)(Surface&);
    // In the order of DrawMode.
    static constexpr Rasteriser byMode[] = {&Renderer::drawGouraud, &Renderer::drawTextured,
                                            &Renderer::drawDualTextured, &Renderer::drawSprites,
                                            &Renderer::drawFlat};
    static_assert(std::size(byMode) == static_cast<size_t>(DrawMode::Flat) + 1);
    if (!isDrawMode(mode)) return false;
    const Rasteriser rasteriser = byMode[static_cast<size_t>(mode)];
    (this->*rasteriser)(target);
    return true;
}
