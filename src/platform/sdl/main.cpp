// The demo's entry point: an SDL window, the performance-counter clock and the SDL_mixer
// soundtrack, with every data file read from the working folder or, when that has none, from the
// program's own folder, else from the installed data folder (../share/tepple from the program's
// folder). There are no options; the renderer draws with one thread per processor
// unless TEPPLE_THREADS gives a number (1 to 30, digits only).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "driver/Program.h"
#include "geometry/StandardStreams.h"
#include "platform/sdl/SdlClock.h"
#include "platform/sdl/SdlConsole.h"
#include "platform/sdl/SdlMusicPlayer.h"
#include "render/ThreadCount.h"
#include "render/WorkerPool.h"

using namespace tepple;

namespace {

// The executable's folder, without a trailing separator (but a root keeps its own); "" when it
// cannot be told.
std::string programFolder()
{
    char* path = SDL_GetBasePath();
    if (path == nullptr) return "";
    std::string folder(path);
    SDL_free(path);
#ifdef _WIN32
    // SDL ends the folder in a backslash; "C:\" is a root, "C:" would be the drive's current folder.
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
           !(folder.size() == 3 && folder[1] == ':')) {
        folder.pop_back();
    }
#else
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
#endif
    return folder;
}

// 0 (one thread per processor) unless TEPPLE_THREADS holds a thread count (parseThreadCount).
int renderThreads()
{
    const char* text = std::getenv("TEPPLE_THREADS");
    if (text == nullptr || *text == '\0') return 0;
    const auto threads = parseThreadCount(text);
    if (!threads) {
        std::fprintf(stderr,
                     "tepple: TEPPLE_THREADS wants a whole number from 1 to %d, not '%s': using every "
                     "processor\n",
                     maxRenderThreads, printable(text).c_str());
        return 0;
    }
    return *threads;
}

// 1 unless TEPPLE_SCALE holds a scale (parseDemoScale): the demonstration drawn 640N x 480N.
int demoScale()
{
    const char* text = std::getenv("TEPPLE_SCALE");
    if (text == nullptr || *text == '\0') return 1;
    const auto scale = parseDemoScale(text);
    if (!scale) {
        std::fprintf(stderr,
                     "tepple: TEPPLE_SCALE wants a whole number from 1 to %d, not '%s': drawing at 1\n",
                     maxDemoScale, printable(text).c_str());
        return 1;
    }
    return *scale;
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything is opened: a closed standard descriptor would be handed to the first file
    // or pipe opened, and messages meant for it written there.
    keepStandardStreamsOpen();
    std::string dataFolder;
    if (const auto status = settleStart(argc, argv, programFolder(), dataFolder)) return *status;

    // Fewer drawing threads only slow the demo: it says so and plays on.
    WorkerPool::setShortfallReport([](int started, int wanted) {
        std::fprintf(stderr, "tepple: could start only %d of %d drawing threads\n", started, wanted);
    });
    SdlConsole console;
    SdlClock clock;
    DemoSetup setup{
        console,    clock,
        console,    [](const std::string& path) { return std::make_unique<SdlMusicPlayer>(path); },
        dataFolder, {},
        {},         renderThreads()};
    setup.scale = demoScale();
    return runProgram(setup);
}
