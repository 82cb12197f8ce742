// Loading reads only the bytes the header accounts for: what follows the last record, however
// much there is, is never read, so a huge file or an endless source cannot exhaust memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "geometry/Mesh.h"

namespace {

std::string tempPath(const std::string& name) { return ::testing::TempDir() + name; }

} // namespace

TEST(MeshReadLimit, EndlessSourceWithAnEmptyHeaderLoadsAsAnEmptyMesh)
{
    // All zeros: index count 0, vertex count 0, then bytes without end.
    Mesh mesh;
    EXPECT_EQ(mesh.load("/dev/zero"), 0);
    EXPECT_EQ(mesh.faceCount, 0);
    EXPECT_EQ(mesh.vertexCount, 0);
}

TEST(MeshReadLimit, TrailingBytesAfterTheLastRecordAreIgnored)
{
    const std::vector<Vertex> vertices = {Vertex(0, 0, 0, 1), Vertex(1, 0, 0, 2), Vertex(0, 1, 0, 3)};
    std::vector<uint8_t> bytes = encodeLsb(vertices, {0, 1, 2});
    bytes.resize(bytes.size() + (4u << 20), 0xFF);
    const std::string path = tempPath("mesh_trailing_bytes.LSB");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);

    Mesh mesh;
    EXPECT_EQ(mesh.load(path), 0);
    std::remove(path.c_str());
    EXPECT_EQ(mesh.faceCount, 1);
    ASSERT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(mesh.vertices[2].colour, 3u);
}

TEST(MeshReadLimit, HeaderClaimingGigabytesOfAShortFileIsReportedAsShort)
{
    // 2^31 - 1 vertices declared, 40 bytes present: nothing near the declared size is allocated.
    std::vector<uint8_t> bytes(40, 0);
    bytes[12] = 0xFF;
    bytes[13] = 0xFF;
    bytes[14] = 0xFF;
    bytes[15] = 0x7F;
    const std::string path = tempPath("mesh_lying_header.LSB");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);

    Mesh mesh;
    try {
        mesh.load(path);
        ADD_FAILURE() << "a 40-byte file loaded";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find("40 bytes is shorter"), std::string::npos) << error.what();
    }
    std::remove(path.c_str());
}
