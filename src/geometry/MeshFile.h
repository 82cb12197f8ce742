#pragma once
// The LSB mesh file format, decoded and encoded side by side. Little-endian, no padding:
//   0  int32 unused, 4 int32 unused, 8 int32 index count (3 per triangle), 12 int32 vertex count,
//   16 (index count / 3) triangles of 3 x uint16 vertex indices,
//   then vertex count records of 36 bytes: float x, float y (negated), float z (negated),
//   3 x 32-bit unused, uint32 colour 0x00RRGGBB, float u, float v.
// File coordinates become the engine's as (x, -y, -z).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/Vertex.h"

namespace tepple {

// A mesh file that cannot be read or is malformed. what() names the file and the problem.
class MeshError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace lsb {

constexpr size_t headerBytes = 16;
constexpr size_t triangleBytes = 6; // three uint16 indices
constexpr size_t recordBytes = 36;

// The bytes a file with this header (headerBytes long) spans: the header, the whole triangles and
// the vertex records. Negative counts span the header alone; decoding rejects them.
uint64_t declaredBytes(const uint8_t* header);

} // namespace lsb

// What a file holds, in engine coordinates.
struct LsbContents {
    std::vector<int32_t> faceIndices; // three per triangle, each naming one of `vertices`
    std::vector<Vertex> vertices;     // texU2 and texV2 repeat the file's one pair of u and v
};

// Decodes LSB bytes; `name` is used in error messages. Throws MeshError naming it and the problem
// for fewer bytes than the header declares, a negative count or an index past the vertices. An
// index count that is not a multiple of 3 loses its partial triangle; bytes after the last
// record are ignored.
LsbContents decodeLsb(const uint8_t* bytes, size_t size, const std::string& name);
// Encodes vertices given in engine coordinates (the exact inverse of decodeLsb: y and z are
// negated back, the unused fields are zero, u and v come from texU and texV). Throws MeshError
// when an index does not fit 16 bits or is not below the vertex count, or the index count is not
// a multiple of 3.
std::vector<uint8_t> encodeLsb(const std::vector<Vertex>& vertices, const std::vector<int32_t>& faceIndices);
// encodeLsb, written to a file. Throws MeshError naming the file when it cannot be written.
void writeLsbFile(const std::string& path, const std::vector<Vertex>& vertices,
                  const std::vector<int32_t>& faceIndices);

} // namespace tepple
