// lsb-viewer: a mesh file (.LSB) in a window, lit, to turn and zoom.
//   lsb-viewer <mesh.LSB> [width height]     (640 x 480 unless given)
// Keys: the arrows turn the mesh, + and - (or the mouse wheel) bring it nearer and farther, R puts
// it back, Escape or Q (or closing the window) ends.
// The scene, fitting and lights are in lsb-view.h.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "lsb-view.h"

int main(int argc, char** argv)
{
    int width = 640, height = 480;
    if (argc == 4) {
        width = std::atoi(argv[2]);
        height = std::atoi(argv[3]);
    }
    const bool sized = width >= 1 && height >= 1 && width <= Viewport::maxSide && height <= Viewport::maxSide;
    if ((argc != 2 && argc != 4) || !sized) {
        std::fprintf(stderr, "usage: lsb-viewer <mesh.LSB> [width height]\n");
        return 2;
    }

    Mesh mesh;
    try {
        mesh.load(argv[1]); // ready to draw; throws MeshError naming the file and what is wrong with it
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lsb-viewer: %s\n", error.what());
        return 1;
    }
    const Matrix4 fitting = fittingMatrix(mesh);

    SdlConsole console;
    if (!console.open("tepple mesh viewer: " + std::string(argv[1]), width, height, displayFormat32(), 1)) {
        std::fprintf(stderr, "lsb-viewer: no window: %s\n", console.lastError().c_str());
        return 1;
    }
    try {
        Renderer renderer(Viewport::forTarget(width, height));
        lightMeshView(renderer);
        Surface picture(width, height);
        const Area whole{0, 0, width, height};

        float turnX = 0.3f, turnY = 0.5f, distance = 90.0f;
        bool running = true;
        while (running && !TerminationSignals::requested()) {
            SDL_Event event;
            // Wait a little for input, so an idle viewer does not spin.
            if (SDL_WaitEventTimeout(&event, 15) == 1) {
                do {
                    if (event.type == SDL_QUIT) running = false;
                    if (event.type == SDL_MOUSEWHEEL) distance -= 8.0f * static_cast<float>(event.wheel.y);
                    if (event.type != SDL_KEYDOWN) continue;
                    switch (event.key.keysym.sym) {
                    case SDLK_LEFT: turnY -= 0.1f; break;
                    case SDLK_RIGHT: turnY += 0.1f; break;
                    case SDLK_UP: turnX -= 0.1f; break;
                    case SDLK_DOWN: turnX += 0.1f; break;
                    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: distance -= 8.0f; break;
                    case SDLK_MINUS: case SDLK_KP_MINUS: distance += 8.0f; break;
                    case SDLK_r: turnX = 0.3f; turnY = 0.5f; distance = 90.0f; break;
                    case SDLK_ESCAPE: case SDLK_q: running = false; break;
                    default: break;
                    }
                } while (SDL_PollEvent(&event) == 1);
            }
            // Never so near that the mesh reaches the near plane, nor beyond the far one.
            distance = std::clamp(distance, 45.0f, 900.0f);

            drawMeshView(renderer, mesh, fitting, picture, turnX, turnY, distance, DrawMode::Gouraud);
            picture.copy(console, whole, whole);
            console.update();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lsb-viewer: %s\n", error.what());
        console.close();
        return 1;
    }
    console.close();
    return 0;
}
