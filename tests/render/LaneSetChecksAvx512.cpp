// The sixteen-lane set's checks (LaneSetChecks.h), compiled as its kernels are: everything shared
// before the target region.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geometry/SafeFloat.h"
#include "render/ChannelArithmetic.h"
#include "render/LaneTarget.h"
#include "render/TextureSampling.h"

TEPPLE_LANE_TARGET_BEGIN("avx512f")

#include "LaneSetChecks.h"
#include "render/LanesAvx512.h"

std::string avx512LaneSetProblems() { return laneSetProblems<Avx512Lanes>(); }

TEPPLE_LANE_TARGET_END
