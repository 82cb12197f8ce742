#pragma once
// The fixed screen every rasteriser draws into, and positions and triangles on it.
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
};
