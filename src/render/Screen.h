#pragma once
// The fixed screen every rasteriser draws into, and positions and triangles on it.
#include <algorithm>
#include <cstdint>

constexpr int screenWidth = 640;
constexpr int screenHeight = 480;

// A projected point: column and row.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// The corners of a triangle that survived set-up, in buffer order.
struct TriangleCorners {
    int vertex[3];      // each corner's entry in the renderer's positions (and normals)
    ScreenPoint screen[3];
    float w[3];         // 1/z, or 0 for a corner exactly at z = 0

    // The rows the triangle covers: from its top corner's up to, not including, its bottom one's
    // (unclamped, so either may lie off screen).
    int32_t topRow() const { return std::min({screen[0].y, screen[1].y, screen[2].y}); }
    int32_t endRow() const { return std::max({screen[0].y, screen[1].y, screen[2].y}); }
    // The columns between its leftmost and rightmost corner.
    int64_t width() const
    {
        return static_cast<int64_t>(std::max({screen[0].x, screen[1].x, screen[2].x})) -
               std::min({screen[0].x, screen[1].x, screen[2].x});
    }
};
