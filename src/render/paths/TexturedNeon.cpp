// The textured path's kernels on the four-lane NEON set. Every aarch64 processor has NEON, so this
// file needs no instruction-set region of its own.
#include "render/paths/TexturedSpan.h"

#if defined(TEPPLE_LANES_NEON)
#include "render/lanes/Neon.h"
#include "render/paths/TexturedLaneKernel.h"

namespace tepple {
const TexturedLaneKernels& texturedKernelsNeon() { return texturedLaneKernelsOf<NeonLanes>; }
} // namespace tepple
#endif

