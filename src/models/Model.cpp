// Every format but LSB and plain binary STL (BinaryStl.h) goes through assimp: one well-kept
// parser per format, with node transforms, triangulation and material keys handled alike for all
// of them. What is added here is what a drawing program must be able to trust: the checks before
// reading (size against memory, an STL's count against its size) and after (indices, finite
// coordinates, triangles, textures).
#include "models/Model.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

#include "geometry/Mesh.h"
#include "geometry/MeshFile.h"
#include "models/BinaryStl.h"

namespace tepple {

namespace {

// A light grey: models with no colour of their own, drawn under the default lights, keep their
// highlights below white.
constexpr uint32_t plainColour = 0x00D0D0D0;

struct FormatEntry {
    const char* extension;
    ModelFormat format;
    const char* name;
    // What a file of this format grows to in memory while it is read and converted, per byte of
    // file: the parser's own buffers and scene, then the vertex records.
    unsigned growth;
};

constexpr FormatEntry formats[] = {
    {".obj", ModelFormat::Obj, "OBJ", 12}, {".gltf", ModelFormat::Gltf, "glTF", 8},
    {".glb", ModelFormat::Glb, "GLB", 8},  {".stl", ModelFormat::Stl, "STL", 8},
    {".ply", ModelFormat::Ply, "PLY", 12}, {".lsb", ModelFormat::Lsb, "LSB", 4},
};

const FormatEntry& entryOf(ModelFormat format)
{
    for (const FormatEntry& entry : formats) {
        if (entry.format == format) return entry;
    }
    return formats[0];
}

[[noreturn]] void fail(const std::string& name, const std::string& problem)
{
    throw ModelError(name + ": " + problem);
}

uint64_t availableMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kilobytes = 0;
    std::string unit;
    while (meminfo >> key >> kilobytes >> unit) {
        if (key == "MemAvailable:") return kilobytes * 1024;
    }
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

void checkMemory(uint64_t fileSize, ModelFormat format, const std::string& name, const ModelLimits& limits)
{
    const uint64_t budget = limits.memoryBytes ? limits.memoryBytes : availableMemory() / 2;
    const uint64_t growth = entryOf(format).growth;
    if (budget == 0 || fileSize <= budget / growth) return;
    fail(name, "too large to read: a " + std::to_string(fileSize >> 20) + " MB " + entryOf(format).name +
                   " file needs about " + std::to_string(fileSize * growth >> 20) + " MB, more than the " +
                   std::to_string(budget >> 20) + " MB this run may use");
}

// A binary STL is 80 bytes of header, a 32-bit count, then 50 bytes per triangle. Files that begin
// "solid" are ASCII unless their size is exactly that of a binary file of their count.
void checkStl(const uint8_t* bytes, size_t size, const std::string& name)
{
    if (size < 84) {
        if (size >= 5 && std::memcmp(bytes, "solid", 5) == 0) return;
        fail(name, "too short for an STL file (" + std::to_string(size) + " bytes)");
    }
    const uint64_t count = bytes[80] | bytes[81] << 8 | bytes[82] << 16 |
                           static_cast<uint64_t>(bytes[83]) << 24;
    const uint64_t binarySize = 84 + count * 50;
    if (binarySize == size) return;
    if (std::memcmp(bytes, "solid", 5) == 0) return;
    if (binarySize > size || size - binarySize > 4096) {
        fail(name, "the STL header counts " + std::to_string(count) + " triangles, " +
                       std::to_string(binarySize) + " bytes, but the file has " + std::to_string(size));
    }
}

uint32_t littleEndian32(const uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A GLB is a 12-byte header (magic, version, total length) and chunks of an 8-byte header
// (length, type) and their bytes. Every length is checked against the file before the parser,
// which allocates what the header says before it reads, is given it.
void checkGlb(FILE* file, uint64_t size, const std::string& name)
{
    uint8_t header[20];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof header, file) != sizeof header) {
        fail(name, "too short for a GLB file (" + std::to_string(size) + " bytes)");
    }
    if (std::memcmp(header, "glTF", 4) != 0) fail(name, "not a GLB file (no glTF magic)");
    const uint64_t total = littleEndian32(header + 8);
    if (total > size) {
        fail(name, "the GLB header gives " + std::to_string(total) + " bytes, but the file has " +
                       std::to_string(size));
    }
    uint64_t at = 12;
    for (int chunk = 0; at + 8 <= total; ++chunk) {
        uint8_t chunkHeader[8];
        if (std::fseek(file, static_cast<long>(at), SEEK_SET) != 0 ||
            std::fread(chunkHeader, 1, sizeof chunkHeader, file) != sizeof chunkHeader) {
            fail(name, "the file cannot be read");
        }
        const uint64_t length = littleEndian32(chunkHeader);
        if (at + 8 + length > total) {
            fail(name, "GLB chunk " + std::to_string(chunk) + " of " + std::to_string(length) +
                           " bytes runs past the end (byte " + std::to_string(at + 8 + length) + " of " +
                           std::to_string(total) + ")");
        }
        at += 8 + length;
    }
}

uint32_t packUnit(float red, float green, float blue)
{
    auto channel = [](float value) {
        if (!(value > 0.0f)) return 0;
        if (value >= 1.0f) return 255;
        return static_cast<int>(value * 255.0f + 0.5f);
    };
    return packColour(channel(red), channel(green), channel(blue));
}

uint32_t multiplyColours(uint32_t a, uint32_t b)
{
    auto product = [](int x, int y) { return (x * y + 127) / 255; };
    return packColour(product(redOf(a), redOf(b)), product(greenOf(a), greenOf(b)),
                      product(blueOf(a), blueOf(b)));
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string lowerExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

// The whole of a regular file, its size first checked against the limits.
std::vector<uint8_t> readWhole(const std::string& path, ModelFormat format, const ModelLimits& limits,
                               const std::string& shown)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) fail(shown, std::strerror(errno));
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0) fail(shown, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) fail(shown, "not a regular file");
    checkMemory(static_cast<uint64_t>(info.st_size), format, shown, limits);
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        fail(shown, std::ferror(file.get()) ? std::strerror(errno) : "the file shrank while it was read");
    }
    return bytes;
}

