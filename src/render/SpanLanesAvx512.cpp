// The textured path's sixteen-lane kernels, compiled for AVX-512 F and run only where the processor
// has it (LaneWidth.cpp). Everything shared is included before the target region, so that the
// only code built for AVX-512 F is what names the lane set: an inline function compiled here for
// the wider instructions could otherwise stand in for the baseline's copy at link time.
#include <immintrin.h>

#include "render/SpanLanesShared.h"

TEPPLE_LANE_TARGET_BEGIN("avx512f")

#include "render/LanesAvx512.h"
#include "render/TexturedLanes.h"

const TexturedLaneKernels& laneKernelsAvx512() { return texturedLaneKernelsOf<Avx512Lanes>; }

TEPPLE_LANE_TARGET_END
