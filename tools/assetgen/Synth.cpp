#include "Synth.h"

#include <algorithm>
#include <cmath>

namespace tepple {

namespace {

constexpr double pi = 3.141592653589793;

} // namespace

PanGains panGains(double pan)
{
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * 0.25 * pi;
    return {std::cos(angle), std::sin(angle)};
}

double noteFrequency(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

void StateVariableFilter::setCutoff(double hertz, double resonance)
{
    const double cutoff = std::clamp(hertz, 20.0, 0.45 * audioRate);
    g_ = std::tan(pi * cutoff / audioRate);
    k_ = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

namespace {

size_t secondsToSamples(double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * audioRate + 0.5); }

// Per-sample factor of an exponential with the given time constant; 0 for an instant one.
double decayPerSample(double timeConstant)
{
    return timeConstant > 0.0 ? std::exp(-1.0 / (timeConstant * audioRate)) : 0.0;
}

} // namespace

EnvelopeGenerator::EnvelopeGenerator(const Envelope& shape, double held)
    : sustain_(shape.sustain), attackStep_(0.0), decayFactor_(decayPerSample(shape.decay)),
      releaseFactor_(decayPerSample(shape.release)), attackSamples_(secondsToSamples(shape.attack)),
      heldSamples_(secondsToSamples(held)), length_(heldSamples_ + secondsToSamples(shape.tail()) + 1)
{
    attackStep_ = attackSamples_ > 0 ? 1.0 / static_cast<double>(attackSamples_) : 1.0;
}

double EnvelopeGenerator::next()
{
    if (position_ >= heldSamples_) {
        level_ *= releaseFactor_;
    } else if (position_ < attackSamples_) {
        level_ = std::min(1.0, level_ + attackStep_);
    } else {
        if (position_ == attackSamples_ && attackSamples_ == 0) level_ = 1.0;
        level_ = sustain_ + (level_ - sustain_) * decayFactor_;
    }
    ++position_;
    return level_;
}

} // namespace tepple