Surface textureFromAssimp(const aiTexture& texture, const std::string& name, int maxSide)
{
    if (texture.mHeight == 0) {
        return decodeImage(reinterpret_cast<const uint8_t*>(texture.pcData), texture.mWidth, name, maxSide);
    }
    if (texture.mWidth > static_cast<unsigned>(maxSide) || texture.mHeight > static_cast<unsigned>(maxSide)) {
        fail(name, "the image is larger than " + std::to_string(maxSide) + " pixels a side");
    }
    Surface surface(static_cast<int>(texture.mWidth), static_cast<int>(texture.mHeight));
    for (size_t i = 0; i < static_cast<size_t>(texture.mWidth) * texture.mHeight; ++i) {
        const aiTexel& texel = texture.pcData[i];
        surface.lock()[i] = packColour(texel.r, texel.g, texel.b);
    }
    return surface;
}

int loadTexture(Model& model, const aiScene& scene, const std::string& reference, const std::string& folder,
                const std::string& name, const ModelLimits& limits)
{
    for (size_t i = 0; i < model.textures.size(); ++i) {
        if (model.textures[i].name == reference) return static_cast<int>(i);
    }
    ModelTexture texture;
    texture.name = reference;
    if (const aiTexture* embedded = scene.GetEmbeddedTexture(reference.c_str())) {
        texture.image = textureFromAssimp(*embedded, name + " (image " + reference + ")",
                                          limits.maxTextureSide);
    } else if (!reference.empty() && reference[0] == '*') {
        fail(name, "names embedded image " + reference + ", which it does not hold");
    } else {
        const std::string path = reference[0] == '/' ? reference : folder + reference;
        std::vector<uint8_t> bytes;
        try {
            ModelLimits imageLimits = limits;
            bytes = readWhole(path, ModelFormat::Lsb, imageLimits, path);
        } catch (const ModelError& error) {
            fail(name, std::string("texture ") + error.what());
        }
        try {
            texture.image = decodeImage(bytes.data(), bytes.size(), path, limits.maxTextureSide);
        } catch (const ModelError& error) {
            fail(name, std::string("texture ") + error.what());
        }
    }
    model.textures.push_back(std::move(texture));
    return static_cast<int>(model.textures.size() - 1);
}

