#pragma once
// Diffuse lighting of points and faces by camera-space point lights.
#include "geometry/Vertex.h"

namespace tepple {

// A point light: camera-space position (x, y, z only) and per-channel strengths. Strengths are
// unbounded multipliers: the diffuse term divides by the distance to the light.
struct Light {
    Vertex position;
    float red;
    float green;
    float blue;

    Light() : position(), red(0), green(0), blue(0) {}
    Light(const Vertex& p, float r, float g, float b) : position(p), red(r), green(g), blue(b) {}
};
static_assert(sizeof(Light) == 44, "Light must be exactly 44 bytes");

// Lights a face with one light. edge1 = corner0 - corner1, edge2 = corner1 - corner2,
// centre = the corners' mean; each channel is clamped to 255.
uint32_t lightFace(Light light, Vertex edge1, Vertex edge2, Vertex centre, uint32_t colour);

// Lights a point with `count` lights (all of them summed). With no lights the base colour comes
// back unchanged; each channel is clamped to 255.
uint32_t lightVertex(const Light* lights, int count, Vertex position, Vertex normal, uint32_t colour);

} // namespace tepple
