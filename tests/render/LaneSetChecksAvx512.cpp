// The sixteen-lane set's checks (LaneSetChecks.h), compiled as its kernels are: everything shared
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

TEPPLE_INSTRUCTION_SET_BEGIN("avx512f")

#include "LaneSetChecks.h"
#include "render/lanes/Avx512.h"

namespace tepple {

std::string avx512LaneSetProblems() { return laneSetProblems<Avx512Lanes>(); }

} // namespace tepple

TEPPLE_INSTRUCTION_SET_END
