#pragma once
// SSE2 for the browser build: emscripten's own emulation, with one conversion replaced. Its
// _mm_cvttps_epi32 converts lane by lane through lrint(), slower than the one-row code it is meant
// to speed up; this one takes four WebAssembly SIMD operations and gives exactly what the x86
// instruction gives: each lane truncated toward zero, and 0x80000000 for NaN and for values beyond
// either end of the int32 range. Found ahead of emscripten's header (web/CMakeLists.txt puts this
// folder first on the include path).
#include_next <emmintrin.h>

#include <wasm_simd128.h>

static __inline__ __m128i __attribute__((__always_inline__, __nodebug__)) teppleTruncatedLanes(__m128 value)
{
    // trunc_sat gives 0 for NaN and saturates at both ends; the low end's saturation is already
    // 0x80000000, so only NaN and the high end (every lane not below 2^31) need it set.
    const v128_t truncated = wasm_i32x4_trunc_sat_f32x4((v128_t)value);
    const v128_t inRange = wasm_f32x4_lt((v128_t)value, wasm_f32x4_splat(2147483648.0f));
    return (__m128i)wasm_v128_bitselect(truncated, wasm_i32x4_splat(-2147483647 - 1), inRange);
}
#undef _mm_cvttps_epi32
#define _mm_cvttps_epi32(value) teppleTruncatedLanes(value)
