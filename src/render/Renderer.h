#pragma once
// The software rendering engine: the vertex arrays of the draw call in progress, the light list,
// the bound textures, the world and view matrices, the two mode flags, the persistent
// accumulation buffer and the depth buffer.
//
// The object holds its buffers inline (several megabytes): allocate it on the heap.
// Targets are always 640 x 480 32-bit surfaces addressed as 640 words per row.
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Vertex.h"
#include "pixels/FrameCounter.h"
#include "pixels/PixelToolkit.h"
#include "render/Screen.h"

class WorkerPool;
struct CallWork;

// The five rasterisers, in the order of their mode numbers 0 to 4.
enum class DrawMode { Gouraud, Textured, DualTextured, Sprites, Flat };

// False for a value cast from outside the enumeration, which draws nothing.
constexpr bool isDrawMode(DrawMode mode) { return static_cast<unsigned>(mode) <= static_cast<unsigned>(DrawMode::Flat); }

class Renderer {
public:
    Renderer();

    // Three entries per triangle (a trailing partial triangle is never drawn), or one per point
    // in sprite mode.
    std::vector<Vertex> positions;
    std::vector<Vertex> normals;   // entry i belongs to positions entry i; a missing entry is the zero normal
    // The triangles' corners as indices into positions (and normals), three per triangle, so a
    // vertex shared by several triangles is projected and lit once per draw call. Empty: corner k
    // is positions entry k. Sprites ignore it.
    std::vector<int32_t> indices;
    std::vector<Light> lights;     // in addLight order
    uint32_t accumBuffer[screenWidth * screenHeight]; // blend-mode feedback buffer, never cleared
    Surface* texture;            // not owned
    Surface* secondTexture;      // not owned
    Matrix4 worldMatrix;
    Matrix4 viewMatrix;
    uint8_t blendMode;
    uint8_t backfaceCull;
    // Draws the rows of a triangle side by side, one per SIMD lane, where the build has SSE2. The
    // pixels, depth keys and accumulation values are those of drawing the rows one by one, which
    // false selects, to compare the two.
    bool rowLanes = true;
    double depthBuffer[screenWidth * screenHeight]; // exact keys frameCounter + 1/z (DepthRule)

    // Copies `count` entries of each array, one per corner (or point); no index list. normalsSource
    // may be null: there are then no normals.
    void setVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, size_t count);
    // Copies `vertexCount` vertices (and normals, unless null) and `cornerCount` corner indices.
    // Throws std::out_of_range, changing nothing, when an index lies outside the vertices.
    void setIndexedVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, size_t vertexCount,
                                 const int32_t* indicesSource, size_t cornerCount);
    // Corners handed over (three per triangle), and the positions entry of corner k.
    size_t cornerCount() const { return indices.empty() ? positions.size() : indices.size(); }
    size_t vertexOfCorner(size_t corner) const
    {
        return indices.empty() ? corner : static_cast<size_t>(indices[corner]);
    }
    void setTexture(Surface* surface) { texture = surface; }
    void setSecondTexture(Surface* surface) { secondTexture = surface; }
    void addLight(const Light& light) { lights.push_back(light); }
    void clearLights() { lights.clear(); }

    // The rasterisers draw only into a 640 x 480 target (any other size is left untouched), and
    // the textured, two-texture and sprite paths draw nothing while a texture they read is unbound
    // or empty. A texel index outside the texture reads the nearest texel inside it.
    void drawGouraud(Surface& target);
    void drawTextured(Surface& target);
    void drawDualTextured(Surface& target);
    void drawSprites(Surface& target);
    void drawFlat(Surface& target);

    // Runs the rasteriser of a draw mode. A value outside the enumeration draws nothing and
    // returns false.
    bool draw(DrawMode mode, Surface& target);

    // Lends the renderer a pool of threads to share its draw calls with (WorkerPool.h), or takes it
    // back (null: every call on the calling thread alone). The pool stays its owner's; it must
    // outlive its use here and serve one call at a time. Every pixel, depth key and accumulation
    // value is the same for any number of threads.
    void setPool(WorkerPool* pool) { pool_ = pool; }
    WorkerPool* pool() const { return pool_; }

    Renderer(const Renderer& other);
    Renderer& operator=(const Renderer& other);
    ~Renderer();

private:
    WorkerPool* pool_ = nullptr;
    // The work areas of a draw call (render/TriangleLoop.h), kept from call to call. A copy of the
    // renderer starts with empty ones.
    std::unique_ptr<CallWork> work_;
};
