#include "geometry/MeshFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tepple {

using lsb::headerBytes;
using lsb::recordBytes;
using lsb::triangleBytes;

namespace {

// ---- decoding --------------------------------------------------------------------------------

uint32_t readU32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
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

// ---- encoding --------------------------------------------------------------------------------

void putU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
}

void putFloat(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(out, bits);
}

void checkIndices(const std::string& name, const std::vector<int32_t>& faceIndices, size_t vertexCount)
{
    if (faceIndices.size() % 3 != 0) {
        throw MeshError(name + ": " + std::to_string(faceIndices.size()) +
                        " face indices is not a whole number of triangles");
    }
    for (size_t i = 0; i < faceIndices.size(); ++i) {
        const int32_t index = faceIndices[i];
        if (index < 0 || index > 0xFFFF) {
            throw MeshError(name + ": index " + std::to_string(i) + " is " + std::to_string(index) +
                            ", which does not fit 16 bits");
        }
        if (static_cast<size_t>(index) >= vertexCount) {
            throw MeshError(name + ": index " + std::to_string(i) + " is " + std::to_string(index) +
                            " but there are only " + std::to_string(vertexCount) + " vertices");
        }
    }
}

std::vector<uint8_t> encode(const std::string& name, const std::vector<Vertex>& vertices,
                            const std::vector<int32_t>& faceIndices)
{
    // The header stores both counts as int32.
    const size_t int32Max = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    if (vertices.size() > int32Max || faceIndices.size() > int32Max) {
        throw MeshError(name + ": too many vertices or indices for the format");
    }
    checkIndices(name, faceIndices, vertices.size());

    std::vector<uint8_t> bytes;
    bytes.reserve(headerBytes + faceIndices.size() / 3 * triangleBytes + vertices.size() * recordBytes);
    putU32(bytes, 0);
    putU32(bytes, 0);
    putU32(bytes, static_cast<uint32_t>(faceIndices.size()));
    putU32(bytes, static_cast<uint32_t>(vertices.size()));
    for (int32_t index : faceIndices) putU16(bytes, static_cast<uint16_t>(index));
    for (const Vertex& vertex : vertices) {
        // Negation is exact, so loading gives back the very same floats.
        putFloat(bytes, vertex.x);
        putFloat(bytes, -vertex.y);
        putFloat(bytes, -vertex.z);
        for (int unused = 0; unused < 3; ++unused) putU32(bytes, 0);
        putU32(bytes, vertex.colour);
        putFloat(bytes, vertex.texU);
        putFloat(bytes, vertex.texV);
    }
    return bytes;
}

} // namespace

// At most 16 + 6 x 2^31 / 3 + 36 x 2^31: no overflow in 64 bits.
uint64_t lsb::declaredBytes(const uint8_t* header)
{
    const int32_t indexCount = readI32(header + 8);
    const int32_t vertexCount = readI32(header + 12);
    if (indexCount < 0 || vertexCount < 0) return headerBytes;
    return headerBytes + uint64_t{triangleBytes} * static_cast<uint64_t>(indexCount / 3) +
           uint64_t{recordBytes} * static_cast<uint64_t>(vertexCount);
}

LsbContents decodeLsb(const uint8_t* bytes, size_t size, const std::string& name)
{
    if (size < headerBytes) {
        throw MeshError(name + ": " + std::to_string(size) + " bytes is shorter than the 16-byte header");
    }
    const int32_t indexCount = readI32(bytes + 8);
    const int32_t vertexCount = readI32(bytes + 12);
    if (indexCount < 0) throw MeshError(name + ": negative index count " + std::to_string(indexCount));
    if (vertexCount < 0) throw MeshError(name + ": negative vertex count " + std::to_string(vertexCount));

    // An index count that is not a multiple of 3 loses its partial triangle; the vertex records
    // start right after the last whole one.
    const int32_t faceCount = indexCount / 3;
    const uint64_t needed = lsb::declaredBytes(bytes);
    if (static_cast<uint64_t>(size) < needed) {
        throw MeshError(name + ": " + std::to_string(size) + " bytes is shorter than the " +
                        std::to_string(needed) + " its header says (" + std::to_string(faceCount) +
                        " triangles, " + std::to_string(vertexCount) + " vertices)");
    }

    LsbContents contents;
    contents.faceIndices.resize(3 * static_cast<size_t>(faceCount));
    const uint8_t* indexBytes = bytes + headerBytes;
    for (size_t i = 0; i < contents.faceIndices.size(); ++i) {
        const int32_t index = indexBytes[2 * i] | indexBytes[2 * i + 1] << 8;
        if (index >= vertexCount) {
            throw MeshError(name + ": triangle " + std::to_string(i / 3) + " names vertex " +
                            std::to_string(index) + " but there are only " + std::to_string(vertexCount) +
                            " vertices");
        }
        contents.faceIndices[i] = index;
    }
    contents.vertices.resize(static_cast<size_t>(vertexCount));
    const uint8_t* records = indexBytes + triangleBytes * static_cast<size_t>(faceCount);
    for (size_t v = 0; v < contents.vertices.size(); ++v) {
        contents.vertices[v] = readRecord(records + recordBytes * v);
    }
    return contents;
}

std::vector<uint8_t> encodeLsb(const std::vector<Vertex>& vertices, const std::vector<int32_t>& faceIndices)
{
    return encode("mesh encoding", vertices, faceIndices);
}

void writeLsbFile(const std::string& path, const std::vector<Vertex>& vertices,
                  const std::vector<int32_t>& faceIndices)
{
    const std::vector<uint8_t> bytes = encode(path, vertices, faceIndices);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw MeshError(path + ": cannot open for writing: " + std::strerror(errno));
    }
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    const bool closed = std::fclose(file) == 0;
    if (written != bytes.size() || !closed) {
        throw MeshError(path + ": could not write all " + std::to_string(bytes.size()) + " bytes");
    }
}

} // namespace tepple
