// cube-sdl: the spinning cube of cube-png in a window, until a key is pressed or the window is
// closed (or the program is told to stop: SIGTERM, Ctrl-C).
//   cube-sdl [width height]        (640 x 480 unless given)
// The window can be resized: the cube is then drawn at the window's new size, pixel for pixel,
// the renderer keeping its lights, texture, camera and threads through Renderer::setViewport. The
// window is SDL's own here; SDL shows the engine's 0x00RRGGBB pictures as they are (RGB888).
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <thread>

#include "cube.h"

namespace {

// The window, its renderer and the texture a picture is streamed into, released in that order.
struct Window {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;

    ~Window()
    {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        if (renderer != nullptr) SDL_DestroyRenderer(renderer);
        if (window != nullptr) SDL_DestroyWindow(window);
    }

    // A texture of the picture's size; false with SDL's reason on standard error.
    bool makeTexture(int width, int height)
    {
        if (texture != nullptr) SDL_DestroyTexture(texture);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width,
                                    height);
        if (texture == nullptr) std::fprintf(stderr, "cube-sdl: no picture texture: %s\n", SDL_GetError());
        return texture != nullptr;
    }
};

} // namespace

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

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        std::fprintf(stderr, "cube-sdl: no window: %s\n", SDL_GetError());
        return 1;
    }
    int status = 0;
    {
        Window window;
        window.window = SDL_CreateWindow("tepple cube", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                         height, SDL_WINDOW_RESIZABLE);
        if (window.window != nullptr)
            window.renderer = SDL_CreateRenderer(window.window, -1, SDL_RENDERER_PRESENTVSYNC);
        if (window.window != nullptr && window.renderer == nullptr)
            window.renderer = SDL_CreateRenderer(window.window, -1, 0);
        if (window.renderer == nullptr) {
            std::fprintf(stderr, "cube-sdl: no window: %s\n", SDL_GetError());
            status = 1;
        }
        try {
            // One thread per processor, within what the renderer can use.
            const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                                           maxRenderThreads);
            WorkerPool pool(threads);
            Renderer renderer(Viewport::forTarget(width, height));
            renderer.setPool(&pool);
            auto picture = std::make_unique<Surface>(width, height);
            CubeScene scene(renderer);
            if (status == 0 && !window.makeTexture(width, height)) status = 1;

            const Uint64 start = SDL_GetPerformanceCounter();
            bool running = status == 0;
            while (running) {
                SDL_Event event;
                while (SDL_PollEvent(&event) == 1) {
                    if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN) running = false;
                    if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                        // The new size in pixels: one call moves the renderer to it, all else kept.
                        int w = 0, h = 0;
                        SDL_GetRendererOutputSize(window.renderer, &w, &h);
                        w = std::clamp(w, 1, Viewport::maxSide);
                        h = std::clamp(h, 1, Viewport::maxSide);
                        if (w == picture->width() && h == picture->height()) continue;
                        renderer.setViewport(Viewport::forTarget(w, h));
                        picture = std::make_unique<Surface>(w, h);
                        if (!window.makeTexture(w, h)) {
                            status = 1;
                            running = false;
                        }
                    }
                }
                if (!running) break;
                // Half a turn every 3 seconds, however fast frames come.
                const double seconds = static_cast<double>(SDL_GetPerformanceCounter() - start) /
                                       SDL_GetPerformanceFrequency();
                scene.draw(*picture, static_cast<float>(seconds * 3.14159265 / 3.0));
                SDL_UpdateTexture(window.texture, nullptr, picture->pixels(), picture->width() * 4);
                SDL_RenderClear(window.renderer);
                SDL_RenderCopy(window.renderer, window.texture, nullptr, nullptr);
                SDL_RenderPresent(window.renderer);
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "cube-sdl: %s\n", error.what());
            status = 1;
        }
    }
    SDL_Quit();
    return status;
}
