#include "Colour.h"

#include <cmath>

namespace tepple {

namespace {

int toByte(double channel)
{
    // NaN fails both comparisons and lands on 0.
    if (!(channel > 0.0)) return 0;
    if (channel >= 1.0) return 255;
    return static_cast<int>(channel * 255.0 + 0.5);
}

} // namespace

uint32_t packRgb(Rgb colour)
{
    return static_cast<uint32_t>(toByte(colour.red)) << 16 | static_cast<uint32_t>(toByte(colour.green)) << 8 |
           static_cast<uint32_t>(toByte(colour.blue));
}

Rgb hsv(double hue, double saturation, double value)
{
    // A non-finite hue would make the sector index undefined; treat it as red.
    const double turns = std::isfinite(hue) ? hue - std::floor(hue) : 0.0;
    const double sector = turns * 6.0;
    const int index = static_cast<int>(sector) % 6;
    const double f = sector - std::floor(sector);
    const double p = value * (1.0 - saturation);
    const double q = value * (1.0 - saturation * f);
    const double t = value * (1.0 - saturation * (1.0 - f));
    switch (index) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

Rgb mix(Rgb a, Rgb b, double t)
{
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t};
}

Rgb scaled(Rgb colour, double factor) { return {colour.red * factor, colour.green * factor, colour.blue * factor}; }

} // namespace tepple
