#pragma once
// PNG encoding and decoding through libpng. Pictures are written as 8-bit RGB; any PNG libpng
// can read is accepted and converted to RGB (alpha is dropped, not composited). Files are written
// through a temporary, so a failed write never leaves a part-written PNG under the name.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "Picture.h"
#include "ReplacingFile.h"

namespace tepple {

class PngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Larger pictures are refused before anything is allocated for them.
constexpr int maxPngSide = 8192;

// How hard the encoder works. Compact is libpng's default (every row filter tried, zlib level 6),
// for pictures that are kept and looked at; Fast (the Sub filter, zlib level 1) is several times
// quicker for files about a tenth larger, for sequences of thousands of frames.
enum class PngCompression { Compact, Fast };

// The PNG file bytes of `image`, encoded in one pass. Throws PngError when libpng refuses it (an
// empty image, say).
std::vector<uint8_t> encodePng(const Picture& image, PngCompression compression = PngCompression::Compact);
// Parses PNG bytes. Throws PngError naming the problem for damaged or oversized data.
Picture decodePng(const uint8_t* bytes, size_t size);

// Thin file wrappers. Throw PngError naming the file when it cannot be written or read.
void writePngFile(const std::string& path, const Picture& image, PngCompression compression = PngCompression::Compact,
                  Durability durability = Durability::Synced);
Picture readPngFile(const std::string& path);

} // namespace tepple
