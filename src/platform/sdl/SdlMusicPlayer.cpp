#include "platform/sdl/SdlMusicPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <mpg123.h>

#include <cstdio>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "geometry/DataFile.h"
#include "platform/sdl/SdlEnvironment.h"

namespace tepple {

namespace {

constexpr int mixRate = 44100;
constexpr int stereo = 2;
// About 93 ms at 44.1 kHz: large enough that a busy frame never starves the mixer.
constexpr int chunkSamples = 4096;

// One line for each problem: what it is and what the demo does instead.
void reportSilence(const std::string& problem)
{
    std::fprintf(stderr, "tepple: %s; the demo runs in silence\n", problem.c_str());
    std::fflush(stderr);
}

// Standard error sent to a temporary file for as long as this lives.
class CaughtStderr {
public:
    CaughtStderr() : file_(std::tmpfile()), saved_(-1)
    {
        std::fflush(stderr);
        if (file_ != nullptr) saved_ = ::dup(STDERR_FILENO);
        if (saved_ >= 0 && ::dup2(::fileno(file_), STDERR_FILENO) < 0) {
            ::close(saved_);
            saved_ = -1;
        }
    }
    ~CaughtStderr()
    {
        release();
        if (file_ != nullptr) std::fclose(file_);
    }
    CaughtStderr(const CaughtStderr&) = delete;
    CaughtStderr& operator=(const CaughtStderr&) = delete;

    bool anything() const
    {
        struct stat info;
        return saved_ >= 0 && ::fstat(::fileno(file_), &info) == 0 && info.st_size > 0;
    }
    // Puts standard error back and returns the first line caught.
    std::string firstLine()
    {
        release();
        std::string line;
        if (file_ == nullptr) return line;
        std::rewind(file_);
        for (int c = std::fgetc(file_); c != EOF && c != '\n'; c = std::fgetc(file_)) {
            line += static_cast<char>(c);
        }
        return line;
    }

private:
    void release()
    {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }

    std::FILE* file_;
    int saved_;
};

// libmpg123's words for a damaged frame, without the source position or the "error:" (or "Note:",
// "Warning:") it starts them with.
std::string decoderMessage(std::string line)
{
    const size_t bracket = line.find("] ");
    if (!line.empty() && line[0] == '[' && bracket != std::string::npos) line.erase(0, bracket + 2);
    for (const char* prefix : {"error: ", "Note: ", "Warning: ", "warning: "}) {
        if (line.rfind(prefix, 0) == 0) line.erase(0, std::char_traits<char>::length(prefix));
    }
    return line;
}

// The mixer's MP3 decoder, libmpg123, decodes on through damage and only says so on standard
// error, a line or more for every damaged frame, from the mixer's thread while the music plays.
// So the whole file is decoded once before it is handed over, with those words caught: any at
// all, a decoding error or no sound, and the file is not played. Reads from the descriptor's
// current position; about 0.3 s for the 150-second soundtrack.
bool decodesCleanly(int fd, std::string& whyNot)
{
    mpg123_init();
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (decoder == nullptr) {
        whyNot = std::string("no MP3 decoder: ") + mpg123_plain_strerror(error);
        return false;
    }
    CaughtStderr caught;
    int result = mpg123_open_fd(decoder, fd);
    long rate = 0;
    double damagedAt = -1.0;
    size_t decoded = 0;
    while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
        if (result == MPG123_NEW_FORMAT) {
            int channels = 0, encoding = 0;
            mpg123_getformat(decoder, &rate, &channels, &encoding);
        }
        unsigned char buffer[32768];
        size_t done = 0;
        result = mpg123_read(decoder, buffer, sizeof buffer, &done);
        decoded += done;
        if (damagedAt < 0.0 && caught.anything()) {
            damagedAt = rate > 0 ? static_cast<double>(mpg123_tell(decoder)) / static_cast<double>(rate)
                                 : 0.0;
        }
    }
    const std::string said = decoderMessage(caught.firstLine());
    if (result != MPG123_DONE) {
        whyNot = std::string("cannot be decoded: ") + mpg123_strerror(decoder);
    } else if (!said.empty()) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", damagedAt < 0.0 ? 0.0 : damagedAt);
        whyNot = std::string("the decoder reports damage at ") + seconds + " s: " + said;
    } else if (decoded == 0) {
        whyNot = "holds no sound";
    }
    mpg123_close(decoder);
    mpg123_delete(decoder);
    return whyNot.empty();
}

} // namespace

SdlMusicPlayer::SdlMusicPlayer(std::string fileName) : fileName_(std::move(fileName)) {}

bool SdlMusicPlayer::openAudio()
{
    // Audio is started on its own so that a missing sound device never takes the window with it.
    prepareSdlEnvironment();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reportSilence(std::string("no sound system (") + SDL_GetError() + ")");
        return false;
    }
    // Mix_Init reports the decoders it has; a missing MP3 decoder shows up at load time instead.
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, stereo, chunkSamples) != 0) {
        reportSilence(std::string("no sound device (") + Mix_GetError() + ")");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

int SdlMusicPlayer::start()
{
    if (music_ != nullptr) return 0;
    // The player opens the file itself, so that only a regular file ever reaches the decoder.
    std::string whyNot;
    std::FILE* file = openDataFile(fileName_, whyNot);
    if (file == nullptr || !decodesCleanly(::fileno(file), whyNot)) {
        reportSilence(fileName_ + ": cannot be played (" + whyNot + ")");
        if (file != nullptr) std::fclose(file);
        return 0;
    }
    std::rewind(file);
    if (!openAudio()) {
        std::fclose(file);
        return 0;
    }
    // The mixer owns the stream from here and closes the file with it.
    music_ = Mix_LoadMUS_RW(SDL_RWFromFP(file, SDL_TRUE), 1);
    if (music_ == nullptr) {
        reportSilence(fileName_ + ": cannot be played (" + Mix_GetError() + ")");
        // Nothing to play: give the sound device back rather than hold it open for silence.
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    // -1 loops forever; the mixer streams and decodes on its own thread from here on.
    if (Mix_PlayMusic(music_, -1) != 0) {
        reportSilence(fileName_ + ": cannot be played (" + Mix_GetError() + ")");
    }
    return 0;
}

bool SdlMusicPlayer::playing() const
{
    return music_ != nullptr && Mix_PlayingMusic() != 0;
}

double SdlMusicPlayer::position() const
{
    if (music_ == nullptr) return -1.0;
    return Mix_GetMusicPosition(music_);
}

} // namespace tepple
