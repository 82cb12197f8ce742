#pragma once
// MP3 encoding of the soundtrack with LAME.
#include <cstdint>
#include <vector>

namespace tepple {

// Encodes interleaved left/right 16-bit samples at 44,100 Hz as joint-stereo VBR MP3. The first
// frame is LAME's info tag, written after the flush, so decoders know the exact length and trim
// the encoder's padding: the piece loops without a gap. Throws std::runtime_error when the
// encoder fails or the sample count is odd.
std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& interleaved);

} // namespace tepple
