#pragma once
// Diffuse lighting of points and faces by camera-space lights, under two sets of rules.
//
// The general rules (shadePoint, shadeFace) are Lambert's: each light adds its colour times the
// cosine between the surface normal and the direction from the point to the light (for a
// directional light, its own direction), never below 0, times a point light's fall-off; an
// ambient term adds the same everywhere. The base colour is scaled channel by channel by the sum,
// rounded and held within 0-255: strengths of 1 show the base colour itself. Surfaces are lit on
// the side the eye sees (two-sided lighting): a normal pointing away from the eye is turned round
// first, so a mesh's normals may point into it or out of it, and back faces drawn are lit too.
//
// The demonstration's rules (lightVertex, lightFace) take the cosine between the light's position
// vector, as seen from the eye, and the normal, divided by the light's distance to the point; they
// read every light as a point light of unbounded strengths and have no ambient term.
#include <cstdint>

#include "geometry/Vertex.h"

namespace tepple {

enum class LightKind : uint32_t { Point, Directional };

// A light in camera space: where it is (x, y, z only) and per-channel strengths.
struct Light {
    // A point light's position; for a directional light, the direction from the surface toward
    // the light (any length but zero): (0, 0, -1) lights what faces the eye.
    Vertex position;
    float red;
    float green;
    float blue;
    LightKind kind = LightKind::Point;
    // A point light's strengths are divided by 1 + falloff x d^2 at distance d from it: 0 (the
    // default) keeps them the same at any distance, and 1 / r^2 halves them at distance r.
    // Directional lights, and the demonstration's rules, ignore it.
    float falloff = 0.0f;

    Light() : position(), red(0), green(0), blue(0) {}
    // A point light with no fall-off.
    Light(const Vertex& p, float r, float g, float b) : position(p), red(r), green(g), blue(b) {}

    static Light point(const Vertex& position, float r, float g, float b, float falloff = 0.0f)
    {
        Light light(position, r, g, b);
        light.falloff = falloff;
        return light;
    }
    static Light directional(const Vertex& towardLight, float r, float g, float b)
    {
        Light light(towardLight, r, g, b);
        light.kind = LightKind::Directional;
        return light;
    }
};

// Strengths that light every surface alike, whichever way it faces: the ambient term.
struct Ambient {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;

    bool any() const { return red != 0.0f || green != 0.0f || blue != 0.0f; }
};

// The general rules for a point with `count` lights and the ambient term. With no lights and no
// ambient term the base colour comes back unlit, its top byte cleared; a zero normal gets the
// ambient term alone. NaN or infinite inputs give a colour within 0-255 all the same.
uint32_t shadePoint(const Light* lights, int count, const Ambient& ambient, Vertex position, Vertex normal,
                    uint32_t colour);

// Whether shadePoint turns `normal` round at `position`: it points away from the eye (at the
// origin). Under directional lights alone, this is all of the position a shaded colour depends on.
bool facesAwayFromEye(Vertex position, Vertex normal);

// The general rules for a triangle: shadePoint at the corners' mean with the face normal
// (c1 - c0) x (c2 - c0), turned toward the eye as every normal is.
uint32_t shadeFace(const Light* lights, int count, const Ambient& ambient, const Vertex& c0, const Vertex& c1,
                   const Vertex& c2, uint32_t colour);

// The demonstration's rules for a face with one light. edge1 = corner0 - corner1, edge2 = corner1 -
// corner2, centre = the corners' mean; each channel is clamped to 255.
uint32_t lightFace(Light light, Vertex edge1, Vertex edge2, Vertex centre, uint32_t colour);

// The demonstration's rules for a point with `count` lights (all of them summed). With no lights
// the base colour comes back unchanged; each channel is clamped to 255.
uint32_t lightVertex(const Light* lights, int count, Vertex position, Vertex normal, uint32_t colour);

} // namespace tepple
