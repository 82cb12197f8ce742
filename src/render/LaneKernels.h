#pragma once
// The span kernels of each lane set, one file each, compiled for that set's instruction set
// (SpanLanesSse2.cpp, SpanLanesAvx2.cpp, SpanLanesAvx512.cpp), and whether this processor runs
// them.
#include "render/TexturedSpan.h"

// Whether this build holds the kernels of lane width 4, 8 or 16.
bool laneKernelsBuilt(int width);
// Whether this processor (and its operating system) runs the instructions of that width.
bool laneWidthRuns(int width);

// The kernels of lane width 4, 8 or 16; only for a width built and run here. Only the textured
// path has them: the smooth-shaded path's few operations per pixel cost less one row at a time
// than the lanes' loads, stores and bookkeeping (docs/performance.md).
const TexturedLaneKernels& laneKernels(int width);

// The lane width for `rows` rows in a call allowed `allowed` (a resolved width above 1): the
// narrowest set that takes them all.
inline int laneWidthFor(int rows, int allowed)
{
    int width = 4;
    while (width < rows && width < allowed) width *= 2;
    return width;
}

// The place of lane width 4, 8 or 16 in a table of the three.
constexpr int laneSetIndex(int width) { return width == 4 ? 0 : width == 8 ? 1 : 2; }

// Each set's kernels, defined in its own file where the build holds it.
const TexturedLaneKernels& laneKernelsSse2();
const TexturedLaneKernels& laneKernelsAvx2();
const TexturedLaneKernels& laneKernelsAvx512();
