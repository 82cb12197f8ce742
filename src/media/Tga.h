#pragma once
// Uncompressed 24-bit TGA loading. The destination surface decides width and height; the 18-byte
// header is skipped unread and pixel rows are taken bottom row first, bytes blue, green, red.
#include <cstddef>
#include <cstdint>

#include "pixels/Messages.h"
#include "pixels/Surface.h"

namespace tepple {

// The caption of every message about a data file that cannot be loaded.
inline constexpr const char* loadFailureCaption = "Hehe :-D";

// Fills the surface from TGA bytes (header included). A short file fills rows from the bottom
// until the data runs out; rows never read are black. Bytes past width x height x 3 are ignored.
void decodeTga(const uint8_t* bytes, size_t size, Surface& surface);

// Reads fileName into the surface. A file that cannot be opened or read, or that is not a regular
// file (a folder, a named pipe), shows "Could not load file." under loadFailureCaption through
// `messages` (the file name as detail) and leaves the surface black; either way the run goes on.
void loadTga(const char* fileName, Surface& surface, MessageSink& messages);
// The same, with messages on standard error.
void loadTga(const char* fileName, Surface& surface);

} // namespace tepple
