#include "Mp3Encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

namespace tepple {

namespace {

constexpr int sampleRate = 44100;
constexpr int framesPerCall = 8192;

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using Encoder = std::unique_ptr<lame_global_flags, LameCloser>;

Encoder openEncoder()
{
    Encoder encoder(lame_init());
    if (!encoder) throw std::runtime_error("MP3 encoder could not be created");
    lame_global_flags* flags = encoder.get();
    lame_set_in_samplerate(flags, sampleRate);
    lame_set_out_samplerate(flags, sampleRate);
    lame_set_num_channels(flags, 2);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_quality(flags, 2);
    lame_set_VBR(flags, vbr_default);
    lame_set_VBR_quality(flags, 4.0f);
    // The info tag carries the delay and padding that gapless decoders trim.
    lame_set_bWriteVbrTag(flags, 1);
    if (lame_init_params(flags) < 0) throw std::runtime_error("MP3 encoder rejected its settings");
    return encoder;
}

void check(int result, const char* step)
{
    if (result < 0) throw std::runtime_error(std::string("MP3 encoding failed while ") + step + " (LAME error " +
                                             std::to_string(result) + ")");
}

} // namespace

std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& interleaved)
{
    if (interleaved.size() % 2 != 0) throw std::runtime_error("MP3 input must hold whole left/right pairs");
    Encoder encoder = openEncoder();
    // LAME reads its input through a non-const pointer; it gets a copy it may use as it likes.
    std::vector<int16_t> pcm = interleaved;
    const size_t frames = pcm.size() / 2;
    std::vector<uint8_t> out;
    std::vector<unsigned char> chunk(static_cast<size_t>(1.25 * framesPerCall) + 7200);

    for (size_t done = 0; done < frames; done += framesPerCall) {
        const int count = static_cast<int>(std::min<size_t>(framesPerCall, frames - done));
        const int bytes = lame_encode_buffer_interleaved(encoder.get(), pcm.data() + 2 * done, count, chunk.data(),
                                                         static_cast<int>(chunk.size()));
        check(bytes, "encoding");
        out.insert(out.end(), chunk.begin(), chunk.begin() + bytes);
    }
    const int flushed = lame_encode_flush(encoder.get(), chunk.data(), static_cast<int>(chunk.size()));
    check(flushed, "flushing");
    out.insert(out.end(), chunk.begin(), chunk.begin() + flushed);

    // LAME left room for the info tag at the start of the stream; fill it in now that the totals are known.
    unsigned char tag[2880];
    const size_t tagBytes = lame_get_lametag_frame(encoder.get(), tag, sizeof tag);
    if (tagBytes > sizeof tag || tagBytes > out.size()) throw std::runtime_error("MP3 info tag does not fit");
    std::copy(tag, tag + tagBytes, out.begin());
    return out;
}

} // namespace tepple
