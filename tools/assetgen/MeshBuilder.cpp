#include "MeshBuilder.h"

#include <cmath>
#include <utility>

namespace tepple {

double dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Point3 cross(Point3 a, Point3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double length(Point3 a) { return std::sqrt(dot(a, a)); }

Point3 normalised(Point3 a)
{
    const double len = length(a);
    return len > 0.0 ? a * (1.0 / len) : a;
}

Point3 positionOf(const Vertex& vertex) { return {vertex.x, vertex.y, vertex.z}; }

int32_t MeshData::addVertex(Point3 position, uint32_t colour, double u, double v)
{
    Vertex vertex(static_cast<float>(position.x), static_cast<float>(position.y), static_cast<float>(position.z),
                  colour);
    vertex.texU = vertex.texU2 = static_cast<float>(u);
    vertex.texV = vertex.texV2 = static_cast<float>(v);
    vertices.push_back(vertex);
    return static_cast<int32_t>(vertices.size() - 1);
}

void MeshData::addTriangle(int32_t a, int32_t b, int32_t c)
{
    indices.push_back(a);
    indices.push_back(b);
    indices.push_back(c);
}

void MeshData::addQuad(int32_t a, int32_t b, int32_t c, int32_t d)
{
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void MeshData::addTriangleFacingAway(int32_t a, int32_t b, int32_t c, Point3 inside)
{
    const Point3 pa = positionOf(vertices[a]);
    const Point3 pb = positionOf(vertices[b]);
    const Point3 pc = positionOf(vertices[c]);
    const Point3 rightHandNormal = cross(pb - pa, pc - pa);
    const Point3 outward = (pa + pb + pc) * (1.0 / 3.0) - inside;
    // The right-hand normal of a front face points inward.
    if (dot(rightHandNormal, outward) <= 0.0)
        addTriangle(a, b, c);
    else
        addTriangle(a, c, b);
}

void MeshData::append(const MeshData& other)
{
    const int32_t offset = static_cast<int32_t>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (int32_t index : other.indices) indices.push_back(index + offset);
}

void MeshData::flipWinding()
{
    for (size_t i = 0; i + 2 < indices.size(); i += 3) std::swap(indices[i + 1], indices[i + 2]);
}

void MeshData::transformPositions(const std::function<Point3(Point3)>& f)
{
    for (Vertex& vertex : vertices) {
        const Point3 moved = f(positionOf(vertex));
        vertex.x = static_cast<float>(moved.x);
        vertex.y = static_cast<float>(moved.y);
        vertex.z = static_cast<float>(moved.z);
    }
}

std::vector<Vertex> toEngineCoordinates(const std::vector<Vertex>& fileVertices)
{
    std::vector<Vertex> engine = fileVertices;
    for (Vertex& vertex : engine) {
        vertex.y = -vertex.y;
        vertex.z = -vertex.z;
    }
    return engine;
}

double signedVolume(const MeshData& mesh)
{
    double sixfold = 0.0;
    for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const Vertex& a = mesh.vertices[mesh.indices[i]];
        const Vertex& b = mesh.vertices[mesh.indices[i + 1]];
        const Vertex& c = mesh.vertices[mesh.indices[i + 2]];
        sixfold += dot(positionOf(a), cross(positionOf(b), positionOf(c)));
    }
    return sixfold / 6.0;
}

void orientFrontFacesOutward(MeshData& mesh)
{
    // Right-hand normals must point inward, which makes the signed volume negative.
    if (signedVolume(mesh) > 0.0) mesh.flipWinding();
}

void addWrappedGrid(MeshData& mesh, const std::vector<int32_t>& gridIndices, int rows, int columns)
{
    for (int row = 0; row + 1 < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int nextColumn = (column + 1) % columns;
            const int32_t a = gridIndices[row * columns + column];
            const int32_t b = gridIndices[row * columns + nextColumn];
            const int32_t c = gridIndices[(row + 1) * columns + nextColumn];
            const int32_t d = gridIndices[(row + 1) * columns + column];
            mesh.addQuad(a, b, c, d);
        }
    }
}

} // namespace tepple
