#pragma once
// Texture reads of the perspective-correct paths: a locked texture with safe texel look-up (the
// demonstration's, and the general rules' sampler), and the texel position stepped across a span
// with one exact divide every 16 pixels.
#include <algorithm>
#include <cstdint>

#include "geometry/SafeFloat.h"
#include "pixels/PixelToolkit.h"
#include "render/Sampling.h"
#include "render/stages/DoublePair.h"

namespace tepple {

// A locked texture of width x height texels, row after row.
struct TextureView {
    const uint32_t* texels = nullptr;
    int width = 0;
    int height = 0;
    int64_t lastIndex = -1;

    // An empty view (nothing to draw with) for an unbound or zero-sized texture.
    static TextureView lock(Surface* surface)
    {
        TextureView view;
        if (surface == nullptr || surface->width() <= 0 || surface->height() <= 0) return view;
        view.texels = surface->lock();
        view.width = surface->width();
        view.height = surface->height();
        view.lastIndex = static_cast<int64_t>(view.width) * view.height - 1;
        return view;
    }

    bool usable() const { return texels != nullptr; }

    // Word width x trunc(v) + trunc(u) + offset, as the paths address texels (unwrapped, so
    // u past the row end reads into the next row). An index outside the texture, from the -1
    // offset at the top-left texel, coordinates outside 0-1 or a corner at z = 0, reads the
    // nearest texel inside it.
    uint32_t at(float u, float v, int offset) const { return atTexel(truncToInt(u), truncToInt(v), offset); }

    // The same look-up from the truncated coordinates.
    uint32_t atTexel(int32_t u, int32_t v, int offset) const
    {
        // 64-bit: saturated coordinates times the width need up to 62 bits.
        const int64_t index = static_cast<int64_t>(width) * v + u + offset;
        return texels[std::clamp<int64_t>(index, 0, lastIndex)];
    }
};

// The general rules' texture read (render/Sampling.h), from a position in texels (the texture
// coordinate times the texture's size): texel i covers [i, i + 1). Every read lands inside the
// texture, however far out (or NaN) the position.
struct TexelSampler {
    TextureView texture;
    Sampling sampling;

    uint32_t operator()(float u, float v) const
    {
        const bool clamp = sampling.address == TextureAddress::Clamp;
        if (sampling.filter == TextureFilter::Nearest) {
            return clamp ? sample<TextureFilter::Nearest, TextureAddress::Clamp>(u, v)
                         : sample<TextureFilter::Nearest, TextureAddress::Repeat>(u, v);
        }
        return clamp ? sample<TextureFilter::Bilinear, TextureAddress::Clamp>(u, v)
                     : sample<TextureFilter::Bilinear, TextureAddress::Repeat>(u, v);
    }

    // The same read with the sampling fixed when compiled, for loops that choose it once.
    template <TextureFilter Filter, TextureAddress Address>
    uint32_t sample(float u, float v) const
    {
        if (Filter == TextureFilter::Nearest) return texel<Address>(cellOf(u), cellOf(v));
        // Texel centres sit at i + 0.5: the four around the point, weighted by closeness.
        const double x = held(u) - 0.5, y = held(v) - 0.5;
        const int64_t i = floorOf(x), j = floorOf(y);
        const double fx = x - static_cast<double>(i), fy = y - static_cast<double>(j);
        const uint32_t a = texel<Address>(i, j), b = texel<Address>(i + 1, j);
        const uint32_t c = texel<Address>(i, j + 1), d = texel<Address>(i + 1, j + 1);
        const auto channel = [&](int shift) {
            const auto at = [shift](uint32_t t) { return static_cast<double>(t >> shift & 0xFF); };
            const double upper = at(a) + (at(b) - at(a)) * fx;
            const double lower = at(c) + (at(d) - at(c)) * fx;
            return static_cast<uint32_t>(upper + (lower - upper) * fy + 0.5) << shift;
        };
        return channel(16) | channel(8) | channel(0);
    }

private:
    // Far enough out that a repeat lands anywhere, near enough that 64-bit arithmetic is exact.
    static constexpr double positionLimit = 1e15;

