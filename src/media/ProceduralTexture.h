#pragma once
// The demonstration's generated texture: a pattern of waves and rings worked out pixel by pixel,
// with no data file behind it. Each channel is one formula moved by an offset of its own, and the
// precision of every step in it is fixed, since the pictures drawn with the texture depend on its
// exact pixels.
#include "pixels/Surface.h"

namespace tepple {

// Fills every pixel of a surface of any size with the wave-and-ring pattern. Pixel (x, y) depends
// only on x and y, never on the surface size.
void generateTexture(Surface& surface);

} // namespace tepple
