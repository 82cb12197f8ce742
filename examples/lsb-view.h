#pragma once
// The scene lsb-viewer draws: any mesh, centred on its own middle and scaled to a radius of 30
// units, seen from `distance` units away, turned about x and y, and lit by a key, a fill and a rim
// light. Meshes come in any size; at the radius of 30 and distances of 45 to 900 the mesh stays
// well inside the viewport's visibility window (10 to 1000 in front of the eye).
#include <algorithm>

#include "tepple.h"

// The engine's names live in namespace tepple; an example is a tepple program through and through.
using namespace tepple;

// The matrix that moves the mesh's middle to the origin and scales it to a radius of 30.
inline Matrix4 fittingMatrix(const Mesh& mesh)
{
    Vertex low = mesh.vertices.empty() ? Vertex() : mesh.vertices[0], high = low;
    for (const Vertex& v : mesh.vertices) {
        low = Vertex(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z), 0);
        high = Vertex(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z), 0);
    }
    const Vertex middle((low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2, 0);
    float radius = 0.0f;
    for (const Vertex& v : mesh.vertices) {
        Vertex offset = v;
        radius = std::max(radius, vecLength(vecSub(offset, middle)));
    }
    Matrix4 centred, scaled;
    translation(centred, -middle.x, -middle.y, -middle.z);
    const float scale = radius > 0.0f ? 30.0f / radius : 1.0f;
    scaling(scaled, scale, scale, scale);
    return centred * scaled; // points are row vectors: the left matrix acts first
}

// Sets the renderer's lights: camera space, x to the right, y down, z away from the eye. A
// directional key light from above left, a weaker fill from the right, a rim light from behind
// that edges the far side, and a little ambient light (docs/engine.md, on lighting).
inline void lightMeshView(Renderer& renderer)
{
    renderer.clearLights();
    renderer.addLight(Light::directional(Vertex(-0.6f, -0.7f, -0.5f, 0), 0.8f, 0.78f, 0.72f));
    renderer.addLight(Light::directional(Vertex(0.8f, 0.1f, -0.4f, 0), 0.3f, 0.32f, 0.38f));
    renderer.addLight(Light::directional(Vertex(0.2f, -0.5f, 1.0f, 0), 0.35f, 0.35f, 0.35f));
    renderer.ambient = Ambient{0.12f, 0.12f, 0.12f};
}

// Draws the mesh, fitted by `fitting`, turned and seen from `distance`, into `target` as a new
// frame on a black background.
inline void drawMeshView(Renderer& renderer, Mesh& mesh, const Matrix4& fitting, Surface& target, float turnX,
                         float turnY, float distance, DrawMode mode)
{
    lookAt(renderer.viewMatrix, Vertex(0, 0, 0, 0), Vertex(0, 0, -distance, 0));
    target.clear();
    renderer.nextFrame();
    mesh.modelMatrix = fitting * rotationY(turnY) * rotationX(turnX);
    drawMesh(renderer, mesh, target, mode);
}
