#pragma once
// The software rendering engine: the vertex arrays of the draw call in progress, the light list,
// the bound textures, the world and view matrices, the two mode flags, the persistent
// accumulation buffer and the depth buffer.
//
// The object holds its buffers and tables inline (several megabytes): allocate it on the heap.
// Targets are always 640 x 480 32-bit surfaces addressed as 640 words per row.
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Vertex.h"
#include "pixels/FrameCounter.h"
#include "pixels/PixelToolkit.h"
#include "render/WorkerPool.h"
#include "render/EdgeTable.h"
#include "render/Screen.h"

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

    // What the triangle paths work out once per vertex of the draw call in progress, refilled by
    // every call (render/Projection.h): the screen position and w of every vertex, and the lit
    // colour of those a drawn triangle uses. Grows to the largest call and is then reused.
    struct VertexResults {
        std::vector<ScreenPoint> screen;
        std::vector<float> w;
        std::vector<uint32_t> lit;
        std::vector<uint32_t> litInCall; // lit[i] is valid while litInCall[i] == call
        uint32_t call = 0;
        std::vector<TriangleCorners> drawnTriangles; // those that survive set-up, when the call is shared
        // Each piece's share of them, while set up; a cache line each, since the threads grow
        // their pieces' lists at the same time.
        struct alignas(64) Share {
            std::vector<TriangleCorners> triangles;
        };
        std::vector<Share> drawnInPiece;
        std::vector<uint32_t> wantedInCall; // a drawn corner uses vertex i while wantedInCall[i] == call
        std::vector<int64_t> rowWork; // per screen row, the work expected there (splitRows)
        std::vector<int> stripRows;   // strip s is rows [stripRows[s], stripRows[s + 1])
    };
    VertexResults vertexResults;

    // Threads the renderer draws with (0: one per processor). A triangle call is split into
    // strips of rows, each thread drawing every triangle in order for the rows of the strips it
    // takes, so every pixel, depth key and accumulation value is what one thread gives; the
    // per-vertex work of a call is shared the same way. The threads are started here, once;
    // drawing allocates nothing once the buffers have grown to the largest call.
    void setThreads(int count);
    int threads() const { return pool_->threads(); }
    // Runs work(context, piece, thread) for pieces [0, pieces) on all threads (WorkerPool::run).
    void runPieces(WorkerPool::Work work, void* context, int pieces) { pool_->run(work, context, pieces); }
    // Runs body(begin, end, piece) over the items [0, count), cut in order into piecesFor(count)
    // ranges shared among the threads, or in one piece on this thread when there are fewer than
    // minItemsForThreads items or one thread. For per-item work whose results do not depend on
    // the cut.
    template <class Body>
    void forItems(size_t count, Body&& body)
    {
        const int pieces = piecesFor(count);
        if (pieces > 1) {
            pool_->split(count, pieces, body);
        } else if (count > 0) {
            body(size_t{0}, count, 0);
        }
    }
    int piecesFor(size_t count) const
    {
        return pool_->threads() > 1 && count >= minItemsForThreads ? piecesPerThread * pool_->threads() : 1;
    }
    // Below this, handing items to other threads costs more than working them out here.
    static constexpr size_t minItemsForThreads = 256;
    // A thread that starts late, or is interrupted, leaves its share to the others in pieces
    // this small.
    static constexpr int piecesPerThread = 3;
    // Strips of rows a triangle call is cut into, per thread. Unlike vertex pieces, every strip
    // walks again each edge that reaches it from the edge's top (the rows above it included, as
    // the values are stepped row by row); cut by expected work, one strip per thread keeps the
    // threads as busy as more, smaller strips did, and walks less.
    static constexpr int stripsPerThread = 1;
    // The scan-conversion work area of each thread.
    EdgeTable<4>& gouraudEdges(int thread) { return gouraudEdges_[static_cast<size_t>(thread)]; }
    EdgeTable<6>& texturedEdges(int thread) { return texturedEdges_[static_cast<size_t>(thread)]; }
    EdgeTable<5>& dualTexturedEdges(int thread) { return dualTexturedEdges_[static_cast<size_t>(thread)]; }

private:
    WorkerPoolHandle pool_;
    // Scan-conversion work areas, one per attribute set and thread, reused by every triangle.
    std::vector<EdgeTable<4>> gouraudEdges_;      // red, green, blue, w
    std::vector<EdgeTable<6>> texturedEdges_;     // u/z, v/z, red, green, blue, w
    std::vector<EdgeTable<5>> dualTexturedEdges_; // u/z, v/z of each texture, w
};

// Perspective projection: column = trunc(x / z x 320 + 240), row likewise; z = 0 counts as 0.1f.
// Results beyond the int range saturate; NaN gives 0.
ScreenPoint project(Vertex v);
