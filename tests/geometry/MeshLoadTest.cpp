#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "LsbBytes.h"
#include "geometry/Mesh.h"

namespace tepple {

namespace {

bool sameBits(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

// One triangle, stored vertices (1, 2, 3), (4, 5, 6), (7, 8, 10).
std::vector<uint8_t> oneTriangleFile()
{
    std::vector<uint8_t> bytes = lsbHeader(3, 3);
    appendU16(bytes, 0);
    appendU16(bytes, 1);
    appendU16(bytes, 2);
    appendRecord(bytes, 1, 2, 3, 0x00112233, 0.25f, 0.5f);
    appendRecord(bytes, 4, 5, 6, 0x00445566, 0.75f, 1.0f);
    appendRecord(bytes, 7, 8, 10, 0x00778899, 0.0f, 0.125f);
    return bytes;
}

Mesh parsed(const std::vector<uint8_t>& bytes)
{
    Mesh mesh;
    mesh.parse(bytes.data(), bytes.size(), "test.LSB");
    return mesh;
}

// The message of the MeshError that parsing `bytes` as "bad.LSB" raises; fails the test if none.
std::string parseError(const std::vector<uint8_t>& bytes)
{
    Mesh mesh;
    try {
        mesh.parse(bytes.data(), bytes.size(), "bad.LSB");
    } catch (const MeshError& error) {
        return error.what();
    }
    ADD_FAILURE() << "malformed bytes parsed without error";
    return "";
}

std::string tempPath(const std::string& name) { return ::testing::TempDir() + name; }

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(MeshParse, OneTriangleFile)
{
    Mesh mesh = parsed(oneTriangleFile());
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.faceIndices, (std::vector<int32_t>{0, 1, 2}));
    ASSERT_EQ(mesh.vertices.size(), 3u);
    ASSERT_EQ(mesh.vertexNormals.size(), 3u);

    mesh.buildCorners();
    ASSERT_EQ(mesh.cornerPositions.size(), 4u);
    ASSERT_EQ(mesh.cornerNormals.size(), 4u);
    EXPECT_TRUE(sameBits(mesh.cornerPositions[3], Vertex()));
    EXPECT_TRUE(sameBits(mesh.cornerNormals[3], Vertex()));
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(sameBits(mesh.cornerPositions[c], mesh.vertices[c])) << c;
        EXPECT_TRUE(sameBits(mesh.cornerNormals[c], mesh.vertexNormals[c])) << c;
    }
}

TEST(MeshParse, NegatesYAndZAndCopiesTextureIntoBothPairs)
{
    const Mesh mesh = parsed(oneTriangleFile());
    const Vertex& first = mesh.vertices[0];
    EXPECT_EQ(first.x, 1.0f);
    EXPECT_EQ(first.y, -2.0f);
    EXPECT_EQ(first.z, -3.0f);
    EXPECT_EQ(first.colour, 0x00112233u);
    EXPECT_EQ(first.texU, 0.25f);
    EXPECT_EQ(first.texU2, 0.25f);
    EXPECT_EQ(first.texV, 0.5f);
    EXPECT_EQ(first.texV2, 0.5f);
    EXPECT_EQ(mesh.vertices[2].z, -10.0f);
}

TEST(MeshParse, IndicesAreUnsignedSixteenBit)
{
    // Vertex 40000 would read as negative if the indices were taken as signed.
    const int32_t vertexTotal = 40001;
    std::vector<uint8_t> bytes = lsbHeader(3, vertexTotal);
    appendU16(bytes, 40000);
    appendU16(bytes, 0);
    appendU16(bytes, 1);
    for (int32_t v = 0; v < vertexTotal; ++v) appendRecord(bytes, static_cast<float>(v), 0, 0, 0, 0, 0);
    const Mesh mesh = parsed(bytes);
    EXPECT_EQ(mesh.faceIndices[0], 40000);
    EXPECT_EQ(mesh.vertices[40000].x, 40000.0f);
}

TEST(MeshParse, IndexCountZeroGivesNoFaces)
{
    std::vector<uint8_t> bytes = lsbHeader(0, 2);
    appendRecord(bytes, 1, 1, 1, 0, 0, 0);
    appendRecord(bytes, 2, 2, 2, 0, 0, 0);
    Mesh mesh = parsed(bytes);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_EQ(mesh.vertexCount, 2);
    EXPECT_EQ(mesh.vertices[1].y, -2.0f);
    mesh.buildCorners();
    ASSERT_EQ(mesh.cornerPositions.size(), 1u);
    EXPECT_TRUE(sameBits(mesh.cornerPositions[0], Vertex()));
}

TEST(MeshParse, PartialTriangleIsDroppedAndRecordsFollowTheLastWholeOne)
{
    // Index count 5: one whole triangle, the records start right after its six bytes.
    std::vector<uint8_t> bytes = lsbHeader(5, 3);
    appendU16(bytes, 2);
    appendU16(bytes, 1);
    appendU16(bytes, 0);
    appendRecord(bytes, 10, 0, 0, 0, 0, 0);
    appendRecord(bytes, 11, 0, 0, 0, 0, 0);
    appendRecord(bytes, 12, 0, 0, 0, 0, 0);
    const Mesh mesh = parsed(bytes);
    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.faceIndices.size(), 3u);
    EXPECT_EQ(mesh.vertices[0].x, 10.0f);
    EXPECT_EQ(mesh.vertices[2].x, 12.0f);
}

