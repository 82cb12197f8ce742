#pragma once
// Shared set-up of the renderer tests: a renderer at frame 0, a screen-sized target, and
// camera-space corners placed on chosen pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render/Renderer.h"

namespace tepple {

// A camera-space point at depth z that projects onto (column, row). Aimed half a pixel away
// from zero (projection truncates toward zero) so rounding cannot move it to a neighbour.
inline Vertex onPixel(int column, int row, float z, uint32_t colour = 0x00FFFFFF)
{
    const auto aim = [](int position) { return position + (position < 0 ? -0.5 : 0.5); };
    const float x = static_cast<float>((aim(column) - 240.0) * z / 320.0);
    const float y = static_cast<float>((aim(row) - 240.0) * z / 320.0);
    return Vertex(x, y, z, colour);
}

inline Vertex withTexture(Vertex v, float u, float t)
{
    v.texU = u;
    v.texV = t;
    return v;
}

// A texture whose every texel has the colour its position gives.
inline std::unique_ptr<Surface> makeTexture(int width, int height, const std::function<uint32_t(int, int)>& colourAt)
{
    auto texture = std::make_unique<Surface>(width, height);
    uint32_t* texels = texture->lock();
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) texels[row * width + column] = colourAt(column, row);
    }
    return texture;
}

class RenderTest : public ::testing::Test {
protected:
    // Hands the corners (three per triangle) over with normals facing the eye, then draws.
    void draw(const std::vector<Vertex>& corners, int mode)
    {
        const std::vector<Vertex> normals(corners.size(), Vertex(0, 0, -1, 0));
        renderer->setVertexBuffers(corners.data(), normals.data(), corners.size());
        renderer->draw(static_cast<DrawMode>(mode), screen);
    }

    void drawPoints(const std::vector<Vertex>& points)
    {
        renderer->setVertexBuffers(points.data(), nullptr, points.size());
        renderer->drawSprites(screen);
    }

    uint32_t pixel(int column, int row) const { return screen.pixels()[row * screenWidth + column]; }
    double depthAt(int column, int row) const { return renderer->depthBuffer()[row * screenWidth + column]; }
    uint32_t accumAt(int column, int row) const { return renderer->accumBuffer()[row * screenWidth + column]; }

    int countPixels(uint32_t colour) const
    {
        int count = 0;
        for (int i = 0; i < screenWidth * screenHeight; ++i) count += screen.pixels()[i] == colour ? 1 : 0;
        return count;
    }

    void fillScreen(uint32_t colour)
    {
        uint32_t* pixels = screen.lock();
        std::fill(pixels, pixels + screenWidth * screenHeight, colour);
    }

    std::unique_ptr<Renderer> renderer = std::make_unique<Renderer>(Viewport::demo());
    Surface screen{screenWidth, screenHeight};
};

} // namespace tepple
