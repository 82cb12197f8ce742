#include "geometry/MeshFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

constexpr size_t headerBytes = 16;
constexpr size_t triangleBytes = 6;
constexpr size_t recordBytes = 36;

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
