#include "platform/sdl/SdlMusicPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <utility>

#include "geometry/DataFile.h"

namespace {

constexpr int mixRate = 44100;
constexpr int stereo = 2;
// About 93 ms at 44.1 kHz: large enough that a busy frame never starves the mixer.
constexpr int chunkSamples = 4096;

void reportSilence(const char* why, const char* detail)
{
    std::fprintf(stderr, "No music (%s): %s\n", why, detail);
    std::fflush(stderr);
}

} // namespace

SdlMusicPlayer::SdlMusicPlayer(std::string fileName) : fileName_(std::move(fileName)) {}

bool SdlMusicPlayer::openAudio()
{
    // Audio is started on its own so that a missing sound device never takes the window with it.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reportSilence("no sound system", SDL_GetError());
        return false;
    }
    // Mix_Init reports the decoders it has; a missing MP3 decoder shows up at load time instead.
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(mixRate, MIX_DEFAULT_FORMAT, stereo, chunkSamples) != 0) {
        reportSilence("no sound device", Mix_GetError());
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
    if (file == nullptr) {
        reportSilence(fileName_.c_str(), whyNot.c_str());
        return 0;
    }
    if (!openAudio()) {
        std::fclose(file);
        return 0;
    }
    // The mixer owns the stream from here and closes the file with it.
    music_ = Mix_LoadMUS_RW(SDL_RWFromFP(file, SDL_TRUE), 1);
    if (music_ == nullptr) {
        reportSilence(fileName_.c_str(), Mix_GetError());
        // Nothing to play: give the sound device back rather than hold it open for silence.
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    // -1 loops forever; the mixer streams and decodes on its own thread from here on.
    if (Mix_PlayMusic(music_, -1) != 0) {
        reportSilence(fileName_.c_str(), Mix_GetError());
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
