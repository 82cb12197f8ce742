// The demo's entry point: an SDL window, the performance-counter clock and the SDL_mixer
// soundtrack, with every data file read from the current directory. There is no command line; the
// renderer draws with one thread per processor unless TEPPLE_THREADS gives a number (1 to 30).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "driver/Program.h"
#include "platform/sdl/SdlClock.h"
#include "platform/sdl/SdlConsole.h"
#include "platform/sdl/SdlMusicPlayer.h"

namespace {

// 0 (one thread per processor) unless TEPPLE_THREADS holds a whole number from 1 to 30.
int renderThreads()
{
    const char* text = std::getenv("TEPPLE_THREADS");
    if (text == nullptr || *text == '\0') return 0;
    char* end = nullptr;
    const long threads = std::strtol(text, &end, 10);
    if (*end != '\0' || threads < 1 || threads > 30) {
        std::fprintf(stderr, "TEPPLE_THREADS wants a whole number from 1 to 30, not '%s': using every processor\n", text);
        return 0;
    }
    return static_cast<int>(threads);
}

} // namespace

int main()
{
    SdlConsole console;
    SdlClock clock;
    DemoSetup setup{console, clock, console, [] { return std::make_unique<SdlMusicPlayer>(); }, "", {}, {}, renderThreads()};
    return runProgram(setup);
}
