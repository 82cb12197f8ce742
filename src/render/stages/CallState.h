#pragma once
// What one draw call reads, and all the stages and paths know of the renderer: its vertex arrays
// as handed over, its lights, textures and flags, the viewport, the lent pool and the buffers the
// call draws into. Made by the renderer for each call (Renderer.cpp) and valid for that call only.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Vertex.h"
#include "pixels/PixelToolkit.h"
#include "render/Sampling.h"
#include "render/Viewport.h"
#include "render/stages/DepthRule.h"

namespace tepple {

class WorkerPool;

// The vertices and corners of a call as the stages read them: the renderer's own arrays, or their
// copies cut at the near plane (VertexStage.h).
struct CallInput {
    const Vertex* positions = nullptr;
    size_t vertexCount = 0;
    // Entry i belongs to positions entry i; past normalCount, the zero normal.
    const Vertex* normals = nullptr;
    size_t normalCount = 0;
    const int32_t* indices = nullptr; // three per triangle; null: corner k is vertex k
    size_t indexCount = 0;

    // Corners handed over (three per triangle), and the positions entry of corner k.
    size_t cornerCount() const { return indices != nullptr ? indexCount : vertexCount; }
    size_t vertexOfCorner(size_t corner) const
    {
        return indices != nullptr ? static_cast<size_t>(indices[corner]) : corner;
    }
};

struct CallState {
    const Viewport& viewport;
    CallInput input;                 // the renderer's arrays as handed over
    const std::vector<Light>& lights; // in the order they were added
    Surface* texture;                // null: unbound
    Surface* secondTexture;
    bool blend;         // mix every covered pixel into the accumulation buffer and show the mix
    bool cullBackFaces; // drop triangles whose corners run anticlockwise (only when not blending)
    int laneWidth;      // the renderer's request (Renderer::laneWidth), resolved by the lane plan
    WorkerPool* pool;   // null: the calling thread alone
    DrawBuffers buffers;
    Ambient ambient;   // the general rules' ambient term
    Sampling sampling; // how the general rules read textures

    // Whether corners are lit: with a light, or under the general rules an ambient term.
    bool lit() const { return !lights.empty() || (!viewport.demoRules && ambient.any()); }
};

} // namespace tepple
