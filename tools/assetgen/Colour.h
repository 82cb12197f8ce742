#pragma once
// Colour helpers for authoring: channels as doubles in [0, 1], packed into 0x00RRGGBB.
#include <cstdint>

namespace tepple {

struct Rgb {
    double red;
    double green;
    double blue;
};

// Clamps each channel to [0, 1] and rounds to 0-255.
uint32_t packRgb(Rgb colour);
// Hue in turns (any real; only the fraction counts), saturation and value in [0, 1].
Rgb hsv(double hue, double saturation, double value);
Rgb mix(Rgb a, Rgb b, double t);
Rgb scaled(Rgb colour, double factor);

} // namespace tepple
