#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "LsbBytes.h"
#include "geometry/MeshFile.h"

namespace tepple {

namespace {

std::vector<Vertex> twoVertices()
{
    Vertex a(1.5f, 2.0f, -3.0f, 0x00123456);
    a.texU = 0.25f;
    a.texV = 0.75f;
    a.texU2 = 9.0f; // not part of the format: must not be written
    Vertex b(-4.0f, 0.0f, 5.0f, 0x00FFFFFF);
    return {a, b};
}

} // namespace

TEST(MeshFileEncode, LaysOutHeaderTrianglesAndRecords)
{
    const std::vector<uint8_t> bytes = encodeLsb(twoVertices(), {0, 1, 1, 1, 0, 0});
    ASSERT_EQ(bytes.size(), 16u + 2 * 6 + 2 * 36);
    EXPECT_EQ(readU32(bytes, 0), 0u);
    EXPECT_EQ(readU32(bytes, 4), 0u);
    EXPECT_EQ(readU32(bytes, 8), 6u);
    EXPECT_EQ(readU32(bytes, 12), 2u);
    const uint16_t expectedIndices[] = {0, 1, 1, 1, 0, 0};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(readU16(bytes, 16 + 2 * i), expectedIndices[i]) << i;

    const size_t record = 16 + 12;
    EXPECT_EQ(readFloat(bytes, record + 0), 1.5f);
    EXPECT_EQ(readFloat(bytes, record + 4), -2.0f);
    EXPECT_EQ(readFloat(bytes, record + 8), 3.0f);
    for (size_t unused = 12; unused < 24; unused += 4) EXPECT_EQ(readU32(bytes, record + unused), 0u);
    EXPECT_EQ(readU32(bytes, record + 24), 0x00123456u);
    EXPECT_EQ(readFloat(bytes, record + 28), 0.25f);
    EXPECT_EQ(readFloat(bytes, record + 32), 0.75f);
    EXPECT_EQ(readFloat(bytes, record + 36), -4.0f);
    EXPECT_EQ(readFloat(bytes, record + 36 + 8), -5.0f);
}

TEST(MeshFileEncode, WritesTheLargestSixteenBitIndex)
{
    std::vector<Vertex> vertices(65536);
    const std::vector<uint8_t> bytes = encodeLsb(vertices, {65535, 0, 1});
    EXPECT_EQ(readU16(bytes, 16), 65535);
}

TEST(MeshFileEncode, RejectsIndicesItCannotStore)
{
    const std::vector<Vertex> vertices = twoVertices();
    EXPECT_THROW(encodeLsb(vertices, {0, 1}), MeshError);        // not whole triangles
    EXPECT_THROW(encodeLsb(vertices, {0, 1, 2}), MeshError);     // no vertex 2
    EXPECT_THROW(encodeLsb(vertices, {0, 1, -1}), MeshError);    // negative
    std::vector<Vertex> many(70000);
    EXPECT_THROW(encodeLsb(many, {0, 1, 65536}), MeshError);     // beyond 16 bits
    try {
        encodeLsb(vertices, {0, 1, 7});
        FAIL() << "no error for index 7";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find("7"), std::string::npos) << error.what();
    }
}

TEST(MeshFileWrite, UnwritablePathNamesTheFile)
{
    const std::string path = ::testing::TempDir() + "no_such_directory/mesh.LSB";
    try {
        writeLsbFile(path, twoVertices(), {});
        FAIL() << "writing into a missing directory succeeded";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
}

TEST(MeshFileWrite, BadIndicesNameTheFileAndWriteNothing)
{
    const std::string path = ::testing::TempDir() + "mesh_file_bad.LSB";
    std::remove(path.c_str());
    try {
        writeLsbFile(path, twoVertices(), {0, 1, 5});
        FAIL() << "bad index accepted";
    } catch (const MeshError& error) {
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    std::FILE* leftover = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(leftover, nullptr) << "a file was written";
    if (leftover != nullptr) std::fclose(leftover);
}

} // namespace tepple
