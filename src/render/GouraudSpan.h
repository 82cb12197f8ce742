#pragma once
// What the smooth-shaded path's span kernels share: the attributes stepped across a span and the
// lane kernels each lane set builds (LaneKernels.h).
#include "render/EdgeTable.h"
#include "render/SpanTarget.h"

enum GouraudAttribute { shadeRed, shadeGreen, shadeBlue, shadeInvZ, gouraudAttributeCount };

// Draws `count` rows (1 to the set's width) of one triangle side by side.
using GouraudLaneKernel = void (*)(const SpanTarget& target, const Span<gouraudAttributeCount>* spans, int count);
// A lane set's kernels, indexed by blend.
struct GouraudLaneKernels {
    GouraudLaneKernel byBlend[2];
};
