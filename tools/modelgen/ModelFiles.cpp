#include "ModelFiles.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Png.h"
#include "ReplacingFile.h"
#include "Shapes.h"

namespace tepple {

namespace {

constexpr double pi = 3.14159265358979323846;

// The node transform every glTF gets: vertices are stored as (p - offset) / scale.
constexpr double nodeOffset[3] = {0.5, -0.25, 0.125};
constexpr double nodeScale = 2.0;

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void putFloat(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put32(out, bits);
}

// Corners anticlockwise seen from the front: the builder's clockwise order reversed.
int32_t corner(const MeshData& mesh, size_t triangle, int k)
{
    return mesh.indices[triangle * 3 + (k == 0 ? 0 : 3 - k)];
}
size_t triangles(const MeshData& mesh)
{
    return mesh.indices.size() / 3;
}

float channel(uint32_t colour, int shift)
{
    return static_cast<float>(((colour >> shift) & 0xFF) / 255.0);
}

void faceNormal(const MeshData& mesh, size_t t, float normal[3])
{
    const Vertex& a = mesh.vertices[size_t(corner(mesh, t, 0))];
    const Vertex& b = mesh.vertices[size_t(corner(mesh, t, 1))];
    const Vertex& c = mesh.vertices[size_t(corner(mesh, t, 2))];
    const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y,
                 vz = c.z - a.z;
    double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; ++i) normal[i] = length > 0 ? static_cast<float>(n[i] / length) : 0.0f;
}

void write(const std::string& path, const void* bytes, size_t size)
{
    replaceFile(path, bytes, size, Durability::Unsynced);
}
void write(const std::string& path, const std::string& text)
{
    write(path, text.data(), text.size());
}
void write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    write(path, bytes.data(), bytes.size());
}

} // namespace

MeshData makeTestSphere(int bands)
{
    MeshData mesh;
    for (int row = 0; row <= bands; ++row) {
        const double v = static_cast<double>(row) / bands;
        const double latitude = pi * (0.5 - v);
        for (int column = 0; column <= bands; ++column) {
            const double u = static_cast<double>(column) / bands;
            const double longitude = 2 * pi * u;
            const Point3 p{std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                           std::cos(latitude) * std::cos(longitude)};
            const int shade = static_cast<int>(80 + 175 * v);
            mesh.addVertex(p, packColour(255 - shade / 2, shade, 120), u, v);
        }
    }
    const int stride = bands + 1;
    for (int row = 0; row < bands; ++row) {
        for (int column = 0; column < bands; ++column) {
            const int32_t a = row * stride + column, b = a + 1, c = a + stride + 1, d = a + stride;
            // Clockwise seen from outside: the builder's rule.
            mesh.addQuad(a, b, c, d);
        }
    }
    return mesh;
}

Picture makeTestTexture(int side)
{
    Picture picture(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool dark = ((x * 8 / side) + (y * 8 / side)) % 2;
            uint32_t colour = dark ? 0x2050A0 : 0xF0E8D0;
            if (y * 8 / side == 3) colour = dark ? 0xC03020 : 0xF0A020;
            picture.at(x, y) = colour;
        }
    }
    return picture;
}

std::string objText(const MeshData& mesh, const ModelLook& look, const std::string& mtlName)
{
    std::string text = "# a test model of tepple's own\n";
    if (!mtlName.empty()) text += "mtllib " + mtlName + "\nusemtl look\n";
    for (const Vertex& v : mesh.vertices)
        text += "v " + number(v.x) + " " + number(v.y) + " " + number(v.z) + "\n";
    if (look.texture) {
        for (const Vertex& v : mesh.vertices)
            text += "vt " + number(v.texU) + " " + number(1.0 - v.texV) + "\n";
    }
    for (size_t t = 0; t < triangles(mesh); ++t) {
        text += "f";
        for (int k = 0; k < 3; ++k) {
            const std::string index = std::to_string(corner(mesh, t, k) + 1);
            text += " " + index + (look.texture ? "/" + index : "");
        }
        text += "\n";
    }
    return text;
}

std::string mtlText(const ModelLook& look, const std::string& textureName)
{
    std::string text = "newmtl look\nKd " + number(channel(look.baseColour, 16)) + " " +
                       number(channel(look.baseColour, 8)) + " " + number(channel(look.baseColour, 0)) + "\n";
    if (look.texture) text += "map_Kd " + textureName + "\n";
    return text;
}

