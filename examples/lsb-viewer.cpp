// lsb-viewer: a mesh file (.LSB) in a window, lit, to turn and zoom.
//   lsb-viewer <mesh.LSB> [width height]     (640 x 480 unless given)
// Keys: the arrows turn the mesh, + and - (or the mouse wheel) bring it nearer and farther, R puts
// it back, Escape or Q (or closing the window) ends.
//
// Meshes come in any size, so the mesh is centred on its own middle and scaled to a radius of 30
// units, and the camera looks at it from 90 units away: well inside the visibility window of the
// viewport (10 to 1000 in front of the eye).
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "tepple.h"

// The engine's names live in namespace tepple; an example is a tepple program through and through.
using namespace tepple;

namespace {

// The matrix that moves the mesh's middle to the origin and scales it to a radius of 30.
Matrix4 fittingMatrix(const Mesh& mesh)
{
    Vertex low = mesh.vertices.empty() ? Vertex() : mesh.vertices[0], high = low;
    for (const Vertex& v : mesh.vertices) {
        low = Vertex(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z), 0);
        high = Vertex(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z), 0);
    }
    const Vertex middle((low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2, 0);
    float radius = 0.0f;
    for (const Vertex& v : mesh.vertices) {
        Vertex offset = v;
        radius = std::max(radius, vecLength(vecSub(offset, middle)));
    }
    Matrix4 centred, scaled;
    translation(centred, -middle.x, -middle.y, -middle.z);
    const float scale = radius > 0.0f ? 30.0f / radius : 1.0f;
    scaling(scaled, scale, scale, scale);
    return centred * scaled; // points are row vectors: the left matrix acts first
}

} // namespace

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
        // Two lights in camera space: one straight ahead of the eye, one below and to the right of
        // it. Through drawMesh the shading follows the distance to each light more than the turn
        // of each face (docs/engine.md, on lighting); the mesh's own colours do the rest.
        renderer.addLight(Light(Vertex(0, 0, 90, 0), 60.0f, 60.0f, 60.0f));
        renderer.addLight(Light(Vertex(60, 60, 60, 0), 30.0f, 28.0f, 24.0f));
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

            lookAt(renderer.viewMatrix, Vertex(0, 0, 0, 0), Vertex(0, 0, -distance, 0));
            picture.clear();
            renderer.nextFrame();
            mesh.modelMatrix = fitting * rotationY(turnY) * rotationX(turnX);
            drawMesh(renderer, mesh, picture, DrawMode::Gouraud);
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
