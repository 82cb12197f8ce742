// The four-lane set's checks (LaneSetChecks.h), in the baseline instruction set.
#include <string>

#if defined(__SSE2__)
#include "LaneSetChecks.h"
#include "render/lanes/Sse2.h"

namespace tepple {
std::string sse2LaneSetProblems() { return laneSetProblems<Sse2Lanes>(); }
} // namespace tepple
#endif

