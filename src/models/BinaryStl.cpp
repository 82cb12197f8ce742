#include "models/BinaryStl.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

namespace tepple {

namespace {

constexpr size_t headerBytes = 84;
constexpr size_t recordBytes = 50;
// Records read from a file at a time: a buffer of under a megabyte instead of the whole file.
constexpr size_t recordsPerRead = 16384;

uint32_t countOf(const uint8_t* head)
{
    return head[80] | head[81] << 8 | head[82] << 16 | static_cast<uint32_t>(head[83]) << 24;
}

float floatAt(const uint8_t* bytes)
{
    // The file is little-endian; so is every machine the engine builds for.
    float value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

[[noreturn]] void fail(const std::string& name, const std::string& problem)
{
    throw ModelError(name + ": " + problem);
}

Model emptyModel(uint32_t count, const std::string& name)
{
    if (count == 0) fail(name, "the model has no triangles");
    Model model;
    model.format = ModelFormat::Stl;
    model.materials.push_back(ModelMaterial());
    model.meshes.emplace_back();
    ModelMesh& mesh = model.meshes.back();
    mesh.vertices.resize(size_t{3} * count);
    mesh.indices.resize(size_t{3} * count);
    for (size_t i = 0; i < mesh.indices.size(); ++i) mesh.indices[i] = static_cast<int32_t>(i);
    return model;
}

// Triangles [first, first + count) from their records.
void takeRecords(const uint8_t* records, size_t first, size_t count, ModelMesh& mesh, const std::string& name,
                 uint32_t colour)
{
    Vertex* out = mesh.vertices.data() + 3 * first;
    for (size_t t = 0; t < count; ++t) {
        const uint8_t* corner = records + t * recordBytes + 12;
        for (int k = 0; k < 3; ++k, corner += 12, ++out) {
            const float x = floatAt(corner), y = floatAt(corner + 4), z = floatAt(corner + 8);
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
                fail(name, "vertex " + std::to_string(3 * (first + t) + static_cast<size_t>(k)) +
                               " has a coordinate that is not a finite number");
            }
            *out = Vertex(x, y, z, colour);
        }
    }
}

} // namespace

bool isPlainBinaryStl(const uint8_t* head, size_t headSize, uint64_t fileSize)
{
    if (headSize < headerBytes) return false;
    if (headerBytes + uint64_t{countOf(head)} * recordBytes != fileSize) return false;
    for (size_t i = 0; i + 6 <= 80; ++i) {
        if (std::memcmp(head + i, "COLOR=", 6) == 0) return false;
    }
    return true;
}

Model parseBinaryStl(const uint8_t* bytes, size_t size, const std::string& name, uint32_t colour)
{
    if (!isPlainBinaryStl(bytes, size, size)) fail(name, "not a plain binary STL file");
    const uint32_t count = countOf(bytes);
    Model model = emptyModel(count, name);
    takeRecords(bytes + headerBytes, 0, count, model.meshes.back(), name, colour);
    return model;
}

Model readBinaryStl(FILE* file, uint64_t size, const std::string& name, uint32_t colour)
{
    uint8_t head[headerBytes];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(head, 1, sizeof head, file) != sizeof head ||
        !isPlainBinaryStl(head, sizeof head, size)) {
        fail(name, "not a plain binary STL file");
    }
    const uint32_t count = countOf(head);
    Model model = emptyModel(count, name);
    std::vector<uint8_t> records(recordsPerRead * recordBytes);
    for (size_t first = 0; first < count;) {
        const size_t batch = std::min<size_t>(recordsPerRead, count - first);
        if (std::fread(records.data(), recordBytes, batch, file) != batch) {
            fail(name, std::ferror(file) ? std::strerror(errno) : "the file shrank while it was read");
        }
        takeRecords(records.data(), first, batch, model.meshes.back(), name, colour);
        first += batch;
    }
    return model;
}

} // namespace tepple
