#pragma once
// The raster fuzzer's input layout, shared with the seed maker so seeds mean what the fuzzer reads.
//   byte 0     settings: bit 0 blendMode, bit 1 backfaceCull, bit 2 normals given,
//              bit 3 draw into a wrongly sized target (which must stay untouched)
//   byte 1     textures: low nibble the first, high nibble the second (see textureChoice below)
//   byte 2     light count, taken modulo 9
//   byte 3     how many normals to drop from the end, so that some corners have none
//   bytes 4-7  the frame number, little-endian
//   then       the lights, 24 bytes each: float x, y, z, red, green, blue
//   then       raw 32-byte vertices, every bit pattern allowed (NaN, infinities, denormals);
//              with normals given the first half are the positions and the second half their normals
// A short input reads as zeros; bytes past the last whole vertex are ignored.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Vertex.h"

// Textures a fuzz input can bind (the choice is taken modulo the count).
enum class TextureChoice : uint8_t { None, Empty, OneTexel, Flare255, Plasma256, Narrow3x700, Screen640, Count };

struct RasterInput {
    uint8_t blendMode = 0;
    uint8_t backfaceCull = 1;
    bool wrongSizeTarget = false;
    TextureChoice firstTexture = TextureChoice::None;
    TextureChoice secondTexture = TextureChoice::None;
    uint8_t missingNormals = 0;
    uint32_t frame = 0; // the renderer's frame number at the first draw
    std::vector<Light> lights;
    std::vector<Vertex> positions;
    std::vector<Vertex> normals; // empty: none handed over
};

RasterInput decodeRasterInput(const uint8_t* data, size_t size);
// The exact inverse for inputs decodeRasterInput can produce.
std::vector<uint8_t> encodeRasterInput(const RasterInput& input);
