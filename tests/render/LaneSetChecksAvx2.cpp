// The eight-lane set's checks (LaneSetChecks.h), compiled as its kernels are: everything shared
// before the instruction-set region.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/SafeFloat.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/lanes/InstructionSet.h"
#include "render/stages/TextureSampling.h"

TEPPLE_INSTRUCTION_SET_BEGIN("avx2")

#include "LaneSetChecks.h"
#include "render/lanes/Avx2.h"

namespace tepple {

std::string avx2LaneSetProblems() { return laneSetProblems<Avx2Lanes>(); }

} // namespace tepple

TEPPLE_INSTRUCTION_SET_END
