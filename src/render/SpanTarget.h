#pragma once
// What a rasteriser's span kernels write into during one draw call: the target's pixels, the
// renderer's accumulation and depth buffers (all width entries a row), the call's depth rule and
// the visibility window.
#include <cstddef>
#include <cstdint>

#include "render/DepthRule.h"
#include "render/Viewport.h"

struct SpanTarget {
    uint32_t* pixels;
    uint32_t* accum;
    double* depth;
    size_t width;
    DepthRule depthRule;
    VisibilityWindow window;

    // Where row `row` starts in each buffer.
    size_t rowStart(int row) const { return static_cast<size_t>(row) * width; }
};
