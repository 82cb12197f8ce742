#include "media/Tga.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/DataFile.h"
#include "pixels/Format.h"
#include "media/LoadFailure.h"

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

// What the 18-byte header of a picture readTga accepts says; empty `problem` when it is one.
struct TgaHeader {
    TgaSize size;
    size_t pixelOffset = 0; // where the pixels start: after the header and the image ID
    bool topFirst = false;
    std::string problem;
};

TgaHeader readHeader(const uint8_t* bytes, size_t size)
{
    TgaHeader header;
    if (size < headerBytes) {
        header.problem = "too short for a TGA header (" + std::to_string(size) + " of 18 bytes)";
        return header;
    }
    const auto word = [bytes](size_t at) { return static_cast<int>(bytes[at] | (bytes[at + 1] << 8)); };
    const int colourMapType = bytes[1], imageType = bytes[2], bitsPerPixel = bytes[16];
    const char* const notOne = "not an uncompressed 24-bit TGA: ";
    if (imageType != 2) {
        const char* kind = imageType == 1   ? "colour-mapped"
                           : imageType == 3 ? "grey"
                           : imageType >= 9 ? "run-length compressed"
                           : imageType == 0 ? "without an image"
                                            : "of an unknown kind";
        header.problem = notOne + std::string("its header says image type ") + std::to_string(imageType) +
                         " (" + kind + ")";
    } else if (colourMapType != 0) {
        header.problem = notOne + std::string("its header says it carries a colour map");
    } else if (bitsPerPixel != 24) {
        header.problem = notOne + std::string("its header says ") + std::to_string(bitsPerPixel) +
                         " bits a pixel";
    } else if ((bytes[17] & 0x10) != 0) {
        header.problem = notOne + std::string("its rows run right to left");
    }
    header.size = TgaSize{word(12), word(14)};
    if (header.problem.empty() && (header.size.width == 0 || header.size.height == 0)) {
        header.problem = "holds no pixels (" + std::to_string(header.size.width) + " x " +
                         std::to_string(header.size.height) + ")";
    }
    header.pixelOffset = headerBytes + bytes[0];
    header.topFirst = (bytes[17] & 0x20) != 0;
    return header;
}

size_t pixelBytes(const TgaSize& size)
{
    return static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * bytesPerPixel;
}

// The problem of `size` bytes (header included) that end before the header's last pixel.
std::string shortOfPixels(size_t size, const TgaHeader& header)
{
    const size_t present = size > header.pixelOffset ? size - header.pixelOffset : 0;
    return "ends before its last pixel (" + std::to_string(present) + " of " +
           std::to_string(pixelBytes(header.size)) + " bytes of a " + std::to_string(header.size.width) +
           " x " + std::to_string(header.size.height) + " picture)";
}

// The picture, or the problem that keeps the bytes from being one.
Surface parsePicture(const uint8_t* bytes, size_t size, std::string& problem)
{
    const TgaHeader header = readHeader(bytes, size);
    problem = header.problem;
    if (!problem.empty()) return Surface(0, 0);
    const size_t wanted = pixelBytes(header.size);
    if (size < header.pixelOffset || size - header.pixelOffset < wanted) {
        problem = shortOfPixels(size, header);
        return Surface(0, 0);
    }
    Surface picture(header.size.width, header.size.height);
    uint32_t* pixels = picture.lock();
    const uint8_t* data = bytes + header.pixelOffset;
    for (int row = 0; row < header.size.height; ++row) {
        const int shownRow = header.topFirst ? row : header.size.height - 1 - row;
        const uint8_t* in = data + static_cast<size_t>(row) * header.size.width * bytesPerPixel;
        uint32_t* out = pixels + static_cast<size_t>(shownRow) * header.size.width;
        for (int column = 0; column < header.size.width; ++column, in += bytesPerPixel) {
            out[column] = static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
                          static_cast<uint32_t>(in[2]) << 16;
        }
    }
    return picture;
}

// The whole file, refused from its size when it cannot be a picture the engine holds: the largest
// header allows 65,535 x 65,535 pixels, and anything past the ID and pixels is ignored anyway.
std::vector<uint8_t> readWholeFile(const std::string& fileName, const char* caller)
{
    const auto fail = [&](const std::string& problem) {
        return std::runtime_error(std::string(caller) + ": " + fileName + ": " + problem);
    };
    std::string whyNot;
    std::FILE* file = openDataFile(fileName, whyNot);
    if (file == nullptr) throw fail(whyNot);
    std::vector<uint8_t> bytes(headerBytes);
    const size_t got = std::fread(bytes.data(), 1, headerBytes, file);
    bytes.resize(got);
    // A header that is not one is left for parsePicture to name.
    const TgaHeader parsed = readHeader(bytes.data(), bytes.size());
    if (parsed.problem.empty()) {
        const size_t wanted = parsed.pixelOffset + pixelBytes(parsed.size);
        // A short file is found from its size, before memory for the whole picture is taken.
        long end = -1;
        if (std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
        if (end < 0 || std::fseek(file, static_cast<long>(got), SEEK_SET) != 0) {
            std::fclose(file);
            throw fail("cannot be read");
        }
        if (static_cast<size_t>(end) < wanted) {
            std::fclose(file);
            throw fail(shortOfPixels(static_cast<size_t>(end), parsed));
        }
        try {
            bytes.resize(wanted);
        } catch (const std::bad_alloc&) {
            std::fclose(file);
            throw fail("not enough memory for a " + std::to_string(parsed.size.width) + " x " +
                       std::to_string(parsed.size.height) + " picture");
        }
        bytes.resize(got + std::fread(bytes.data() + got, 1, wanted - got, file));
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw fail("cannot be read");
    return bytes;
}

} // namespace

Surface parseTga(const uint8_t* bytes, size_t size)
{
    std::string problem;
    Surface picture = parsePicture(bytes, size, problem);
    if (!problem.empty()) throw std::invalid_argument("parseTga: " + problem);
    return picture;
}

TgaSize parseTgaSize(const uint8_t* bytes, size_t size)
{
    const TgaHeader header = readHeader(bytes, size);
    if (!header.problem.empty()) throw std::invalid_argument("parseTgaSize: " + header.problem);
    return header.size;
}

Surface readTga(const std::string& fileName)
{
    const std::vector<uint8_t> bytes = readWholeFile(fileName, "readTga");
    std::string problem;
    Surface picture(0, 0);
    try {
        picture = parsePicture(bytes.data(), bytes.size(), problem);
    } catch (const std::bad_alloc&) {
        problem = "not enough memory for the picture";
    }
    if (!problem.empty()) throw std::runtime_error("readTga: " + fileName + ": " + problem);
    return picture;
}

TgaSize readTgaSize(const std::string& fileName)
{
    std::string whyNot;
    std::FILE* file = openDataFile(fileName, whyNot);
    if (file == nullptr) throw std::runtime_error("readTgaSize: " + fileName + ": " + whyNot);
    uint8_t header[headerBytes];
    const size_t got = std::fread(header, 1, headerBytes, file);
    std::fclose(file);
    const TgaHeader parsed = readHeader(header, got);
    if (!parsed.problem.empty()) throw std::runtime_error("readTgaSize: " + fileName + ": " + parsed.problem);
    return parsed.size;
}

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
