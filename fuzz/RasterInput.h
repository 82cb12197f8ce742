#pragma once
// The raster fuzzer's input layout, shared with the seed maker so seeds mean what the fuzzer reads.
//   byte 0     settings: bit 0 blendMode, bit 1 backfaceCull, bit 2 normals given,
//              bit 3 draw into a wrongly sized target (which must stay untouched)
//   byte 1     textures: low nibble the first, high nibble the second (see textureChoice below)
//   byte 2     light count, taken modulo 9
//   byte 3     how many normals to drop from the end, so that some corners have none
//   bytes 4-7  the frame number, little-endian
//   then, when bit 4 of byte 0 is set, a viewport of the fuzzer's own choosing (otherwise the
//              demonstration's): width and height (16 bits each, little-endian, taken modulo
//              maxFuzzSide, plus 1), then float focal length, centre x, centre y, near and far
//              distances, then a byte: bit 0 clipNear, bit 1 demoRules
//   then       the lights, 24 bytes each: float x, y, z, red, green, blue
//   then       raw 32-byte vertices, every bit pattern allowed (NaN, infinities, denormals);
//              with normals given the first half are the positions and the second half their normals
// A short input reads as zeros; bytes past the last whole vertex are ignored.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Vertex.h"
#include "render/Viewport.h"

namespace tepple {

// Targets stay small enough that every input runs quickly.
constexpr int maxFuzzSide = 700;

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
    bool ownViewport = false;
    Viewport viewport = Viewport::demo();
    std::vector<Light> lights;
    std::vector<Vertex> positions;
    std::vector<Vertex> normals; // empty: none handed over
};

RasterInput decodeRasterInput(const uint8_t* data, size_t size);
// The exact inverse for inputs decodeRasterInput can produce.
std::vector<uint8_t> encodeRasterInput(const RasterInput& input);

} // namespace tepple
