#include <algorithm>

#include "geometry/Mesh.h"
#include "render/Renderer.h"

namespace {

constexpr int spriteMode = 3;

bool drawsSomething(int mode) { return mode >= 0 && mode <= 4; }

// The normals take the combined rotation and scale plus the camera's translation; lighting then
// uses them without normalising.
Matrix4 normalMatrixOf(const Matrix4& combined, const Matrix4& view)
{
    Matrix4 normalMatrix = combined;
    normalMatrix.e[12] += view.e[12];
    normalMatrix.e[13] += view.e[13];
    normalMatrix.e[14] += view.e[14];
    return normalMatrix;
}

} // namespace

void Mesh::draw(Renderer& renderer, Surface& target, int mode)
{
    Matrix4 combined;
    multiply(combined, modelMatrix, renderer.worldMatrix);
    multiply(combined, drawMatrix, combined); // the per-draw matrix acts first
    const Matrix4& view = renderer.viewMatrix;

    if (mode == spriteMode) {
        // A loaded mesh has fewer corner entries than vertices: never read past either array.
        const size_t pointTotal = std::min({static_cast<size_t>(std::max(vertexCount, 0)), cornerPositions.size(),
                                            outPositions.size()});
        for (size_t i = 0; i < pointTotal; ++i) {
            outPositions[i] = transform(view, transform(combined, cornerPositions[i]));
        }
        renderer.setVertexBuffers(outPositions.data(), nullptr, 0, static_cast<int32_t>(pointTotal));
        renderer.drawMode(mode, target);
    } else {
        const Matrix4 normalMatrix = normalMatrixOf(combined, view);
        const size_t wanted = 3 * static_cast<size_t>(std::max(faceCount, 0));
        const size_t held = std::min({cornerPositions.size(), cornerNormals.size(), outPositions.size(),
                                      outNormals.size()});
        // Whole triangles only.
        const size_t cornerTotal = std::min(wanted, held / 3 * 3);
        for (size_t k = 0; k < cornerTotal; ++k) {
            outPositions[k] = transform(view, transform(combined, cornerPositions[k]));
            outNormals[k] = transform(normalMatrix, cornerNormals[k]);
        }
        // The transforms above run whatever the mode; only modes 0 to 4 hand them on.
        if (drawsSomething(mode)) {
            renderer.setVertexBuffers(outPositions.data(), outNormals.data(), static_cast<int32_t>(cornerTotal / 3),
                                      static_cast<int32_t>(cornerTotal));
            renderer.drawMode(mode, target);
        }
    }
    setIdentity(drawMatrix);
}
