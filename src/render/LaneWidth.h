#pragma once
// How many spans the kernels draw side by side, chosen when the program runs: the widest lane set
// both the build and the processor have, unless the renderer asks for fewer. Every width gives the
// bits of drawing one span at a time, so the choice changes speed, never pictures.
#include <vector>

namespace tepple {

// The widest lane set any build holds: AVX-512, 16 lanes.
constexpr int maxLaneWidth = 16;

// The widths this build can run on this processor, narrowest first: always 1 (one span at a time),
// then each lane set's it has: 4 (SSE2, or WebAssembly SIMD in the browser), 8 (AVX2), 16 (AVX-512).
std::vector<int> laneWidthsAvailable();

// The width to draw with for a renderer's laneWidth setting: 0 is the widest available; any other
// value the widest available that does not exceed it (at least 1).
int resolvedLaneWidth(int requested);

} // namespace tepple
