#pragma once
// The generator's own seeded random numbers: the same sequence on every run and every machine.
#include <cstdint>

namespace tepple {

// xorshift64*: small, fast and good enough for textures and sounds.
class Random {
public:
    // A zero seed would stick at zero; it is replaced by a fixed non-zero one.
    explicit Random(uint64_t seed) : state_(seed != 0 ? seed : 0x9E3779B97F4A7C15ull) {}

    uint64_t next()
    {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [low, high).
    double range(double low, double high) { return low + (high - low) * unit(); }

private:
    uint64_t state_;
};

} // namespace tepple
