#pragma once
// Models read from the common interchange files (OBJ with its MTL, glTF 2.0 and GLB, STL, PLY)
// and from the engine's own LSB meshes, turned into what the renderer draws: triangle lists of
// Vertex records (position, packed colour, texture coordinates) with their normals, materials with
// a base colour and at most one texture, and the textures decoded (PNG, JPEG, TGA) into surfaces.
//
// Coordinates are the files' own, right-handed, y up (OBJ, glTF, PLY and STL as written; an LSB
// mesh is turned back from the engine's camera axes). Node transforms are applied: every mesh is in
// the model's space. Texture coordinates follow the renderer: v = 0 is the image's top row.
//
// A file is checked before it is read whole: its size against what this process may allocate for
// it (ModelLimits), a binary STL's triangle count against its size. A model is checked after it is
// read: indices inside the vertices, coordinates finite, at least one triangle, every texture
// found and decoded. Any problem throws ModelError, whose message names the file and the problem
// in one line; nothing is returned half-read.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/Vertex.h"
#include "pixels/Surface.h"

namespace tepple {

class ModelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file formats, told apart by extension (modelFormatOf).
enum class ModelFormat { Obj, Gltf, Glb, Stl, Ply, Lsb };

struct ModelTexture {
    std::string name; // the file, or "<model>#image N" for an embedded image
    Surface image{0, 0};
};

struct ModelMaterial {
    uint32_t baseColour = 0x00FFFFFF; // multiplies vertex colours and texels
    int texture = -1;                 // into Model::textures, or -1
};

struct ModelMesh {
    // Colour: the vertex colour (white when the file has none) times the material's base colour.
    std::vector<Vertex> vertices;
    std::vector<Vertex> normals; // one per vertex, unit length; empty when the file has none
    // Drawn flat: each triangle's vertices its own (corner k is vertex k), lit by the triangle's
    // own normal, so that normals is left empty (a large STL would double its memory for them).
    bool flat = false;
    std::vector<int32_t> indices; // three per triangle, each inside vertices
    int material = 0;             // into Model::materials
    bool hasTexCoords = false;
};

struct Model {
    std::vector<ModelMesh> meshes;
    std::vector<ModelMaterial> materials;
    std::vector<ModelTexture> textures;
    ModelFormat format = ModelFormat::Obj;

    size_t triangleCount() const;
    // The bounding box of every vertex: min then max corner (x, y, z only).
    void bounds(Vertex& low, Vertex& high) const;
};

// Widens the box low / high (x, y, z only) to hold `count` vertices. Of equal values (-0 and +0)
// the one held first is kept, so ranges widened one after another, from the box with nothing in
// it (emptyBounds), give Model::bounds bit for bit.
void widenBounds(const Vertex* vertices, size_t count, Vertex& low, Vertex& high);
void emptyBounds(Vertex& low, Vertex& high);

struct ModelLimits {
    // The most memory a load may need, in bytes; 0: half of the memory available when it starts.
    // A file is refused unread when its size times what its format grows to in memory passes it.
    uint64_t memoryBytes = 0;
    // Textures wider or taller are refused before they are decoded.
    int maxTextureSide = 8192;
};

// The format of a file by its extension (case ignored), or false. Files with no known extension
// are told by their first bytes ("glTF" a GLB, "ply" a PLY, a "{" a glTF, "solid" an ASCII STL);
// modelFormatOfBytes does that.
bool modelFormatOf(const std::string& path, ModelFormat& format);
bool modelFormatOfBytes(const uint8_t* bytes, size_t size, ModelFormat& format);
const char* modelFormatName(ModelFormat format);

// Reads a model file, with the files it names (an MTL, glTF buffers and images, textures) looked
// for beside it. Throws ModelError.
Model loadModel(const std::string& path, const ModelLimits& limits = {});

// Parses a self-contained model (GLB, STL, PLY, LSB, or an OBJ or glTF naming no other file) from
// bytes; `name` stands for the file in messages and textures. What loadModel runs once it has read
// such a file. Throws ModelError.
Model parseModel(const uint8_t* bytes, size_t size, ModelFormat format, const std::string& name,
                 const ModelLimits& limits = {});

// Decodes PNG, JPEG or TGA bytes into a surface (alpha dropped). Throws ModelError naming `name`.
Surface decodeImage(const uint8_t* bytes, size_t size, const std::string& name, int maxSide = 8192);

} // namespace tepple

namespace tepple {

// Where the normals drawn come from. Auto: the file's own when it has them, else flat for STL
// (machined parts, whose facets are the shape) and smooth for the rest.
enum class NormalRule { Auto, Smooth, Flat };

// Gives every mesh one unit normal per vertex by the rule. Smooth joins vertices at the same
// position first (an STL's corners are all apart) and averages the face normals around each,
// weighted by area; flat gives every triangle vertices of its own and sets ModelMesh::flat. A
// degenerate triangle contributes nothing; a vertex with no normal keeps the zero normal.
void giveNormals(Model& model, NormalRule rule);

} // namespace tepple
