#pragma once
// The scene both cube examples draw: a cube with six textured faces, lit by two lights, seen by a
// camera above and in front of it. cube-png writes its frames to PNG files; cube-sdl shows them in
// a window. Everything the engine needs comes from the one header tepple.h.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tepple.h"

// The engine's names live in namespace tepple; an example is a tepple program through and through.
using namespace tepple;

// A cube of side 2 x half centred on the origin. Each face has 4 vertices of its own, so each has
// its own normal and its own texture corners, and 2 triangles. World axes are camera axes before
// the camera moves: x to the right, y down, z away from the eye.
inline Mesh makeCube(float half)
{
    const float h = half;
    // Each face's corners as seen from outside the cube: top-left, top-right, bottom-right,
    // bottom-left. Triangles whose corners run clockwise on screen face the camera, so both
    // triangles of a face, (0, 1, 2) and (0, 2, 3), are drawn when it faces the camera and culled
    // when it faces away.
    const float faces[6][4][3] = {
        {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h}}, // front (z = -h, toward the eye)
        {{h, -h, h}, {-h, -h, h}, {-h, h, h}, {h, h, h}},     // back
        {{-h, -h, h}, {-h, -h, -h}, {-h, h, -h}, {-h, h, h}}, // left
        {{h, -h, -h}, {h, -h, h}, {h, h, h}, {h, h, -h}},     // right
        {{-h, -h, h}, {h, -h, h}, {h, -h, -h}, {-h, -h, -h}}, // top (y = -h is up)
        {{-h, h, -h}, {h, h, -h}, {h, h, h}, {-h, h, h}},     // bottom
    };
    // Texture coordinates: 0 to 1 across the texture, whatever its size in texels.
    const float corner[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

    std::vector<Vertex> vertices;
    std::vector<int32_t> faceIndices;
    for (int f = 0; f < 6; ++f) {
        const int first = static_cast<int>(vertices.size());
        for (int c = 0; c < 4; ++c) {
            Vertex v(faces[f][c][0], faces[f][c][1], faces[f][c][2], packColour(255, 255, 255));
            v.texU = corner[c][0];
            v.texV = corner[c][1];
            vertices.push_back(v);
        }
        for (int c : {0, 1, 2, 0, 2, 3}) faceIndices.push_back(first + c);
    }
    // Counts set, normals computed and corners built: ready to draw.
    return Mesh::build(vertices, faceIndices);
}

// A 64 x 64 texture: a checker of 8 x 8 squares with a light frame round the edge. A surface is
// width x height 0x00RRGGBB words, the top row first.
inline Surface makeTexture()
{
    Surface texture(64, 64);
    uint32_t* texel = texture.lock();
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool frame = x < 3 || y < 3 || x > 60 || y > 60;
            const bool dark = (x / 8 + y / 8) % 2 == 1;
            const uint32_t colour = dark ? packColour(40, 80, 170) : packColour(240, 170, 60);
            texel[y * 64 + x] = frame ? packColour(250, 250, 240) : colour;
        }
    }
    return texture;
}

class CubeScene {
public:
    // Sets the renderer's camera, lights and texture for the cube.
    explicit CubeScene(Renderer& renderer) : renderer_(renderer), cube_(makeCube(10.0f)), texture_(makeTexture())
    {
        // The eye above the cube (y is down, so up is -y) and in front of it, looking at its centre.
        // lookAt takes the point looked at first, then the eye.
        lookAt(renderer_.viewMatrix, Vertex(0, 0, 0, 0), Vertex(0, -18, -32, 0));
        // Lights sit in camera space (x right, y down, z away from the eye) and light each corner
        // by the cosine between its normal and the direction to the light (docs/engine.md, on
        // lighting): a warm key light from above left, a weak blue fill lamp to the right and a
        // little ambient light, so that no face goes wholly black. Strength 1 shows a colour as it is.
        renderer_.addLight(Light::directional(Vertex(-0.5f, -0.8f, -0.6f, 0), 0.85f, 0.8f, 0.72f));
        renderer_.addLight(Light::point(Vertex(45, 5, 10, 0), 0.45f, 0.5f, 0.65f, 1.0f / (40.0f * 40.0f)));
        renderer_.ambient = Ambient{0.14f, 0.14f, 0.16f};
        renderer_.setTexture(&texture_);
    }
    CubeScene(const CubeScene&) = delete;
    CubeScene& operator=(const CubeScene&) = delete;

    // Draws the cube turned by `angle` radians into `target`, a new frame on a black background.
    void draw(Surface& target, float angle)
    {
        target.clear();
        renderer_.nextFrame(); // keys from earlier frames' depths are stale from here on
        cube_.modelMatrix = rotationY(angle) * rotationX(0.6f * angle);
        drawMesh(renderer_, cube_, target, DrawMode::Textured);
    }

private:
    Renderer& renderer_;
    Mesh cube_;
    Surface texture_;
};
