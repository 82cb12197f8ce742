#pragma once
// The one point/vector record of the engine, its packed colour, and the vector operations.
#include <cmath>
#include <cstdint>

namespace tepple {

// A packed colour is 0x00RRGGBB: red in bits 16-23, green 8-15, blue 0-7.
inline uint32_t packColour(int red, int green, int blue)
{
    // No masking or clamping: a channel above 255 ORs its excess bits into the next channel up.
    // Callers that need clean colours clamp first. Shifts are done unsigned to keep them defined.
    return ((static_cast<uint32_t>(red) << 8 | static_cast<uint32_t>(green)) << 8) |
           static_cast<uint32_t>(blue);
}

inline int redOf(uint32_t colour) { return static_cast<int>((colour >> 16) & 0xFF); }
inline int greenOf(uint32_t colour) { return static_cast<int>((colour >> 8) & 0xFF); }
inline int blueOf(uint32_t colour) { return static_cast<int>(colour & 0xFF); }

// Exactly 32 bytes: vertex arrays are copied and handed around as contiguous 32-byte blocks.
struct Vertex {
    float x;
    float y;
    float z;
    uint32_t colour;
    float texU;
    float texV;
    float texU2;
    float texV2;

    // White at the origin, every texture coordinate 0.
    Vertex() : x(0), y(0), z(0), colour(0x00FFFFFF), texU(0), texV(0), texU2(0), texV2(0) {}
    // Second texture pair zeroed too, so no field is ever left indeterminate.
    Vertex(float px, float py, float pz, uint32_t c)
        : x(px), y(py), z(pz), colour(c), texU(0), texV(0), texU2(0), texV2(0) {}
};
static_assert(sizeof(Vertex) == 32, "Vertex must be exactly 32 bytes");

// Vector operations read and write x, y, z only; every other field of an in-place target stays.
// Arithmetic is done in double and each stored component is a float. Those on the lighting's path
// for each vertex and light are defined here, so that its loop can inline them; with the rounding
// spelt out, inlined or not gives the same floats.
Vertex& vecAdd(Vertex& target, const Vertex& b);
inline Vertex& vecSub(Vertex& target, const Vertex& b)
{
    target.x = static_cast<float>(static_cast<double>(target.x) - b.x);
    target.y = static_cast<float>(static_cast<double>(target.y) - b.y);
    target.z = static_cast<float>(static_cast<double>(target.z) - b.z);
    return target;
}
Vertex& vecDiv(Vertex& target, float s);
Vertex& vecScale(Vertex& target, float s);
inline float vecLength(const Vertex& a)
{
    const double z = a.z, y = a.y, x = a.x;
    return static_cast<float>(std::sqrt(z * z + y * y + x * x));
}
float vecDot(const Vertex& a, const Vertex& b);
// colour 0 and texture coordinates 0.
Vertex vecCross(const Vertex& a, const Vertex& b);

} // namespace tepple
