#pragma once
// The four-lane set on 64-bit ARM (NEON, every aarch64 processor has it): the operations of Sse2.h
// lane for lane. Where a NEON instruction's rule differs from the one-span arithmetic it is not
// used as it stands: NEON's minimum and maximum return NaN for a NaN operand, so channel() selects
// by comparison, as channelOf does; its float-to-integer conversion already saturates and gives 0
// for NaN, which is truncToInt's rule.
#include <arm_neon.h>

#include <cstdint>

#include "render/stages/TextureSampling.h"

namespace tepple {

struct NeonLanes {
    static constexpr int width = 4;
    using Float = float32x4_t;
    using Int = int32x4_t;
    // Lanes 0-1 and lanes 2-3.
    struct Double {
        float64x2_t low;
        float64x2_t high;
    };
    // Bit i stands for lane i.
    using Bits = int;

    static Float loadFloats(const float* p) { return vld1q_f32(p); }
    static Int loadInts(const int32_t* p) { return vld1q_s32(p); }
    static Int splat(int32_t v) { return vdupq_n_s32(v); }
    static Double splat(double v) { return {vdupq_n_f64(v), vdupq_n_f64(v)}; }

    static Float add(Float a, Float b) { return vaddq_f32(a, b); }
    static Double add(Double a, Double b) { return {vaddq_f64(a.low, b.low), vaddq_f64(a.high, b.high)}; }
    static Double sub(Double a, Double b) { return {vsubq_f64(a.low, b.low), vsubq_f64(a.high, b.high)}; }
    static Double mul(Double a, Double b) { return {vmulq_f64(a.low, b.low), vmulq_f64(a.high, b.high)}; }
    static Double div(Double a, Double b) { return {vdivq_f64(a.low, b.low), vdivq_f64(a.high, b.high)}; }
    static Int add(Int a, Int b) { return vaddq_s32(a, b); }
    static Int sub(Int a, Int b) { return vsubq_s32(a, b); }
    static Int min(Int a, Int b) { return vminq_s32(a, b); }
    static Int max(Int a, Int b) { return vmaxq_s32(a, b); }

    static Double widened(Float v) { return {vcvt_f64_f32(vget_low_f32(v)), vcvt_high_f64_f32(v)}; }
    static Double widened(Int v)
    {
        return {vcvtq_f64_s64(vmovl_s32(vget_low_s32(v))), vcvtq_f64_s64(vmovl_high_s32(v))};
    }
    static Float narrowed(Double d) { return vcvt_high_f32_f64(vcvt_f32_f64(d.low), d.high); }

    static Bits greater(Int a, Int b) { return bitsOf(vcgtq_s32(a, b)); }
    static Bits greater(Double a, Double b)
    {
        return bitsOf(vcgtq_f64(a.low, b.low), vcgtq_f64(a.high, b.high));
    }
    static Bits less(Double a, Double b) { return greater(b, a); }

    static Int truncated(Float v) { return vcvtq_s32_f32(v); }
    static Int channel(Float v)
    {
        const float32x4_t zero = vdupq_n_f32(0.0f);
        const float32x4_t top = vdupq_n_f32(255.0f);
        const float32x4_t low = vbslq_f32(vcgtq_f32(v, zero), v, zero);
        return vcvtq_s32_f32(vbslq_f32(vcltq_f32(low, top), low, top));
    }
    // packColour of channels already in 0-255.
    static Int packed(Int red, Int green, Int blue)
    {
        return vorrq_s32(vorrq_s32(vshlq_n_s32(red, 16), vshlq_n_s32(green, 8)), blue);
    }
    static Int scaled(Int texel, Int red, Int green, Int blue)
    {
        const int32x4_t byte = vdupq_n_s32(0xFF);
        const int32x4_t r = vshrq_n_s32(vmulq_s32(vandq_s32(vshrq_n_s32(texel, 16), byte), red), 8);
        const int32x4_t g = vshrq_n_s32(vmulq_s32(vandq_s32(vshrq_n_s32(texel, 8), byte), green), 8);
        const int32x4_t b = vshrq_n_s32(vmulq_s32(vandq_s32(texel, byte), blue), 8);
        return packed(r, g, b);
    }
    // The low byte of each lane, lane 0 lowest, in one word; every lane must hold 0 to 255.
    static uint32_t lowBytes(Int v)
    {
        const uint16x4_t words = vmovn_u32(vreinterpretq_u32_s32(v));
        const uint8x8_t bytes = vmovn_u16(vcombine_u16(words, words));
        return vget_lane_u32(vreinterpret_u32_u8(bytes), 0);
    }
    static float lastLane(Float v) { return vgetq_lane_f32(v, 3); }
    static Int mean(Int a, Int b)
    {
        const uint32x4_t ua = vreinterpretq_u32_s32(a);
        const uint32x4_t ub = vreinterpretq_u32_s32(b);
        const uint32x4_t halves = vdupq_n_u32(0x7F7F7F);
        const uint32x4_t halfSum = vaddq_u32(vandq_u32(vshrq_n_u32(ua, 1), halves),
                                             vandq_u32(vshrq_n_u32(ub, 1), halves));
        return vreinterpretq_s32_u32(vaddq_u32(halfSum, vandq_u32(vandq_u32(ua, ub), vdupq_n_u32(0x010101))));
    }

