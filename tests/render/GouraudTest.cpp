#include <gtest/gtest.h>

#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

std::vector<Vertex> square(int left, int top, int right, int bottom, float z, uint32_t colour)
{
    const Vertex a = onPixel(left, top, z, colour), b = onPixel(right, top, z, colour),
                 c = onPixel(right, bottom, z, colour), d = onPixel(left, bottom, z, colour);
    return {a, b, d, b, c, d};
}

} // namespace

class Gouraud : public RenderTest {};

TEST_F(Gouraud, FillsWithTheLitCornerColourAndKeysTheDepth)
{
    renderer->setFrame(7);
    // A light that saturates red and leaves the other channels dark.
    renderer->addLight(Light(Vertex(0, 0, -1, 0), 1000.0f, 0.0f, 0.0f));
    draw(square(100, 100, 200, 200, 50, 0x00FFFFFF), 0);
    EXPECT_EQ(countPixels(0x00FF0000), 100 * 100);
    EXPECT_EQ(depthAt(150, 150), 7 + static_cast<double>(0.02f));
    EXPECT_EQ(depthAt(99, 150), -65536.0f);
}

TEST_F(Gouraud, ASpanStartingOffScreenStartsWithItsLeftEndColour)
{
    renderer->backfaceCull = 0;
    // Left end at column -100 with red 200, fading by 1 per column: column 0 still shows 200.
    draw({onPixel(-100, 100, 20, 0x00C80000), onPixel(100, 100, 20, 0), onPixel(-100, 300, 20, 0x00C80000)}, 0);
    EXPECT_EQ(pixel(0, 100), 0x00C80000u);
    EXPECT_EQ(pixel(1, 100), 0x00C70000u);
    EXPECT_EQ(pixel(99, 100), 0x00650000u);
}

TEST_F(Gouraud, BlendingHalvesTowardTheColourFrameByFrame)
{
    renderer->blendMode = 1;
    std::fill(renderer->accumBuffer(), renderer->accumBuffer() + renderer->pixelCount(), 0x00FFFFFFu);
    const auto black = square(100, 100, 200, 200, 50, 0);
    draw(black, 0);
    EXPECT_EQ(accumAt(150, 150), 0x007F7F7Fu);
    EXPECT_EQ(pixel(150, 150), 0x007F7F7Fu);
    renderer->nextFrame();
    draw(black, 0);
    EXPECT_EQ(accumAt(150, 150), 0x003F3F3Fu);
    EXPECT_EQ(pixel(150, 150), 0x003F3F3Fu);
    EXPECT_EQ(accumAt(99, 150), 0x00FFFFFFu);
}

TEST_F(Gouraud, BlendingMixesHiddenPixelsButDoesNotShowThem)
{
    draw(square(100, 100, 200, 200, 20, 0x0000FF00), 0);
    renderer->blendMode = 1;
    draw(square(100, 100, 200, 200, 50, 0x00FEFEFE), 0); // behind: fails the depth test
    EXPECT_EQ(pixel(150, 150), 0x0000FF00u);
    EXPECT_EQ(accumAt(150, 150), 0x007F7F7Fu);
}

TEST_F(Gouraud, TooNearToShowStillKeysDepthAndBlends)
{
    renderer->blendMode = 1;
    draw(square(100, 100, 200, 200, 5, 0x00FEFEFE), 0);
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
    EXPECT_EQ(depthAt(150, 150), 0.2f);
    EXPECT_EQ(accumAt(150, 150), 0x007F7F7Fu);
}

} // namespace tepple
