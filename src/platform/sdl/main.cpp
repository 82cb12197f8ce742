// The demo's entry point: an SDL window, the performance-counter clock and the SDL_mixer
// soundtrack, with every data file read from the working folder or, when that has none, from the
// program's own folder. There are no options.
#include <SDL.h>

#include <memory>
#include <string>

#include "driver/Program.h"
#include "platform/sdl/SdlClock.h"
#include "platform/sdl/SdlConsole.h"
#include "platform/sdl/SdlMusicPlayer.h"

namespace {

// The executable's folder, without a trailing slash; "" when it cannot be told.
std::string programFolder()
{
    char* path = SDL_GetBasePath();
    if (path == nullptr) return "";
    std::string folder(path);
    SDL_free(path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dataFolder;
    if (const auto status = settleStart(argc, argv, programFolder(), dataFolder)) return *status;

    SdlConsole console;
    SdlClock clock;
    DemoSetup setup{console, clock, console, [](const std::string& path) { return std::make_unique<SdlMusicPlayer>(path); },
                    dataFolder, {}, {}};
    return runProgram(setup);
}