TEST(MeshRoundTrip, WriteThenLoadGivesTheSameMesh)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    std::vector<Vertex> vertices(200);
    for (Vertex& vertex : vertices) {
        vertex = Vertex(coordinate(random), coordinate(random), coordinate(random), random() & 0x00FFFFFF);
        vertex.texU = vertex.texU2 = coordinate(random);
        vertex.texV = vertex.texV2 = coordinate(random);
    }
    vertices[0].y = 0.0f; // stored as -0: must still come back as +0
    std::vector<int32_t> indices(300 * 3);
    for (int32_t& index : indices) index = static_cast<int32_t>(random() % vertices.size());

    const std::string path = tempPath("mesh_round_trip.LSB");
    writeLsbFile(path, vertices, indices);
    Mesh mesh;
    mesh.load(path);
    std::remove(path.c_str());

    EXPECT_EQ(mesh.faceCount, 300);
    EXPECT_EQ(mesh.vertexCount, 200);
    EXPECT_EQ(mesh.faceIndices, indices);
    ASSERT_EQ(mesh.vertices.size(), vertices.size());
    for (size_t v = 0; v < vertices.size(); ++v) EXPECT_TRUE(sameBits(mesh.vertices[v], vertices[v])) << v;
    EXPECT_EQ(mesh.vertexNormals.size(), vertices.size());
}

TEST(MeshLoadErrors, MissingFileNamesTheFile)
{
    const std::string path = tempPath("no_such_mesh.LSB");
    Mesh mesh;
    try {
        mesh.load(path);
        FAIL() << "missing file loaded";
    } catch (const MeshError& error) {
        EXPECT_TRUE(contains(error.what(), path)) << error.what();
        EXPECT_TRUE(contains(error.what(), "cannot open")) << error.what();
    }
}

TEST(MeshLoadErrors, UnreadableFileNamesTheFile)
{
    // A directory opens but cannot be read.
    const std::string path = ::testing::TempDir();
    Mesh mesh;
    try {
        mesh.load(path);
        FAIL() << "a directory loaded as a mesh";
    } catch (const MeshError& error) {
        EXPECT_TRUE(contains(error.what(), path)) << error.what();
        EXPECT_TRUE(contains(error.what(), "cannot")) << error.what();
    }
}

TEST(MeshLoadErrors, MalformedFileOnDiskNamesTheFile)
{
    const std::string path = tempPath("mesh_truncated.LSB");
    std::vector<uint8_t> bytes = oneTriangleFile();
    bytes.pop_back();
    writeBytes(path, bytes);
    Mesh mesh;
    try {
        mesh.load(path);
        FAIL() << "truncated file loaded";
    } catch (const MeshError& error) {
        EXPECT_TRUE(contains(error.what(), path)) << error.what();
        EXPECT_TRUE(contains(error.what(), "shorter")) << error.what();
    }
    std::remove(path.c_str());
}

TEST(MeshLoadErrors, ShorterThanTheHeader)
{
    const std::vector<uint8_t> bytes(15, 0);
    const std::string message = parseError(bytes);
    EXPECT_TRUE(contains(message, "bad.LSB")) << message;
    EXPECT_TRUE(contains(message, "header")) << message;
    EXPECT_TRUE(contains(parseError({}), "header"));
}

TEST(MeshLoadErrors, ShorterThanTheHeaderSays)
{
    const std::vector<uint8_t> whole = oneTriangleFile();
    // Cut inside the indices and inside the last record.
    for (size_t length : {size_t{16}, size_t{20}, whole.size() - 36, whole.size() - 1}) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(length));
        const std::string message = parseError(cut);
        EXPECT_TRUE(contains(message, "bad.LSB")) << message;
        EXPECT_TRUE(contains(message, "shorter than the " + std::to_string(whole.size()))) << message;
    }
}

TEST(MeshLoadErrors, LyingHeaderIsRejectedBeforeAllocating)
{
    // Two billion vertices and seven hundred million triangles claimed by a 16-byte file.
    const std::string message = parseError(lsbHeader(0x7FFFFFFF, 0x7FFFFFFF));
    EXPECT_TRUE(contains(message, "shorter")) << message;
}

TEST(MeshLoadErrors, NegativeCounts)
{
    std::vector<uint8_t> negativeIndices = oneTriangleFile();
    negativeIndices[11] = 0xFF; // index count becomes negative
    std::string message = parseError(negativeIndices);
    EXPECT_TRUE(contains(message, "bad.LSB") && contains(message, "negative index count")) << message;

    std::vector<uint8_t> negativeVertices = lsbHeader(0, -1);
    message = parseError(negativeVertices);
    EXPECT_TRUE(contains(message, "bad.LSB") && contains(message, "negative vertex count -1")) << message;
}

