#include "geometry/Lighting.h"

#include <cmath>

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

// The general rules' channel: base x factor rounded to nearest, held within 0-255 (NaN gives 0).
int shadedChannel(int base, double factor)
{
    const double value = base * factor + 0.5;
    return value >= 255.0 ? 255 : (value >= 1.0 ? static_cast<int>(value) : 0);
}

struct Direction {
    double x, y, z;

    double dot(const Direction& o) const { return x * o.x + y * o.y + z * o.z; }
    double length() const { return std::sqrt(dot(*this)); }
};

Direction directionOf(const Vertex& v) { return Direction{v.x, v.y, v.z}; }

} // namespace

bool facesAwayFromEye(Vertex position, Vertex normal)
{
    // The eye sits at the origin, so a normal facing it has a negative dot product with the point.
    return directionOf(normal).dot(directionOf(position)) > 0.0;
}

uint32_t shadePoint(const Light* lights, int count, const Ambient& ambient, Vertex position, Vertex normal,
                    uint32_t colour)
{
    // Unlit, the colour shows as it is; its top byte is no channel and never reaches a pixel.
    if ((count <= 0 || lights == nullptr) && !ambient.any()) return colour & 0x00FFFFFFu;
    double red = ambient.red, green = ambient.green, blue = ambient.blue;
    const Direction point = directionOf(position);
    Direction n = directionOf(normal);
    const double normalLength = n.length();
    // The side the eye sees is the lit one.
    const double turn = facesAwayFromEye(position, normal) ? -1.0 : 1.0;
    if (normalLength > 0.0 && std::isfinite(normalLength)) {
        n = Direction{turn * n.x / normalLength, turn * n.y / normalLength, turn * n.z / normalLength};
        for (int i = 0; i < count && lights != nullptr; ++i) {
            const Light& light = lights[i];
            Direction toLight = directionOf(light.position);
            double strength = 1.0;
            if (light.kind != LightKind::Directional) {
                toLight = Direction{toLight.x - point.x, toLight.y - point.y, toLight.z - point.z};
                strength = 1.0 / (1.0 + static_cast<double>(light.falloff) * toLight.dot(toLight));
            }
            const double distance = toLight.length();
            if (!(distance > 0.0)) continue;
            const double cosine = n.dot(toLight) / distance;
            if (!(cosine > 0.0)) continue;
            const double term = cosine * strength;
            red += term * light.red;
            green += term * light.green;
            blue += term * light.blue;
        }
    }
    return packColour(shadedChannel(redOf(colour), red), shadedChannel(greenOf(colour), green),
                      shadedChannel(blueOf(colour), blue));
}

uint32_t shadeFace(const Light* lights, int count, const Ambient& ambient, const Vertex& c0, const Vertex& c1,
                   const Vertex& c2, uint32_t colour)
{
    Vertex a = c1, b = c2;
    vecSub(a, c0);
    vecSub(b, c0);
    const Vertex normal = vecCross(a, b);
    Vertex centre(static_cast<float>((static_cast<double>(c0.x) + c1.x + c2.x) / 3.0),
                  static_cast<float>((static_cast<double>(c0.y) + c1.y + c2.y) / 3.0),
                  static_cast<float>((static_cast<double>(c0.z) + c1.z + c2.z) / 3.0), 0);
    return shadePoint(lights, count, ambient, centre, normal, colour);
}

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