void takeMaterials(Model& model, const aiScene& scene, const std::string& folder, const std::string& name,
                   const ModelLimits& limits)
{
    for (unsigned m = 0; m < scene.mNumMaterials; ++m) {
        const aiMaterial& source = *scene.mMaterials[m];
        ModelMaterial material;
        aiColor4D colour(1, 1, 1, 1);
        if (source.Get(AI_MATKEY_BASE_COLOR, colour) == AI_SUCCESS ||
            source.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS) {
            material.baseColour = packUnit(colour.r, colour.g, colour.b);
        }
        aiString path;
        if (source.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS ||
            source.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS) {
            material.texture = loadTexture(model, scene, path.C_Str(), folder, name, limits);
            // A texture shows as drawn: a material with one keeps only the factor glTF gives it.
            if (model.format != ModelFormat::Gltf && model.format != ModelFormat::Glb) {
                material.baseColour = 0x00FFFFFF;
            }
        }
        model.materials.push_back(material);
    }
    if (model.materials.empty()) model.materials.push_back(ModelMaterial());
}

void takeMeshes(Model& model, const aiScene& scene, const std::string& name)
{
    const bool fileNormals = model.format != ModelFormat::Stl;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh& source = *scene.mMeshes[m];
        if (!(source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || source.mNumVertices == 0) continue;
        ModelMesh mesh;
        mesh.material = source.mMaterialIndex < model.materials.size()
                            ? static_cast<int>(source.mMaterialIndex)
                            : 0;
        ModelMaterial material = model.materials[static_cast<size_t>(mesh.material)];
        // STL and PLY carry no material: what their parser makes up is replaced by the colour every
        // format's files without one are drawn in, unless the vertices have colours of their own.
        if (model.format == ModelFormat::Stl || model.format == ModelFormat::Ply) {
            material.baseColour = source.mColors[0] ? 0x00FFFFFF : plainColour;
        }
        mesh.hasTexCoords = source.mTextureCoords[0] != nullptr && material.texture >= 0;
        mesh.vertices.resize(source.mNumVertices);
        for (unsigned v = 0; v < source.mNumVertices; ++v) {
            const aiVector3D& p = source.mVertices[v];
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                fail(name, "vertex " + std::to_string(v) + " has a coordinate that is not a finite number");
            }
            Vertex& vertex = mesh.vertices[v];
            vertex = Vertex(p.x, p.y, p.z, material.baseColour);
            if (source.mColors[0]) {
                const aiColor4D& c = source.mColors[0][v];
                vertex.colour = multiplyColours(packUnit(c.r, c.g, c.b), material.baseColour);
            }
            if (mesh.hasTexCoords) {
                const aiVector3D& t = source.mTextureCoords[0][v];
                vertex.texU = vertex.texU2 = std::isfinite(t.x) ? t.x : 0.0f;
                vertex.texV = vertex.texV2 = std::isfinite(t.y) ? 1.0f - t.y : 0.0f;
            }
        }
        if (fileNormals && source.mNormals) {
            mesh.normals.resize(source.mNumVertices);
            for (unsigned v = 0; v < source.mNumVertices; ++v) {
                const aiVector3D& n = source.mNormals[v];
                const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
                if (std::isfinite(length) && length > 0) {
                    mesh.normals[v] = Vertex(float(n.x / length), float(n.y / length), float(n.z / length),
                                             0);
                } else {
                    mesh.normals[v] = Vertex(0, 0, 0, 0);
                }
            }
        }
        mesh.indices.reserve(static_cast<size_t>(source.mNumFaces) * 3);
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3) continue;
            for (unsigned k = 0; k < 3; ++k) {
                if (face.mIndices[k] >= source.mNumVertices) {
                    fail(name, "face " + std::to_string(f) + " names vertex " +
                                   std::to_string(face.mIndices[k]) + " of " +
                                   std::to_string(source.mNumVertices));
                }
                mesh.indices.push_back(static_cast<int32_t>(face.mIndices[k]));
            }
        }
        if (!mesh.indices.empty()) model.meshes.push_back(std::move(mesh));
    }
}