TEST(MeshLoadErrors, IndexNotBelowVertexCount)
{
    std::vector<uint8_t> bytes = oneTriangleFile();
    bytes[16 + 4] = 3; // the third index of triangle 0 names vertex 3 of 3
    const std::string message = parseError(bytes);
    EXPECT_TRUE(contains(message, "bad.LSB")) << message;
    EXPECT_TRUE(contains(message, "triangle 0 names vertex 3 but there are only 3 vertices")) << message;
}

TEST(MeshLoadErrors, FailedLoadLeavesTheMeshUnchanged)
{
    Mesh mesh = parsed(oneTriangleFile());
    mesh.buildCorners();
    const std::vector<Vertex> verticesBefore = mesh.vertices;
    const std::vector<Vertex> normalsBefore = mesh.vertexNormals;

    std::vector<uint8_t> bad = lsbHeader(6, 2);
    appendU16(bad, 0);
    appendU16(bad, 1);
    appendU16(bad, 0);
    appendU16(bad, 0);
    appendU16(bad, 1);
    appendU16(bad, 9); // bad index in the second triangle, after a good first one
    appendRecord(bad, 5, 5, 5, 0, 0, 0);
    appendRecord(bad, 6, 6, 6, 0, 0, 0);
    EXPECT_THROW(mesh.parse(bad.data(), bad.size(), "bad.LSB"), MeshError);
    EXPECT_THROW(mesh.load(tempPath("no_such_mesh.LSB")), MeshError);

    EXPECT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.faceIndices, (std::vector<int32_t>{0, 1, 2}));
    ASSERT_EQ(mesh.vertices.size(), 3u);
    for (size_t v = 0; v < 3; ++v) {
        EXPECT_TRUE(sameBits(mesh.vertices[v], verticesBefore[v])) << v;
        EXPECT_TRUE(sameBits(mesh.vertexNormals[v], normalsBefore[v])) << v;
    }
    EXPECT_EQ(mesh.cornerPositions.size(), 4u);
}

TEST(MeshLoadErrors, MutatedAndTruncatedFilesEitherLoadConsistentlyOrFail)
{
    // Every failure must be a MeshError, and every success a mesh whose indices are in range.
    std::vector<Vertex> vertices(12);
    for (size_t v = 0; v < vertices.size(); ++v) vertices[v].x = static_cast<float>(v);
    std::vector<int32_t> indices;
    for (int32_t k = 0; k < 10; ++k) indices.insert(indices.end(), {k, k + 1, k + 2});
    const std::vector<uint8_t> valid = encodeLsb(vertices, indices);

    std::mt19937 random(11);
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<uint8_t> bytes = valid;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f) bytes[random() % 32] = static_cast<uint8_t>(random());
        bytes.resize(random() % (bytes.size() + 1));
        Mesh mesh;
        try {
            mesh.parse(bytes.data(), bytes.size(), "fuzz.LSB");
        } catch (const MeshError&) {
            continue;
        }
        ASSERT_EQ(mesh.faceIndices.size(), 3 * static_cast<size_t>(mesh.faceCount));
        ASSERT_EQ(mesh.vertices.size(), static_cast<size_t>(mesh.vertexCount));
        for (int32_t index : mesh.faceIndices) ASSERT_LT(index, mesh.vertexCount);
        mesh.buildCorners();
        ASSERT_EQ(mesh.cornerPositions.size(), 3 * static_cast<size_t>(mesh.faceCount) + 1);
    }
}

TEST(MeshBuildCorners, RebuildCopiesEditedVerticesButKeepsLoadNormals)
{
    Mesh mesh = parsed(oneTriangleFile());
    mesh.buildCorners();
    const Vertex normalBefore = mesh.cornerNormals[1];
    std::swap(mesh.vertices[1].y, mesh.vertices[1].z);
    mesh.buildCorners();
    EXPECT_EQ(mesh.cornerPositions[1].y, -6.0f);
    EXPECT_EQ(mesh.cornerPositions[1].z, -5.0f);
    EXPECT_TRUE(sameBits(mesh.cornerNormals[1], normalBefore));
    EXPECT_EQ(mesh.cornerPositions.size(), 4u);
}

TEST(MeshBuildCorners, InconsistentMeshIsRefusedWithoutChange)
{
    Mesh mesh = parsed(oneTriangleFile());
    mesh.buildCorners();
    mesh.faceIndices[2] = 3;
    EXPECT_THROW(mesh.buildCorners(), std::out_of_range);
    mesh.faceIndices[2] = 2;
    mesh.faceCount = 2;
    EXPECT_THROW(mesh.buildCorners(), std::out_of_range);
    EXPECT_EQ(mesh.cornerPositions.size(), 4u);

    Mesh unnormalled;
    unnormalled.vertices.resize(3);
    unnormalled.faceIndices = {0, 1, 2};
    unnormalled.faceCount = 1;
    EXPECT_THROW(unnormalled.buildCorners(), std::out_of_range);
}

} // namespace tepple
