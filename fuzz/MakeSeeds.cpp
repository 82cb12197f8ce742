// Writes the seed corpus of the three fuzzers, with the project's own encoders:
//   tepple-fuzz-seeds <corpus folder>   (fills <folder>/mesh, <folder>/tga and <folder>/raster)
// Seeds are small, valid inputs that reach every branch worth mutating from.
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "Image.h"
#include "RasterInput.h"
#include "TgaWriter.h"
#include "geometry/MeshFile.h"

using namespace tepple;

namespace {

void writeSeed(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

Vertex textured(float x, float y, float z, uint32_t colour, float u, float v)
{
    Vertex vertex(x, y, z, colour);
    vertex.texU = vertex.texU2 = u;
    vertex.texV = vertex.texV2 = v;
    return vertex;
}

void writeMeshSeeds(const std::filesystem::path& folder)
{
    const std::vector<Vertex> triangle = {Vertex(0, 0, 0, 0x00FF0000), Vertex(1, 0, 0, 0x0000FF00),
                                          Vertex(0, 1, 0, 0x000000FF)};
    writeSeed(folder / "triangle.LSB", encodeLsb(triangle, {0, 1, 2}));

    const std::vector<Vertex> tetrahedron = {textured(1, 1, 1, 0x00FFFFFF, 0, 0), textured(-1, -1, 1, 0x00808080, 1, 0),
                                             textured(-1, 1, -1, 0x00404040, 0, 1), textured(1, -1, -1, 0x00202020, 1, 1)};
    writeSeed(folder / "tetrahedron.LSB", encodeLsb(tetrahedron, {0, 1, 2, 0, 3, 1, 0, 2, 3, 1, 3, 2}));

    // A vertex no face uses, a face naming one vertex twice and two faces that cancel out.
    const std::vector<Vertex> awkward = {Vertex(0, 0, 0, 0), Vertex(2, 0, 0, 0), Vertex(0, 2, 0, 0), Vertex(5, 5, 5, 0)};
    writeSeed(folder / "awkward.LSB", encodeLsb(awkward, {0, 1, 2, 0, 2, 1, 1, 1, 2}));

    writeSeed(folder / "empty.LSB", encodeLsb({}, {}));

    // An index count that is not a multiple of 3: the partial triangle is dropped.
    std::vector<uint8_t> partial = encodeLsb(triangle, {0, 1, 2});
    partial[8] = 4;
    writeSeed(folder / "partial-triangle.LSB", partial);
}

Image gradient(int width, int height)
{
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.at(x, y) = packColour(x & 0xFF, y & 0xFF, (x + y) & 0xFF);
    }
    return image;
}

void writeTgaSeeds(const std::filesystem::path& folder)
{
    // Red, green on the bottom row; blue, white on the top one.
    Image tiny(2, 2);
    tiny.at(0, 0) = 0x000000FF;
    tiny.at(1, 0) = 0x00FFFFFF;
    tiny.at(0, 1) = 0x00FF0000;
    tiny.at(1, 1) = 0x0000FF00;
    writeSeed(folder / "2x2.tga", encodeTga(tiny));
    // A few whole rows at each width the demo loads, so rows land in each surface size.
    writeSeed(folder / "255x3.tga", encodeTga(gradient(255, 3)));
    writeSeed(folder / "256x2.tga", encodeTga(gradient(256, 2)));
    writeSeed(folder / "640x2.tga", encodeTga(gradient(640, 2)));
    // Cut short inside the header.
    std::vector<uint8_t> headerOnly = encodeTga(tiny);
    headerOnly.resize(10);
    writeSeed(folder / "cut-header.tga", headerOnly);
}

// Corners at depth z that project near the given pixel.
Vertex onScreen(float column, float row, float z, uint32_t colour, float u = 0, float v = 0)
{
    return textured(static_cast<float>((column - 240.0) * z / 320.0), static_cast<float>((row - 240.0) * z / 320.0), z,
                    colour, u, v);
}

void writeRasterSeeds(const std::filesystem::path& folder)
{
    const Vertex facing(0, 0, -1, 0);

    RasterInput lit;
    lit.lights.push_back(Light(Vertex(0, 0, 10, 0), 13.1f, 13.1f, 13.1f));
    lit.positions = {onScreen(100, 100, 20, 0x00FF0000), onScreen(300, 100, 20, 0x0000FF00),
                     onScreen(100, 300, 20, 0x000000FF)};
    lit.normals = {facing, facing, facing};
    lit.firstTexture = TextureChoice::Flare255;
    lit.secondTexture = TextureChoice::Plasma256;
    writeSeed(folder / "lit-triangle", encodeRasterInput(lit));

    // Two triangles sharing an edge, texture coordinates across the texture, blending on.
    RasterInput quad;
    quad.blendMode = 1;
    quad.positions = {onScreen(50, 50, 30, 0x00FFFFFF, 0, 0),     onScreen(400, 50, 60, 0x00FFFFFF, 1, 0),
                      onScreen(50, 400, 30, 0x00FFFFFF, 0, 1),    onScreen(400, 50, 60, 0x00FFFFFF, 1, 0),
                      onScreen(400, 400, 60, 0x00FFFFFF, 1, 1),   onScreen(50, 400, 30, 0x00FFFFFF, 0, 1)};
    quad.firstTexture = TextureChoice::Plasma256;
    quad.secondTexture = TextureChoice::Narrow3x700;
    quad.frame = 4000000000u;
    writeSeed(folder / "blended-quad", encodeRasterInput(quad));

    // The same quad through a viewport of another size, clipping at the near plane, with one
    // corner pulled behind the eye.
    RasterInput clipped = quad;
    clipped.ownViewport = true;
    clipped.viewport = Viewport::forTarget(333, 251);
    clipped.positions[4].z = -20;
    writeSeed(folder / "clipped-quad-333x251", encodeRasterInput(clipped));

    // Points for the sprite path at a spread of depths, one with z = 0.
    RasterInput points;
    points.firstTexture = TextureChoice::Flare255;
    for (int i = 0; i < 8; ++i) points.positions.push_back(onScreen(40.0f + 70 * i, 240, 5.0f + 40 * i, 0x00C08040));
    points.positions.push_back(Vertex(1, 1, 0, 0x00FFFFFF));
    writeSeed(folder / "points", encodeRasterInput(points));

    // Hostile corners: NaN, infinities and a triangle straddling the eye.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    RasterInput hostile;
    hostile.backfaceCull = 0;
    hostile.missingNormals = 7;
    hostile.lights.push_back(Light(Vertex(nan, 0, 0, 0), 1, 1, 1));
    hostile.lights.push_back(Light(Vertex(0, 0, 0, 0), inf, 1, -inf));
    hostile.positions = {Vertex(nan, 0, 20, 0xFFFFFFFF), Vertex(1, inf, 20, 0), Vertex(-inf, 1, 20, 0),
                         Vertex(-1, -1, -5, 0x00123456), Vertex(1, -1, 5, 0x00123456), Vertex(0, 1, 1e-30f, 0),
                         onScreen(-100, 200, 15, 0), onScreen(900, 250, 15, 0), onScreen(320, 700, 15, 0)};
    hostile.firstTexture = TextureChoice::OneTexel;
    hostile.secondTexture = TextureChoice::Empty;
    writeSeed(folder / "hostile", encodeRasterInput(hostile));

    RasterInput wrongTarget = lit;
    wrongTarget.wrongSizeTarget = true;
    writeSeed(folder / "wrong-size-target", encodeRasterInput(wrongTarget));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tepple-fuzz-seeds <corpus folder>\n");
        return 2;
    }
    try {
        const std::filesystem::path corpus(argv[1]);
        writeMeshSeeds(corpus / "mesh");
        writeTgaSeeds(corpus / "tga");
        writeRasterSeeds(corpus / "raster");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-fuzz-seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
