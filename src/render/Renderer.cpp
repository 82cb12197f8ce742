#include "render/Renderer.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

} // namespace

Renderer::Renderer() : texture(nullptr), secondTexture(nullptr), blendMode(0), backfaceCull(1)
{
    setThreads(1);
    std::fill(std::begin(accumBuffer), std::end(accumBuffer), 0u);
    std::fill(std::begin(depthBuffer), std::end(depthBuffer), initialDepth);
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
    indices.clear();
}

void Renderer::setThreads(int count)
{
    if (count <= 0) count = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    // More threads than bands of a few dozen rows each would only add hand-offs.
    count = std::min(count, screenHeight / 16);
    if (pool_->threads() != count) pool_ = WorkerPoolHandle(count);
    const size_t threads = static_cast<size_t>(count);
    gouraudEdges_.resize(threads);
    texturedEdges_.resize(threads);
    dualTexturedEdges_.resize(threads);
}

void Renderer::setIndexedVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, size_t vertexCount,
                                       const int32_t* indicesSource, size_t cornerCount)
{
    for (size_t k = 0; k < cornerCount; ++k) {
        if (indicesSource[k] < 0 || static_cast<size_t>(indicesSource[k]) >= vertexCount) {
            throw std::out_of_range("setIndexedVertexBuffers: corner " + std::to_string(k) + " names vertex " +
                                    std::to_string(indicesSource[k]) + " of " + std::to_string(vertexCount));
        }
    }
    setVertexBuffers(positionsSource, normalsSource, vertexCount);
    indices.assign(indicesSource, indicesSource + cornerCount);
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