std::vector<uint8_t> stlBinary(const MeshData& mesh)
{
    std::vector<uint8_t> out(80, 0);
    const char header[] = "binary STL: a test model of tepple's own";
    std::memcpy(out.data(), header, sizeof header - 1);
    put32(out, static_cast<uint32_t>(triangles(mesh)));
    out.reserve(84 + 50 * triangles(mesh));
    for (size_t t = 0; t < triangles(mesh); ++t) {
        float normal[3];
        faceNormal(mesh, t, normal);
        for (float n : normal) putFloat(out, n);
        for (int k = 0; k < 3; ++k) {
            const Vertex& v = mesh.vertices[size_t(corner(mesh, t, k))];
            putFloat(out, v.x), putFloat(out, v.y), putFloat(out, v.z);
        }
        out.push_back(0), out.push_back(0);
    }
    return out;
}

std::string stlAscii(const MeshData& mesh)
{
    std::string text = "solid test\n";
    for (size_t t = 0; t < triangles(mesh); ++t) {
        float n[3];
        faceNormal(mesh, t, n);
        text += "facet normal " + number(n[0]) + " " + number(n[1]) + " " + number(n[2]) + "\n outer loop\n";
        for (int k = 0; k < 3; ++k) {
            const Vertex& v = mesh.vertices[size_t(corner(mesh, t, k))];
            text += "  vertex " + number(v.x) + " " + number(v.y) + " " + number(v.z) + "\n";
        }
        text += " endloop\nendfacet\n";
    }
    return text + "endsolid test\n";
}

std::vector<uint8_t> plyFile(const MeshData& mesh, const ModelLook& look, bool binary)
{
    std::string header = std::string("ply\nformat ") + (binary ? "binary_little_endian" : "ascii") +
                         " 1.0\ncomment a test model of tepple's own\nelement vertex " +
                         std::to_string(mesh.vertices.size()) +
                         "\nproperty float x\nproperty float y\nproperty float z\n";
    if (look.colours) header += "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    header += "element face " + std::to_string(triangles(mesh)) +
              "\nproperty list uchar int vertex_indices\nend_header\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    std::string text;
    for (const Vertex& v : mesh.vertices) {
        if (binary) {
            putFloat(out, v.x), putFloat(out, v.y), putFloat(out, v.z);
            if (look.colours) {
                out.push_back(uint8_t(redOf(v.colour))), out.push_back(uint8_t(greenOf(v.colour))),
                    out.push_back(uint8_t(blueOf(v.colour)));
            }
        } else {
            text += number(v.x) + " " + number(v.y) + " " + number(v.z);
            if (look.colours) {
                text += " " + std::to_string(redOf(v.colour)) + " " + std::to_string(greenOf(v.colour)) +
                        " " + std::to_string(blueOf(v.colour));
            }
            text += "\n";
        }
    }
    for (size_t t = 0; t < triangles(mesh); ++t) {
        if (binary) {
            out.push_back(3);
            for (int k = 0; k < 3; ++k) put32(out, static_cast<uint32_t>(corner(mesh, t, k)));
        } else {
            text += "3";
            for (int k = 0; k < 3; ++k) text += " " + std::to_string(corner(mesh, t, k));
            text += "\n";
        }
    }
    out.insert(out.end(), text.begin(), text.end());
    return out;
}

std::vector<uint8_t> gltfBuffer(const MeshData& mesh, const ModelLook& look)
{
    std::vector<uint8_t> out;
    for (const Vertex& v : mesh.vertices) {
        putFloat(out, float((v.x - nodeOffset[0]) / nodeScale));
        putFloat(out, float((v.y - nodeOffset[1]) / nodeScale));
        putFloat(out, float((v.z - nodeOffset[2]) / nodeScale));
    }
    if (look.colours) {
        for (const Vertex& v : mesh.vertices) {
            putFloat(out, channel(v.colour, 16)), putFloat(out, channel(v.colour, 8)),
                putFloat(out, channel(v.colour, 0));
        }
    }
    if (look.texture) {
        for (const Vertex& v : mesh.vertices) putFloat(out, v.texU), putFloat(out, v.texV);
    }
    for (size_t t = 0; t < triangles(mesh); ++t) {
        for (int k = 0; k < 3; ++k) put32(out, static_cast<uint32_t>(corner(mesh, t, k)));
    }
    return out;
}

