#pragma once
// Uncompressed 24-bit true-colour TGA: an 18-byte header (no ID, no colour map, image type 2,
// 24 bits per pixel, descriptor 0 = origin at the lower left), then the rows bottom row first,
// each pixel as blue, green, red. The layout the demo's loader reads.
#include <cstdint>
#include <string>
#include <vector>

#include "Image.h"

namespace tepple {

// Throws std::invalid_argument when a side is 0 or above 65535 (the header holds 16 bits), or the
// pixel block does not match the size.
std::vector<uint8_t> encodeTga(const Image& image);
// encodeTga written to `path`. Throws std::runtime_error naming the file when it cannot be written.
void writeTgaFile(const std::string& path, const Image& image);

} // namespace tepple
