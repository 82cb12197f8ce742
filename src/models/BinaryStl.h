#pragma once
// Binary STL read straight into a model, beside the library's reader: the format is a fixed
// record (80-byte header, a 32-bit triangle count, 50 bytes per triangle: facet normal, three
// corners, two attribute bytes), and the library spends most of a large file's time on a separate
// allocation per face and two more copies of every corner. Only files the library would itself
// read as plain binary are taken here, so a file reads the same either way:
//   - the size is exactly that of its count (84 + 50 x count);
//   - no "COLOR=" in the header (the Materialise colour convention, left to the library).
// The result is what the library's reading gives, corner for corner: corner k of triangle t is
// vertex 3t + k, in the file's order, in the colour of files without one; the facet normals are
// not kept (STL normals are unreliable, and the drawing program makes its own).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "models/Model.h"

namespace tepple {

// Whether `head` (the file's first bytes, at least 84 of them) and its size make a file this
// reader takes.
bool isPlainBinaryStl(const uint8_t* head, size_t headSize, uint64_t fileSize);

// The model of a plain binary STL held in memory. Throws ModelError naming `name`.
Model parseBinaryStl(const uint8_t* bytes, size_t size, const std::string& name, uint32_t colour);

// The same from an open file positioned anywhere, read in pieces rather than whole.
Model readBinaryStl(FILE* file, uint64_t size, const std::string& name, uint32_t colour);

} // namespace tepple
