#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "SineMp3.h"
#include "platform/sdl/SdlMusicPlayer.h"

namespace tepple {

namespace {

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "tepple_music_" + name;
}

// A fresh audio state for every test, as if each were its own process: the player itself never
// stops the music, so the test takes everything down afterwards.
class MusicPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Run with no sound card even when started by hand rather than through the test runner.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        savedDriver_ = std::getenv("SDL_AUDIODRIVER");
    }

    void TearDown() override
    {
        Mix_HaltMusic();
        while (Mix_QuerySpec(nullptr, nullptr, nullptr) != 0) Mix_CloseAudio();
        Mix_Quit();
        for (int i = 0; i < 16 && SDL_WasInit(SDL_INIT_AUDIO) != 0; ++i) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", savedDriver_.c_str(), 1);
        for (const std::string& path : files_) std::remove(path.c_str());
    }

    // A tone of `seconds` written to a temporary file; its path.
    std::string toneFile(const std::string& name, double seconds)
    {
        const std::string path = tempPath(name);
        const std::vector<uint8_t> mp3 = encodeSineMp3(seconds, 440.0);
        EXPECT_GT(mp3.size(), 1000u);
        EXPECT_TRUE(writeBytes(path, mp3));
        files_.push_back(path);
        return path;
    }

    std::string savedDriver_;
    std::vector<std::string> files_;
};

// Watches the playback position for up to `seconds`; true once it has gone backwards, which
// only a restart of the file can do. Fails the test if playback stops meanwhile.
bool seesLoop(const SdlMusicPlayer& player, double seconds)
{
    double previous = player.position();
    for (int waited = 0; waited < seconds * 1000; waited += 10) {
        SDL_Delay(10);
        EXPECT_TRUE(player.playing()) << "stopped after " << waited << " ms";
        const double now = player.position();
        if (now + 0.05 < previous) return true;
        previous = now;
    }
    return false;
}

// Largest absolute sample in a raw signed 16-bit file.
int loudestSample(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return -1;
    int loudest = 0;
    int16_t samples[4096];
    size_t got = 0;
    while ((got = std::fread(samples, sizeof(int16_t), 4096, file)) > 0) {
        for (size_t i = 0; i < got; ++i) loudest = std::max(loudest, std::abs(static_cast<int>(samples[i])));
    }
    std::fclose(file);
    return loudest;
}

} // namespace

TEST_F(MusicPlayerTest, MissingFileLeavesTheProgramRunningInSilence)
{
    const std::string path = tempPath("absent.mp3");
    std::remove(path.c_str());
    SdlMusicPlayer player(path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(player.start(), 0);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    // One line saying why, naming the file.
    EXPECT_NE(written.find(path), std::string::npos);
    EXPECT_EQ(written.find('\n'), written.size() - 1);
}

TEST_F(MusicPlayerTest, NoSoundSystemLeavesTheProgramRunningInSilence)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlMusicPlayer player(toneFile("unheard.mp3", 0.3));
    testing::internal::CaptureStderr();
    EXPECT_EQ(player.start(), 0);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(written.find('\n'), written.size() - 1);
}

TEST_F(MusicPlayerTest, RealMp3PlaysAtOnceAndLoops)
{
    SdlMusicPlayer player(toneFile("tone.mp3", 0.3));
    EXPECT_EQ(player.start(), 0);
    EXPECT_TRUE(player.playing());
    EXPECT_TRUE(seesLoop(player, 3.0));
}

TEST_F(MusicPlayerTest, DestroyingThePlayerLeavesTheMusicPlaying)
{
    {
        SdlMusicPlayer player(toneFile("kept.mp3", 0.3));
        player.start();
        ASSERT_TRUE(player.playing());
    }
    SDL_Delay(400);  // past the end of the file: only looping keeps it going
    EXPECT_NE(Mix_PlayingMusic(), 0);
}

TEST_F(MusicPlayerTest, SecondStartKeepsTheOneStreamGoing)
{
    SdlMusicPlayer player(toneFile("twice.mp3", 0.3));
    player.start();
    player.start();
    EXPECT_TRUE(player.playing());
    // The device was opened once: a second open would stack another reference on the mixer.
    EXPECT_EQ(Mix_QuerySpec(nullptr, nullptr, nullptr), 1);
}

TEST_F(MusicPlayerTest, TheToneReachesTheOutput)
{
    const std::string output = tempPath("mixed.raw");
    std::remove(output.c_str());
    files_.push_back(output);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    SdlMusicPlayer player(toneFile("heard.mp3", 0.3));
    player.start();
    ASSERT_TRUE(player.playing());
    // The disk driver mixes in real time; half a second is several chunks.
    SDL_Delay(500);
    // The tone is at half of full scale; anything near that shows it was mixed, not silence.
    EXPECT_GT(loudestSample(output), 8000);
    unsetenv("SDL_DISKAUDIOFILE");
}

} // namespace tepple
