#include "Noise.h"

#include <cmath>

namespace tepple {

namespace {

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Floors to a lattice index; non-finite or huge inputs are clamped so the conversion is defined.
int64_t cellOf(double coordinate)
{
    constexpr double limit = 1e15;
    if (!(coordinate > -limit)) return static_cast<int64_t>(-limit);
    if (coordinate > limit) return static_cast<int64_t>(limit);
    return static_cast<int64_t>(std::floor(coordinate));
}

} // namespace

double latticeValue(int64_t x, int64_t y, uint32_t seed)
{
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^
                 static_cast<uint64_t>(seed) * 0x165667B19E3779F9ull;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    h *= 0x94D049BB133111EBull;
    h ^= h >> 32;
    return static_cast<double>(h >> 11) * (1.0 / 9007199254740992.0);
}

double valueNoise(double x, double y, uint32_t seed)
{
    const int64_t cellX = cellOf(x);
    const int64_t cellY = cellOf(y);
    const double fx = smooth(x - static_cast<double>(cellX));
    const double fy = smooth(y - static_cast<double>(cellY));
    const double top = latticeValue(cellX, cellY, seed) +
                       (latticeValue(cellX + 1, cellY, seed) - latticeValue(cellX, cellY, seed)) * fx;
    const double bottom = latticeValue(cellX, cellY + 1, seed) +
                          (latticeValue(cellX + 1, cellY + 1, seed) - latticeValue(cellX, cellY + 1, seed)) * fx;
    return top + (bottom - top) * fy;
}

double fractalNoise(double x, double y, int octaves, uint32_t seed)
{
    double sum = 0.0;
    double weight = 1.0;
    double totalWeight = 0.0;
    double frequency = 1.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * valueNoise(x * frequency, y * frequency, seed + static_cast<uint32_t>(octave) * 101u);
        totalWeight += weight;
        weight *= 0.5;
        frequency *= 2.0;
    }
    return totalWeight > 0.0 ? sum / totalWeight : 0.0;
}

} // namespace tepple
