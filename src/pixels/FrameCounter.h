#pragma once
// The one global of the program: how many frames have been presented since the timeline started.
// The frame loop resets and advances it; the renderer's depth rule keys every pixel with it, so
// that the depth buffer never needs clearing (see render/DepthRule.h).
#include <cstdint>

extern uint32_t frameCounter;
