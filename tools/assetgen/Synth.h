#pragma once
// Building blocks of the soundtrack's synthesiser: a stereo sample buffer, band-limited
// oscillators, a state-variable filter, envelopes and noise. Everything is plain arithmetic on
// doubles with seeded noise, so the same score always renders to the same samples.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Random.h"

namespace tepple {

constexpr int audioRate = 44100;

// Two channels of float samples at audioRate.
struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;

    explicit StereoBuffer(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    // Adds to frame `at`; frames past the end are dropped.
    void add(size_t at, double l, double r)
    {
        if (at >= left.size()) return;
        left[at] += static_cast<float>(l);
        right[at] += static_cast<float>(r);
    }
};

// A soft clipper shaped like tanh (a rational fit, exact at 0 and saturating at +-1 from |x| = 3),
// far cheaper than the library function in per-sample loops.
inline double softClip(double x)
{
    if (x >= 3.0) return 1.0;
    if (x <= -3.0) return -1.0;
    const double x2 = x * x;
    return x * (27.0 + x2) / (27.0 + 9.0 * x2);
}

// Equal-power panning: pan -1 is hard left, 0 centre, +1 hard right.
struct PanGains {
    double left;
    double right;
};
PanGains panGains(double pan);

// Frequency in Hz of a MIDI note number (69 = A 440).
double noteFrequency(double note);

namespace synth {

// Residual that smooths a unit step at phase 0 over one sample either side.
inline double polyBlep(double phase, double increment)
{
    if (phase < increment) {
        const double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Phase step per sample, kept below Nyquist.
inline double phaseIncrement(double frequency)
{
    const double increment = frequency / audioRate;
    return increment < 0.0 ? 0.0 : (increment > 0.45 ? 0.45 : increment);
}

// Advances a phase in [0, 1) by an increment below 1, wrapping once.
inline double advance(double phase, double increment)
{
    phase += increment;
    return phase >= 1.0 ? phase - 1.0 : phase;
}

} // namespace synth

// The oscillators are defined here so the compiler can inline them into the per-sample loops.

// A sawtooth with polyBLEP corrections at the wrap, so high notes do not alias harshly.
class SawOscillator {
public:
    explicit SawOscillator(double startPhase = 0.0) : phase_(startPhase) {}
    // One sample at `frequency` Hz, in [-1, 1].
    double next(double frequency)
    {
        const double increment = synth::phaseIncrement(frequency);
        const double value = 2.0 * phase_ - 1.0 - (increment > 0.0 ? synth::polyBlep(phase_, increment) : 0.0);
        phase_ = synth::advance(phase_, increment);
        return value;
    }

private:
    double phase_;
};

// A pulse wave of the given duty cycle (0.5 = square), polyBLEP-corrected at both edges.
class PulseOscillator {
public:
    explicit PulseOscillator(double startPhase = 0.0) : phase_(startPhase) {}
    // duty is clamped to [0.05, 0.95].
    double next(double frequency, double duty)
    {
        const double increment = synth::phaseIncrement(frequency);
        const double width = duty < 0.05 ? 0.05 : (duty > 0.95 ? 0.95 : duty);
        double value = phase_ < width ? 1.0 : -1.0;
        if (increment > 0.0) {
            value += synth::polyBlep(phase_, increment);
            double falling = phase_ - width;
            if (falling < 0.0) falling += 1.0;
            value -= synth::polyBlep(falling, increment);
        }
        phase_ = synth::advance(phase_, increment);
        return value;
    }

private:
    double phase_;
};

// sin(2 pi phase) for a phase in [0, 1), by a polynomial good to a few parts in a million: the
// library sine was a large share of the soundtrack's rendering time.
inline double sineOfPhase(double phase)
{
    // Fold to a quarter wave about 0: sin(2 pi p) = -sin(2 pi (p - 1/2)), and sin is symmetric
    // about a quarter turn.
    double t = 0.5 - phase;
    if (t > 0.25) t = 0.5 - t;
    if (t < -0.25) t = -0.5 - t;
    const double x = 6.283185307179586 * t;
    const double x2 = x * x;
    // Taylor series to x^11: error below 6e-8 on [-pi/2, pi/2].
    return x * (1.0 + x2 * (-1.0 / 6.0 + x2 * (1.0 / 120.0 + x2 * (-1.0 / 5040.0 + x2 * (1.0 / 362880.0 +
                                                                                        x2 * (-1.0 / 39916800.0))))));
}

class SineOscillator {
public:
    explicit SineOscillator(double startPhase = 0.0) : phase_(startPhase) {}
    double next(double frequency)
    {
        const double value = sineOfPhase(phase_);
        phase_ = synth::advance(phase_, synth::phaseIncrement(frequency));
        return value;
    }

private:
    double phase_;
};

// Two-pole state-variable filter (trapezoidal integration): stable at any cutoff below Nyquist.
class StateVariableFilter {
public:
    struct Output {
        double low;
        double band;
        double high;
    };
    // Cutoff is clamped to 20 Hz .. 0.45 x the sample rate; resonance in [0, 1) (0 = gentle).
    void setCutoff(double hertz, double resonance);
    Output process(double input)
    {
        const double v3 = input - s2_;
        const double v1 = a1_ * s1_ + a2_ * v3;
        const double v2 = s2_ + a2_ * s1_ + a3_ * v3;
        s1_ = 2.0 * v1 - s1_;
        s2_ = 2.0 * v2 - s2_;
        return {v2, v1, input - k_ * v1 - v2};
    }

private:
    double g_ = 0.1;
    double k_ = 1.4;
    double a1_ = 0.0;
    double a2_ = 0.0;
    double a3_ = 0.0;
    double s1_ = 0.0;
    double s2_ = 0.0;
};

// Attack (linear), decay toward sustain and release (both exponential time constants), in
// seconds.
struct Envelope {
    double attack;
    double decay;
    double sustain;
    double release;

    // Seconds after the release starts until even a full level has fallen below the silence
    // threshold of EnvelopeGenerator::silent (e^-9 is about 1.2e-4).
    double tail() const { return release * 9.0; }
};

// Steps an envelope one sample at a time for a note held `held` seconds.
class EnvelopeGenerator {
public:
    EnvelopeGenerator(const Envelope& shape, double held);
    double next();
    // Samples from the start until the release has died away.
    size_t length() const { return length_; }
    // True once the note can no longer be heard (below -74 dB after its attack, while released or
    // decaying toward a zero sustain): callers stop rendering there.
    bool silent() const
    {
        return position_ > attackSamples_ && level_ < 2e-4 && (position_ >= heldSamples_ || sustain_ <= 0.0);
    }

private:
    double level_ = 0.0;
    double sustain_;
    double attackStep_;
    double decayFactor_;
    double releaseFactor_;
    size_t attackSamples_;
    size_t heldSamples_;
    size_t length_;
    size_t position_ = 0;
};

// White noise in [-1, 1) from the generator's own seeded sequence.
class Noise {
public:
    explicit Noise(uint64_t seed) : random_(seed) {}
    double next() { return random_.unit() * 2.0 - 1.0; }

private:
    Random random_;
};

} // namespace tepple
