// The textured path's eight-lane kernels, compiled for AVX2 and run only where the processor has
// it (lanes/LaneTable.h). Everything shared is included before the instruction-set region, so that
// the only code built for AVX2 is what names the lane set: an inline function compiled here for
// the wider instructions could otherwise stand in for the baseline's copy at link time.
#include <immintrin.h>

#include "render/lanes/InstructionSet.h"
#include "render/paths/TexturedSpan.h"

TEPPLE_INSTRUCTION_SET_BEGIN("avx2")

#include "render/lanes/Avx2.h"
#include "render/paths/TexturedLaneKernel.h"

namespace tepple {

const TexturedLaneKernels& texturedKernelsAvx2() { return texturedLaneKernelsOf<Avx2Lanes>; }

} // namespace tepple

TEPPLE_INSTRUCTION_SET_END
