#pragma once
// The lane sets this build holds, in one table, narrowest first. Each row names a set and what the
// engine must know of it:
//   X(Name, width, "instruction set", runs here, reads any index)
// Name: the set is Name##Lanes in lanes/Name.h, and each path with a lane form has a file of its
// kernels on it (paths/TexturedName.cpp). Runs here: an expression, true where this processor and
// its operating system run the instructions. Reads any index: the set reads textures lane by lane,
// so a texture with more texels than a 32-bit index reaches may be drawn with it.
//
// A file that lists the sets passes a macro of those five parameters to TEPPLE_EACH_LANE_SET. A
// build without lane sets (TEPPLE_NO_LANE_SETS, or a processor with none of these) lists none and
// draws every span one at a time, with the same pictures.
#include <array>

// The set the build's baseline runs without an instruction-set region (BaselineLanes): the Gouraud
// path steps its four attributes on it.
#if defined(__SSE2__) && !defined(TEPPLE_NO_LANE_SETS)
#define TEPPLE_LANE_SETS_BASELINE(X) X(Sse2, 4, "sse2", true, true)
#include "render/lanes/Sse2.h"
#define TEPPLE_BASELINE_LANES 1
#define TEPPLE_LANES_SSE2 1
#elif defined(__aarch64__) && !defined(TEPPLE_NO_LANE_SETS)
#define TEPPLE_LANE_SETS_BASELINE(X) X(Neon, 4, "neon", true, true)
#include "render/lanes/Neon.h"
#define TEPPLE_BASELINE_LANES 1
#define TEPPLE_LANES_NEON 1
#else
#define TEPPLE_LANE_SETS_BASELINE(X)
#endif

namespace tepple {

#if defined(TEPPLE_LANES_SSE2)
using BaselineLanes = Sse2Lanes;
#elif defined(TEPPLE_LANES_NEON)
using BaselineLanes = NeonLanes;
#endif

#if defined(TEPPLE_WIDE_LANES) && !defined(TEPPLE_NO_LANE_SETS)
// The checks include the operating system's saving of the wider registers.
#define TEPPLE_LANE_SETS_WIDE(X)                                   \
    X(Avx2, 8, "avx2", __builtin_cpu_supports("avx2"), false)      \
    X(Avx512, 16, "avx512f", __builtin_cpu_supports("avx512f"), false)
#else
#define TEPPLE_LANE_SETS_WIDE(X)
#endif

#define TEPPLE_EACH_LANE_SET(X) TEPPLE_LANE_SETS_BASELINE(X) TEPPLE_LANE_SETS_WIDE(X)

struct LaneSet {
    int width;
    const char* instructions;
    bool runsHere;
    bool readsAnyIndex;
};

#define TEPPLE_COUNT_LANE_SET(...) +1
constexpr int laneSetCount = 0 TEPPLE_EACH_LANE_SET(TEPPLE_COUNT_LANE_SET);
#undef TEPPLE_COUNT_LANE_SET

// Every lane set of the build, narrowest first, and whether this processor runs it; asked once.
const std::array<LaneSet, laneSetCount>& laneSets();

} // namespace tepple
