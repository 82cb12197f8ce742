#include "Instruments.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tepple {

namespace {


size_t samplesOf(double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * audioRate); }

// Filters are retuned every this many samples: tan() per sample would dominate the cost.
constexpr size_t retuneInterval = 16;

// Gentle saturation that keeps unity gain for small signals.
double saturate(double x) { return softClip(x); }

// A decaying exponential stepped by multiplication, one sample at a time.
class Decay {
public:
    explicit Decay(double timeConstant, double start = 1.0)
        : value_(start), factor_(std::exp(-1.0 / (timeConstant * audioRate)))
    {
    }
    double next()
    {
        const double current = value_;
        value_ *= factor_;
        return current;
    }

private:
    double value_;
    double factor_;
};

} // namespace

void playKick(StereoBuffer& out, size_t start, double velocity)
{
    SineOscillator body;
    Noise click(start * 7 + 1);
    Decay pitchDrop(0.032);
    Decay amplitude(0.26);
    Decay clickLevel(0.0025);
    const size_t length = samplesOf(0.5);
    for (size_t i = 0; i < length; ++i) {
        const double frequency = 46.0 + 115.0 * pitchDrop.next();
        // A one-millisecond fade-in avoids a step at the start.
        const double fadeIn = std::min(1.0, static_cast<double>(i) / 44.0);
        const double sample = body.next(frequency) * amplitude.next() * fadeIn + 0.25 * click.next() * clickLevel.next();
        const double shaped = saturate(1.6 * sample) * 0.62 * velocity;
        out.add(start + i, shaped, shaped);
    }
}

void playSnare(StereoBuffer& out, size_t start, double velocity, uint64_t seed)
{
    SineOscillator low;
    SineOscillator high(0.25);
    Noise noise(seed);
    StateVariableFilter crisp;
    crisp.setCutoff(1500.0, 0.1);
    Decay toneLevel(0.055);
    Decay noiseLevel(0.12);
    const size_t length = samplesOf(0.6);
    for (size_t i = 0; i < length; ++i) {
        const double tone = (0.6 * low.next(182.0) + 0.35 * high.next(331.0)) * toneLevel.next();
        const double rattle = crisp.process(noise.next()).high * noiseLevel.next();
        const double sample = (0.55 * tone + 0.7 * rattle) * velocity * 0.55;
        out.add(start + i, sample, sample);
    }
}

void playClap(StereoBuffer& out, size_t start, double velocity, uint64_t seed)
{
    Noise noise(seed);
    StateVariableFilter band;
    band.setCutoff(1150.0, 0.45);
    const size_t burst = samplesOf(0.011);
    const size_t length = samplesOf(0.4);
    Decay tail(0.09);
    for (size_t i = 0; i < length; ++i) {
        // Three quick slaps, then the body of the clap.
        double level;
        if (i < 3 * burst)
            level = std::exp(-static_cast<double>(i % burst) / (0.003 * audioRate));
        else
            level = tail.next();
        const double sample = band.process(noise.next()).band * level * velocity * 0.9;
        out.add(start + i, sample * 0.9, sample);
    }
}

void playHat(StereoBuffer& out, size_t start, double velocity, bool open, double pan, uint64_t seed)
{
    Noise noise(seed);
    StateVariableFilter hiss;
    hiss.setCutoff(7200.0, 0.2);
    const double timeConstant = open ? 0.16 : 0.028;
    Decay level(timeConstant);
    const PanGains gains = panGains(pan);
    const size_t length = samplesOf(timeConstant * 7.0);
    for (size_t i = 0; i < length; ++i) {
        const double sample = hiss.process(noise.next()).high * level.next() * velocity * 0.22;
        out.add(start + i, sample * gains.left, sample * gains.right);
    }
}

