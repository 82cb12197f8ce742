// The soundtrack synthesiser's building blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Effects.h"
#include "Synth.h"

namespace tepple {

namespace {

TEST(AssetSynth, PolynomialSineMatchesTheLibrary)
{
    for (int i = 0; i < 1000; ++i) {
        const double phase = i / 1000.0;
        ASSERT_NEAR(sineOfPhase(phase), std::sin(2.0 * 3.141592653589793 * phase), 1e-6) << phase;
    }
}

TEST(AssetSynth, SoftClipIsOddBoundedAndNearlyLinearWhenSmall)
{
    EXPECT_DOUBLE_EQ(softClip(0.0), 0.0);
    EXPECT_NEAR(softClip(0.05), 0.05, 1e-4);
    EXPECT_DOUBLE_EQ(softClip(-0.7), -softClip(0.7));
    EXPECT_DOUBLE_EQ(softClip(50.0), 1.0);
    EXPECT_LE(softClip(2.999), 1.0);
}

TEST(AssetSynth, OscillatorsStayBoundedWithoutOffset)
{
    SawOscillator saw;
    PulseOscillator pulse;
    double sawSum = 0.0;
    double pulseSum = 0.0;
    // 441 Hz: exactly 100 samples a cycle, so a whole number of cycles averages to zero.
    const int samples = 100 * 441;
    for (int i = 0; i < samples; ++i) {
        const double s = saw.next(441.0);
        const double p = pulse.next(441.0, 0.5);
        ASSERT_LE(std::fabs(s), 1.05);
        ASSERT_LE(std::fabs(p), 1.05);
        sawSum += s;
        pulseSum += p;
    }
    EXPECT_NEAR(sawSum / samples, 0.0, 0.01);
    EXPECT_NEAR(pulseSum / samples, 0.0, 0.01);
}

TEST(AssetSynth, LowPassKeepsBassAndRemovesHiss)
{
    const auto gainAt = [](double frequency) {
        StateVariableFilter filter;
        filter.setCutoff(500.0, 0.0);
        SineOscillator tone;
        double peak = 0.0;
        for (int i = 0; i < audioRate / 2; ++i) {
            const double out = filter.process(tone.next(frequency)).low;
            if (i > audioRate / 4) peak = std::max(peak, std::fabs(out));
        }
        return peak;
    };
    EXPECT_NEAR(gainAt(50.0), 1.0, 0.05);
    EXPECT_LT(gainAt(10000.0), 0.01);
}

TEST(AssetSynth, EnvelopeRisesHoldsAndFallsSilent)
{
    EnvelopeGenerator envelope({0.01, 0.05, 0.5, 0.02}, 0.5);
    double level = 0.0;
    const size_t attackEnd = static_cast<size_t>(0.01 * audioRate);
    for (size_t i = 0; i < attackEnd; ++i) level = envelope.next();
    EXPECT_NEAR(level, 1.0, 1e-9);
    for (size_t i = attackEnd; i < static_cast<size_t>(0.45 * audioRate); ++i) level = envelope.next();
    EXPECT_NEAR(level, 0.5, 0.01) << "settled on the sustain level";
    EXPECT_FALSE(envelope.silent());
    size_t position = static_cast<size_t>(0.45 * audioRate);
    while (!envelope.silent() && position < envelope.length()) {
        level = envelope.next();
        ++position;
    }
    EXPECT_TRUE(envelope.silent()) << "the release dies away within length()";
    EXPECT_LT(level, 1e-3);
}

TEST(AssetSynth, DcRemovalAndFadeOut)
{
    StereoBuffer buffer(audioRate);
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] = 0.5f;
        buffer.right[i] = -0.25f;
    }
    removeDc(buffer, 12.0);
    EXPECT_LT(std::fabs(buffer.left.back()), 0.01);
    EXPECT_LT(std::fabs(buffer.right.back()), 0.01);
    fadeOut(buffer, 100, 200);
    for (size_t i = 200; i < buffer.frames(); ++i) ASSERT_EQ(buffer.left[i], 0.0f);
}

TEST(AssetSynth, SixteenBitConversionScalesToThePeakAndDefinesNonFinite)
{
    StereoBuffer buffer(4);
    buffer.left = {0.5f, -2.0f, std::numeric_limits<float>::quiet_NaN(), 0.0f};
    buffer.right = {1.0f, 0.0f, 0.0f, -1.0f};
    const std::vector<int16_t> pcm = toPcm16(buffer, 0.5);
    ASSERT_EQ(pcm.size(), 8u);
    EXPECT_EQ(pcm[2], -16384); // the loudest sample lands on half of full scale
    EXPECT_EQ(pcm[0], 4096);
    EXPECT_EQ(pcm[4], 0);      // NaN becomes silence
    EXPECT_EQ(pcm[1], 8192);
}

} // namespace

} // namespace tepple
