// The textured path's four-lane kernels. SSE2 is the x86-64 baseline (and the browser build's
// WebAssembly SIMD), so this file needs no target region of its own.
#if defined(__SSE2__)
#include "render/LaneKernels.h"
#include "render/LanesSse2.h"
#include "render/TexturedLanes.h"

const TexturedLaneKernels& laneKernelsSse2() { return texturedLaneKernelsOf<Sse2Lanes>; }
#endif