void playCrash(StereoBuffer& out, size_t start, double velocity, uint64_t seed)
{
    Noise leftNoise(seed);
    Noise rightNoise(seed ^ 0x5DEECE66Dull);
    StateVariableFilter leftHiss;
    StateVariableFilter rightHiss;
    leftHiss.setCutoff(4200.0, 0.1);
    rightHiss.setCutoff(4600.0, 0.1);
    Decay level(0.85);
    const size_t length = samplesOf(5.0);
    for (size_t i = 0; i < length; ++i) {
        const double fadeIn = std::min(1.0, static_cast<double>(i) / 30.0);
        const double amplitude = level.next() * fadeIn * velocity * 0.2;
        out.add(start + i, leftHiss.process(leftNoise.next()).high * amplitude,
                rightHiss.process(rightNoise.next()).high * amplitude);
    }
}

void playRiser(StereoBuffer& out, size_t start, double seconds, double velocity, uint64_t seed)
{
    Noise noise(seed);
    StateVariableFilter sweep;
    const size_t length = samplesOf(seconds);
    for (size_t i = 0; i < length; ++i) {
        const double progress = static_cast<double>(i) / static_cast<double>(length);
        if (i % retuneInterval == 0) sweep.setCutoff(300.0 * std::pow(20.0, progress), 0.55);
        const double sample = sweep.process(noise.next()).band * progress * progress * velocity * 0.35;
        // The swell widens as it rises.
        const double spread = 0.5 + 0.5 * progress;
        out.add(start + i, sample * (1.0 - 0.3 * spread), sample * (0.7 + 0.3 * spread));
    }
}

void playBass(StereoBuffer& out, const Note& note)
{
    SawOscillator saw;
    SineOscillator sub;
    StateVariableFilter filter;
    EnvelopeGenerator amplitude({0.003, 0.25, 0.75, 0.04}, note.seconds);
    Decay sweep(0.11);
    const double frequency = noteFrequency(note.pitch);
    const double baseCutoff = 140.0 + 420.0 * note.brightness;
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        if (i % retuneInterval == 0) filter.setCutoff(baseCutoff * (1.0 + 6.0 * sweep.next()), 0.45);
        else sweep.next();
        const double tone = filter.process(saw.next(frequency)).low + 0.55 * sub.next(frequency * 0.5);
        const double sample = saturate(1.3 * tone * amplitude.next()) * note.velocity * 0.42;
        out.add(note.start + i, sample, sample);
    }
}

void playPadChord(StereoBuffer& out, const std::vector<Note>& chord)
{
    if (chord.empty()) return;
    const Note& first = chord.front();
    // Three detuned saws per note, spread left, centre and right; one filter per side for the
    // whole chord keeps the cost down.
    constexpr int spread = 3;
    const double detune[spread] = {-0.11, 0.0, 0.12}; // semitones
    const PanGains pans[spread] = {panGains(-0.7), panGains(0.0), panGains(0.7)};
    std::vector<SawOscillator> voices;
    std::vector<double> frequencies;
    std::vector<PanGains> voicePans;
    for (size_t n = 0; n < chord.size(); ++n) {
        for (int v = 0; v < spread; ++v) {
            voices.emplace_back(0.29 * static_cast<double>(n) + 0.37 * v);
            frequencies.push_back(noteFrequency(chord[n].pitch + detune[v]));
            voicePans.push_back(pans[v]);
        }
    }
    StateVariableFilter leftFilter;
    StateVariableFilter rightFilter;
    EnvelopeGenerator amplitude({0.35, 1.2, 0.8, 0.3}, first.seconds);
    const double cutoff = 500.0 + 2600.0 * first.brightness;
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        if (i % retuneInterval == 0) {
            // A slow swell of the filter over the held chord.
            const double sway = 1.0 + 0.35 * sineOfPhase(std::fmod(0.23 * static_cast<double>(i) / audioRate, 1.0));
            leftFilter.setCutoff(cutoff * sway, 0.15);
            rightFilter.setCutoff(cutoff * sway * 1.04, 0.15);
        }
        double left = 0.0;
        double right = 0.0;
        for (size_t v = 0; v < voices.size(); ++v) {
            const double s = voices[v].next(frequencies[v]);
            left += s * voicePans[v].left;
            right += s * voicePans[v].right;
        }
        const double level = amplitude.next() * first.velocity * 0.075;
        out.add(first.start + i, leftFilter.process(left).low * level, rightFilter.process(right).low * level);
    }
}

