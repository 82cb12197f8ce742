// The synthesised soundtrack before encoding, and the encoded "pelmoric.mp3" in the run folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "RunFolder.h"
#include "Soundtrack.h"

namespace tepple {

namespace {

class AssetSoundtrack : public ::testing::Test {
protected:
    // Rendering takes a couple of seconds: once for the whole suite.
    static void SetUpTestSuite() { pcm_ = new std::vector<int16_t>(renderSoundtrack()); }
    static void TearDownTestSuite()
    {
        delete pcm_;
        pcm_ = nullptr;
    }
    static const std::vector<int16_t>& pcm() { return *pcm_; }
    static size_t frames() { return pcm_->size() / 2; }

    // Root mean square of one channel (0 left, 1 right) over [from, to) seconds, in full scale.
    static double rms(double from, double to, int channel)
    {
        const size_t first = static_cast<size_t>(from * soundtrackRate);
        const size_t last = std::min(frames(), static_cast<size_t>(to * soundtrackRate));
        double sum = 0.0;
        for (size_t i = first; i < last; ++i) {
            const double s = (*pcm_)[2 * i + static_cast<size_t>(channel)] / 32768.0;
            sum += s * s;
        }
        return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
    }

private:
    static std::vector<int16_t>* pcm_;
};

std::vector<int16_t>* AssetSoundtrack::pcm_ = nullptr;

TEST_F(AssetSoundtrack, OutlastsTheDemoInStereo)
{
    EXPECT_EQ(pcm().size() % 2, 0u);
    EXPECT_GE(frames(), static_cast<size_t>(150 * soundtrackRate));
}

TEST_F(AssetSoundtrack, NeverClipsAndIsLoudEnough)
{
    int peak = 0;
    for (int16_t s : pcm()) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LT(peak, 32000) << "headroom for the encoder";
    EXPECT_GT(peak, 16384);
}

TEST_F(AssetSoundtrack, HasNoDcOffset)
{
    for (int channel = 0; channel < 2; ++channel) {
        double sum = 0.0;
        for (size_t i = 0; i < frames(); ++i) sum += pcm()[2 * i + static_cast<size_t>(channel)];
        EXPECT_LT(std::fabs(sum / static_cast<double>(frames())), 0.001 * 32768) << "channel " << channel;
    }
}

TEST_F(AssetSoundtrack, PlaysWithoutGapsUntilTheDemoEnds)
{
    // Every quarter second from the first half second to 150 s carries sound on both sides.
    for (double t = 0.5; t < 150.0; t += 0.25) {
        EXPECT_GT(rms(t, t + 0.25, 0), 0.005) << "left quiet at " << t << " s";
        EXPECT_GT(rms(t, t + 0.25, 1), 0.005) << "right quiet at " << t << " s";
    }
}

TEST_F(AssetSoundtrack, EverySectionIsHeard)
{
    const std::vector<SoundtrackSection> sections = soundtrackSections();
    ASSERT_FALSE(sections.empty());
    for (size_t i = 0; i < sections.size(); ++i) {
        const double end = i + 1 < sections.size() ? sections[i + 1].startSeconds : 150.0;
        SCOPED_TRACE(sections[i].name);
        EXPECT_GT(rms(sections[i].startSeconds, end, 0), 0.03);
    }
}

TEST_F(AssetSoundtrack, EndsInSilenceSoTheLoopPointIsClean)
{
    EXPECT_LT(rms(soundtrackSeconds - 0.05, soundtrackSeconds, 0), 0.0005);
    EXPECT_LT(rms(soundtrackSeconds - 0.05, soundtrackSeconds, 1), 0.0005);
}

// ---- the encoded file --------------------------------------------------------------------

struct Mp3Summary {
    int frames = 0;           // including the info-tag frame
    bool allMpeg1Layer3At44100 = true;
    bool infoTag = false;     // "Xing" or "Info" in the first frame
    int encoderDelay = -1;    // from the LAME extension of the tag
    int padding = -1;
};

int bitrateOf(int index)
{
    static const int kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    return kbps[index & 15];
}

Mp3Summary summarise(const std::vector<uint8_t>& bytes)
{
    Mp3Summary summary;
    size_t at = 0;
    while (at + 4 <= bytes.size()) {
        const uint8_t* h = &bytes[at];
        const bool sync = h[0] == 0xFF && (h[1] & 0xE0) == 0xE0;
        const bool mpeg1Layer3 = (h[1] & 0x1E) == 0x1A;
        const int bitrate = bitrateOf(h[2] >> 4);
        const bool rate44100 = ((h[2] >> 2) & 3) == 0;
        if (!sync || !mpeg1Layer3 || bitrate == 0 || !rate44100) {
            summary.allMpeg1Layer3At44100 = false;
            break;
        }
        const size_t length = static_cast<size_t>(144000 * bitrate / 44100 + ((h[2] >> 1) & 1));
        if (summary.frames == 0 && at + 36 + 4 <= bytes.size()) {
            // Stereo MPEG-1: the tag follows the 4-byte header and 32 bytes of side information.
            const uint8_t* tag = h + 36;
            summary.infoTag = std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0;
            const auto frameStart = bytes.begin() + static_cast<long>(at);
            const auto frameEnd = bytes.begin() + static_cast<long>(std::min(bytes.size(), at + length));
            const auto lame = std::search(frameStart, frameEnd, std::begin("LAME"), std::begin("LAME") + 4);
            const size_t lameAt = static_cast<size_t>(lame - bytes.begin());
            if (lameAt + 24 <= bytes.size() && lameAt < at + length) {
                const uint8_t* d = &bytes[lameAt + 21];
                summary.encoderDelay = d[0] << 4 | d[1] >> 4;
                summary.padding = (d[1] & 0x0F) << 8 | d[2];
            }
        }
        ++summary.frames;
        at += length;
    }
    return summary;
}

TEST(AssetMp3, IsAGaplessStreamOfTheWholePiece)
{
    const std::vector<uint8_t> bytes = readBytes(runPath("pelmoric.mp3"));
    ASSERT_GT(bytes.size(), 100000u);
    const Mp3Summary summary = summarise(bytes);
    EXPECT_TRUE(summary.allMpeg1Layer3At44100);
    EXPECT_TRUE(summary.infoTag) << "the info tag must overwrite the placeholder at the start";
    ASSERT_GE(summary.encoderDelay, 0);
    ASSERT_GE(summary.padding, 0);
    // What a gapless decoder plays: every audio frame's 1152 samples less the delay and padding.
    const long playedSamples = static_cast<long>(summary.frames - 1) * 1152 - summary.encoderDelay - summary.padding;
    EXPECT_EQ(playedSamples, static_cast<long>(soundtrackSeconds * soundtrackRate));
}

} // namespace

} // namespace tepple
