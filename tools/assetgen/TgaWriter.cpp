#include "TgaWriter.h"

#include <stdexcept>

#include "FileOutput.h"

namespace tepple {

namespace {

constexpr size_t headerBytes = 18;
constexpr uint8_t trueColourUncompressed = 2;
constexpr uint8_t bitsPerPixel = 24;

void putU16(std::vector<uint8_t>& out, size_t at, int value)
{
    out[at] = static_cast<uint8_t>(value & 0xFF);
    out[at + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

} // namespace

std::vector<uint8_t> encodeTga(const Image& image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535)
        throw std::invalid_argument("TGA sides must be 1 to 65535 pixels");
    const size_t width = static_cast<size_t>(image.width);
    const size_t height = static_cast<size_t>(image.height);
    if (image.pixels.size() != width * height) throw std::invalid_argument("TGA pixel block does not match its size");

    std::vector<uint8_t> bytes(headerBytes + width * height * 3, 0);
    bytes[2] = trueColourUncompressed;
    putU16(bytes, 12, image.width);
    putU16(bytes, 14, image.height);
    bytes[16] = bitsPerPixel;
    bytes[17] = 0; // origin at the lower left: the bottom row comes first

    size_t out = headerBytes;
    for (size_t row = height; row-- > 0;) {
        for (size_t column = 0; column < width; ++column) {
            const uint32_t pixel = image.pixels[row * width + column];
            bytes[out++] = static_cast<uint8_t>(pixel & 0xFF);
            bytes[out++] = static_cast<uint8_t>((pixel >> 8) & 0xFF);
            bytes[out++] = static_cast<uint8_t>((pixel >> 16) & 0xFF);
        }
    }
    return bytes;
}

void writeTgaFile(const std::string& path, const Image& image) { writeFileBytes(path, encodeTga(image)); }

} // namespace tepple
