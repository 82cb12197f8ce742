#include "geometry/Mesh.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "geometry/DataFile.h"

namespace {

constexpr size_t headerBytes = 16;
constexpr size_t triangleBytes = 6;
constexpr size_t recordBytes = 36;

uint32_t readU32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

int32_t readI32(const uint8_t* at)
{
    const uint32_t bits = readU32(at);
    int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float readFloat(const uint8_t* at)
{
    const uint32_t bits = readU32(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Vertex readRecord(const uint8_t* record)
{
    Vertex vertex;
    // The file's y and z point the other way from the engine's.
    vertex.x = readFloat(record);
    vertex.y = -readFloat(record + 4);
    vertex.z = -readFloat(record + 8);
    vertex.colour = readU32(record + 24);
    vertex.texU = vertex.texU2 = readFloat(record + 28);
    vertex.texV = vertex.texV2 = readFloat(record + 32);
    return vertex;
}

// The bytes a file with this header spans: the header, the whole triangles and the vertex
// records. At most 16 + 6 x 2^31 / 3 + 36 x 2^31: no overflow in 64 bits. Negative counts span
// the header alone; parse rejects them.
uint64_t declaredBytes(const uint8_t* header)
{
    const int32_t indexCount = readI32(header + 8);
    const int32_t vertexCount = readI32(header + 12);
    if (indexCount < 0 || vertexCount < 0) return headerBytes;
    return headerBytes + uint64_t{triangleBytes} * static_cast<uint64_t>(indexCount / 3) +
           uint64_t{recordBytes} * static_cast<uint64_t>(vertexCount);
}

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

int Mesh::load(const std::string& path)
{
    const std::vector<uint8_t> bytes = readDeclaredBytes(path);
    return parse(bytes.data(), bytes.size(), path);
}

int Mesh::parse(const uint8_t* bytes, size_t size, const std::string& name)
{
    if (size < headerBytes) {
        throw MeshError(name + ": " + std::to_string(size) + " bytes is shorter than the 16-byte header");
    }
    const int32_t indexCount = readI32(bytes + 8);
    const int32_t fileVertexCount = readI32(bytes + 12);
    if (indexCount < 0) throw MeshError(name + ": negative index count " + std::to_string(indexCount));
    if (fileVertexCount < 0) throw MeshError(name + ": negative vertex count " + std::to_string(fileVertexCount));

    // An index count that is not a multiple of 3 loses its partial triangle; the vertex records
    // start right after the last whole one.
    const int32_t fileFaceCount = indexCount / 3;
    const uint64_t needed = declaredBytes(bytes);
    if (static_cast<uint64_t>(size) < needed) {
        throw MeshError(name + ": " + std::to_string(size) + " bytes is shorter than the " + std::to_string(needed) +
                        " its header says (" + std::to_string(fileFaceCount) + " triangles, " +
                        std::to_string(fileVertexCount) + " vertices)");
    }

    Mesh loaded;
    loaded.faceCount = fileFaceCount;
    loaded.vertexCount = fileVertexCount;
    loaded.faceIndices.resize(3 * static_cast<size_t>(fileFaceCount));
    const uint8_t* indexBytes = bytes + headerBytes;
    for (size_t i = 0; i < loaded.faceIndices.size(); ++i) {
        const int32_t index = indexBytes[2 * i] | indexBytes[2 * i + 1] << 8;
        if (index >= fileVertexCount) {
            throw MeshError(name + ": triangle " + std::to_string(i / 3) + " names vertex " + std::to_string(index) +
                            " but there are only " + std::to_string(fileVertexCount) + " vertices");
        }
        loaded.faceIndices[i] = index;
    }
    loaded.vertices.resize(static_cast<size_t>(fileVertexCount));
    const uint8_t* recordBytesStart = indexBytes + triangleBytes * static_cast<size_t>(fileFaceCount);
    for (size_t v = 0; v < loaded.vertices.size(); ++v) {
        loaded.vertices[v] = readRecord(recordBytesStart + recordBytes * v);
    }
    loaded.computeNormals();

    // Only now, with nothing left to fail, does this mesh change.
    faceCount = loaded.faceCount;
    vertexCount = loaded.vertexCount;
    faceIndices.swap(loaded.faceIndices);
    vertices.swap(loaded.vertices);
    vertexNormals.swap(loaded.vertexNormals);
    return 0;
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

    // One pass over the faces. Each vertex still receives its additions in face order, so the sums
    // are bit for bit those of the vertex-by-vertex search over all faces.
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

int Mesh::buildCorners()
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
    outPositions.assign(cornerTotal + 1, Vertex());
    outNormals.assign(cornerTotal + 1, Vertex());
    for (size_t c = 0; c < cornerTotal; ++c) {
        cornerPositions[c] = vertices[static_cast<size_t>(faceIndices[c])];
        cornerNormals[c] = vertexNormals[static_cast<size_t>(faceIndices[c])];
    }
    return 0;
}
