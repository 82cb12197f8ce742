#include "render/Renderer.h"

#include "render/TriangleLoop.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

} // namespace

Renderer::Renderer()
    : texture(nullptr), secondTexture(nullptr), blendMode(0), backfaceCull(1), work_(std::make_unique<CallWork>())
{
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

// The state is copied member by member; the work areas are the copy's own.
Renderer::Renderer(const Renderer& other)
    : positions(other.positions),
      normals(other.normals),
      indices(other.indices),
      lights(other.lights),
      texture(other.texture),
      secondTexture(other.secondTexture),
      worldMatrix(other.worldMatrix),
      viewMatrix(other.viewMatrix),
      blendMode(other.blendMode),
      backfaceCull(other.backfaceCull),
      rowLanes(other.rowLanes),
      pool_(other.pool_),
      work_(std::make_unique<CallWork>())
{
    std::copy(std::begin(other.accumBuffer), std::end(other.accumBuffer), accumBuffer);
    std::copy(std::begin(other.depthBuffer), std::end(other.depthBuffer), depthBuffer);
}

Renderer& Renderer::operator=(const Renderer& other)
{
    if (this == &other) return *this;
    positions = other.positions;
    normals = other.normals;
    indices = other.indices;
    lights = other.lights;
    std::copy(std::begin(other.accumBuffer), std::end(other.accumBuffer), accumBuffer);
    texture = other.texture;
    secondTexture = other.secondTexture;
    worldMatrix = other.worldMatrix;
    viewMatrix = other.viewMatrix;
    blendMode = other.blendMode;
    backfaceCull = other.backfaceCull;
    rowLanes = other.rowLanes;
    std::copy(std::begin(other.depthBuffer), std::end(other.depthBuffer), depthBuffer);
    pool_ = other.pool_;
    return *this;
}

Renderer::~Renderer() = default;

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
