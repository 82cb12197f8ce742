#include "render/MeshDraw.h"

#include <algorithm>

#include "render/WorkerPool.h"

namespace {

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

void drawMesh(Renderer& renderer, Mesh& mesh, Surface& target, DrawMode mode)
{
    Matrix4 combined;
    multiply(combined, mesh.modelMatrix, renderer.worldMatrix);
    multiply(combined, mesh.drawMatrix, combined); // the per-draw matrix acts first
    const Matrix4& view = renderer.viewMatrix;

    if (mode == DrawMode::Sprites) {
        // A loaded mesh has fewer corner entries than vertices: never read past either array.
        const size_t points = static_cast<size_t>(std::max(mesh.vertexCount, 0));
        const size_t pointTotal = std::min({points, mesh.cornerPositions.size(), mesh.outPositions.size()});
        for (size_t i = 0; i < pointTotal; ++i) {
            mesh.outPositions[i] = transform(view, transform(combined, mesh.cornerPositions[i]));
        }
        renderer.setVertexBuffers(mesh.outPositions.data(), nullptr, pointTotal);
        renderer.draw(mode, target);
    } else {
        const Matrix4 normalMatrix = normalMatrixOf(combined, view);
        const size_t wanted = 3 * static_cast<size_t>(std::max(mesh.faceCount, 0));
        const size_t held = std::min({mesh.cornerPositions.size(), mesh.cornerNormals.size(), mesh.outPositions.size(),
                                      mesh.outNormals.size()});
        // Whole triangles only.
        const size_t cornerTotal = std::min(wanted, held / 3 * 3);
        const size_t vertexTotal = std::min({static_cast<size_t>(std::max(mesh.vertexCount, 0)), mesh.vertices.size(),
                                             mesh.vertexNormals.size(), mesh.outVertices.size(),
                                             mesh.outVertexNormals.size()});
        // The corners are copies of the vertices their face indices name (buildCorners), so each
        // vertex is transformed once and the renderer handed the index list.
        const bool indexed = cornerTotal <= mesh.faceIndices.size() &&
                             std::all_of(mesh.faceIndices.begin(), mesh.faceIndices.begin() + cornerTotal,
                                         [vertexTotal](int32_t index) {
                                             return index >= 0 && static_cast<size_t>(index) < vertexTotal;
                                         });
        // Each position and normal on its own, so the renderer's threads may share them.
        const auto transformAll = [&](const Vertex* positions, const Vertex* normals, Vertex* outPositions,
                                      Vertex* outNormals, size_t count) {
            forItems(renderer.pool(), count, [&](size_t begin, size_t end, int) {
                for (size_t i = begin; i < end; ++i) {
                    outPositions[i] = transform(view, transform(combined, positions[i]));
                    outNormals[i] = transform(normalMatrix, normals[i]);
                }
            });
        };
        if (indexed) {
            transformAll(mesh.vertices.data(), mesh.vertexNormals.data(), mesh.outVertices.data(),
                         mesh.outVertexNormals.data(), vertexTotal);
        } else {
            transformAll(mesh.cornerPositions.data(), mesh.cornerNormals.data(), mesh.outPositions.data(),
                         mesh.outNormals.data(), cornerTotal);
        }
        // The transforms above run whatever the mode; only a real mode hands them on.
        if (isDrawMode(mode)) {
            if (indexed) {
                renderer.setIndexedVertexBuffers(mesh.outVertices.data(), mesh.outVertexNormals.data(), vertexTotal,
                                                 mesh.faceIndices.data(), cornerTotal);
            } else {
                renderer.setVertexBuffers(mesh.outPositions.data(), mesh.outNormals.data(), cornerTotal);
            }
            renderer.draw(mode, target);
        }
    }
    setIdentity(mesh.drawMatrix);
}
