#include "render/MeshDraw.h"

#include <algorithm>

#include "render/WorkerPool.h"

namespace tepple {

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
        const size_t pointTotal = std::min(points, mesh.cornerPositions.size());
        // As setVertexBuffers leaves them with no normals: positions only.
        renderer.positions.resize(pointTotal);
        renderer.normals.clear();
        renderer.indices.clear();
        for (size_t i = 0; i < pointTotal; ++i) {
            renderer.positions[i] = transform(view, transform(combined, mesh.cornerPositions[i]));
        }
        renderer.draw(mode, target);
    } else {
        const Matrix4 normalMatrix = normalMatrixOf(combined, view);
        const size_t wanted = 3 * static_cast<size_t>(std::max(mesh.faceCount, 0));
        const size_t held = std::min(mesh.cornerPositions.size(), mesh.cornerNormals.size());
        // Whole triangles only.
        const size_t cornerTotal = std::min(wanted, held / 3 * 3);
        const size_t vertexTotal = std::min({static_cast<size_t>(std::max(mesh.vertexCount, 0)),
                                             mesh.vertices.size(), mesh.vertexNormals.size()});
        // The corners are copies of the vertices their face indices name (buildCorners), so each
        // vertex is transformed once and the renderer handed the index list.
        const bool indexed = cornerTotal <= mesh.faceIndices.size() &&
                             std::all_of(mesh.faceIndices.begin(), mesh.faceIndices.begin() + cornerTotal,
                                         [vertexTotal](int32_t index) {
                                             return index >= 0 && static_cast<size_t>(index) < vertexTotal;
                                         });
        // The renderer's arrays are written in place, left as setIndexedVertexBuffers (indexed) or
        // setVertexBuffers (corner by corner) would leave them, whatever the mode.
        const Vertex* positions = indexed ? mesh.vertices.data() : mesh.cornerPositions.data();
        const Vertex* normals = indexed ? mesh.vertexNormals.data() : mesh.cornerNormals.data();
        const size_t count = indexed ? vertexTotal : cornerTotal;
        renderer.positions.resize(count);
        renderer.normals.resize(count);
        if (indexed) {
            renderer.indices.assign(mesh.faceIndices.begin(), mesh.faceIndices.begin() + cornerTotal);
        } else {
            renderer.indices.clear();
        }
        // Each position and normal on its own, so the renderer's threads may share them.
        Vertex* outPositions = renderer.positions.data();
        Vertex* outNormals = renderer.normals.data();
        forItems(renderer.pool(), count, [&](size_t begin, size_t end, int) {
            for (size_t i = begin; i < end; ++i) {
                outPositions[i] = transform(view, transform(combined, positions[i]));
                outNormals[i] = transform(normalMatrix, normals[i]);
            }
        });
        // The transforms above run whatever the mode; a value outside DrawMode draws nothing.
        renderer.draw(mode, target);
    }
    setIdentity(mesh.drawMatrix);
}

} // namespace tepple
