#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "geometry/Mesh.h"

namespace tepple {

namespace {

// The reference algorithm: for each vertex, a search over every face. Quadratic, but plainly right;
// the one-pass version must match it bit for bit.
std::vector<Vertex> referenceNormals(const std::vector<Vertex>& vertices, const std::vector<int32_t>& indices)
{
    const size_t faceTotal = indices.size() / 3;
    std::vector<Vertex> faceNormals;
    for (size_t k = 0; k < faceTotal; ++k) {
        Vertex a = vertices[indices[3 * k]];
        Vertex b = vertices[indices[3 * k + 1]];
        const Vertex& c = vertices[indices[3 * k + 2]];
        vecSub(a, b);
        vecSub(b, c);
        faceNormals.push_back(vecCross(a, b));
    }
    std::vector<Vertex> normals(vertices.size());
    std::vector<int> counts(vertices.size(), 0);
    for (size_t j = 0; j < vertices.size(); ++j) {
        const int32_t vertex = static_cast<int32_t>(j);
        for (size_t k = 0; k < faceTotal; ++k) {
            if (indices[3 * k] == vertex || indices[3 * k + 1] == vertex || indices[3 * k + 2] == vertex) {
                vecAdd(normals[j], faceNormals[k]);
                ++counts[j];
            }
        }
    }
    for (size_t j = 0; j < vertices.size(); ++j) {
        if (counts[j] == 0) continue;
        vecDiv(normals[j], static_cast<float>(counts[j]));
        const float length = vecLength(normals[j]);
        if (length > 0.0f && std::isfinite(length)) {
            vecDiv(normals[j], length);
        } else {
            normals[j] = Vertex();
        }
    }
    return normals;
}

Mesh meshOf(const std::vector<Vertex>& vertices, const std::vector<int32_t>& indices)
{
    Mesh mesh;
    mesh.vertices = vertices;
    mesh.vertexCount = static_cast<int32_t>(vertices.size());
    mesh.faceIndices = indices;
    mesh.faceCount = static_cast<int32_t>(indices.size() / 3);
    mesh.computeNormals();
    return mesh;
}

Vertex at(float x, float y, float z) { return Vertex(x, y, z, 0x00FFFFFF); }

bool sameBits(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

} // namespace

TEST(MeshNormals, SingleTriangleGetsItsFaceNormal)
{
    const Mesh mesh = meshOf({at(0, 0, 0), at(1, 0, 0), at(0, 1, 0)}, {0, 1, 2});
    ASSERT_EQ(mesh.vertexNormals.size(), 3u);
    for (const Vertex& normal : mesh.vertexNormals) {
        EXPECT_EQ(normal.x, 0.0f);
        EXPECT_EQ(normal.y, 0.0f);
        EXPECT_EQ(normal.z, 1.0f);
        EXPECT_EQ(normal.colour, 0x00FFFFFFu);
        EXPECT_EQ(normal.texU, 0.0f);
    }
}

TEST(MeshNormals, SharedVertexIsAreaWeighted)
{
    // Face A in the xy plane (normal length 1), face B four times larger in the xz plane.
    const Mesh mesh = meshOf({at(0, 0, 0), at(1, 0, 0), at(0, 1, 0), at(0, 0, 2), at(2, 0, 0)}, {0, 1, 2, 0, 3, 4});
    const Vertex& shared = mesh.vertexNormals[0];
    const double length = std::sqrt(17.0);
    EXPECT_NEAR(shared.x, 0.0, 1e-7);
    EXPECT_NEAR(shared.y, 4.0 / length, 1e-6);
    EXPECT_NEAR(shared.z, 1.0 / length, 1e-6);
    EXPECT_EQ(mesh.vertexNormals[1].z, 1.0f);
    EXPECT_EQ(mesh.vertexNormals[3].y, 1.0f);
}

TEST(MeshNormals, UnusedAndCancellingVerticesGetTheZeroNormal)
{
    // Vertex 3 is used by no face; vertices 0-2 carry the same triangle in both windings.
    const Mesh mesh = meshOf({at(0, 0, 0), at(1, 0, 0), at(0, 1, 0), at(5, 5, 5)}, {0, 1, 2, 0, 2, 1});
    for (const Vertex& normal : mesh.vertexNormals) EXPECT_TRUE(sameBits(normal, Vertex()));
}

TEST(MeshNormals, DegenerateFacesGiveZeroNotNaN)
{
    const Mesh mesh = meshOf({at(1, 1, 1), at(2, 2, 2), at(3, 3, 3)}, {0, 1, 2, 0, 0, 1});
    for (const Vertex& normal : mesh.vertexNormals) EXPECT_TRUE(sameBits(normal, Vertex()));
}

TEST(MeshNormals, EmptyMeshHasNoNormals)
{
    const Mesh mesh = meshOf({}, {});
    EXPECT_TRUE(mesh.vertexNormals.empty());
}

TEST(MeshNormals, IndexOutsideVerticesIsRefused)
{
    Mesh mesh;
    mesh.vertices.resize(2);
    mesh.faceIndices = {0, 1, 2};
    mesh.faceCount = 1;
    EXPECT_THROW(mesh.computeNormals(), std::out_of_range);
    EXPECT_TRUE(mesh.vertexNormals.empty());
}

TEST(MeshNormals, MatchTheReferenceBitForBitOnRandomMeshes)
{
    std::mt19937 random(2024);
    for (int trial = 0; trial < 40; ++trial) {
        const size_t vertexTotal = 1 + random() % 120;
        const size_t faceTotal = random() % 300;
        // Small grids make shared vertices, repeated indices and unused vertices all common.
        std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
        std::vector<Vertex> vertices(vertexTotal);
        for (Vertex& vertex : vertices) vertex = at(coordinate(random), coordinate(random), coordinate(random));
        std::vector<int32_t> indices(3 * faceTotal);
        const size_t usedRange = 1 + random() % vertexTotal;
        for (int32_t& index : indices) index = static_cast<int32_t>(random() % usedRange);

        const Mesh mesh = meshOf(vertices, indices);
        const std::vector<Vertex> expected = referenceNormals(vertices, indices);
        ASSERT_EQ(mesh.vertexNormals.size(), expected.size());
        for (size_t j = 0; j < vertexTotal; ++j) {
            ASSERT_TRUE(sameBits(mesh.vertexNormals[j], expected[j]))
                << "trial " << trial << " vertex " << j << ": " << mesh.vertexNormals[j].x << ","
                << mesh.vertexNormals[j].y << "," << mesh.vertexNormals[j].z << " expected " << expected[j].x
                << "," << expected[j].y << "," << expected[j].z;
        }
    }
}

} // namespace tepple
