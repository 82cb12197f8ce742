#pragma once
// The software rendering engine. A draw call hands over camera-space vertices (three corners per
// triangle, or one per sprite point) and draws them into a target surface in one of five draw
// modes, each drawn by a path of its own (render/paths/). The renderer keeps what lasts between
// calls: the light list, the bound textures, the world and view matrices (read by drawMesh,
// MeshDraw.h), the two mode flags, the accumulation buffer that blending mixes into, and the depth
// buffer with its frame number.
//
// Every target must have the viewport's size (Viewport.h); the buffers are the renderer's own, on
// the heap, so a renderer may live anywhere. A renderer draws on the calling thread, or shares each
// call with the threads of a WorkerPool lent to it; the pictures are the same either way. Two
// renderers may draw at the same time on different threads: they share nothing, a copy included (a
// copy has no pool of its own until one is lent to it).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Vertex.h"
#include "pixels/PixelToolkit.h"
#include "render/Viewport.h"

namespace tepple {

class WorkerPool;
struct CallScratch;
struct CallState;

// The five draw modes, numbered 0 to 4.
enum class DrawMode { Gouraud, Textured, DualTextured, Sprites, Flat };

// False for a value cast from outside the enumeration.
constexpr bool isDrawMode(DrawMode mode)
{
    return static_cast<unsigned>(mode) <= static_cast<unsigned>(DrawMode::Flat);
}

class Renderer {
public:
    // A renderer for targets of the viewport's size. Throws std::invalid_argument naming the
    // problem when the viewport cannot be drawn with (Viewport::problem).
    explicit Renderer(const Viewport& viewport);
    // A copy takes every setting and buffer, and work areas of its own, but no pool: a pool serves
    // one caller at a time, so a copy drawing with its original's would race it. Lend the copy a
    // pool of its own with setPool. Assigning a renderer leaves it with no pool the same way.
    Renderer(const Renderer& other) = default;
    Renderer& operator=(const Renderer& other) = default;
    ~Renderer() = default;

    // Three entries per triangle (a trailing partial triangle is never drawn), or one per point in
    // sprite mode, in camera space (Viewport.h).
    std::vector<Vertex> positions;
    std::vector<Vertex> normals; // entry i belongs to positions entry i; a missing entry is the zero normal
    // The triangles' corners as indices into positions (and normals), three per triangle, so a
    // vertex shared by several triangles is projected and lit once per draw call. Empty: corner k
    // is positions entry k. Sprites ignore it. Every index must name an entry of positions when a
    // call reads them: a call that finds one outside throws std::out_of_range, drawing nothing.
    std::vector<int32_t> indices;
    std::vector<Light> lights; // in addLight order
    Surface* texture;          // not owned
    Surface* secondTexture;    // not owned
    Matrix4 worldMatrix;
    Matrix4 viewMatrix;
    uint8_t blendMode;    // nonzero: mix every covered pixel into the accumulation buffer and show the mix
    // nonzero (and blendMode 0): drop triangles whose corners run anticlockwise on the target
    uint8_t backfaceCull;
    // Spans of a triangle drawn side by side, one per SIMD lane: 0 takes the widest lane set this
    // build and processor have (laneWidthsAvailable: 16 with AVX-512, 8 with AVX2, 4 with SSE2);
    // another value the widest of them up to it, 1 being one span at a time. Every width gives the
    // pixels, depth keys and accumulation values of drawing the spans one by one: it is there to
    // compare them, and to measure.
    int laneWidth = 0;

    const Viewport& viewport() const { return viewport_; }