unsigned importFlags(ModelFormat format)
{
    // An STL is one mesh of triangles under one node: every step below would be a pass over its
    // corners for nothing (and its parser checks what validation would). Its triangles share no
    // vertex and are drawn flat, so joining them is left to a caller that asks for smooth normals.
    if (format == ModelFormat::Stl) return 0;
    unsigned flags = aiProcess_Triangulate | aiProcess_PreTransformVertices | aiProcess_SortByPType |
                     aiProcess_ValidateDataStructure;
    return flags | aiProcess_JoinIdenticalVertices;
}

void configure(Assimp::Importer& importer)
{
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    // Node transforms are applied, nothing else of the scene graph is kept.
    importer.SetPropertyBool(AI_CONFIG_PP_PTV_NORMALIZE, false);
}

void checkDrawable(const Model& model, const std::string& name)
{
    if (model.meshes.empty()) fail(name, "the model has no triangles");
}

Model fromScene(const aiScene* scene, Assimp::Importer& importer, ModelFormat format,
                const std::string& folder, const std::string& name, const ModelLimits& limits)
{
    if (!scene) {
        std::string problem = importer.GetErrorString();
        if (problem.empty()) problem = "the file cannot be read as " + std::string(entryOf(format).name);
        // Validation says this of a mesh the file declares with nothing drawable in it.
        if (problem.find("contains no faces") != std::string::npos) problem = "the model has no triangles";
        fail(name, problem);
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) fail(name, "the file holds no complete scene");
    Model model;
    model.format = format;
    takeMaterials(model, *scene, folder, name, limits);
    takeMeshes(model, *scene, name);
    importer.FreeScene();
    checkDrawable(model, name);
    return model;
}

Model parseLsb(const uint8_t* bytes, size_t size, const std::string& name)
{
    Mesh mesh;
    try {
        mesh.parse(bytes, size, name);
    } catch (const MeshError& error) {
        throw ModelError(error.what());
    }
    Model model;
    model.format = ModelFormat::Lsb;
    model.materials.push_back(ModelMaterial());
    ModelMesh part;
    // The engine's axes (y down, z away) back to the file's own (y up, z toward the viewer).
    part.vertices = mesh.vertices;
    part.normals = mesh.vertexNormals;
    for (size_t v = 0; v < part.vertices.size(); ++v) {
        Vertex& vertex = part.vertices[v];
        if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y) || !std::isfinite(vertex.z)) {
            fail(name, "vertex " + std::to_string(v) + " has a coordinate that is not a finite number");
        }
        vertex.y = -vertex.y;
        vertex.z = -vertex.z;
        part.normals[v].y = -part.normals[v].y;
        part.normals[v].z = -part.normals[v].z;
    }
    part.indices = mesh.faceIndices;
    if (!part.indices.empty()) model.meshes.push_back(std::move(part));
    checkDrawable(model, name);
    return model;
}

} // namespace

size_t Model::triangleCount() const
{
    size_t count = 0;
    for (const ModelMesh& mesh : meshes) count += mesh.indices.size() / 3;
    return count;
}

void emptyBounds(Vertex& low, Vertex& high)
{
    const float huge = std::numeric_limits<float>::max();
    low = Vertex(huge, huge, huge, 0);
    high = Vertex(-huge, -huge, -huge, 0);
}

void widenBounds(const Vertex* vertices, size_t count, Vertex& low, Vertex& high)
{
    for (const Vertex* v = vertices; v != vertices + count; ++v) {
        low.x = std::min(low.x, v->x), low.y = std::min(low.y, v->y), low.z = std::min(low.z, v->z);
        high.x = std::max(high.x, v->x), high.y = std::max(high.y, v->y), high.z = std::max(high.z, v->z);
    }
}

void Model::bounds(Vertex& low, Vertex& high) const
{
    emptyBounds(low, high);
    for (const ModelMesh& mesh : meshes) widenBounds(mesh.vertices.data(), mesh.vertices.size(), low, high);
}

bool modelFormatOf(const std::string& path, ModelFormat& format)
{
    const std::string extension = lowerExtension(path);
    for (const FormatEntry& entry : formats) {
        if (extension == entry.extension) {
            format = entry.format;
            return true;
        }
    }
    return false;
}

