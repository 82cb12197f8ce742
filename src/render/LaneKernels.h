#pragma once
// The span kernels of each lane set, one file each, compiled for that set's instruction set
// (TexturedLanesSse2.cpp, TexturedLanesAvx2.cpp, TexturedLanesAvx512.cpp), and whether this
// processor runs them.
#include "render/TexturedSpan.h"

// Whether this build holds the kernels of lane width 4, 8 or 16.
bool laneKernelsBuilt(int width);
// Whether this processor (and its operating system) runs the instructions of that width.
bool laneWidthRuns(int width);

// The textured path's kernels of lane width 4, 8 or 16; only for a width built and run here.
const TexturedLaneKernels& texturedLaneKernels(int width);

// Each set's table, defined in its own file where the build holds it.
const TexturedLaneKernels& texturedLaneKernelsSse2();
const TexturedLaneKernels& texturedLaneKernelsAvx2();
const TexturedLaneKernels& texturedLaneKernelsAvx512();
