#include "platform/web/WebMusicPlayer.h"

#include <emscripten.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

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
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed && errno == 0) errno = EIO;
    return !failed;
}

} // namespace

// The element gets the bytes as a Blob of its own, so the wasm heap may grow or be reused. The
// play() promise settles later: a refusal (no gesture, no decoder) is reported then.
EM_JS(int, webMusicStart, (const char* elementId, const char* fileName, const uint8_t* bytes, int byteCount), {
    var audio = document.getElementById(UTF8ToString(elementId));
    if (!audio || typeof audio.play !== 'function') return 0;
    var name = UTF8ToString(fileName);
    if (audio.teppleUrl) URL.revokeObjectURL(audio.teppleUrl);
    audio.teppleUrl = URL.createObjectURL(new Blob([HEAPU8.slice(bytes, bytes + byteCount)], {type: 'audio/mpeg'}));
    audio.loop = true;
    audio.src = audio.teppleUrl;
    audio.play().catch(function(error) {
        // Only a refusal counts: a pause() before playback began (the run ended at once) is not one.
        if (error.name !== 'AbortError') err('No music (' + name + '): ' + error.message);
    });
    return 1;
});

EM_JS(void, webMusicStop, (const char* elementId), {
    var audio = document.getElementById(UTF8ToString(elementId));
    if (audio && typeof audio.pause === 'function') audio.pause();
});

WebMusicPlayer::WebMusicPlayer(std::string elementId, std::string fileName)
    : elementId_(std::move(elementId)), fileName_(std::move(fileName))
{
}

int WebMusicPlayer::start()
{
    std::vector<uint8_t> bytes;
    errno = 0;
    if (!readWholeFile(fileName_, bytes)) {
        reportSilence(fileName_, std::strerror(errno));
        return 0;
    }
    if (webMusicStart(elementId_.c_str(), fileName_.c_str(), bytes.data(), static_cast<int>(bytes.size())) == 0) {
        reportSilence(fileName_, "the page has no audio element #" + elementId_);
    }
    return 0;
}

void stopMusic(const std::string& elementId)
{
    webMusicStop(elementId.c_str());
}
