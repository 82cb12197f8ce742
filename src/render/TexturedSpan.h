#pragma once
// What the textured path's span kernels share: the attributes stepped across a span, the target
// and texture of the call, and the lane kernels each lane set builds (LaneKernels.h).
#include "render/EdgeTable.h"
#include "render/SpanTarget.h"
#include "render/TextureSampling.h"

enum TexturedAttribute { uOverZ, vOverZ, red, green, blue, invZ, texturedAttributeCount };

// The first texture is addressed one texel to the left of (trunc(u), trunc(v)).
constexpr int firstTextureOffset = -1;

struct TexturedSpanContext;

// Draws `count` rows (1 to the set's width) of one triangle side by side.
using TexturedLaneKernel = void (*)(const TexturedSpanContext& context, const Span<texturedAttributeCount>* spans,
                                    int count);

struct TexturedSpanContext {
    const SpanTarget& target;
    const TextureView& texture;
    int laneWidth; // resolved (LaneWidth.h): 1 draws one row at a time
    // The call's kernel of lane width 4, 8 and 16, up to laneWidth (the others null).
    TexturedLaneKernel kernels[3];
};
// A lane set's kernels, indexed by 2 x blend + lit.
struct TexturedLaneKernels {
    TexturedLaneKernel byFlags[4];
};
