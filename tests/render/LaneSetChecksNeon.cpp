// The NEON four-lane set's checks (LaneSetChecks.h), in the aarch64 baseline instruction set.
#include <string>

#if defined(__aarch64__)
#include "LaneSetChecks.h"
#include "render/lanes/Neon.h"

namespace tepple {
std::string neonLaneSetProblems() { return laneSetProblems<NeonLanes>(); }
} // namespace tepple
#endif