bool modelFormatOfBytes(const uint8_t* bytes, size_t size, ModelFormat& format)
{
    auto startsWith = [&](const char* text) {
        const size_t length = std::strlen(text);
        return size >= length && std::memcmp(bytes, text, length) == 0;
    };
    if (startsWith("glTF"))
        format = ModelFormat::Glb;
    else if (startsWith("ply"))
        format = ModelFormat::Ply;
    else if (startsWith("solid") || size >= 84)
        format = ModelFormat::Stl;
    else if (startsWith("{"))
        format = ModelFormat::Gltf;
    else
        return false;
    return true;
}

const char* modelFormatName(ModelFormat format)
{
    return entryOf(format).name;
}

Model parseModel(const uint8_t* bytes, size_t size, ModelFormat format, const std::string& name,
                 const ModelLimits& limits)
{
    checkMemory(size, format, name, limits);
    if (format == ModelFormat::Lsb) return parseLsb(bytes, size, name);
    if (format == ModelFormat::Stl) checkStl(bytes, size, name);
    if (size == 0) fail(name, "the file is empty");
    if (format == ModelFormat::Stl && isPlainBinaryStl(bytes, size, size)) {
        return parseBinaryStl(bytes, size, name, plainColour);
    }
    Assimp::Importer importer;
    configure(importer);
    const char* hint = entryOf(format).extension + 1;
    const aiScene* scene = importer.ReadFileFromMemory(bytes, size, importFlags(format), hint);
    return fromScene(scene, importer, format, "", name, limits);
}

Model loadModel(const std::string& path, const ModelLimits& limits)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) fail(path, std::strerror(errno));
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0) fail(path, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) fail(path, "not a regular file");
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (size == 0) fail(path, "the file is empty");
    uint8_t head[84] = {};
    const size_t headSize = std::fread(head, 1, sizeof head, file.get());
    if (headSize < std::min<uint64_t>(size, sizeof head)) fail(path, "the file cannot be read");
    ModelFormat format{};
    if (!modelFormatOf(path, format) && !modelFormatOfBytes(head, headSize, format)) {
        fail(path, "not a model file of a known format (OBJ, glTF, GLB, STL, PLY, LSB)");
    }
    checkMemory(size, format, path, limits);
    if (format == ModelFormat::Glb) checkGlb(file.get(), size, path);
    if (format == ModelFormat::Stl && isPlainBinaryStl(head, headSize, size)) {
        return readBinaryStl(file.get(), size, path, plainColour);
    }
    file.reset();
    if (format == ModelFormat::Stl && size >= sizeof head) {
        // The header and the size alone tell a count the file cannot hold.
        const uint64_t count = head[80] | head[81] << 8 | head[82] << 16 |
                               static_cast<uint64_t>(head[83]) << 24;
        // Some writers pad the end; more than a little past the count is not an STL of that count.
        if (std::memcmp(head, "solid", 5) != 0 &&
            (84 + count * 50 > size || size - (84 + count * 50) > 4096)) {
            fail(path, "the STL header counts " + std::to_string(count) + " triangles, " +
                           std::to_string(84 + count * 50) + " bytes, but the file has " +
                           std::to_string(size));
        }
    }
    if (format == ModelFormat::Stl && std::memcmp(head, "solid", 5) == 0 &&
        84 + uint64_t(head[80] | head[81] << 8 | head[82] << 16 | uint64_t(head[83]) << 24) * 50 != size) {
        // An ASCII STL cut short still parses up to its last whole facet: its closing line tells.
        std::unique_ptr<FILE, int (*)(FILE*)> text(std::fopen(path.c_str(), "rb"), std::fclose);
        char tail[512] = {};
        const long back = static_cast<long>(std::min<uint64_t>(size, sizeof tail - 1));
        if (!text || std::fseek(text.get(), -back, SEEK_END) != 0 ||
            std::fread(tail, 1, static_cast<size_t>(back), text.get()) != static_cast<size_t>(back)) {
            fail(path, "the file cannot be read");
        }
        if (!std::strstr(tail, "endsolid"))
            fail(path, "the ASCII STL file is cut short (no endsolid line at its end)");
    }
    if (format == ModelFormat::Lsb) {
        std::vector<uint8_t> bytes = readWhole(path, format, limits, path);
        return parseLsb(bytes.data(), bytes.size(), path);
    }
    Assimp::Importer importer;
    configure(importer);
    const aiScene* scene = importer.ReadFile(path, importFlags(format));
    return fromScene(scene, importer, format, folderOf(path), path, limits);
}

} // namespace tepple
