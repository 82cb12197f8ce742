#include "render/Renderer.h"

#include <algorithm>
#include <cstddef>

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

} // namespace

Renderer::Renderer()
    : triangleCount(0),
      vertexCount(0),
      lightCount(0),
      texture(nullptr),
      secondTexture(nullptr),
      blendMode(0),
      backfaceCull(1)
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

int Renderer::setVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, int32_t triangles,
                               int32_t vertices)
{
    triangleCount = std::max(triangles, 0);
    vertexCount = std::max(vertices, 0);
    const size_t vertexEntries = static_cast<size_t>(vertexCount);
    if (positionsSource != nullptr) {
        positions.assign(positionsSource, positionsSource + vertexEntries);
    } else {
        positions.assign(vertexEntries, Vertex());
    }
    if (normalsSource != nullptr) {
        normals.assign(normalsSource, normalsSource + vertexEntries);
    } else {
        normals.assign(static_cast<size_t>(triangleCount), Vertex());
    }
    return 0;
}

int Renderer::setTexture(Surface* surface)
{
    texture = surface;
    return 0;
}

int Renderer::setSecondTexture(Surface* surface)
{
    secondTexture = surface;
    return 0;
}

int Renderer::addLight(Light light)
{
    lights.push_back(light);
    lightCount = static_cast<int32_t>(lights.size());
    return 0;
}

int Renderer::clearLights()
{
    if (lightCount > 0) {
        lights.clear();
        lightCount = 0;
    }
    return 0;
}

bool Renderer::drawMode(int mode, Surface& target)
{
    using Rasteriser = int (Renderer::*)(Surface&, int, int);
    static constexpr Rasteriser byMode[] = {&Renderer::drawGouraud, &Renderer::drawTextured,
                                            &Renderer::drawDualTextured, &Renderer::drawSprites,
                                            &Renderer::drawFlat};
    constexpr int modeCount = static_cast<int>(sizeof(byMode) / sizeof(byMode[0]));
    if (mode < 0 || mode >= modeCount) return false;
    const Rasteriser rasteriser = byMode[mode];
    (this->*rasteriser)(target, 0, 0);
    return true;
}
