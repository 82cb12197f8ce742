#include "geometry/Lighting.h"

#include "geometry/SafeFloat.h"

namespace tepple {

namespace {

// Diffuse term of one light for a normal at a point: the cosine between the light's position
// vector (taken from the camera-space origin, not from the point) and the normal, divided by the
// distance from the light to the point. Negative terms (faces turned away) count as 0.
float diffuseTerm(const Light& light, const Vertex& normal, const Vertex& point)
{
    const double lengths = static_cast<double>(vecLength(light.position)) * vecLength(normal);
    if (lengths == 0.0) return 0.0f;
    const Vertex& l = light.position;
    const double dot = static_cast<double>(l.x) * normal.x + static_cast<double>(l.y) * normal.y +
                       static_cast<double>(l.z) * normal.z;
    const float cosine = static_cast<float>(dot / lengths);
    Vertex toPoint = light.position;
    const float distance = vecLength(vecSub(toPoint, point));
    // A light sitting on the point gives an infinity or NaN, which the saturating channel
    // conversion below turns into full brightness or black.
    const float term = static_cast<float>(quotient(cosine, distance));
    return term < 0.0f ? 0.0f : term;
}

// Over-bright channels stop at 255 and negative ones (from negative strengths) at 0, so a lit
// colour never spills into its neighbouring channel when packed.
int clampChannel(int32_t value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

uint32_t scaledColour(uint32_t colour, double redScale, double greenScale, double blueScale)
{
    const int red = clampChannel(truncToInt(redOf(colour) * redScale));
    const int green = clampChannel(truncToInt(greenOf(colour) * greenScale));
    const int blue = clampChannel(truncToInt(blueOf(colour) * blueScale));
    return packColour(red, green, blue);
}

} // namespace

uint32_t lightFace(Light light, Vertex edge1, Vertex edge2, Vertex centre, uint32_t colour)
{
    const float term = diffuseTerm(light, vecCross(edge1, edge2), centre);
    return scaledColour(colour, static_cast<double>(light.red) * term,
                        static_cast<double>(light.green) * term, static_cast<double>(light.blue) * term);
}

uint32_t lightVertex(const Light* lights, int count, Vertex position, Vertex normal, uint32_t colour)
{
    if (count <= 0 || lights == nullptr) return colour;
    float redSum = 0.0f, greenSum = 0.0f, blueSum = 0.0f;
    for (int i = 0; i < count; ++i) {
        const Light& light = lights[i];
        const double term = diffuseTerm(light, normal, position);
        redSum = static_cast<float>(redSum + term * light.red);
        greenSum = static_cast<float>(greenSum + term * light.green);
        blueSum = static_cast<float>(blueSum + term * light.blue);
    }
    return scaledColour(colour, redSum, greenSum, blueSum);
}

} // namespace tepple
