// The eight-lane set's checks (LaneSetChecks.h), compiled as its kernels are: everything shared
// before the target region.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geometry/SafeFloat.h"
#include "render/ChannelArithmetic.h"
#include "render/TextureSampling.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "LaneSetChecks.h"
#include "render/LanesAvx2.h"

std::string avx2LaneSetProblems() { return laneSetProblems<Avx2Lanes>(); }

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
