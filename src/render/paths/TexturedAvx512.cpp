// The textured path's sixteen-lane kernels, compiled for AVX-512 F and run only where the processor has
// it (lanes/LaneTable.h). Everything shared is included before the instruction-set region, so that
// the only code built for AVX-512 F is what names the lane set: an inline function compiled here for
// the wider instructions could otherwise stand in for the baseline's copy at link time.
#include <immintrin.h>

#include "render/lanes/InstructionSet.h"
#include "render/paths/TexturedSpan.h"

TEPPLE_INSTRUCTION_SET_BEGIN("avx512f")

#include "render/lanes/Avx512.h"
#include "render/paths/TexturedLaneKernel.h"

namespace tepple {

const TexturedLaneKernels& texturedKernelsAvx512() { return texturedLaneKernelsOf<Avx512Lanes>; }

} // namespace tepple

TEPPLE_INSTRUCTION_SET_END
