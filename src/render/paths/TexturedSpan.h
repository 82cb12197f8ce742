#pragma once
// What the textured path's span kernels share, one span at a time or on a lane set: the attributes
// stepped across a span, the buffers and texture of the call, and the kernel types. Includes every
// header the lane kernels (TexturedLaneKernel.h) draw on, so that a file compiling them for one
// instruction set includes this one before its region.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/lanes/LaneTable.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/DepthRule.h"
#include "render/stages/EdgeTable.h"
#include "render/stages/TextureSampling.h"

namespace tepple {

enum TexturedAttribute { uOverZ, vOverZ, red, green, blue, invZ, texturedAttributeCount };

// The first texture is addressed one texel to the left of (trunc(u), trunc(v)).
constexpr int firstTextureOffset = -1;

struct TexturedSpanContext;

// Draws `count` spans (1 to the set's width) of one triangle side by side.
using TexturedLaneKernel = void (*)(const TexturedSpanContext& context,
                                    const Span<texturedAttributeCount>* spans, int count);

// A lane set's kernels, indexed by 2 x blend + lit.
struct TexturedLaneKernels {
    TexturedLaneKernel byFlags[4];
};

// Held by value, so that a call kept for the frame's strips (TriangleLoop.h) keeps its own.
struct TexturedSpanContext {
    DrawBuffers buffers;
    TextureView texture;
    // The call's kernel on each lane set of laneSets(), for its blend and lit flags (a set the
    // call does not draw with holds one all the same).
    std::array<TexturedLaneKernel, laneSetCount> kernels;
};

// Each lane set's kernels, defined in the set's own file (paths/TexturedSse2.cpp and the others).
#define TEPPLE_TEXTURED_KERNELS_OF(name, ...) const TexturedLaneKernels& texturedKernels##name();
TEPPLE_EACH_LANE_SET(TEPPLE_TEXTURED_KERNELS_OF)
#undef TEPPLE_TEXTURED_KERNELS_OF

} // namespace tepple
