#include "SineMp3.h"

#include <lame/lame.h>

#include <cmath>
#include <cstdio>

namespace tepple {

namespace {

constexpr int sampleRate = 44100;

std::vector<short> sineFrames(double seconds, double frequency)
{
    const int frames = static_cast<int>(seconds * sampleRate);
    std::vector<short> interleaved(static_cast<size_t>(frames) * 2);
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < frames; ++i) {
        const short sample = static_cast<short>(16000.0 * std::sin(twoPi * frequency * i / sampleRate));
        interleaved[2 * static_cast<size_t>(i)] = sample;
        interleaved[2 * static_cast<size_t>(i) + 1] = sample;
    }
    return interleaved;
}

} // namespace

std::vector<uint8_t> encodeSineMp3(double seconds, double frequency)
{
    std::vector<short> pcm = sineFrames(seconds, frequency);
    const int frames = static_cast<int>(pcm.size() / 2);
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 0);
    std::vector<uint8_t> mp3;
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return mp3;
    }
    // LAME's documented worst case: 1.25 bytes per sample plus 7200.
    mp3.resize(static_cast<size_t>(1.25 * frames) + 7200);
    const int room = static_cast<int>(mp3.size());
    const int encoded = lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), room);
    const int flushed = encoded < 0 ? -1 : lame_encode_flush(lame, mp3.data() + encoded, room - encoded);
    lame_close(lame);
    mp3.resize(flushed < 0 ? 0 : static_cast<size_t>(encoded + flushed));
    return mp3;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace tepple
