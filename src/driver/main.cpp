// The demo's entry point: open the window, build the frame, run it until a key or the end of the
// timeline, release everything in reverse order. There is no command line.
#include <cstdio>

#include "driver/FrameLoop.h"
#include "media/PixelToolkit.h"
#include "media/SdlClock.h"
#include "media/SdlConsole.h"

int main()
{
    const Format displayFormat = displayFormat32();
    SdlConsole console;
    if (!console.open("Tepple polygon engine", 640, 480, displayFormat, 0)) {
        std::fprintf(stderr, "tepple: cannot open the window: %s\n", console.lastError().c_str());
        return 1;
    }
    Surface screenSurface(640, 480, displayFormat);
    Surface backgroundSurface(640, 480, displayFormat);
    SdlClock clock;
    Timer demoTimer(clock);
    NoScenes scenes;

    FrameLoop loop{console, demoTimer, screenSurface, backgroundSurface, scenes, FrameState{}};
    loop.run();

    // Both exits end alike: the window closes first, then the locals go in reverse order.
    console.close();
    return 0;
}
