// The generated soundtrack opened by SDL2_mixer, the library the demo plays it with.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <string>

namespace tepple {

namespace {

TEST(AssetMusic, DecodesThroughTheMixerForTheWholeDemo)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024), 0) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS((std::string(TEPPLE_RUN_DIR) + "/pelmoric.mp3").c_str());
    ASSERT_NE(music, nullptr) << Mix_GetError();
    EXPECT_EQ(Mix_GetMusicType(music), MUS_MP3);
    const double seconds = Mix_MusicDuration(music);
    EXPECT_GE(seconds, 150.0);
    EXPECT_LT(seconds, 153.0);
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

} // namespace

} // namespace tepple
