// Binary STL has a reader of its own beside the library's: the two must give one model. The
// ASCII file of a shape goes through the library, its binary file through the own reader: the
// models must agree field for field, the positions to within the library's number parsing (not
// always the nearest float to the nine digits written). A sphere large enough to take several
// reads from a file checks the pieces join up; the bytes and the file give the same, exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "ModelTestFiles.h"

namespace {

bool near(float a, float b)
{
    return std::abs(a - b) <= 1e-6f * std::max(1.0f, std::abs(a));
}

void expectSameModel(const tepple::Model& a, const tepple::Model& b, bool exact)
{
    ASSERT_EQ(a.meshes.size(), b.meshes.size());
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (size_t m = 0; m < a.materials.size(); ++m) {
        EXPECT_EQ(a.materials[m].baseColour, b.materials[m].baseColour);
        EXPECT_EQ(a.materials[m].texture, b.materials[m].texture);
    }
    EXPECT_EQ(a.format, b.format);
    for (size_t m = 0; m < a.meshes.size(); ++m) {
        const tepple::ModelMesh &p = a.meshes[m], &q = b.meshes[m];
        EXPECT_EQ(p.indices, q.indices);
        EXPECT_EQ(p.normals.size(), q.normals.size());
        EXPECT_EQ(p.material, q.material);
        EXPECT_EQ(p.flat, q.flat);
        EXPECT_EQ(p.hasTexCoords, q.hasTexCoords);
        ASSERT_EQ(p.vertices.size(), q.vertices.size());
        size_t differing = 0;
        for (size_t v = 0; v < p.vertices.size(); ++v) {
            Vertex u = p.vertices[v], w = q.vertices[v];
            if (!exact && near(u.x, w.x) && near(u.y, w.y) && near(u.z, w.z)) u.x = w.x, u.y = w.y, u.z = w.z;
            differing += std::memcmp(&u, &w, sizeof(Vertex)) != 0;
        }
        EXPECT_EQ(differing, 0u) << "of " << p.vertices.size() << " vertices";
    }
}

void writeFile(const std::string& path, const void* bytes, size_t size)
{
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
}

} // namespace

TEST(StlReading, BinaryAndAsciiFilesOfOneShapeLoadToOneModel)
{
    for (const char* name : {"knot", "sphere"}) {
        SCOPED_TRACE(name);
        // 2 x 120 x 120 triangles: several of the binary reader's pieces, the last one short.
        const MeshData sphere = makeTestSphere(120);
        std::string binaryPath = testModel("knot.stl"), asciiPath = testModel("knot-ascii.stl");
        if (std::string(name) == "sphere") {
            binaryPath = testModel("reading-sphere.stl");
            asciiPath = testModel("reading-sphere-ascii.stl");
            const std::vector<uint8_t> binary = stlBinary(sphere);
            const std::string ascii = stlAscii(sphere);
            writeFile(binaryPath, binary.data(), binary.size());
            writeFile(asciiPath, ascii.data(), ascii.size());
        }
        const tepple::Model fromBinary = tepple::loadModel(binaryPath);
        const tepple::Model fromAscii = tepple::loadModel(asciiPath);
        expectSameModel(fromBinary, fromAscii, false);

        std::ifstream in(binaryPath, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        expectSameModel(tepple::parseModel(bytes.data(), bytes.size(), tepple::ModelFormat::Stl, binaryPath),
                        fromBinary, true);
    }
}
