#pragma once
// Direct-colour pixel formats: how many bits a pixel takes and which of them hold each channel.
// The window and every surface use displayFormat32(); other formats only describe pixel rows a
// surface loads from (Surface.h).
#include <cstdint>

namespace tepple {

// Direct colour: bits per pixel and channel masks.
struct Format {
    int bits;
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    uint32_t alphaMask;
};

// 32-bit 0x00RRGGBB: the window's format and every surface's.
inline Format displayFormat32() { return Format{32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0}; }
// 24-bit rows read as little-endian 0xRRGGBB words (bytes blue, green, red): TGA pixel rows.
inline Format rowFormat24() { return Format{24, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }

} // namespace tepple
