#include "render/LaneWidth.h"

#include <stdexcept>
#include <string>

#include "render/LaneKernels.h"

bool laneKernelsBuilt(int width)
{
    switch (width) {
#if defined(__SSE2__)
    case 4:
        return true;
#endif
#if defined(TEPPLE_WIDE_LANES)
    case 8:
    case 16:
        return true;
#endif
    default:
        return false;
    }
}

bool laneWidthRuns(int width)
{
#if defined(TEPPLE_WIDE_LANES)
    // The checks include the operating system's saving of the wider registers.
    if (width == 8) return __builtin_cpu_supports("avx2");
    if (width == 16) return __builtin_cpu_supports("avx512f");
#endif
    return width == 4;
}

const TexturedLaneKernels& laneKernels(int width)
{
    switch (width) {
#if defined(__SSE2__)
    case 4:
        return laneKernelsSse2();
#endif
#if defined(TEPPLE_WIDE_LANES)
    case 8:
        return laneKernelsAvx2();
    case 16:
        return laneKernelsAvx512();
#endif
    default:
        throw std::logic_error("no lane kernels of width " + std::to_string(width) + " in this build");
    }
}

std::vector<int> laneWidthsAvailable()
{
    std::vector<int> widths{1};
    for (const int width : {4, 8, 16}) {
        if (laneKernelsBuilt(width) && laneWidthRuns(width)) widths.push_back(width);
    }
    return widths;
}

int resolvedLaneWidth(int requested)
{
    // Asked once per draw call; the processor's answer does not change while the program runs.
    static const std::vector<int> available = laneWidthsAvailable();
    int chosen = 1;
    for (const int width : available) {
        if (requested <= 0 || width <= requested) chosen = width;
    }
    return chosen;
}
