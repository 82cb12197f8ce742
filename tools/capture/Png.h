#pragma once
// PNG encoding and decoding through libpng. Pictures are written as 8-bit RGB; any PNG libpng
// can read is accepted and converted to RGB (alpha is dropped, not composited).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Picture.h"

class PngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Larger pictures are refused before anything is allocated for them.
constexpr int maxPngSide = 8192;

// The PNG file bytes of `image`. Throws PngError when libpng refuses it (an empty image, say).
std::vector<uint8_t> encodePng(const Picture& image);
// Parses PNG bytes. Throws PngError naming the problem for damaged or oversized data.
Picture decodePng(const uint8_t* bytes, size_t size);

// Thin file wrappers. Throw PngError naming the file when it cannot be written or read.
void writePngFile(const std::string& path, const Picture& image);
Picture readPngFile(const std::string& path);