namespace {

// The JSON of a glTF or GLB; `imageSource` is either a "uri" or a "bufferView" member.
std::string gltfJson(const MeshData& mesh, const ModelLook& look, const std::string& bufferUri,
                     size_t bufferLength, const std::string& imageSource, size_t imageLength)
{
    const size_t n = mesh.vertices.size();
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (const Vertex& v : mesh.vertices) {
        const float p[3] = {float((v.x - nodeOffset[0]) / nodeScale),
                            float((v.y - nodeOffset[1]) / nodeScale),
                            float((v.z - nodeOffset[2]) / nodeScale)};
        for (int i = 0; i < 3; ++i) low[i] = std::min(low[i], p[i]), high[i] = std::max(high[i], p[i]);
    }
    size_t offset = 0;
    std::string views, accessors, attributes;
    int viewCount = 0;
    auto addView = [&](size_t length, const char* target) {
        views += std::string(viewCount ? "," : "") +
                 "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
                 ",\"byteLength\":" + std::to_string(length) +
                 (target ? std::string(",\"target\":") + target : "") + "}";
        offset += length;
        return viewCount++;
    };
    auto addAccessor = [&](int view, size_t count, int type, const char* kind, const std::string& extra) {
        accessors += std::string(accessors.empty() ? "" : ",") + "{\"bufferView\":" + std::to_string(view) +
                     ",\"componentType\":" + std::to_string(type) + ",\"count\":" + std::to_string(count) +
                     ",\"type\":\"" + kind + "\"" + extra + "}";
    };
    int accessor = 0;
    addAccessor(addView(n * 12, "34962"), n, 5126, "VEC3",
                ",\"min\":[" + number(low[0]) + "," + number(low[1]) + "," + number(low[2]) + "],\"max\":[" +
                    number(high[0]) + "," + number(high[1]) + "," + number(high[2]) + "]");
    attributes = "\"POSITION\":" + std::to_string(accessor++);
    if (look.colours) {
        addAccessor(addView(n * 12, "34962"), n, 5126, "VEC3", "");
        attributes += ",\"COLOR_0\":" + std::to_string(accessor++);
    }
    if (look.texture) {
        addAccessor(addView(n * 8, "34962"), n, 5126, "VEC2", "");
        attributes += ",\"TEXCOORD_0\":" + std::to_string(accessor++);
    }
    addAccessor(addView(triangles(mesh) * 12, "34963"), triangles(mesh) * 3, 5125, "SCALAR", "");
    const int indices = accessor++;
    std::string imageView;
    if (imageLength) imageView = std::to_string(addView(imageLength, nullptr));
    (void)bufferLength;
    std::string json = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"tepple-models\"},\"scene\":0,"
                       "\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0,\"translation\":[" +
                       number(nodeOffset[0]) + "," + number(nodeOffset[1]) + "," + number(nodeOffset[2]) +
                       "],\"scale\":[" + number(nodeScale) + "," + number(nodeScale) + "," +
                       number(nodeScale) + "]}],\"meshes\":[{\"primitives\":[{\"attributes\":{" + attributes +
                       "},\"indices\":" + std::to_string(indices) +
                       ",\"material\":0}]}],\"materials\":[{\"pbrMetallicRoughness\":{"
                       "\"baseColorFactor\":[" +
                       number(channel(look.baseColour, 16)) + "," + number(channel(look.baseColour, 8)) +
                       "," + number(channel(look.baseColour, 0)) + ",1]," +
                       (look.texture ? "\"baseColorTexture\":{\"index\":0}," : "") +
                       "\"metallicFactor\":0,\"roughnessFactor\":1}}],";
    if (look.texture) {
        json += "\"textures\":[{\"source\":0,\"sampler\":0}],\"samplers\":[{\"magFilter\":9728,\"minFilter\":"
                "9728}],"
                "\"images\":[{" +
                (imageView.empty() ? imageSource
                                   : "\"bufferView\":" + imageView + ",\"mimeType\":\"image/png\"") +
                "}],";
    }
    json += "\"buffers\":[{" + bufferUri + "\"byteLength\":" + std::to_string(offset) +
            "}],\"bufferViews\":[" + views + "],\"accessors\":[" + accessors + "]}";
    return json;
}

} // namespace

