#include "render/Renderer.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>

#include "render/paths/Paths.h"
#include "render/stages/CallState.h"
#include "render/stages/TriangleLoop.h"

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

} // namespace

Renderer::Scratch::Scratch() : scratch_(std::make_unique<CallScratch>()) {}
Renderer::Scratch::Scratch(const Scratch&) : Scratch() {}
Renderer::Scratch& Renderer::Scratch::operator=(const Scratch&) { return *this; }
Renderer::Scratch::~Scratch() = default;

Renderer::Renderer(const Viewport& viewport)
    : texture(nullptr), secondTexture(nullptr), blendMode(0), backfaceCull(1), viewport_(viewport)
{
    const std::string problem = viewport.problem();
    if (!problem.empty()) throw std::invalid_argument("Renderer: " + problem);
    const size_t pixels = static_cast<size_t>(viewport.width) * static_cast<size_t>(viewport.height);
    accum_.assign(pixels, 0u);
    depth_.assign(pixels, initialDepth);
}

void Renderer::clearDepth() { std::fill(depth_.begin(), depth_.end(), initialDepth); }

CallState Renderer::callState(Surface& target)
{
    if (target.width() != viewport_.width || target.height() != viewport_.height) {
        throw std::invalid_argument("Renderer: the target is " + std::to_string(target.width()) + " x " +
                                    std::to_string(target.height()) + " pixels, the viewport " +
                                    std::to_string(viewport_.width) + " x " +
                                    std::to_string(viewport_.height));
    }
    CallInput input;
    input.positions = positions.data();
    input.vertexCount = positions.size();
    input.normals = normals.data();
    input.normalCount = normals.size();
    if (!indices.empty()) {
        input.indices = indices.data();
        input.indexCount = indices.size();
    }
    const DrawBuffers buffers{target.lock(),     accum_.data(),
                              depth_.data(),     static_cast<size_t>(viewport_.width),
                              DepthRule(frame_), VisibilityWindow(viewport_)};
    return CallState{viewport_, input,    lights,    texture, secondTexture, blendMode != 0,
                     backfaceCull != 0, laneWidth, pool_, buffers};
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

void Renderer::setIndexedVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource,
                                       size_t vertexCount, const int32_t* indicesSource, size_t cornerCount)
{
    for (size_t k = 0; k < cornerCount; ++k) {
        if (indicesSource[k] < 0 || static_cast<size_t>(indicesSource[k]) >= vertexCount) {
            throw std::out_of_range("setIndexedVertexBuffers: corner " + std::to_string(k) +
                                    " names vertex " + std::to_string(indicesSource[k]) + " of " +
                                    std::to_string(vertexCount));
        }
    }
    setVertexBuffers(positionsSource, normalsSource, vertexCount);
    indices.assign(indicesSource, indicesSource + cornerCount);
}

bool Renderer::draw(DrawMode mode, Surface& target)
{
    using Path = void (*)(const CallState&, CallScratch&);
    // In the order of DrawMode.
    static constexpr Path byMode[] = {&paths::gouraud, &paths::textured, &paths::dualTextured,
                                      &paths::sprites, &paths::flat};
    static_assert(std::size(byMode) == static_cast<size_t>(DrawMode::Flat) + 1);
    if (!isDrawMode(mode)) return false;
    byMode[static_cast<size_t>(mode)](callState(target), *scratch_);
    return true;
}

void Renderer::drawGouraud(Surface& target) { draw(DrawMode::Gouraud, target); }
void Renderer::drawTextured(Surface& target) { draw(DrawMode::Textured, target); }
void Renderer::drawDualTextured(Surface& target) { draw(DrawMode::DualTextured, target); }
void Renderer::drawSprites(Surface& target) { draw(DrawMode::Sprites, target); }
void Renderer::drawFlat(Surface& target) { draw(DrawMode::Flat, target); }
