#include "Effects.h"

#include <algorithm>
#include <cmath>

namespace tepple {

namespace {

constexpr double pi = 3.141592653589793;

// A feedback comb with a one-pole low-pass in its loop (the damping of a real room).
class DampedComb {
public:
    DampedComb(size_t length, double feedback, double damping)
        : buffer_(length, 0.0f), feedback_(feedback), damping_(damping)
    {
    }
    double process(double input)
    {
        const double output = buffer_[position_];
        stored_ = output * (1.0 - damping_) + stored_ * damping_;
        buffer_[position_] = static_cast<float>(input + stored_ * feedback_);
        if (++position_ == buffer_.size()) position_ = 0;
        return output;
    }

private:
    std::vector<float> buffer_;
    double feedback_;
    double damping_;
    double stored_ = 0.0;
    size_t position_ = 0;
};

class Allpass {
public:
    explicit Allpass(size_t length) : buffer_(length, 0.0f) {}
    double process(double input)
    {
        const double delayed = buffer_[position_];
        buffer_[position_] = static_cast<float>(input + delayed * 0.5);
        if (++position_ == buffer_.size()) position_ = 0;
        return delayed - input;
    }

private:
    std::vector<float> buffer_;
    size_t position_ = 0;
};

// One channel of a Schroeder-Moorer reverb: parallel damped combs into series allpasses.
class ReverbChannel {
public:
    explicit ReverbChannel(size_t spread)
    {
        for (size_t length : {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617})
            combs_.emplace_back(length + spread, 0.83, 0.3);
        for (size_t length : {556, 441, 341, 225}) allpasses_.emplace_back(length + spread);
    }
    double process(double input)
    {
        double sum = 0.0;
        for (DampedComb& comb : combs_) sum += comb.process(input);
        for (Allpass& allpass : allpasses_) sum = allpass.process(sum);
        return sum;
    }

private:
    std::vector<DampedComb> combs_;
    std::vector<Allpass> allpasses_;
};

} // namespace

void addReverb(const std::vector<float>& send, StereoBuffer& out, double wet)
{
    ReverbChannel left(0);
    ReverbChannel right(23);
    // The combs' summed gain is large; scale the input down as a classic room reverb does.
    constexpr double inputGain = 0.015;
    const size_t frames = std::min(send.size(), out.frames());
    for (size_t i = 0; i < frames; ++i) {
        const double input = send[i] * inputGain;
        out.left[i] += static_cast<float>(left.process(input) * wet);
        out.right[i] += static_cast<float>(right.process(input) * wet);
    }
}

void addPingPongDelay(const std::vector<float>& send, StereoBuffer& out, size_t delay, double feedback, double wet)
{
    if (delay == 0) return;
    std::vector<float> leftLine(delay, 0.0f);
    std::vector<float> rightLine(delay, 0.0f);
    double leftTone = 0.0;
    double rightTone = 0.0;
    size_t position = 0;
    const size_t frames = std::min(send.size(), out.frames());
    for (size_t i = 0; i < frames; ++i) {
        const double leftEcho = leftLine[position];
        const double rightEcho = rightLine[position];
        // Each repeat passes a gentle low-pass, so the echoes darken as they fade.
        leftTone += 0.45 * (rightEcho - leftTone);
        rightTone += 0.45 * (leftEcho - rightTone);
        leftLine[position] = static_cast<float>(send[i] + leftTone * feedback);
        rightLine[position] = static_cast<float>(rightTone * feedback);
        if (++position == delay) position = 0;
        out.left[i] += static_cast<float>(leftEcho * wet);
        out.right[i] += static_cast<float>(rightEcho * wet);
    }
}

void duckUnderKicks(StereoBuffer& bus, const std::vector<size_t>& kicks, double depth, double recovery)
{
    std::vector<size_t> sorted = kicks;
    std::sort(sorted.begin(), sorted.end());
    const double recoveryFactor = std::exp(-1.0 / (recovery * audioRate));
    double reduction = 0.0;
    size_t next = 0;
    for (size_t i = 0; i < bus.frames(); ++i) {
        while (next < sorted.size() && sorted[next] <= i) {
            reduction = depth;
            ++next;
        }
        const float gain = static_cast<float>(1.0 - reduction);
        bus.left[i] *= gain;
        bus.right[i] *= gain;
        reduction *= recoveryFactor;
    }
}

void removeDc(StereoBuffer& buffer, double cutoff)
{
    const double coefficient = std::exp(-2.0 * pi * cutoff / audioRate);
    for (std::vector<float>* channel : {&buffer.left, &buffer.right}) {
        double previousInput = 0.0;
        double previousOutput = 0.0;
        for (float& sample : *channel) {
            const double output = sample - previousInput + coefficient * previousOutput;
            previousInput = sample;
            previousOutput = output;
            sample = static_cast<float>(output);
        }
    }
}

void fadeOut(StereoBuffer& buffer, size_t from, size_t to)
{
    for (size_t i = from; i < buffer.frames(); ++i) {
        const double progress = i >= to || to <= from ? 1.0 : static_cast<double>(i - from) / static_cast<double>(to - from);
        // A raised-cosine fade sounds smoother than a straight line.
        const float gain = static_cast<float>(0.5 + 0.5 * std::cos(pi * progress));
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

std::vector<int16_t> toPcm16(const StereoBuffer& buffer, double peak)
{
    double loudest = 0.0;
    for (size_t i = 0; i < buffer.frames(); ++i)
        loudest = std::max({loudest, std::fabs(static_cast<double>(buffer.left[i])),
                            std::fabs(static_cast<double>(buffer.right[i]))});
    const double gain = loudest > 0.0 ? std::clamp(peak, 0.0, 1.0) * 32767.0 / loudest : 0.0;
    std::vector<int16_t> pcm(buffer.frames() * 2);
    const auto convert = [gain](float sample) {
        // Clamped before the conversion so even a non-finite sample is defined.
        const double scaled = std::clamp(std::nearbyint(sample * gain), -32767.0, 32767.0);
        return static_cast<int16_t>(std::isnan(scaled) ? 0.0 : scaled);
    };
    for (size_t i = 0; i < buffer.frames(); ++i) {
        pcm[2 * i] = convert(buffer.left[i]);
        pcm[2 * i + 1] = convert(buffer.right[i]);
    }
    return pcm;
}

} // namespace tepple
