// The SDL2 back end, run by CTest under SDL's dummy video driver: no display is needed.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/sdl/SdlClock.h"
#include "platform/sdl/SdlConsole.h"

namespace tepple {

namespace {

void pushEvent(Uint32 type)
{
    SDL_Event event{};
    event.type = type;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

} // namespace

TEST(SdlConsole, OpensTheWindowAtTheAskedSizeAndTitle)
{
    SdlConsole console;
    ASSERT_TRUE(console.open("Tepple polygon engine", 640, 480, displayFormat32(), 0)) << console.lastError();
    EXPECT_EQ(console.width(), 640);
    EXPECT_EQ(console.height(), 480);
    // The console is the only window open; earlier tests' windows are gone.
    SDL_Window* window = nullptr;
    for (Uint32 id = 1; id < 256 && window == nullptr; ++id) window = SDL_GetWindowFromID(id);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::string(SDL_GetWindowTitle(window)), "Tepple polygon engine");
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE);
    console.close();
    console.close();
}

TEST(SdlConsole, PresentsThePixelBlockWithChannelsInPlace)
{
    SdlConsole console;
    ASSERT_TRUE(console.open("present", 640, 480, displayFormat32(), 0)) << console.lastError();
    uint32_t* pixels = console.pixels();
    for (int i = 0; i < 640 * 480; ++i) pixels[i] = 0;
    pixels[0] = 0x00FF0000;
    pixels[1] = 0x0000FF00;
    pixels[2] = 0x000000FF;
    pixels[640 * 479 + 639] = 0x00123456;
    console.update();

    std::vector<uint32_t> shown;
    ASSERT_TRUE(console.readBack(shown)) << SDL_GetError();
    EXPECT_EQ(shown[0], 0x00FF0000u);
    EXPECT_EQ(shown[1], 0x0000FF00u);
    EXPECT_EQ(shown[2], 0x000000FFu);
    EXPECT_EQ(shown[3], 0u);
    EXPECT_EQ(shown[640 * 479 + 639], 0x00123456u);
}

TEST(SdlConsole, KeyPressOrCloseRequestStaysWaiting)
{
    SdlConsole console;
    ASSERT_TRUE(console.open("keys", 640, 480, displayFormat32(), 0)) << console.lastError();
    EXPECT_FALSE(console.key());
    pushEvent(SDL_KEYDOWN);
    EXPECT_TRUE(console.key());
    EXPECT_TRUE(console.key());

    // Reopening starts with no key waiting; closing the window counts as a key.
    ASSERT_TRUE(console.open("keys", 640, 480, displayFormat32(), 0)) << console.lastError();
    EXPECT_FALSE(console.key());
    pushEvent(SDL_MOUSEMOTION);
    EXPECT_FALSE(console.key());
    pushEvent(SDL_QUIT);
    EXPECT_TRUE(console.key());
}

TEST(SdlConsole, RefusesWhatItCannotShowAndSaysWhy)
{
    SdlConsole console;
    EXPECT_FALSE(console.open("bad", 640, 480, rowFormat24(), 0));
    EXPECT_FALSE(console.lastError().empty());
    EXPECT_FALSE(console.open("bad", 0, 480, displayFormat32(), 0));
    EXPECT_FALSE(console.lastError().empty());
    std::vector<uint32_t> shown;
    EXPECT_FALSE(console.readBack(shown));
    console.update();
}

TEST(SdlConsole, MessageFallsBackToStandardErrorWithoutADialog)
{
    SdlConsole console;
    ASSERT_TRUE(console.open("messages", 640, 480, displayFormat32(), 0)) << console.lastError();
    testing::internal::CaptureStderr();
    console.message("Could not load file.", "Hehe :-D", "amuscaria.tga");
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("Could not load file."), std::string::npos);
    EXPECT_NE(written.find("amuscaria.tga"), std::string::npos);
}

TEST(SdlClock, CountsSecondsFromCreation)
{
    SdlClock clock;
    const double first = clock.seconds();
    EXPECT_GE(first, 0.0);
    EXPECT_LT(first, 1.0);
    SDL_Delay(20);
    const double second = clock.seconds();
    EXPECT_GE(second - first, 0.015);
    EXPECT_LT(second - first, 5.0);
}

} // namespace tepple