    // Copies `count` entries of each array, one per corner (or point); no index list. normalsSource
    // may be null: there are then no normals.
    void setVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, size_t count);
    // Copies `vertexCount` vertices (and normals, unless null) and `cornerCount` corner indices.
    // Throws std::out_of_range, changing nothing, when an index lies outside the vertices.
    void setIndexedVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource,
                                 size_t vertexCount, const int32_t* indicesSource, size_t cornerCount);
    void setTexture(Surface* surface) { texture = surface; }
    void setSecondTexture(Surface* surface) { secondTexture = surface; }
    void addLight(const Light& light) { lights.push_back(light); }
    void clearLights() { lights.clear(); }

    // The frame being drawn. Depth keys are frame + 1/z (render/DepthRule.h), so advancing the
    // frame makes every key stored before it stale without clearing the buffer: call nextFrame()
    // once per picture, before drawing it. Within a frame, nearer surfaces hide farther ones.
    uint32_t frame() const { return frame_; }
    void nextFrame() { ++frame_; }
    void setFrame(uint32_t frame) { frame_ = frame; }
    // Makes every stored depth key stale at once, for callers who would rather clear than count.
    void clearDepth();

    // The buffers, width x height entries row after row: the accumulation buffer (0x00RRGGBB, black
    // at first, never cleared by drawing) and the depth keys.
    uint32_t* accumBuffer() { return accum_.data(); }
    const uint32_t* accumBuffer() const { return accum_.data(); }
    double* depthBuffer() { return depth_.data(); }
    const double* depthBuffer() const { return depth_.data(); }
    size_t pixelCount() const { return accum_.size(); }

    // The draw modes. Each throws std::invalid_argument, drawing nothing, when the target's size
    // is not the viewport's, and (all but sprites) std::out_of_range naming the corner, drawing
    // nothing, when an index lies outside positions. The textured, two-texture and sprite paths draw nothing
    // while a texture they read is unbound or empty; a texel index outside the texture reads the nearest
    // texel inside it. Coordinates, colours or normals that are NaN or infinite draw nothing wrong: such a
    // corner lands at a saturated or zero position, and every buffer keeps valid values.
    void drawGouraud(Surface& target);  // per-corner lighting interpolated
    void drawTextured(Surface& target); // perspective-correct texture, scaled by lit corner colours
    void drawDualTextured(Surface& target); // the mean of two textures, unlit
    void drawSprites(Surface& target);  // a textured square per point, scaled by distance
    void drawFlat(Surface& target);     // one face-lit colour per triangle, no depth test

    // Draws in a draw mode (drawGouraud and the others call it). A value outside the enumeration
    // draws nothing and returns false.
    bool draw(DrawMode mode, Surface& target);

    // Lends the renderer a pool of threads to share its draw calls with (WorkerPool.h), or takes it
    // back (null: every call on the calling thread alone). The pool stays its owner's; it must
    // outlive its use here and serve one call at a time: a call on a pool busy with another
    // caller's job throws std::logic_error (WorkerPool::run). Copies are not lent it.
    void setPool(WorkerPool* pool) { pool_.pool = pool; }
    WorkerPool* pool() const { return pool_.pool; }

private:
    // What a call into `target` reads and draws into; throws when the target's size is not the
    // viewport's, or (when the call reads the index list) an index lies outside positions.
    CallState callState(Surface& target, bool readsIndices);

    Viewport viewport_;
    std::vector<uint32_t> accum_;
    std::vector<double> depth_;
    uint32_t frame_ = 0;
    // The lent pool, which copies do not take (see the copy constructor).
    struct LentPool {
        LentPool() = default;
        LentPool(const LentPool&) {}
        LentPool& operator=(const LentPool& other)
        {
            if (this != &other) pool = nullptr;
            return *this;
        }
        WorkerPool* pool = nullptr;
    };
    LentPool pool_;
    // The scratch of a draw call (render/stages/TriangleLoop.h), kept from call to call. A copy
    // starts with an empty one of its own: it holds nothing that outlives a call.
    class Scratch {
    public:
        Scratch();
        Scratch(const Scratch&);
        Scratch& operator=(const Scratch&);
        ~Scratch();
        CallScratch& operator*() const { return *scratch_; }

    private:
        std::unique_ptr<CallScratch> scratch_;
    };
    Scratch scratch_;
};

} // namespace tepple
