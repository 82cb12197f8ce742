// cube-sdl: the spinning cube of cube-png in a window, until a key is pressed or the window is
// closed (or the program is told to stop: SIGTERM, Ctrl-C).
//   cube-sdl [width height]        (640 x 480 unless given)
// The window console keeps its own picture of the window's size; the cube is drawn into a surface
// of that size and copied into it every frame. The renderer shares its work with a pool of threads.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#include "cube.h"

int main(int argc, char** argv)
{
    int width = 640, height = 480;
    if (argc == 3) {
        width = std::atoi(argv[1]);
        height = std::atoi(argv[2]);
    }
    const bool sized = width >= 1 && height >= 1 && width <= Viewport::maxSide && height <= Viewport::maxSide;
    if ((argc != 1 && argc != 3) || !sized) {
        std::fprintf(stderr, "usage: cube-sdl [width height]\n");
        return 2;
    }

    SdlConsole console;
    if (!console.open("tepple cube", width, height, displayFormat32(), 1)) {
        std::fprintf(stderr, "cube-sdl: no window: %s\n", console.lastError().c_str());
        return 1;
    }
    try {
        // One thread per processor, within what the renderer can use.
        const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, maxRenderThreads);
        WorkerPool pool(threads);
        Renderer renderer(Viewport::forTarget(width, height));
        renderer.setPool(&pool);
        Surface picture(width, height);
        CubeScene scene(renderer);

        SdlClock clock;
        const Area whole{0, 0, width, height};
        while (!console.key()) {
            // Half a turn every 3 seconds, however fast frames come.
            scene.draw(picture, static_cast<float>(clock.seconds() * 3.14159265 / 3.0));
            picture.copy(console, whole, whole);
            console.update();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cube-sdl: %s\n", error.what());
        console.close();
        return 1;
    }
    console.close();
    return 0;
}
