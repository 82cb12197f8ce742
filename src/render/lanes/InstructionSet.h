#pragma once

namespace tepple {

// An instruction-set region: the functions defined between TEPPLE_INSTRUCTION_SET_BEGIN("isa") and
// TEPPLE_INSTRUCTION_SET_END are compiled for that instruction set, the rest of the file for the
// build's baseline. A file using it includes every shared header before the region, so that only
// code naming its lane set is built for the wider instructions (paths/TexturedAvx2.cpp).
#define TEPPLE_INSTRUCTION_SET_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define TEPPLE_INSTRUCTION_SET_BEGIN(isa) \
    TEPPLE_INSTRUCTION_SET_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define TEPPLE_INSTRUCTION_SET_END TEPPLE_INSTRUCTION_SET_PRAGMA(clang attribute pop)
#else
#define TEPPLE_INSTRUCTION_SET_BEGIN(isa) \
    TEPPLE_INSTRUCTION_SET_PRAGMA(GCC push_options) TEPPLE_INSTRUCTION_SET_PRAGMA(GCC target(isa))
#define TEPPLE_INSTRUCTION_SET_END TEPPLE_INSTRUCTION_SET_PRAGMA(GCC pop_options)
#endif

} // namespace tepple
