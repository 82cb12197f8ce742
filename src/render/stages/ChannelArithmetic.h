#pragma once
// Per-channel arithmetic of packed 0x00RRGGBB colours: the truncated product scaled by 1/256 that
// lighting modulates texels with, and the truncated mean that blending mixes with. Both read only
// the three low bytes of their operands and leave the top byte 0; no channel ever carries.
#include <cstdint>

namespace tepple {

// (t x c) / 256 per channel: each channel of `texel` scaled by the matching channel value 0-255.
inline uint32_t scaledChannels(uint32_t texel, int red, int green, int blue)
{
    const uint32_t r = ((texel >> 16 & 0xFF) * static_cast<uint32_t>(red)) >> 8;
    const uint32_t g = ((texel >> 8 & 0xFF) * static_cast<uint32_t>(green)) >> 8;
    const uint32_t b = ((texel & 0xFF) * static_cast<uint32_t>(blue)) >> 8;
    return r << 16 | g << 8 | b;
}

// (a + b) / 2 per channel, all three at once: floor((a + b) / 2) = floor(a / 2) + floor(b / 2) +
// (a & b & 1), and each halved channel is masked so the bit shifted in from the channel above
// (or the top byte) is dropped.
inline uint32_t meanChannels(uint32_t a, uint32_t b)
{
    return ((a >> 1) & 0x7F7F7Fu) + ((b >> 1) & 0x7F7F7Fu) + (a & b & 0x010101u);
}

} // namespace tepple
