// The textured path's kernels on the four-lane set. SSE2 is the x86-64 baseline (and the browser
// build's WebAssembly SIMD), so this file needs no instruction-set region of its own.
#include "render/paths/TexturedSpan.h"

#if defined(TEPPLE_LANES_SSE2)
#include "render/lanes/Sse2.h"
#include "render/paths/TexturedLaneKernel.h"

namespace tepple {
const TexturedLaneKernels& texturedKernelsSse2() { return texturedLaneKernelsOf<Sse2Lanes>; }
} // namespace tepple
#endif

