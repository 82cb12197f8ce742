#pragma once
// Smooth value noise for the images: a hash of the lattice point, no tables, no state.
#include <cstdint>

namespace tepple {

// Deterministic hash of a lattice point and a seed to [0, 1).
double latticeValue(int64_t x, int64_t y, uint32_t seed);
// Bilinear value noise with smoothstep easing, in [0, 1); one lattice cell per unit.
double valueNoise(double x, double y, uint32_t seed);
// `octaves` octaves of value noise, each twice the frequency and half the weight of the last,
// normalised back to [0, 1).
double fractalNoise(double x, double y, int octaves, uint32_t seed);

} // namespace tepple
