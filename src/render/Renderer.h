#pragma once
// The software rendering engine: the vertex arrays of the draw call in progress, the light list,
// the bound textures, the world and view matrices, the two mode flags, the persistent
// accumulation buffer, the depth buffer and the channel-arithmetic tables.
//
// The object holds its buffers and tables inline (several megabytes): allocate it on the heap.
// Targets are always 640 x 480 32-bit surfaces addressed as 640 words per row.
#include <cstdint>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Vertex.h"
#include "media/PixelToolkit.h"
#include "render/EdgeTable.h"
#include "render/Screen.h"

// Counts presented frames; the depth rule keys every pixel with frameCounter + 1/z so that the
// depth buffer never needs clearing. The one global of the program.
extern uint32_t frameCounter;

class Renderer {
public:
    Renderer();

    std::vector<Vertex> positions; // three entries per triangle, or one per point in sprite mode
    std::vector<Vertex> normals;   // entry i belongs to positions entry i; empty in sprite mode
    std::vector<Light> lights;     // in addLight order
    uint32_t accumBuffer[screenWidth * screenHeight]; // blend-mode feedback buffer, never cleared
    int32_t triangleCount;
    int32_t vertexCount;
    int32_t lightCount;
    int32_t mulTable[256 * 256]; // [a * 256 + b] = (a * b) / 256
    int32_t avgTable[256 * 256]; // [a * 256 + b] = (a + b) / 2
    Surface* texture;            // not owned
    Surface* secondTexture;      // not owned
    Matrix4 worldMatrix;
    Matrix4 viewMatrix;
    uint8_t blendMode;
    uint8_t backfaceCull;
    double depthBuffer[screenWidth * screenHeight]; // exact keys frameCounter + 1/z (DepthRule)

    // Copies the arrays. normalsSource may be null: normals then gets triangleCount default entries.
    // Negative counts are taken as 0; a null positionsSource gives vertexCount default entries.
    int setVertexBuffers(const Vertex* positionsSource, const Vertex* normalsSource, int32_t triangleCount,
                         int32_t vertexCount);
    int setTexture(Surface* surface);
    int setSecondTexture(Surface* surface);
    int addLight(Light light);
    int clearLights();

    // The rasterisers. The two int arguments are unused (callers pass 0, 0).
    // They draw only into a 640 x 480 target (any other size is left untouched), read no more
    // triangles or points than `positions` holds (a missing normal counts as the zero normal),
    // and the textured, two-texture and sprite paths draw nothing while a texture they read is
    // unbound or empty. A texel index outside the texture reads the nearest texel inside it.
    int drawGouraud(Surface& target, int, int);
    int drawTextured(Surface& target, int, int);
    int drawDualTextured(Surface& target, int, int);
    int drawSprites(Surface& target, int, int);
    int drawFlat(Surface& target, int, int);

    // Runs the rasteriser of a draw mode: 0 Gouraud, 1 textured, 2 two-texture, 3 sprites, 4 flat.
    // Any other mode draws nothing and returns false.
    bool drawMode(int mode, Surface& target);

private:
    // Scan-conversion work areas, one per attribute set, reused by every triangle of a call.
    EdgeTable<4> gouraudEdges_;      // red, green, blue, w
    EdgeTable<6> texturedEdges_;     // u/z, v/z, red, green, blue, w
    EdgeTable<5> dualTexturedEdges_; // u/z, v/z of each texture, w
};

// Perspective projection: column = trunc(x / z x 320 + 240), row likewise; z = 0 counts as 0.1f.
// Results beyond the int range saturate; NaN gives 0.
ScreenPoint project(Vertex v);
