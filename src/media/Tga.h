#pragma once
// Uncompressed 24-bit TGA pictures, read two ways:
//  - readTga/parseTga, for programs of their own: the picture at the size its header gives, or an
//    exception naming the file and the problem. Only what the header calls an uncompressed 24-bit
//    true-colour image is read (image type 2, no colour map, 24 bits a pixel); rows bottom first
//    unless the header's origin bit says top first; bytes blue, green, red; an image ID is skipped.
//  - decodeTga/loadTga, the demo's own rule: the destination surface decides width and height, the
//    18-byte header is skipped unread, rows are taken bottom row first, and a file that cannot be
//    read leaves the surface black while the run goes on.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pixels/Messages.h"
#include "pixels/Surface.h"

namespace tepple {

// The width and height of an uncompressed 24-bit TGA, from its header alone.
struct TgaSize {
    int width = 0;
    int height = 0;
};

// The picture in `size` bytes of TGA data (header included). Throws std::invalid_argument starting
// "parseTga: " when they are not an uncompressed 24-bit TGA ("not an uncompressed 24-bit TGA: ...",
// saying what the header says instead), hold no pixels, or end before the last pixel.
Surface parseTga(const uint8_t* bytes, size_t size);
// The size its header gives, with the same checks of the header (the pixels are not looked at).
TgaSize parseTgaSize(const uint8_t* bytes, size_t size);
// Reads the file at its own size. Throws std::runtime_error "readTga: <file>: <problem>" when it
// cannot be read, is not a regular file, or fails parseTga's checks; a file too large to be a
// picture the engine can hold is refused from its size before it is read.
Surface readTga(const std::string& fileName);
TgaSize readTgaSize(const std::string& fileName);

// Fills the surface from TGA bytes (header included). A short file fills rows from the bottom
// until the data runs out; rows never read are black. Bytes past width x height x 3 are ignored.
void decodeTga(const uint8_t* bytes, size_t size, Surface& surface);

// Reads fileName into the surface. A file that cannot be opened or read, or that is not a regular
// file (a folder, a named pipe), shows "Could not load file." under the demo's caption for a file that cannot be loaded through
// `messages` (the file name as detail) and leaves the surface black; either way the run goes on.
void loadTga(const char* fileName, Surface& surface, MessageSink& messages);
// The same, with messages on standard error.
void loadTga(const char* fileName, Surface& surface);

} // namespace tepple