    // Each lane's pixel in the buffers, read and written lane by lane, as NEON has no gather or
    // scatter.
    struct Pixels {
        alignas(16) int32_t at[width];
    };
    // first[lane] + min(k, last[lane]), worked out where the loads will read it.
    static Pixels pixels(const int32_t* first, const int32_t* last, int k)
    {
        Pixels p;
        for (int lane = 0; lane < width; ++lane) p.at[lane] = first[lane] + (k < last[lane] ? k : last[lane]);
        return p;
    }
    static Int gather(const uint32_t* base, const Pixels& p)
    {
        const uint32_t values[width] = {base[p.at[0]], base[p.at[1]], base[p.at[2]], base[p.at[3]]};
        return vreinterpretq_s32_u32(vld1q_u32(values));
    }
    static Double gather(const double* base, const Pixels& p)
    {
        const double low[2] = {base[p.at[0]], base[p.at[1]]};
        const double high[2] = {base[p.at[2]], base[p.at[3]]};
        return {vld1q_f64(low), vld1q_f64(high)};
    }
    static Int texels(const TextureView& texture, Int column, Int row, int offset)
    {
        alignas(16) int32_t u[width];
        alignas(16) int32_t v[width];
        vst1q_s32(u, column);
        vst1q_s32(v, row);
        uint32_t values[width];
        for (int lane = 0; lane < width; ++lane) values[lane] = texture.atTexel(u[lane], v[lane], offset);
        return vreinterpretq_s32_u32(vld1q_u32(values));
    }
    static void scatter(uint32_t* base, const Pixels& p, Int values, Bits lanes)
    {
        alignas(16) uint32_t value[width];
        vst1q_u32(value, vreinterpretq_u32_s32(values));
        for (int lane = 0; lane < width; ++lane) {
            if (lanes >> lane & 1) base[p.at[lane]] = value[lane];
        }
    }
    static void scatter(double* base, const Pixels& p, Double values, Bits lanes)
    {
        alignas(16) double value[width];
        vst1q_f64(value, values.low);
        vst1q_f64(value + 2, values.high);
        for (int lane = 0; lane < width; ++lane) {
            if (lanes >> lane & 1) base[p.at[lane]] = value[lane];
        }
    }

private:
    // Bit i of the result set where lane i of the mask is all ones.
    static Bits bitsOf(uint32x4_t mask)
    {
        const uint32x4_t weights = {1, 2, 4, 8};
        return static_cast<Bits>(vaddvq_u32(vandq_u32(mask, weights)));
    }
    static Bits bitsOf(uint64x2_t low, uint64x2_t high)
    {
        const uint64x2_t lowWeights = {1, 2};
        const uint64x2_t highWeights = {4, 8};
        return static_cast<Bits>(vaddvq_u64(vandq_u64(low, lowWeights)) +
                                 vaddvq_u64(vandq_u64(high, highWeights)));
    }
};

} // namespace tepple
