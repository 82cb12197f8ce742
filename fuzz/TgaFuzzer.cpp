// Arbitrary bytes as a TGA file, decoded into surfaces of the three sizes the demo loads: the two
// 255 x 255 textures' size, the procedural texture's 256 x 256 and the 640 x 480 background.
// Whatever the bytes, the old picture is replaced, every pixel is a clean 0x00RRGGBB word, the
// whole rows present land bottom row first, and every row the data does not reach is black.
#include <cstdio>
#include <cstdlib>

#include "media/Tga.h"

namespace {

constexpr size_t headerBytes = 18;

[[noreturn]] void fail(const char* what, int width, int row, int column)
{
    std::fprintf(stderr, "tga fuzzer: %s (%d wide, row %d, column %d)\n", what, width, row, column);
    std::abort();
}

uint32_t filePixel(const uint8_t* at)
{
    // Blue, green, red.
    return static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[1]) << 8 | at[0];
}

void decodeAndCheck(const uint8_t* data, size_t size, Surface& surface)
{
    const int width = surface.width();
    const int height = surface.height();
    uint32_t* pixels = surface.lock();
    // A previous picture with bits that no decoded pixel may keep.
    for (int i = 0; i < width * height; ++i) pixels[i] = 0xFFFFFFFFu;

    decodeTga(data, size, surface);

    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t available = size > headerBytes ? size - headerBytes : 0;
    const size_t rowsPresent = available / rowBytes;
    for (int row = 0; row < height; ++row) {
        const size_t fileRow = static_cast<size_t>(height - 1 - row);
        const uint32_t* line = surface.pixels() + static_cast<size_t>(row) * width;
        for (int column = 0; column < width; ++column) {
            const uint32_t expected =
                fileRow < rowsPresent ? filePixel(data + headerBytes + fileRow * rowBytes + 3 * column) : 0u;
            if (line[column] != expected) fail("pixel differs from the file", width, row, column);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Surface texture(255, 255);
    static Surface plasmaSized(256, 256);
    static Surface background(640, 480);
    decodeAndCheck(data, size, texture);
    decodeAndCheck(data, size, plasmaSized);
    decodeAndCheck(data, size, background);
    return 0;
}
