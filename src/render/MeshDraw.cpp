#include "render/MeshDraw.h"

#include <algorithm>
#include <cmath>

#include "render/PoolJobs.h"

namespace tepple {

namespace {

// The demonstration's rules: the normals take the combined matrix, translation included, plus the
// camera's translation alone; lighting then uses them without normalising.
Matrix4 demoNormalMatrixOf(const Matrix4& combined, const Matrix4& view)
{
    Matrix4 normalMatrix = combined;
    normalMatrix.e[12] += view.e[12];
    normalMatrix.e[13] += view.e[13];
    normalMatrix.e[14] += view.e[14];
    return normalMatrix;
}

// The general rules: a normal stays at right angles to the surface under any linear map A when
// it is transformed by the inverse transpose of A, which is A's cofactor matrix over its
// determinant; translation plays no part. Only the direction matters, as every normal is made
// unit length after: the cofactors with the determinant's sign (a flat map, determinant 0, keeps
// the cofactors).
Matrix4 normalMatrixOf(const Matrix4& combined, const Matrix4& view)
{
    const Matrix4 full = combined * view;
    const auto a = [&full](int row, int col) { return full.at(row % 3, col % 3); };
    Matrix4 normalMatrix;
    double determinant = 0.0;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            // The cyclic order of the other rows and columns gives each cofactor its sign.
            normalMatrix.at(row, col) = a(row + 1, col + 1) * a(row + 2, col + 2) -
                                        a(row + 1, col + 2) * a(row + 2, col + 1);
        }
        determinant += a(0, row) * normalMatrix.at(0, row);
    }
    if (determinant < 0.0) {
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) normalMatrix.at(row, col) = -normalMatrix.at(row, col);
        }
    }
    return normalMatrix; // row 3, the translation, is the identity's zeros
}

// A transformed normal made unit length; a zero (or non-finite) one becomes the zero normal.
Vertex unitNormal(const Matrix4& normalMatrix, const Vertex& normal)
{
    Vertex out = transform(normalMatrix, normal);
    const double length = vecLength(out);
    if (length > 0.0 && std::isfinite(length)) {
        out.x = static_cast<float>(out.x / length);
        out.y = static_cast<float>(out.y / length);
        out.z = static_cast<float>(out.z / length);
    } else {
        out.x = out.y = out.z = 0.0f;
    }
    return out;
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
        const bool demoRules = renderer.viewport().demoRules;
        const Matrix4 normalMatrix = demoRules ? demoNormalMatrixOf(combined, view)
                                               : normalMatrixOf(combined, view);
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
                outNormals[i] = demoRules ? transform(normalMatrix, normals[i])
                                          : unitNormal(normalMatrix, normals[i]);
            }
        });
        // The transforms above run whatever the mode; a value outside DrawMode draws nothing.
        renderer.draw(mode, target);
    }
    setIdentity(mesh.drawMatrix);
}

} // namespace tepple
