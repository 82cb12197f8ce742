#include "platform/web/WebMusicPlayer.h"

#include <emscripten.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace tepple {

namespace {

void reportSilence(const std::string& why, const std::string& detail)
{
    std::fprintf(stderr, "No music (%s): %s\n", why.c_str(), detail.c_str());
    std::fflush(stderr);
}

// The whole file, or false with errno set.
bool readWholeFile(const std::string& fileName, std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed && errno == 0) errno = EIO;
    return !failed;
}

} // namespace

// The music clock copies the bytes before it keeps them, so the wasm heap may grow or be reused.
EM_JS(void, webMusicPrepare, (const char* fileName, const uint8_t* bytes, int byteCount), {
    Module['teppleMusic'].prepare(UTF8ToString(fileName), HEAPU8.subarray(bytes, bytes + byteCount));
});

EM_JS(int, webMusicStart, (const char* fileName, const uint8_t* bytes, int byteCount), {
    return Module['teppleMusic'].start(UTF8ToString(fileName),
                                       HEAPU8.subarray(bytes, bytes + byteCount)) ? 1 : 0;
});

EM_JS(void, webMusicStop, (), { Module['teppleMusic'].stop(); });

WebMusicPlayer::WebMusicPlayer(std::string fileName) : fileName_(std::move(fileName)) {}

int WebMusicPlayer::start()
{
    std::vector<uint8_t> bytes;
    errno = 0;
    if (!readWholeFile(fileName_, bytes)) {
        reportSilence(fileName_, std::strerror(errno));
        return 0;
    }
    // A browser without Web Audio is reported on the page's side.
    webMusicStart(fileName_.c_str(), bytes.data(), static_cast<int>(bytes.size()));
    return 0;
}

void prepareMusic(const std::string& fileName)
{
    std::vector<uint8_t> bytes;
    if (readWholeFile(fileName, bytes)) {
        webMusicPrepare(fileName.c_str(), bytes.data(), static_cast<int>(bytes.size()));
    }
}

void stopMusic()
{
    webMusicStop();
}

} // namespace tepple
