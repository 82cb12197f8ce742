// The demo's entry point: an SDL window, the performance-counter clock and the SDL_mixer
// soundtrack, with every data file read from the current directory. There is no command line.
#include <memory>

#include "driver/Program.h"
#include "platform/sdl/SdlClock.h"
#include "platform/sdl/SdlConsole.h"
#include "platform/sdl/SdlMusicPlayer.h"

int main()
{
    SdlConsole console;
    SdlClock clock;
    DemoSetup setup{console, clock, console, [] { return std::make_unique<SdlMusicPlayer>(); }, "", {}, {}};
    return runProgram(setup);
}
