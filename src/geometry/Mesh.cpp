#include "geometry/Mesh.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "geometry/DataFile.h"

namespace tepple {

namespace {

// All the file reader needs of the format: how long the header is and how far it reaches.
using lsb::declaredBytes;
using lsb::headerBytes;

// Reads the header and then only as many bytes as it accounts for, so that what follows the last
// record (a huge file, say) is never read; a file cut short yields what it has. Only a regular
// file is read at all: a named pipe or a device is refused as one that cannot be opened.
// The buffer grows as bytes really arrive, so a header claiming gigabytes costs nothing up front.
std::vector<uint8_t> readDeclaredBytes(const std::string& path)
{
    std::string whyNot;
    std::FILE* file = openDataFile(path, whyNot);
    if (file == nullptr) throw MeshError(path + ": cannot open: " + whyNot);
    std::vector<uint8_t> bytes(headerBytes);
    size_t filled = std::fread(bytes.data(), 1, headerBytes, file);
    const uint64_t wanted = filled == headerBytes ? declaredBytes(bytes.data()) : filled;
    constexpr size_t firstChunk = 65536;
    while (filled == bytes.size() && filled < wanted) {
        const uint64_t grown = std::min<uint64_t>(wanted, std::max<uint64_t>(2 * bytes.size(), firstChunk));
        bytes.resize(static_cast<size_t>(grown));
        filled += std::fread(bytes.data() + filled, 1, bytes.size() - filled, file);
    }
    bytes.resize(filled);
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) throw MeshError(path + ": cannot read: " + std::strerror(readError));
    return bytes;
}

} // namespace

Mesh::Mesh() : faceCount(0), vertexCount(0)
{
    setIdentityOnesColumn(modelMatrix);
}

void Mesh::load(const std::string& path)
{
    const std::vector<uint8_t> bytes = readDeclaredBytes(path);
    parse(bytes.data(), bytes.size(), path);
}

void Mesh::parse(const uint8_t* bytes, size_t size, const std::string& name)
{
    LsbContents decoded = decodeLsb(bytes, size, name);
    Mesh loaded;
    loaded.faceCount = static_cast<int32_t>(decoded.faceIndices.size() / 3);
    loaded.vertexCount = static_cast<int32_t>(decoded.vertices.size());
    loaded.faceIndices.swap(decoded.faceIndices);
    loaded.vertices.swap(decoded.vertices);
    loaded.computeNormals();

    // Only now, with nothing left to fail, does this mesh change.
    faceCount = loaded.faceCount;
    vertexCount = loaded.vertexCount;
    faceIndices.swap(loaded.faceIndices);
    vertices.swap(loaded.vertices);
    vertexNormals.swap(loaded.vertexNormals);
    // Ready to draw: the indices were checked against the vertices above.
    buildCorners();
}

void Mesh::computeNormals()
{
    const size_t vertexTotal = vertices.size();
    const size_t faceTotal = faceIndices.size() / 3;
    for (int32_t index : faceIndices) {
        if (index < 0 || static_cast<size_t>(index) >= vertexTotal) {
            throw std::out_of_range("computeNormals: face index " + std::to_string(index) + " outside " +
                                    std::to_string(vertexTotal) + " vertices");
        }
    }

    // One pass over the faces. Each vertex receives its additions in face order: float sums depend
    // on their order, and the normals (so the lit pictures) are defined by this one.
    std::vector<Vertex> sums(vertexTotal);
    std::vector<int32_t> counts(vertexTotal, 0);
    for (size_t k = 0; k < faceTotal; ++k) {
        const int32_t i0 = faceIndices[3 * k], i1 = faceIndices[3 * k + 1], i2 = faceIndices[3 * k + 2];
        Vertex edge1 = vertices[i0];
        vecSub(edge1, vertices[i1]);
        Vertex edge2 = vertices[i1];
        vecSub(edge2, vertices[i2]);
        // Unnormalised: twice the face's area, so larger faces weigh more.
        const Vertex faceNormal = vecCross(edge1, edge2);
        // A face naming a vertex more than once adds to it once.
        vecAdd(sums[i0], faceNormal);
        ++counts[i0];
        if (i1 != i0) {
            vecAdd(sums[i1], faceNormal);
            ++counts[i1];
        }
        if (i2 != i0 && i2 != i1) {
            vecAdd(sums[i2], faceNormal);
            ++counts[i2];
        }
    }

    for (size_t j = 0; j < vertexTotal; ++j) {
        if (counts[j] == 0) continue; // unused: stays the zero normal
        Vertex& normal = sums[j];
        vecDiv(normal, static_cast<float>(counts[j]));
        const float length = vecLength(normal);
        // Faces that cancel out (or are all degenerate) have no direction: zero rather than NaN.
        if (length > 0.0f && std::isfinite(length)) {
            vecDiv(normal, length);
        } else {
            normal = Vertex();
        }
    }
    vertexNormals.swap(sums);
}

void Mesh::buildCorners()
{
    const size_t cornerTotal = 3 * static_cast<size_t>(faceCount < 0 ? 0 : faceCount);
    if (faceIndices.size() < cornerTotal) {
        throw std::out_of_range("buildCorners: " + std::to_string(faceCount) + " faces but only " +
                                std::to_string(faceIndices.size()) + " face indices");
    }
    const size_t available = std::min(vertices.size(), vertexNormals.size());
    for (size_t c = 0; c < cornerTotal; ++c) {
        const int32_t index = faceIndices[c];
        if (index < 0 || static_cast<size_t>(index) >= available) {
            throw std::out_of_range("buildCorners: face index " + std::to_string(index) + " outside " +
                                    std::to_string(available) + " vertices with normals");
        }
    }

    // Fresh default arrays, reusing the storage of an earlier call: a deforming mesh rebuilds its
    // corners every frame. The spare last entry stays default and is never drawn.
    cornerPositions.assign(cornerTotal + 1, Vertex());
    cornerNormals.assign(cornerTotal + 1, Vertex());
    for (size_t c = 0; c < cornerTotal; ++c) {
        cornerPositions[c] = vertices[static_cast<size_t>(faceIndices[c])];
        cornerNormals[c] = vertexNormals[static_cast<size_t>(faceIndices[c])];
    }
}

Mesh Mesh::build(std::vector<Vertex> vertices, std::vector<int32_t> faceIndices)
{
    if (faceIndices.size() % 3 != 0) {
        throw std::invalid_argument("Mesh::build: " + std::to_string(faceIndices.size()) +
                                    " face indices, not three per face");
    }
    // Checked here as well as in computeNormals, so that the message names the call the user made.
    for (int32_t index : faceIndices) {
        if (index < 0 || static_cast<size_t>(index) >= vertices.size()) {
            throw std::out_of_range("Mesh::build: face index " + std::to_string(index) + " outside " +
                                    std::to_string(vertices.size()) + " vertices");
        }
    }
    Mesh mesh;
    mesh.faceCount = static_cast<int32_t>(faceIndices.size() / 3);
    mesh.vertexCount = static_cast<int32_t>(vertices.size());
    mesh.vertices = std::move(vertices);
    mesh.faceIndices = std::move(faceIndices);
    mesh.computeNormals();
    mesh.buildCorners();
    return mesh;
}

} // namespace tepple