    static double held(float position)
    {
        return position == position ? std::clamp<double>(position, -positionLimit, positionLimit) : 0.0;
    }
    // floor() without a library call: truncation, one lower for a negative fraction.
    static int64_t floorOf(double position)
    {
        const int64_t truncated = static_cast<int64_t>(position);
        return truncated - (position < static_cast<double>(truncated));
    }
    static int64_t cellOf(float position) { return floorOf(held(position)); }

    template <TextureAddress Address>
    static int64_t addressed(int64_t cell, int size)
    {
        // Inside the texture, as most reads are, both ways of addressing agree.
        if (cell >= 0 && cell < size) return cell;
        if (Address == TextureAddress::Clamp) return cell < 0 ? 0 : size - 1;
        const int64_t wrapped = cell % size;
        return wrapped < 0 ? wrapped + size : wrapped;
    }

    template <TextureAddress Address>
    uint32_t texel(int64_t i, int64_t j) const
    {
        const int64_t column = addressed<Address>(i, texture.width);
        const int64_t row = addressed<Address>(j, texture.height);
        return texture.texels[row * texture.width + column] & 0x00FFFFFFu;
    }
};

// (t x c + 127) / 255 per channel: the general rules' modulation, so that a channel value of 255
// leaves the texel's channel as it is.
inline uint32_t modulatedChannels(uint32_t texel, int red, int green, int blue)
{
    const auto channel = [](uint32_t t, int c) { return (t * static_cast<uint32_t>(c) + 127u) / 255u; };
    return channel(texel >> 16 & 0xFF, red) << 16 | channel(texel >> 8 & 0xFF, green) << 8 |
           channel(texel & 0xFF, blue);
}

// Pixels between exact texel positions; the position is stepped linearly in between.
constexpr int perspectiveBlock = 16;

// The length of the block that starts after `column` was drawn, in a span ending before `right`.
// Measured from the column just drawn, the last block of a span reaches one pixel past its end.
inline int nextBlockLength(int right, int column) { return std::min(perspectiveBlock, right - column); }

// w at the end of a block of n pixels.
inline float blockEndW(float w, float wStep, int n)
{
    return static_cast<float>(w + static_cast<double>(n) * wStep);
}

// One texture's running texel position (u, v) and its linear step within the current block.
//
// u and v are divided side by side (DoublePair.h): each lane performs the double operations the
// one-coordinate formula states, in its order. Only a zero divisor differs from quotient(), in the
// sign of a 0 / 0 NaN, and a NaN texel position reads as 0 whatever its sign (truncToInt).
struct PerspectiveTexel {
    float u;
    float v;
    float du;
    float dv;

    // The exact position at the current pixel: (u/z) / w.
    void start(float uOverZ, float vOverZ, float w)
    {
        const FloatPair position = narrowed(pairOf(uOverZ, vOverZ) / pairOf(w, w));
        u = position[0];
        v = position[1];
    }

    // Aims the linear steps at the exact position n pixels on, whose w is wEnd, starting from the
    // current running position (not the exact one at this pixel).
    void aim(float uOverZ, float uOverZStep, float vOverZ, float vOverZStep, float wEnd, int n)
    {
        const DoublePair pixels = pairOf(n, n);
        const DoublePair reached = pairOf(uOverZ, vOverZ) + pixels * pairOf(uOverZStep, vOverZStep);
        // The end position is rounded to float before the distance is taken.
        const DoublePair end = widened(narrowed(reached / pairOf(wEnd, wEnd)));
        const FloatPair step = narrowed((end - pairOf(u, v)) / pixels);
        du = step[0];
        dv = step[1];
    }

    void advance()
    {
        u += du;
        v += dv;
    }
};

// Moves an attribute from the unclamped left end of a span to column 0.
inline float advancedToColumnZero(float value, float step, int64_t unclampedLeft)
{
    return static_cast<float>(value - static_cast<double>(unclampedLeft) * step);
}

} // namespace tepple
