#include "media/Tga.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/DataFile.h"
#include "pixels/Format.h"

namespace tepple {

namespace {

constexpr size_t headerBytes = 18;
constexpr size_t bytesPerPixel = 3;

// Bytes of pixel data the surface asks for: everything after the header up to W x H x 3.
size_t pixelBytesWanted(const Surface& surface)
{
    return static_cast<size_t>(surface.width()) * static_cast<size_t>(surface.height()) * bytesPerPixel;
}

// Reads up to `limit` bytes of a file. Returns false when it cannot be opened or read, or is not
// a regular file (a folder, a named pipe); a file merely shorter than `limit` is not a failure.
bool readFilePrefix(const char* fileName, size_t limit, std::vector<uint8_t>& bytes)
{
    std::string whyNot;
    std::FILE* file = openDataFile(fileName, whyNot);
    if (file == nullptr) return false;
    bytes.resize(limit);
    const size_t got = limit == 0 ? 0 : std::fread(bytes.data(), 1, limit, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    bytes.resize(got);
    return !failed;
}

} // namespace

void decodeTga(const uint8_t* bytes, size_t size, Surface& surface)
{
    const int width = surface.width();
    const int height = surface.height();
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    if (rowBytes > static_cast<size_t>(INT_MAX)) {
        // A row pitch the loader cannot express: no picture, but the old one is still replaced.
        surface.clear();
        return;
    }
    // Rows never read stay zero, which shows as black.
    std::vector<uint8_t> topFirst(rowBytes * static_cast<size_t>(height), 0);

    const size_t available = size > headerBytes ? size - headerBytes : 0;
    const uint8_t* pixelData = bytes + (size > headerBytes ? headerBytes : size);
    // The file holds the bottom row first. Only whole rows are taken: the row the data runs out
    // in stays black like every row above it.
    const size_t wholeRows = rowBytes == 0 ? 0 : available / rowBytes;
    const int rowsRead = wholeRows < static_cast<size_t>(height) ? static_cast<int>(wholeRows) : height;
    for (int fileRow = 0; fileRow < rowsRead; ++fileRow) {
        const size_t bufferRow = static_cast<size_t>(height - 1 - fileRow);
        std::memcpy(topFirst.data() + bufferRow * rowBytes,
                    pixelData + static_cast<size_t>(fileRow) * rowBytes, rowBytes);
    }

    // Bytes blue, green, red read as little-endian words are 0xRRGGBB: the 24-bit row format.
    surface.load(topFirst.data(), width, height, static_cast<int>(rowBytes), rowFormat24());
}

void loadTga(const char* fileName, Surface& surface, MessageSink& messages)
{
    std::vector<uint8_t> bytes;
    if (fileName == nullptr || !readFilePrefix(fileName, headerBytes + pixelBytesWanted(surface), bytes)) {
        messages.message("Could not load file.", loadFailureCaption, fileName == nullptr ? "" : fileName);
        // Carry on: the surface is replaced by black, as if the file held no pixels.
        bytes.clear();
    }
    decodeTga(bytes.data(), bytes.size(), surface);
}

void loadTga(const char* fileName, Surface& surface)
{
    StderrMessages messages;
    loadTga(fileName, surface, messages);
}

} // namespace tepple
