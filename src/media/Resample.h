#pragma once
// Pictures enlarged by a whole factor, smoothly: for the demonstration drawn at N times its size,
// whose background comes at one size only.
#include "pixels/Surface.h"

namespace tepple {

// Fills `target` (N times `source`'s width and height, N >= 1) with `source` enlarged: each target
// pixel takes the bilinear mix of the four source pixels around its centre, edges held. At N = 1
// it is a copy. Throws std::invalid_argument when the sizes are not a whole factor apart.
void enlargeSmoothly(const Surface& source, Surface& target);

} // namespace tepple