void playPluck(StereoBuffer& out, const Note& note)
{
    PulseOscillator pulse;
    SawOscillator saw(0.5);
    StateVariableFilter filter;
    EnvelopeGenerator amplitude({0.001, 0.22, 0.0, 0.08}, note.seconds);
    Decay sweep(0.07);
    const double frequency = noteFrequency(note.pitch);
    const PanGains gains = panGains(note.pan);
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        if (i % retuneInterval == 0) filter.setCutoff(350.0 + (1500.0 + 4000.0 * note.brightness) * sweep.next(), 0.3);
        else sweep.next();
        const double tone = 0.6 * pulse.next(frequency, 0.3) + 0.4 * saw.next(frequency * 1.003);
        const double sample = filter.process(tone).low * amplitude.next() * note.velocity * 0.2;
        out.add(note.start + i, sample * gains.left, sample * gains.right);
    }
}

void playStab(StereoBuffer& out, const Note& note)
{
    SawOscillator saw;
    PulseOscillator pulse(0.4);
    StateVariableFilter filter;
    EnvelopeGenerator amplitude({0.002, 0.12, 0.0, 0.05}, note.seconds);
    Decay sweep(0.05);
    const double frequency = noteFrequency(note.pitch);
    const PanGains gains = panGains(note.pan);
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        if (i % retuneInterval == 0) filter.setCutoff(600.0 + 3800.0 * sweep.next(), 0.35);
        else sweep.next();
        const double tone = 0.5 * saw.next(frequency) + 0.5 * pulse.next(frequency * 0.998, 0.5);
        const double sample = filter.process(tone).low * amplitude.next() * note.velocity * 0.12;
        out.add(note.start + i, sample * gains.left, sample * gains.right);
    }
}

void playBell(StereoBuffer& out, const Note& note)
{
    SineOscillator carrier;
    SineOscillator modulator;
    EnvelopeGenerator amplitude({0.004, 1.4, 0.0, 0.6}, note.seconds);
    Decay index(0.5, 2.2);
    const double frequency = noteFrequency(note.pitch);
    const PanGains gains = panGains(note.pan);
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        const double modulation = index.next() * modulator.next(frequency * 3.5);
        // Frequency modulation: the modulator wobbles the carrier's pitch, giving metallic partials
        // that fade as the index decays.
        const double sample = carrier.next(frequency * (1.0 + 0.05 * modulation)) * amplitude.next() *
                              note.velocity * 0.11;
        out.add(note.start + i, sample * gains.left, sample * gains.right);
    }
}

void playLead(StereoBuffer& out, const Note& note, double fromPitch)
{
    SawOscillator first;
    SawOscillator second(0.37);
    PulseOscillator square(0.6);
    StateVariableFilter filter;
    EnvelopeGenerator amplitude({0.012, 0.35, 0.7, 0.14}, note.seconds);
    Decay sweep(0.28);
    Decay glide(0.028);
    const PanGains gains = panGains(note.pan);
    const double glideFrom = fromPitch - note.pitch;
    double frequency = noteFrequency(note.pitch);
    for (size_t i = 0; i < amplitude.length() && !amplitude.silent(); ++i) {
        const double glideLeft = glide.next();
        if (i % retuneInterval == 0) {
            const double time = static_cast<double>(i) / audioRate;
            // Vibrato fades in after a quarter of a second of the note.
            const double vibratoDepth = 0.14 * std::clamp((time - 0.25) / 0.3, 0.0, 1.0);
            const double vibrato = vibratoDepth * sineOfPhase(std::fmod(5.4 * time, 1.0));
            frequency = noteFrequency(note.pitch + glideFrom * glideLeft + vibrato);
            filter.setCutoff(1500.0 + 3200.0 * sweep.next(), 0.25);
        } else {
            sweep.next();
        }
        const double tone = 0.45 * first.next(frequency * 0.9965) + 0.45 * second.next(frequency * 1.0035) +
                            0.25 * square.next(frequency, 0.5);
        const double sample = filter.process(tone).low * amplitude.next() * note.velocity * 0.16;
        out.add(note.start + i, sample * gains.left, sample * gains.right);
    }
}

} // namespace tepple
