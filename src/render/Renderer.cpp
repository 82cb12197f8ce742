#include "render/Renderer.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>

#include "render/paths/Paths.h"
#include "render/stages/CallState.h"
#include "render/stages/TriangleLoop.h"
#include "render/WorkerPool.h"

namespace tepple {

namespace {

// Below any key a real frame can produce, so the first surface drawn anywhere passes.
constexpr double initialDepth = -65536.0;

[[noreturn]] void throwOutsideVertices(const char* caller, size_t corner, int32_t index, size_t vertexCount)
{
    throw std::out_of_range(std::string(caller) + ": corner " + std::to_string(corner) + " names vertex " +
                            std::to_string(index) + " of " + std::to_string(vertexCount));
}

// Throws, naming the first corner at fault, unless every index names one of `vertexCount`
// vertices. Each index taken as unsigned is below the limit exactly when it is in range: a
// negative one wraps to 2^31 or above, and the limit is never above 2^31 (every non-negative
// index names a vertex of a larger array). The pass looks for the largest index without a branch
// per index, so it costs next to nothing beside the call; the corner is looked for only when one
// is outside.
void checkCorners(const char* caller, const int32_t* indices, size_t cornerCount, size_t vertexCount)
{
    const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(vertexCount, size_t{1} << 31));
    uint32_t largest = 0;
    for (size_t k = 0; k < cornerCount; ++k) largest = std::max(largest, static_cast<uint32_t>(indices[k]));
    if (cornerCount == 0 || largest < limit) return;
    for (size_t k = 0; k < cornerCount; ++k) {
        if (static_cast<uint32_t>(indices[k]) >= limit)
            throwOutsideVertices(caller, k, indices[k], vertexCount);
    }
}

} // namespace

Renderer::Scratch::Scratch() : scratch_(std::make_unique<CallScratch>()) {}
Renderer::Scratch::Scratch(const Scratch&) : Scratch() {}
// The calls kept for the frame were to draw into the buffers the assignment replaces.
Renderer::Scratch& Renderer::Scratch::operator=(const Scratch&)
{
    scratch_->bin = FrameBin();
    return *this;
}
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

void Renderer::setViewport(const Viewport& viewport)
{
    const std::string problem = viewport.problem();
    if (!problem.empty()) throw std::invalid_argument("setViewport: " + problem);
    flush();
    const size_t pixels = static_cast<size_t>(viewport.width) * static_cast<size_t>(viewport.height);
    if (viewport.width != viewport_.width || viewport.height != viewport_.height) {
        // Allocated before anything changes, so running out of memory leaves the renderer whole.
        std::vector<uint32_t> accum(pixels, 0u);
        std::vector<double> depth(pixels, initialDepth);
        accum_.swap(accum);
        depth_.swap(depth);
    }
    viewport_ = viewport;
}

void Renderer::clearDepth()
{
    flush();
    std::fill(depth_.begin(), depth_.end(), initialDepth);
}

void Renderer::flush()
{
    CallScratch& scratch = *scratch_;
    if (scratch.bin.empty()) return;
    drawFrameBin(scratch, *pool_.pool, viewport_);
}

void Renderer::setPool(WorkerPool* pool)
{
    flush();
    pool_.pool = pool;
}

CallState Renderer::callState(Surface& target, bool readsIndices)
{
    if (target.width() != viewport_.width || target.height() != viewport_.height) {
        throw std::invalid_argument("Renderer: the target is " + std::to_string(target.width()) + " x " +
                                    std::to_string(target.height()) + " pixels, the viewport " +
                                    std::to_string(viewport_.width) + " x " +
                                    std::to_string(viewport_.height));
    }
    // The index list is a public member, so nothing before the call has checked it against the
    // positions as they are now; every stage reads positions through it unchecked.
    if (readsIndices) checkCorners("draw", indices.data(), indices.size(), positions.size());
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
    return CallState{viewport_,         input,     lights,     texture, secondTexture, blendMode != 0,
                     backfaceCull != 0, laneWidth, pool_.pool, buffers, ambient,       sampling};
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
    checkCorners("setIndexedVertexBuffers", indicesSource, cornerCount, vertexCount);
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
    // Sprites read positions alone, never the index list.
    const CallState call = callState(target, mode != DrawMode::Sprites);
    FrameBin& bin = (*scratch_).bin;
    const bool depthTested = mode == DrawMode::Gouraud || mode == DrawMode::Textured ||
                             mode == DrawMode::DualTextured;
    const bool keep = keepFrame && depthTested && pool_.pool != nullptr && pool_.pool->threads() > 1;
    // Whatever was kept is drawn before a call that is not, or that draws into another target.
    if (!keep || bin.target != call.buffers.pixels) flush();
    bin.keeping = keep;
    bin.target = call.buffers.pixels;
    struct Stop {
        FrameBin& bin;
        ~Stop() { bin.keeping = false; }
    } stop{bin};
    byMode[static_cast<size_t>(mode)](call, *scratch_);
    return true;
}

void Renderer::drawGouraud(Surface& target) { draw(DrawMode::Gouraud, target); }
void Renderer::drawTextured(Surface& target) { draw(DrawMode::Textured, target); }
void Renderer::drawDualTextured(Surface& target) { draw(DrawMode::DualTextured, target); }
void Renderer::drawSprites(Surface& target) { draw(DrawMode::Sprites, target); }
void Renderer::drawFlat(Surface& target) { draw(DrawMode::Flat, target); }

} // namespace tepple
