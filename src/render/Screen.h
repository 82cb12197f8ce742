#pragma once
// The fixed screen every rasteriser draws into, and a position on it.
#include <cstdint>

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// A projected point: column and row.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};
