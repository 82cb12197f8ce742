// Arbitrary bytes as an LSB mesh file. parse must either throw MeshError and leave the mesh as it
// was, or give a mesh whose counts, indices and normals are consistent, whose corners can be
// built, and which encodes back to bytes that parse to the very same vertices and indices. Now
// and then the bytes are written to a file and loaded from it (Mesh::load, through the data-file
// opener): the same mesh, or the same error naming the file. Once, sources that are not regular
// files are loaded: each refused at once with an error naming it.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/Mesh.h"

using namespace tepple;

namespace {

[[noreturn]] void fail(const char* what, size_t index)
{
    std::fprintf(stderr, "mesh fuzzer: %s (entry %zu)\n", what, index);
    std::abort();
}

bool sameBits(const Vertex& a, const Vertex& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

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

std::string scratchPath(const char* name)
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/tepple-fuzz-" +
           std::to_string(getpid()) + "-" + name;
}

// What loading `path` gives: the error (its name replaced by "fuzz.LSB"), or "" and the mesh.
std::string loadError(const std::string& path, Mesh& mesh)
{
    try {
        mesh.load(path);
    } catch (const MeshError& error) {
        const std::string message = error.what();
        if (message.compare(0, path.size() + 2, path + ": ") != 0)
            fail("a load error does not name the file", 0);
        return "fuzz.LSB" + message.substr(path.size());
    }
    return "";
}

// The bytes through a file give what parsing them gives. Only the reading differs: the header
// checked before the rest is read, and reads stopping where the header says.
void loadAndCompare(const uint8_t* data, size_t size, const std::string& parseError, const Mesh& parsed)
{
    static const std::string path = scratchPath("input.LSB");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return; // no scratch space: nothing to compare
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return;
    Mesh loaded;
    const std::string error = loadError(path, loaded);
    std::remove(path.c_str());
    if (error != parseError) fail("loading and parsing the same bytes failed differently", 0);
    if (!error.empty()) return;
    if (loaded.faceIndices != parsed.faceIndices || loaded.vertices.size() != parsed.vertices.size()) {
        fail("loading and parsing the same bytes gave different meshes", 0);
    }
    for (size_t v = 0; v < parsed.vertices.size(); ++v) {
        if (!sameBits(loaded.vertices[v], parsed.vertices[v]))
            fail("a loaded vertex differs from the parsed one", v);
    }
}

void loadNonFiles()
{
    const std::string pipe = scratchPath("pipe.LSB");
    std::remove(pipe.c_str());
    const bool havePipe = mkfifo(pipe.c_str(), 0600) == 0;
    std::vector<std::string> sources = {"/", "/dev/zero", scratchPath("missing.LSB")};
    if (havePipe) sources.push_back(pipe);
    for (const std::string& source : sources) {
        Mesh mesh;
        if (loadError(source, mesh).empty()) fail("a source that is not a file was loaded", 0);
    }
    if (havePipe) std::remove(pipe.c_str());
}

// FNV-1a of the input: which inputs also go through a file.
uint32_t inputHash(const uint8_t* data, size_t size)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool nonFilesLoaded = (loadNonFiles(), true);
    (void)nonFilesLoaded;
    // One input in four goes through a file as well.
    const bool throughFile = inputHash(data, size) % 4 == 0;
    Mesh mesh;
    try {
        mesh.parse(data, size, "fuzz.LSB");
    } catch (const MeshError& error) {
        if (std::strncmp(error.what(), "fuzz.LSB: ", 10) != 0) fail("error does not name the file", 0);
        if (mesh.faceCount != 0 || mesh.vertexCount != 0 || !mesh.vertices.empty() ||
            !mesh.faceIndices.empty() || !mesh.vertexNormals.empty()) {
            fail("a failed parse changed the mesh", 0);
        }
        if (throughFile) loadAndCompare(data, size, error.what(), mesh);
        return 0;
    }
    if (throughFile) loadAndCompare(data, size, "", mesh);
    checkConsistent(mesh);
    checkCorners(mesh);
    checkRoundTrip(mesh);
    return 0;
}
