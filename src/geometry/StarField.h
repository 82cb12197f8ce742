#pragma once
// A random cloud of coloured points drawn as sprites.
#include "geometry/Mesh.h"

namespace tepple {

// Fills a freshly constructed mesh with `count` points: x in -14..14, y in -9..9,
// z in zBase - 9..zBase + 9 (whole numbers apart from zBase), each channel 0..254.
// A negative count is taken as 0; any triangle arrays the mesh held are emptied.
// Seeds the field's generator from the clock in whole seconds, so every run differs.
int makeStarField(Mesh& mesh, int count, float zBase);
// The same with a given seed: the same seed always gives the same field, on every platform. The
// numbers are those GNU libc's rand() gives after srand(seed), whatever the C library.
int makeStarField(Mesh& mesh, int count, float zBase, unsigned seed);

} // namespace tepple
