#pragma once
// Each lane set's operations against the one-span arithmetic they stand for, at the values where a
// hardware instruction alone would differ: NaN, infinities, saturation, rounding from double to
// float, packed channels, texel indices far outside the texture. Written once over a lane set L and
// compiled, like the kernels, inside that set's instruction-set region; returns what differed ("" when
// nothing did), so no test macro runs under the wider instructions.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/SafeFloat.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/TextureSampling.h"

namespace tepple {

// A lane set's value, lane 0 first, as memory holds it: a Double of several registers is laid out
// lane after lane.
template <class T, class V>
void readLanes(T* out, const V& value)
{
    std::memcpy(out, &value, sizeof value);
}

template <class L>
std::string laneSetProblems()
{
    constexpr int W = L::width;
    std::string problems;
    const auto note = [&problems](const std::string& what) {
        if (problems.size() < 2000) problems += what + "\n";
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<float> floats = {nan, -nan, inf, -inf, 0.0f, -0.0f, 0.5f, -0.5f, 1e-45f, 254.99f, 255.0f,
                                       255.5f, -1.0f, 2147483648.0f, 2147483520.0f, -2147483648.0f, -2147483904.0f,
                                       3e9f, -3e9f, 1e30f, 16777217.0f, 0.1f};
    // Every value in every lane, its neighbours different.
    for (size_t start = 0; start < floats.size(); ++start) {
        alignas(64) float in[W];
        for (int lane = 0; lane < W; ++lane) in[lane] = floats[(start + static_cast<size_t>(lane)) % floats.size()];
        alignas(64) int32_t truncated[W], channel[W];
        alignas(64) double wide[W];
        alignas(64) float narrow[W];
        const typename L::Float v = L::loadFloats(in);
        readLanes(truncated, L::truncated(v));
        readLanes(channel, L::channel(v));
        // Doubles that round to a float differently from a truncation, through widened/narrowed.
        const typename L::Double d = L::add(L::widened(v), L::splat(1.0 / 3.0));
        readLanes(wide, d);
        readLanes(narrow, L::narrowed(d));
        for (int lane = 0; lane < W; ++lane) {
            const float x = in[lane];
            if (truncated[lane] != truncToInt(x)) note("truncated(" + std::to_string(x) + ")");
            if (channel[lane] != channelOf(x)) note("channel(" + std::to_string(x) + ")");
            const double sum = static_cast<double>(x) + 1.0 / 3.0;
            const float rounded = static_cast<float>(sum);
            if (!(std::isnan(sum) && std::isnan(wide[lane])) && wide[lane] != sum) note("widened+(" + std::to_string(x) + ")");
            if (!(std::isnan(rounded) && std::isnan(narrow[lane])) && narrow[lane] != rounded) {
                note("narrowed(" + std::to_string(x) + ")");
            }
        }
        // Ordered comparisons: false wherever NaN takes part.
        alignas(64) float other[W];
        for (int lane = 0; lane < W; ++lane) other[lane] = floats[(start + 3 * static_cast<size_t>(lane) + 1) % floats.size()];
        const typename L::Double a = L::widened(v), b = L::widened(L::loadFloats(other));
        const typename L::Bits greater = L::greater(a, b), less = L::less(a, b);
        for (int lane = 0; lane < W; ++lane) {
            const double x = in[lane], y = other[lane];
            if ((greater >> lane & 1) != (x > y)) note("greater(" + std::to_string(x) + ", " + std::to_string(y) + ")");
            if ((less >> lane & 1) != (x < y)) note("less(" + std::to_string(x) + ", " + std::to_string(y) + ")");
        }
    }

    // Channel products and means of every pair, the pair in a different lane each time and the top
    // byte filled with junk.
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; b += 3) {
            const uint32_t c = 255 - a;
            const int lane = static_cast<int>(a + b) % W;
            alignas(64) int32_t first[W], second[W], red[W], green[W], blue[W], mean[W], scaled[W];
            for (int i = 0; i < W; ++i) {
                first[i] = static_cast<int32_t>(0xA5000000u | (a ^ static_cast<uint32_t>(i)) << 16 | b << 8 | c);
                second[i] = static_cast<int32_t>(0x5A123456u + static_cast<uint32_t>(i));
                red[i] = static_cast<int32_t>(b), green[i] = static_cast<int32_t>(c), blue[i] = static_cast<int32_t>(a);
            }
            second[lane] = static_cast<int32_t>(0x5A000000u | b << 16 | c << 8 | a);
            const typename L::Int x = L::loadInts(first), y = L::loadInts(second);
            readLanes(mean, L::mean(x, y));
            readLanes(scaled, L::scaled(x, L::loadInts(red), L::loadInts(green), L::loadInts(blue)));
            for (int i = 0; i < W; ++i) {
                const uint32_t p = static_cast<uint32_t>(first[i]), q = static_cast<uint32_t>(second[i]);
                if (static_cast<uint32_t>(mean[i]) != meanChannels(p, q)) note("mean " + std::to_string(p));
                if (static_cast<uint32_t>(scaled[i]) != scaledChannels(p, red[i], green[i], blue[i])) {
                    note("scaled " + std::to_string(p));
                }
            }
        }
    }

    // Texel look-ups at coordinates far outside a 7 x 5 texture, as truncated() gives them.
    std::vector<uint32_t> texels(35);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint32_t>(0x010203 * (i + 1));
    TextureView texture;
    texture.texels = texels.data();
    texture.width = 7;
    texture.height = 5;
    texture.lastIndex = 34;
    const std::vector<int32_t> coordinates = {std::numeric_limits<int32_t>::min(), -2147483647, -70000, -8, -1, 0,
                                              1, 3, 4, 6, 7, 8, 34, 35, 70000, 2147483646,
                                              std::numeric_limits<int32_t>::max()};
    for (size_t start = 0; start < coordinates.size() * coordinates.size(); start += static_cast<size_t>(W)) {
        alignas(64) int32_t u[W], v[W], read[W];
        for (int lane = 0; lane < W; ++lane) {
            const size_t pair = (start + static_cast<size_t>(lane)) % (coordinates.size() * coordinates.size());
            u[lane] = coordinates[pair % coordinates.size()];
            v[lane] = coordinates[pair / coordinates.size()];
        }
        readLanes(read, L::texels(texture, L::loadInts(u), L::loadInts(v), -1));
        for (int lane = 0; lane < W; ++lane) {
            if (static_cast<uint32_t>(read[lane]) != texture.atTexel(u[lane], v[lane], -1)) {
                note("texel at " + std::to_string(u[lane]) + ", " + std::to_string(v[lane]));
            }
        }
    }
    return problems;
}

} // namespace tepple
