// The textured path's eight-lane kernels, compiled for AVX2 and run only where the processor
// has it (LaneWidth.cpp). Everything shared is included before the target region, so that the
// only code built for AVX2 is what names the lane set: an inline function compiled here for
// the wider instructions could otherwise stand in for the baseline's copy at link time.
#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/DepthRule.h"
#include "render/EdgeTable.h"
#include "render/LaneKernels.h"
#include "render/LaneWidth.h"
#include "render/SpanTarget.h"
#include "render/TextureSampling.h"
#include "render/TexturedSpan.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "render/LanesAvx2.h"
#include "render/TexturedLanes.h"

const LaneKernelSet& laneKernelsAvx2()
{
    static constexpr LaneKernelSet kernels{texturedLaneKernelsOf<Avx2Lanes>};
    return kernels;
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
