// The eight-lane set's checks (LaneSetChecks.h), compiled as its kernels are: everything shared
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

TEPPLE_LANE_TARGET_BEGIN("avx2")

#include "LaneSetChecks.h"
#include "render/LanesAvx2.h"

std::string avx2LaneSetProblems() { return laneSetProblems<Avx2Lanes>(); }

TEPPLE_LANE_TARGET_END
