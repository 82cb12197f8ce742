#pragma once
// Float-to-integer conversion that is defined for every input.
#include <cstdint>
#include <limits>

// The renderer and the lighting rely on IEEE arithmetic: a division by zero gives an infinity or
// NaN, never a trap, and the conversions below turn those into ordinary integers.
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "IEEE 754 floating point is required");

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
