// The textured path's eight-lane kernels, compiled for AVX2 and run only where the processor
// has it (LaneWidth.cpp). Everything shared is included before the target region, so that the
// only code built for AVX2 is what names the lane set: an inline function compiled here for
// the wider instructions could otherwise stand in for the baseline's copy at link time.
#include <immintrin.h>

#include "render/SpanLanesShared.h"

TEPPLE_LANE_TARGET_BEGIN("avx2")

#include "render/LanesAvx2.h"
#include "render/TexturedLanes.h"

const TexturedLaneKernels& laneKernelsAvx2() { return texturedLaneKernelsOf<Avx2Lanes>; }

TEPPLE_LANE_TARGET_END
