#pragma once
// How many rows the span kernels draw side by side, chosen when the program runs: the widest lane
// set both the build and the processor have, unless the renderer asks for fewer. Every width gives
// the bits of drawing one row at a time (RowLanes.h), so the choice changes speed, never pictures.
#include <vector>

// The widest lane set there is: AVX-512, 16 rows.
constexpr int maxLaneWidth = 16;

// The widths this build can run on this processor, narrowest first: always 1 (one row at a
// time), then those of 4 (SSE2), 8 (AVX2) and 16 (AVX-512) it has.
std::vector<int> laneWidthsAvailable();

// The width to draw with for a renderer's laneWidth setting: 0 is the widest available; any other
// value the widest available that does not exceed it (at least 1).
int resolvedLaneWidth(int requested);
