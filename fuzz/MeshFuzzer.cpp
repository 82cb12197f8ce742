// Arbitrary bytes as an LSB mesh file. parse must either throw MeshError and leave the mesh as it
// was, or give a mesh whose counts, indices and normals are consistent, whose corners can be
// built, and which encodes back to bytes that parse to the very same vertices and indices.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "geometry/Mesh.h"

using namespace tepple;

namespace {

[[noreturn]] void fail(const char* what, size_t index)
{
    std::fprintf(stderr, "mesh fuzzer: %s (entry %zu)\n", what, index);
    std::abort();
}

bool sameBits(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void checkConsistent(const Mesh& mesh)
{
    if (mesh.faceCount < 0 || mesh.vertexCount < 0) fail("negative count", 0);
    if (mesh.faceIndices.size() != 3 * static_cast<size_t>(mesh.faceCount)) fail("face index count", 0);
    if (mesh.vertices.size() != static_cast<size_t>(mesh.vertexCount)) fail("vertex count", 0);
    if (mesh.vertexNormals.size() != mesh.vertices.size()) fail("normal count", 0);
    for (size_t i = 0; i < mesh.faceIndices.size(); ++i) {
        if (mesh.faceIndices[i] < 0 || mesh.faceIndices[i] >= mesh.vertexCount) {
            fail("index outside the vertices", i);
        }
    }
    for (size_t j = 0; j < mesh.vertexNormals.size(); ++j) {
        const Vertex& normal = mesh.vertexNormals[j];
        // Unit length, or zero where there is no direction; denormal sums may round a little long.
        for (float component : {normal.x, normal.y, normal.z}) {
            if (!std::isfinite(component) || std::fabs(component) > 2.0f) fail("normal not unit or zero", j);
        }
    }
}

void checkCorners(Mesh& mesh)
{
    mesh.buildCorners();
    const size_t cornerTotal = 3 * static_cast<size_t>(mesh.faceCount) + 1;
    if (mesh.cornerPositions.size() != cornerTotal || mesh.cornerNormals.size() != cornerTotal) {
        fail("corner array size", cornerTotal);
    }
    if (!sameBits(mesh.cornerPositions.back(), Vertex()) || !sameBits(mesh.cornerNormals.back(), Vertex())) {
        fail("spare corner entry not default", cornerTotal - 1);
    }
    for (size_t c = 0; c + 1 < cornerTotal; ++c) {
        const auto index = static_cast<size_t>(mesh.faceIndices[c]);
        if (!sameBits(mesh.cornerPositions[c], mesh.vertices[index])) fail("corner position", c);
    }
}

void checkRoundTrip(const Mesh& mesh)
{
    const std::vector<uint8_t> bytes = encodeLsb(mesh.vertices, mesh.faceIndices);
    Mesh again;
    again.parse(bytes.data(), bytes.size(), "round trip");
    if (again.faceIndices != mesh.faceIndices) fail("indices differ after a round trip", 0);
    if (again.vertices.size() != mesh.vertices.size()) fail("vertex count differs after a round trip", 0);
    for (size_t v = 0; v < mesh.vertices.size(); ++v) {
        if (!sameBits(again.vertices[v], mesh.vertices[v])) fail("vertex differs after a round trip", v);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Mesh mesh;
    try {
        mesh.parse(data, size, "fuzz.LSB");
    } catch (const MeshError& error) {
        if (std::strncmp(error.what(), "fuzz.LSB: ", 10) != 0) fail("error does not name the file", 0);
        if (mesh.faceCount != 0 || mesh.vertexCount != 0 || !mesh.vertices.empty() ||
            !mesh.faceIndices.empty() || !mesh.vertexNormals.empty()) {
            fail("a failed parse changed the mesh", 0);
        }
        return 0;
    }
    checkConsistent(mesh);
    checkCorners(mesh);
    checkRoundTrip(mesh);
    return 0;
}
