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
//
// How corners are lit, textures read and sprites drawn follows the viewport's rules: the general
// rules (Lighting.h, Sampling.h, and each draw mode below), or the demonstration's
// (Viewport::demoRules), which keep the pictures it was made with.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Vertex.h"
#include "pixels/PixelToolkit.h"
#include "render/Sampling.h"
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
    // The general rules' ambient term (Lighting.h); none at first.
    Ambient ambient;
    // How the general rules read textures (Sampling.h): nearest texel, repeating, at first.
    Sampling sampling;
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
    // Nonzero, with a pool of two or more threads lent: the Gouraud, textured and two-texture calls
    // of a frame are kept and drawn together at flush(). Each is set up when it is made (vertex
    // stage, set-up, lighting, from the arrays and settings as they are then), and flush() hands the
    // target's strips of rows to the threads once for all of them, each thread drawing every kept
    // call in order for its rows: where a frame is many small calls, one hand-out instead of one per
    // call. The pixels, depth keys and accumulation values are those of drawing call by call.
    // Until flush() the kept calls' pixels are not in the target or the buffers, and the target and
    // every texture they read must stay as they were. flush() runs by itself before a call that is
    // not kept (sprites, flat, keepFrame off) or that draws into another target, and before
    // setViewport, clearDepth, setPool and the buffers' accessors below that allow changes; the
    // read-only accessors do not flush. What is still kept when the renderer is destroyed or
    // assigned is dropped: call flush() before showing or reading a picture.
    uint8_t keepFrame = 0;

    const Viewport& viewport() const { return viewport_; }
    // Draws from now on into targets of the new viewport's size, with its focal length, centre,
    // window and rules; every other setting (vertex arrays, lights, textures, matrices, flags, pool,
    // frame) is kept. A new size starts the accumulation buffer black and every depth key stale.
    // Throws std::invalid_argument naming the problem, changing nothing, when the viewport cannot
    // be drawn with.
    void setViewport(const Viewport& viewport);

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
    // once per picture, before drawing it. Within a frame, nearer surfaces hide farther ones. After
    // frame 2^32 - 1 the count starts again at 0, and the depth buffer is cleared then, so that the
    // keys of the last frames cannot hide the next one.
    uint32_t frame() const { return frame_; }
    void nextFrame()
    {
        if (++frame_ == 0) clearDepth();
    }
    void setFrame(uint32_t frame) { frame_ = frame; }
    // Makes every stored depth key stale at once, for callers who would rather clear than count.
    void clearDepth();
    // Draws every call kept for the frame (keepFrame); nothing when none is.
    void flush();

    // The buffers, width x height entries row after row: the accumulation buffer (0x00RRGGBB, black
    // at first, never cleared by drawing) and the depth keys.
    uint32_t* accumBuffer()
    {
        flush();
        return accum_.data();
    }
    const uint32_t* accumBuffer() const { return accum_.data(); }
    double* depthBuffer()
    {
        flush();
        return depth_.data();
    }
    const double* depthBuffer() const { return depth_.data(); }
    size_t pixelCount() const { return accum_.size(); }

    // The draw modes. Each throws std::invalid_argument, drawing nothing, when the target's size
    // is not the viewport's, and (all but sprites) std::out_of_range naming the corner, drawing
    // nothing, when an index lies outside positions. The textured, two-texture and sprite paths draw nothing
    // while a texture they read is unbound or empty; a texel index outside the texture reads the nearest
    // texel inside it. Coordinates, colours or normals that are NaN or infinite draw nothing wrong: such a
    // corner lands at a saturated or zero position, and every buffer keeps valid values.
    //
    // Gouraud: each corner's colour lit at the corner with its normal, interpolated.
    // Textured: a perspective-correct texture; with lights (or an ambient term), each texel scaled
    // by the lit corner colours (under the general rules a white corner lit at strength 1 shows
    // the texel itself).
    // Dual-textured: the mean of two perspective-correct textures, unlit.
    // Sprites: a square copy of the texture per point, its top-left corner at the projected point,
    // its side 50 x focalLength / 320 pixels up to depth 6 and 300 x focalLength / 320 / depth
    // beyond, truncated (none from depth 300 on), depth-tested, pure red (0xFF0000) texels
    // transparent. The general rules tint each texel by multiplying it by the point's colour (white
    // shows the texture as it is), read texels at their centres and draw the part of a square
    // inside the target; the demonstration's rules show the mean of texel and colour and drop a
    // square that would reach the target's last column or row, or beyond.
    // Flat: one lit colour per triangle, painted in buffer order with no depth test. The general
    // rules honour the winding cull and light each face's own colour (its first corner's) by every
    // light and the ambient term at the face's centre with the face's normal; the demonstration's
    // rules draw every face, lighting pure red by the last light alone.
    void drawGouraud(Surface& target);
    void drawTextured(Surface& target);
    void drawDualTextured(Surface& target);
    void drawSprites(Surface& target);
    void drawFlat(Surface& target);

    // Draws in a draw mode (drawGouraud and the others call it). A value outside the enumeration
    // draws nothing and returns false.
    bool draw(DrawMode mode, Surface& target);

    // Lends the renderer a pool of threads to share its draw calls with (WorkerPool.h), or takes it
    // back (null: every call on the calling thread alone). The pool stays its owner's; it must
    // outlive its use here and serve one call at a time: a call on a pool busy with another
    // caller's job throws std::logic_error (WorkerPool::run). Copies are not lent it.
    // Draws what is kept for the frame (keepFrame) first.
    void setPool(WorkerPool* pool);
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
    // The scratch of a draw call (render/stages/TriangleLoop.h), kept from call to call, and the
    // calls kept for the frame. A copy starts with an empty one of its own, and an assignment
    // empties it: the kept calls draw into the buffers of the renderer that kept them.
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
