#pragma once
// Test models of the project's own, in the interchange formats tepple-render reads, written from
// the asset generator's shapes (MeshBuilder.h: file coordinates, y up, corners clockwise seen from
// the front) and from a sphere made here for the benchmarks. Every writer turns the corners
// anticlockwise, as the formats wind them, and writes the same positions, so that one shape read
// from any of them is one shape.
#include <cstdint>
#include <string>
#include <vector>

#include "MeshBuilder.h"
#include "Picture.h"

namespace tepple {

// What of a shape a file carries.
struct ModelLook {
    bool colours = false;           // per-vertex colours (PLY, glTF)
    bool texture = false;           // texture coordinates and the texture beside the file (OBJ, glTF, GLB)
    uint32_t baseColour = 0xD0D0D0; // the material's colour (OBJ's Kd, glTF's base colour factor)
};

// A sphere of `bands` x `bands` quads (two triangles each), radius 1, u around and v from pole to
// pole, vertex colours by latitude.
MeshData makeTestSphere(int bands);
// A checkerboard with a coloured band, `side` pixels square, for the textured models.
Picture makeTestTexture(int side);

// Each returns the file bytes; the OBJ's material and the glTF's buffer and image are named by
// the given file names, to be written beside it.
std::string objText(const MeshData& mesh, const ModelLook& look, const std::string& mtlName);
std::string mtlText(const ModelLook& look, const std::string& textureName);
std::vector<uint8_t> stlBinary(const MeshData& mesh);
std::string stlAscii(const MeshData& mesh);
std::vector<uint8_t> plyFile(const MeshData& mesh, const ModelLook& look, bool binary);
// glTF: the JSON naming `binName` and (textured) `imageName`; GLB: all of it in one file with the
// PNG bytes given. The mesh hangs under a node with a translation and a scale whose product puts
// every vertex where the mesh has it.
std::string gltfText(const MeshData& mesh, const ModelLook& look, const std::string& binName,
                     const std::string& imageName);
std::vector<uint8_t> gltfBuffer(const MeshData& mesh, const ModelLook& look);
std::vector<uint8_t> glbFile(const MeshData& mesh, const ModelLook& look, const std::vector<uint8_t>& png);

// Writes the whole test set into `folder`: knot.{obj,mtl,gltf,bin,glb,stl,ply}, knot-ascii.{stl,ply}
// (one plain shape in every format), capsule.{obj,gltf,glb} with capsule.png (textured), and
// knot-colour.ply, knot-colour-ascii.ply, knot-colour.glb (vertex colours).
void writeTestModels(const std::string& folder);

// The model fuzzer's seeds: a small sphere in each format the fuzzer picks by its first byte (GLB,
// STL, glTF).
void writeFuzzSeeds(const std::string& folder);

} // namespace tepple
