#pragma once
// Every header the lane kernels (RowLanes.h, TexturedLanes.h) draw on, for the files that compile
// them for one instruction set to include before their target region (LaneTarget.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/DepthRule.h"
#include "render/EdgeTable.h"
#include "render/LaneKernels.h"
#include "render/LaneTarget.h"
#include "render/LaneWidth.h"
#include "render/SpanTarget.h"
#include "render/TextureSampling.h"
#include "render/TexturedSpan.h"
