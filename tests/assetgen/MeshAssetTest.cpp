// The seven generated meshes, loaded the way the demo loads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "RunFolder.h"
#include "geometry/Mesh.h"

namespace tepple {

namespace {

struct MeshCase {
    const char* file;
    bool textured;     // drawn in mode 1, so its texture coordinates index a texture
    bool yzExchanged;  // the driver swaps y and z after loading
};

void PrintTo(const MeshCase& c, std::ostream* os) { *os << c.file; }

const MeshCase meshCases[] = {
    {"capsule.LSB", true, false},       {"kelvo.LSB", false, false},  {"mushroom/1.LSB", true, false},
    {"mushroom/2.LSB", false, false},   {"Shape1.LSB", true, true},   {"Shape4.LSB", true, false},
    {"Shape5.LSB", false, false},
};

// Loads as the demo does, including the column's y/z exchange.
Mesh loadAsTheDemoDoes(const MeshCase& c)
{
    Mesh mesh;
    mesh.load(runPath(c.file));
    if (c.yzExchanged)
        for (Vertex& v : mesh.vertices) std::swap(v.y, v.z);
    return mesh;
}

using Position = std::tuple<float, float, float>;

class GeneratedMesh : public ::testing::TestWithParam<MeshCase> {};

TEST_P(GeneratedMesh, LoadsWithValidIndicesWithinBudget)
{
    const Mesh mesh = loadAsTheDemoDoes(GetParam());
    EXPECT_GT(mesh.faceCount, 0);
    EXPECT_LE(mesh.faceCount, 4000) << "a few thousand triangles at most, for speed";
    EXPECT_LT(mesh.vertexCount, 65536);
    for (int32_t index : mesh.faceIndices) {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, mesh.vertexCount);
    }
}

TEST_P(GeneratedMesh, TextureCoordinatesStayInsideTheTexture)
{
    if (!GetParam().textured) GTEST_SKIP() << "drawn untextured";
    const Mesh mesh = loadAsTheDemoDoes(GetParam());
    // The rasteriser reads the texel just left of (u W, v H): u W >= 1 keeps it inside, for
    // every texture the demo binds (255 or 256 texels wide).
    for (const Vertex& v : mesh.vertices) {
        ASSERT_GE(v.texU * 255.0f, 1.0f);
        ASSERT_GE(v.texV * 255.0f, 1.0f);
        ASSERT_LT(v.texU, 1.0f);
        ASSERT_LT(v.texV, 1.0f);
    }
}

// Welding corners by position, every directed edge must occur exactly once and its reverse
// exactly once: the surface is closed and every face is wound the same way as its neighbours.
TEST_P(GeneratedMesh, IsAClosedConsistentlyWoundSurface)
{
    const Mesh mesh = loadAsTheDemoDoes(GetParam());
    std::map<Position, int> weld;
    const auto idOf = [&](int32_t index) {
        const Vertex& v = mesh.vertices[static_cast<size_t>(index)];
        return weld.emplace(Position{v.x, v.y, v.z}, static_cast<int>(weld.size())).first->second;
    };
    std::map<std::pair<int, int>, int> directedEdges;
    for (int32_t face = 0; face < mesh.faceCount; ++face) {
        const int ids[3] = {idOf(mesh.faceIndices[3 * face]), idOf(mesh.faceIndices[3 * face + 1]),
                            idOf(mesh.faceIndices[3 * face + 2])};
        for (int k = 0; k < 3; ++k) ++directedEdges[{ids[k], ids[(k + 1) % 3]}];
    }
    for (const auto& [edge, count] : directedEdges) {
        ASSERT_EQ(count, 1) << "edge used twice in the same direction";
        const auto reverse = directedEdges.find({edge.second, edge.first});
        ASSERT_NE(reverse, directedEdges.end()) << "open edge";
    }
}

// In the engine's coordinates a kept (camera-facing) triangle has its right-hand normal pointing
// away from the camera, i.e. into the solid: the signed volume of every front-facing closed
// mesh is negative.
TEST_P(GeneratedMesh, FrontFacesPointOutward)
{
    const Mesh mesh = loadAsTheDemoDoes(GetParam());
    double sixfoldVolume = 0.0;
    for (int32_t face = 0; face < mesh.faceCount; ++face) {
        const Vertex& a = mesh.vertices[static_cast<size_t>(mesh.faceIndices[3 * face])];
        const Vertex& b = mesh.vertices[static_cast<size_t>(mesh.faceIndices[3 * face + 1])];
        const Vertex& c = mesh.vertices[static_cast<size_t>(mesh.faceIndices[3 * face + 2])];
        sixfoldVolume += a.x * (double(b.y) * c.z - double(b.z) * c.y) - a.y * (double(b.x) * c.z - double(b.z) * c.x) +
                         a.z * (double(b.x) * c.y - double(b.y) * c.x);
    }
    EXPECT_LT(sixfoldVolume, 0.0);
}

INSTANTIATE_TEST_SUITE_P(AssetMeshes, GeneratedMesh, ::testing::ValuesIn(meshCases));

} // namespace

} // namespace tepple
