#pragma once
// Per-channel arithmetic through the renderer's 256 x 256 tables: index a x 256 + b, both
// channels 0-255. Every table entry is itself 0-255, so the packed result never carries.
#include <cstdint>

#include "geometry/Vertex.h"

// Each channel of `colour` looked up against the matching channel value given separately.
inline uint32_t tableChannels(const int32_t* table, uint32_t colour, int red, int green, int blue)
{
    return packColour(table[redOf(colour) * 256 + red], table[greenOf(colour) * 256 + green],
                      table[blueOf(colour) * 256 + blue]);
}

// Each channel of `a` looked up against the matching channel of `b`.
inline uint32_t tableChannels(const int32_t* table, uint32_t a, uint32_t b)
{
    return tableChannels(table, a, redOf(b), greenOf(b), blueOf(b));
}
