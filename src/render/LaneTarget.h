#pragma once
// A target region: the functions defined between TEPPLE_LANE_TARGET_BEGIN("isa") and
// TEPPLE_LANE_TARGET_END are compiled for that instruction set, the rest of the file for the
// build's baseline. A file using it includes every shared header before the region, so that only
// code naming its lane set is built for the wider instructions (SpanLanesAvx2.cpp).
#define TEPPLE_LANE_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define TEPPLE_LANE_TARGET_BEGIN(isa) \
    TEPPLE_LANE_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define TEPPLE_LANE_TARGET_END TEPPLE_LANE_PRAGMA(clang attribute pop)
#else
#define TEPPLE_LANE_TARGET_BEGIN(isa) TEPPLE_LANE_PRAGMA(GCC push_options) TEPPLE_LANE_PRAGMA(GCC target(isa))
#define TEPPLE_LANE_TARGET_END TEPPLE_LANE_PRAGMA(GCC pop_options)
#endif
