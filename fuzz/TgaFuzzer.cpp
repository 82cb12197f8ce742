// Arbitrary bytes as a TGA file, decoded into a surface the input picks: most often a small one,
// now and then one of the three sizes the demo loads (the two 255 x 255 textures' size, the
// procedural texture's 256 x 256 and the 640 x 480 background). Whatever the bytes, the old
// picture is replaced, every pixel is a clean 0x00RRGGBB word, the whole rows present land bottom
// row first, and every row the data does not reach is black.
#include <cstdio>
#include <cstdlib>

#include "media/Tga.h"

using namespace tepple;

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

// FNV-1a of the whole input. The surface follows from it rather than from a byte of the input:
// libFuzzer's mutations seldom touch any one byte of a long input, so a selector byte would hold
// an input's descendants to its size, while with the hash every mutation draws the size anew.
uint32_t inputHash(const uint8_t* data, size_t size)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A 640 x 480 decode and its check take milliseconds, a small one microseconds: three inputs
    // in sixteen get a size the demo loads, the rest a surface of up to 40 x 40 pixels, small
    // enough that inputs of every length reach past its last row.
    static Surface texture(255, 255);
    static Surface plasmaSized(256, 256);
    static Surface background(640, 480);
    const uint32_t hash = inputHash(data, size);
    switch (hash % 16) {
    case 0: decodeAndCheck(data, size, background); break;
    case 1: decodeAndCheck(data, size, plasmaSized); break;
    case 2: decodeAndCheck(data, size, texture); break;
    default: {
        Surface small(1 + static_cast<int>((hash >> 4) % 40), 1 + static_cast<int>((hash >> 10) % 40));
        decodeAndCheck(data, size, small);
    }
    }
    return 0;
}
