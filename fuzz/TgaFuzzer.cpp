// Arbitrary bytes as a TGA file, decoded into a surface the input picks: most often a small one,
// now and then one of the three sizes the demo loads (the two 255 x 255 textures' size, the
// procedural texture's 256 x 256 and the 640 x 480 background). Whatever the bytes, the old
// picture is replaced, every pixel is a clean 0x00RRGGBB word, the whole rows present land bottom
// row first, and every row the data does not reach is black. Now and then the bytes are written
// to a file and loaded from it: the very picture the bytes give, and no message. Once, sources
// that are not regular files (a folder, a device, a named pipe, a missing name) are loaded: each
// gives one message and a black picture, at once.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/Tga.h"

using namespace tepple;

namespace {

constexpr size_t headerBytes = 18;

[[noreturn]] void fail(const char* what, int width, int row, int column);

struct CountingSink : MessageSink {
    int messages = 0;
    void message(const std::string&, const std::string&, const std::string&) override { ++messages; }
};

std::string scratchPath(const char* name)
{
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/tepple-fuzz-" +
           std::to_string(getpid()) + "-" + name;
}

// The bytes through a file: loadTga must give what decodeTga gives, and say nothing.
void loadAndCompare(const uint8_t* data, size_t size, Surface& decoded)
{
    static const std::string path = scratchPath("input.tga");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return; // no scratch space: nothing to compare
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return;
    Surface loaded(decoded.width(), decoded.height());
    CountingSink sink;
    loadTga(path.c_str(), loaded, sink);
    std::remove(path.c_str());
    if (sink.messages != 0) fail("a readable file was reported", decoded.width(), 0, 0);
    const size_t count = static_cast<size_t>(decoded.width()) * decoded.height();
    if (!std::equal(decoded.pixels(), decoded.pixels() + count, loaded.pixels())) {
        fail("the file and its bytes gave different pictures", decoded.width(), 0, 0);
    }
}

// Sources that are not files: one message each, a black picture, and no wait for a writer.
void loadNonFiles()
{
    const std::string pipe = scratchPath("pipe.tga");
    std::remove(pipe.c_str());
    const bool havePipe = mkfifo(pipe.c_str(), 0600) == 0;
    std::vector<std::string> sources = {"/", "/dev/zero", scratchPath("missing.tga")};
    if (havePipe) sources.push_back(pipe);
    for (const std::string& source : sources) {
        Surface surface(4, 3);
        std::fill(surface.lock(), surface.lock() + 12, 0x00FFFFFFu);
        CountingSink sink;
        loadTga(source.c_str(), surface, sink);
        if (sink.messages != 1) fail("a source that is not a file was not reported once", 4, 0, 0);
        for (int i = 0; i < 12; ++i) {
            if (surface.pixels()[i] != 0) fail("a source that is not a file left a picture", 4, 0, i);
        }
    }
    if (havePipe) std::remove(pipe.c_str());
}

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
            const uint32_t expected = fileRow < rowsPresent
                                          ? filePixel(data + headerBytes + fileRow * rowBytes + 3 * column)
                                          : 0u;
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
    static const bool nonFilesLoaded = (loadNonFiles(), true);
    (void)nonFilesLoaded;
    static Surface texture(255, 255);
    static Surface plasmaSized(256, 256);
    static Surface background(640, 480);
    const uint32_t hash = inputHash(data, size);
    switch (hash % 16) {
    case 0:
        decodeAndCheck(data, size, background);
        break;
    case 1:
        decodeAndCheck(data, size, plasmaSized);
        break;
    case 2:
        decodeAndCheck(data, size, texture);
        break;
    default: {
        Surface small(1 + static_cast<int>((hash >> 4) % 40), 1 + static_cast<int>((hash >> 10) % 40));
        decodeAndCheck(data, size, small);
        // One input in eight goes through a file as well.
        if ((hash >> 16) % 8 == 0) loadAndCompare(data, size, small);
    }
    }
    return 0;
}
