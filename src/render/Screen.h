#pragma once
// Positions on a target, and the size of the demonstration's own picture.
#include <cstdint>

// The demonstration draws 640 x 480 pictures (Viewport::demo()).
constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// A projected point: column and row.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};
