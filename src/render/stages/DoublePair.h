#pragma once

namespace tepple {

// Two doubles worked on side by side, for the stages that divide attributes two at a time.
//
// A compiler vector (GCC and clang), not an instruction set's intrinsics: each lane performs exactly
// the IEEE double operation its one value would get alone, so a pair gives the bits of two scalar
// computations. The compiler turns it into one SSE2 instruction on x86-64, NEON on ARM, WebAssembly
// SIMD in the browser, and two scalar operations where there is no vector unit.
using DoublePair = double __attribute__((vector_size(16)));
using FloatPair = float __attribute__((vector_size(8)));

inline DoublePair pairOf(double a, double b) { return DoublePair{a, b}; }

// Each lane rounded to float. Always through the compiler's vector conversion, never lane by lane:
// GCC may drop the rounding of a lane converted on its own and widened again later.
inline FloatPair narrowed(DoublePair d) { return __builtin_convertvector(d, FloatPair); }
inline DoublePair widened(FloatPair f) { return __builtin_convertvector(f, DoublePair); }

} // namespace tepple
