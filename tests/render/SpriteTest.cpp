#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

// A point at depth z whose projection, the sprite's top-left corner, is (column, row).
Vertex spriteAt(int column, int row, float z, uint32_t tint) { return onPixel(column, row, z, tint); }

} // namespace

class Sprites : public RenderTest {
protected:
    void useTexture(uint32_t colour)
    {
        texture_ = makeTexture(255, 255, [colour](int, int) { return colour; });
        renderer->setTexture(texture_.get());
    }

    // Pixels a single white-textured point at depth z covers, drawn on a fresh frame.
    int coveredAt(float z)
    {
        fillScreen(0);
        renderer->nextFrame();
        drawPoints({Vertex(0, 0, z, 0x00FFFFFF)});
        return screenWidth * screenHeight - countPixels(0);
    }

    std::unique_ptr<Surface> texture_;
};

TEST_F(Sprites, SizeFallsWithDepthOneLessWhereThreeHundredOverZIsWhole)
{
    useTexture(0x00FFFFFF);
    EXPECT_EQ(coveredAt(3), 50 * 50);
    EXPECT_EQ(coveredAt(6), 49 * 49);
    EXPECT_EQ(coveredAt(10), 29 * 29);
    EXPECT_EQ(coveredAt(59), 5 * 5);
    EXPECT_EQ(coveredAt(60), 4 * 4);
    EXPECT_EQ(coveredAt(299), 1);
    EXPECT_EQ(coveredAt(300), 0);
    EXPECT_EQ(coveredAt(-4), 50 * 50); // behind the eye: full size, mirrored
}

TEST_F(Sprites, SamplesWholeTexelSteps)
{
    // Green = row / 2 ... blue = column / 2 after the mix with a black tint.
    texture_ = makeTexture(255, 255, [](int column, int row) { return packColour(0, row, column); });
    renderer->setTexture(texture_.get());
    fillScreen(0x00FFFFFF);
    drawPoints({Vertex(0, 0, 3, 0)}); // 50 x 50 hanging from (240, 240), every fifth texel
    EXPECT_EQ(pixel(239, 240), 0x00FFFFFFu);
    EXPECT_EQ(pixel(240, 240), packColour(0, 0, 0));
    EXPECT_EQ(pixel(241, 242), packColour(0, 10 / 2, 5 / 2));
    EXPECT_EQ(pixel(289, 289), packColour(0, 245 / 2, 245 / 2));
    EXPECT_EQ(pixel(290, 289), 0x00FFFFFFu);
}

TEST_F(Sprites, SquaresCrossingAScreenEdgeAreDroppedWhole)
{
    useTexture(0x00FFFFFF);
    drawPoints(
        {spriteAt(600, 100, 3, 0x00FFFFFF), spriteAt(100, 430, 3, 0x00FFFFFF), spriteAt(-1, 100, 3, 0x00FFFFFF)});
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
    drawPoints({spriteAt(589, 429, 3, 0x00FFFFFF)});
    EXPECT_NE(pixel(589, 429), 0u);
    EXPECT_NE(pixel(638, 478), 0u);
}

TEST_F(Sprites, PureRedTexelsWriteNeitherColourNorDepth)
{
    useTexture(0x00FF0000);
    drawPoints({spriteAt(100, 100, 20, 0x00FFFFFF)});
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
    EXPECT_EQ(depthAt(105, 105), -65536.0f);

    useTexture(0x00FF0001);
    drawPoints({spriteAt(100, 100, 20, 0x00FFFFFF)});
    EXPECT_EQ(pixel(105, 105), packColour(255, 127, 128));
    EXPECT_EQ(depthAt(105, 105), 0.05f);
}

TEST_F(Sprites, TintIsMixedEvenlyWithTheTexel)
{
    useTexture(0);
    drawPoints({spriteAt(100, 100, 20, 0x00FFFFFF)});
    EXPECT_EQ(pixel(105, 105), 0x007F7F7Fu);
}

TEST_F(Sprites, NearerWinsAndAnEqualLaterOneLoses)
{
    useTexture(0x00FFFFFF);
    drawPoints({spriteAt(100, 100, 20, 0x00FF0000), spriteAt(100, 100, 10, 0x000000FF)});
    EXPECT_EQ(pixel(105, 105), packColour(127, 127, 255));
    drawPoints({spriteAt(100, 100, 20, 0x0000FF00)}); // farther, later: hidden
    EXPECT_EQ(pixel(105, 105), packColour(127, 127, 255));
    drawPoints({spriteAt(200, 200, 20, 0x00FF0000), spriteAt(200, 200, 20, 0x0000FF00)});
    EXPECT_EQ(pixel(205, 205), packColour(255, 127, 127));
}

TEST_F(Sprites, NoTextureNoSprites)
{
    drawPoints({spriteAt(100, 100, 20, 0x00FFFFFF)});
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
    EXPECT_EQ(depthAt(105, 105), -65536.0f);
}

} // namespace tepple
