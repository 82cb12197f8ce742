#pragma once
// The fixed screen every rasteriser draws into, and positions on it.
#include <cstdint>

#include "pixels/PixelToolkit.h"

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// A projected point: column and row.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// The target's pixels when it is screen-sized; null (nothing to draw into) otherwise.
inline uint32_t* lockScreen(Surface& target)
{
    if (target.width() != screenWidth || target.height() != screenHeight) return nullptr;
    return target.lock();
}