std::string gltfText(const MeshData& mesh, const ModelLook& look, const std::string& binName,
                     const std::string& imageName)
{
    return gltfJson(mesh, look, "\"uri\":\"" + binName + "\",", 0, "\"uri\":\"" + imageName + "\"", 0);
}

std::vector<uint8_t> glbFile(const MeshData& mesh, const ModelLook& look, const std::vector<uint8_t>& png)
{
    std::vector<uint8_t> binary = gltfBuffer(mesh, look);
    if (look.texture) binary.insert(binary.end(), png.begin(), png.end());
    while (binary.size() % 4) binary.push_back(0);
    std::string json = gltfJson(mesh, look, "", binary.size(), "", look.texture ? png.size() : 0);
    while (json.size() % 4) json += ' ';
    std::vector<uint8_t> out;
    out.insert(out.end(), {'g', 'l', 'T', 'F'});
    put32(out, 2);
    put32(out, static_cast<uint32_t>(12 + 8 + json.size() + 8 + binary.size()));
    put32(out, static_cast<uint32_t>(json.size()));
    out.insert(out.end(), {'J', 'S', 'O', 'N'});
    out.insert(out.end(), json.begin(), json.end());
    put32(out, static_cast<uint32_t>(binary.size()));
    out.insert(out.end(), {'B', 'I', 'N', 0});
    out.insert(out.end(), binary.begin(), binary.end());
    return out;
}

void writeTestModels(const std::string& folder)
{
    const std::string at = folder + "/";
    const MeshData knot = makeSpinKnot();
    const ModelLook plain;
    write(at + "knot.obj", objText(knot, plain, "knot.mtl"));
    write(at + "knot.mtl", mtlText(plain, ""));
    write(at + "knot.gltf", gltfText(knot, plain, "knot.bin", ""));
    write(at + "knot.bin", gltfBuffer(knot, plain));
    write(at + "knot.glb", glbFile(knot, plain, {}));
    write(at + "knot.stl", stlBinary(knot));
    write(at + "knot-ascii.stl", stlAscii(knot));
    write(at + "knot.ply", plyFile(knot, plain, true));
    write(at + "knot-ascii.ply", plyFile(knot, plain, false));

    ModelLook coloured;
    coloured.colours = true;
    coloured.baseColour = 0xFFFFFF;
    write(at + "knot-colour.ply", plyFile(knot, coloured, true));
    write(at + "knot-colour-ascii.ply", plyFile(knot, coloured, false));
    write(at + "knot-colour.glb", glbFile(knot, coloured, {}));

    const MeshData capsule = makeCapsule();
    ModelLook textured;
    textured.texture = true;
    textured.baseColour = 0xFFFFFF;
    const std::vector<uint8_t> png = encodePng(makeTestTexture(64));
    write(at + "capsule.png", png);
    write(at + "capsule.obj", objText(capsule, textured, "capsule.mtl"));
    write(at + "capsule.mtl", mtlText(textured, "capsule.png"));
    write(at + "capsule.gltf", gltfText(capsule, textured, "capsule.bin", "capsule.png"));
    write(at + "capsule.bin", gltfBuffer(capsule, textured));
    write(at + "capsule.glb", glbFile(capsule, textured, png));
}

void writeFuzzSeeds(const std::string& folder)
{
    const MeshData sphere = makeTestSphere(3);
    ModelLook plain;
    ModelLook coloured;
    coloured.colours = true;
    ModelLook textured;
    textured.texture = true;
    const std::vector<uint8_t> png = encodePng(makeTestTexture(4));
    auto seed = [&](const std::string& name, uint8_t format, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> input(1, format);
        input.insert(input.end(), bytes.begin(), bytes.end());
        write(folder + "/" + name, input);
    };
    auto text = [](const std::string& value) { return std::vector<uint8_t>(value.begin(), value.end()); };
    seed("colour.glb", 0, glbFile(sphere, coloured, {}));
    seed("textured.glb", 0, glbFile(sphere, textured, png));
    seed("binary.stl", 1, stlBinary(sphere));
    seed("ascii.stl", 1, text(stlAscii(sphere)));
    seed("plain.gltf", 2, text(gltfText(sphere, plain, "absent.bin", "")));
}

} // namespace tepple
