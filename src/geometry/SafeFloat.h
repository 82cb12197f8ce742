#pragma once
// Float arithmetic that stays defined for every input: division that may meet a zero divisor,
// and conversion to integers. Hostile vertices (NaN, infinities, a corner at the eye) flow
// through the renderer and the lighting as IEEE infinities and NaNs and end up as ordinary
// integers here.
#include <cmath>
#include <cstdint>
#include <limits>

namespace tepple {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "IEEE 754 floating point is required");

// numerator / denominator, giving the IEEE result for a zero denominator (an infinity signed by
// both operands, or NaN for 0 / 0) without dividing by zero.
inline double quotient(double numerator, double denominator)
{
    if (denominator != 0.0) return numerator / denominator;
    if (numerator == 0.0 || std::isnan(numerator)) return std::numeric_limits<double>::quiet_NaN();
    const bool negative = std::signbit(numerator) != std::signbit(denominator);
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

// Truncates toward zero like a plain cast, but saturates values beyond the int32 range (the
// infinities included) and maps NaN to 0, where a plain cast would be undefined.
inline int32_t truncToInt(double value)
{
    value = value == value ? value : 0.0;
    value = value > -2147483648.0 ? value : -2147483648.0;
    value = value < 2147483647.0 ? value : 2147483647.0;
    return static_cast<int32_t>(value);
}

// A channel value 0-255 from a float that should already be in that range: truncated, with
// rounding drift (and NaN) pinned inside so it can index a 256-entry table row safely.
inline int channelOf(float value)
{
    value = value > 0.0f ? value : 0.0f;
    value = value < 255.0f ? value : 255.0f;
    return static_cast<int>(value);
}

} // namespace tepple
