#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

// Texel colour = its word index, so a pixel tells which texel was read.
std::unique_ptr<Surface> indexTexture(int width, int height)
{
    return makeTexture(width, height,
                       [width](int column, int row) { return static_cast<uint32_t>(row * width + column); });
}

std::unique_ptr<Surface> plainTexture(uint32_t colour)
{
    return makeTexture(16, 16, [colour](int, int) { return colour; });
}

Vertex textured(int column, int row, float z, float u, float v)
{
    return withTexture(onPixel(column, row, z), u, v);
}

// A triangle whose row `row` runs from `left` (texU = uLeft) to `right` (texU = uRight), all
// at depth z, with texV = v.
std::vector<Vertex> rowTriangle(int left, int right, int row, float z, float uLeft, float uRight, float v)
{
    return {textured(left, row, z, uLeft, v), textured(right, row, z, uRight, v),
            textured(left, row + 100, z, uLeft, v)};
}

} // namespace

class Textured : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        renderer->backfaceCull = 0;
    }
};

TEST_F(Textured, ReadsTheTexelJustLeftOfThePosition)
{
    const auto texture = indexTexture(255, 255);
    renderer->setTexture(texture.get());
    draw({textured(300, 300, 20, 5.5f / 255, 2.5f / 255), textured(400, 300, 20, 0.9f, 2.5f / 255),
          textured(300, 400, 20, 5.5f / 255, 0.9f)},
         1);
    EXPECT_EQ(pixel(300, 300), 2u * 255 + 5 - 1); // texel (5, 2) of width 255 is word 514
}

TEST_F(Textured, IndicesOutsideTheTextureReadTheNearestTexel)
{
    // Colour = word index + 1, so even word 0 shows.
    const auto texture =
        makeTexture(32, 32, [](int column, int row) { return static_cast<uint32_t>(row * 32 + column + 1); });
    renderer->setTexture(texture.get());
    // (0, 0) would be word -1: the first texel is read instead.
    draw(rowTriangle(100, 200, 100, 20, 0.0f, 0.0f, 0.0f), 1);
    EXPECT_EQ(pixel(150, 120), 1u);
    renderer->nextFrame();
    draw(rowTriangle(100, 200, 100, 20, 1000.0f, 1000.0f, 0.5f), 1);
    EXPECT_EQ(pixel(150, 120), 32u * 32);
    renderer->nextFrame();
    draw(rowTriangle(100, 200, 100, 20, -1000.0f, -1000.0f, 0.5f), 1);
    EXPECT_EQ(pixel(150, 120), 1u);
}

TEST_F(Textured, AParallelTriangleMapsTexelsLinearly)
{
    const auto texture = indexTexture(256, 1);
    renderer->setTexture(texture.get());
    // u runs from 0.5 to 256.5 over 256 columns: one texel per pixel, half a texel in.
    draw(rowTriangle(100, 356, 100, 20, 0.5f / 256, 256.5f / 256, 0.0f), 1);
    EXPECT_EQ(pixel(100, 100), 0u);
    for (int k = 1; k < 256; ++k) ASSERT_EQ(pixel(100 + k, 100), static_cast<uint32_t>(k - 1)) << k;
}

TEST_F(Textured, ASpanStartingOffScreenAdvancesItsTexturePositionToColumnZero)
{
    const auto texture = indexTexture(256, 1);
    renderer->setTexture(texture.get());
    draw(rowTriangle(-100, 156, 100, 20, 0.5f / 256, 256.5f / 256, 0.0f), 1);
    EXPECT_EQ(pixel(0, 100), 99u);
    EXPECT_EQ(pixel(10, 100), 109u);
}

TEST_F(Textured, DividesExactlyEverySixteenPixelsAndStepsLinearlyBetween)
{
    // One span of 40 pixels whose depth goes from 20 to 200: u/z and w are linear across it,
    // u itself is not. The exact position is taken at the span's columns 0, 16 and 32; the
    // last block aims at column 41, n = 40 - 31 = 9 pixels past the recompute point.
    const auto texture = indexTexture(4096, 1);
    renderer->setTexture(texture.get());
    draw({textured(100, 100, 20, 0, 0), textured(140, 100, 200, 1, 0), textured(100, 200, 20, 0, 0)}, 1);

    const auto exactU = [](double k) { return 0.512 * k / (0.05 - 0.001125 * k); };
    const auto steppedU = [&](int k) {
        const int start = k < 16 ? 0 : (k < 32 ? 16 : 32);
        const int end = k < 16 ? 16 : (k < 32 ? 32 : 41);
        return exactU(start) + (k - start) * (exactU(end) - exactU(start)) / (end - start);
    };
    for (int k : {8, 16, 20, 24, 32, 34, 36, 38}) {
        const double expectedTexel = std::floor(steppedU(k)) - 1;
        EXPECT_NEAR(static_cast<double>(pixel(100 + k, 100)), expectedTexel, 2.0) << k;
    }
    // Between block ends the position is linear, far from the exact perspective one.
    EXPECT_GT(static_cast<double>(pixel(108, 100)), exactU(8) + 20);
}

TEST_F(Textured, LightingMultipliesTheTexelByTheLitCornerColour)
{
    const auto texture = plainTexture(0x00FFFFFF);
    renderer->setTexture(texture.get());
    const auto triangle = rowTriangle(100, 200, 100, 20, 0, 0, 0);
    draw(triangle, 1);
    EXPECT_EQ(pixel(150, 120), 0x00FFFFFFu); // no lights: the raw texel

    renderer->nextFrame();
    renderer->addLight(Light(Vertex(0, 0, -1, 0), 1000.0f, 1000.0f, 0.0f));
    draw(triangle, 1);
    EXPECT_EQ(pixel(150, 120), 0x00FEFE00u); // 255 x 255 / 256 = 254, and 255 x 0 = 0
}

TEST_F(Textured, BlendingMixesTheLitTexelIntoTheAccumulationBuffer)
{
    const auto texture = plainTexture(0);
    renderer->setTexture(texture.get());
    renderer->blendMode = 1;
    std::fill(renderer->accumBuffer(), renderer->accumBuffer() + renderer->pixelCount(), 0x00FFFFFFu);
    draw(rowTriangle(100, 200, 100, 20, 0, 0, 0), 1);
    EXPECT_EQ(accumAt(150, 120), 0x007F7F7Fu);
    EXPECT_EQ(pixel(150, 120), 0x007F7F7Fu);
}

TEST_F(Textured, DrawsNothingWithoutATexture)
{
    draw(rowTriangle(100, 200, 100, 20, 0, 0, 0), 1);
    draw(rowTriangle(100, 200, 100, 20, 0, 0, 0), 2);
    const auto texture = plainTexture(0x00FFFFFF);
    renderer->setTexture(texture.get()); // the two-texture path needs both
    draw(rowTriangle(100, 200, 100, 20, 0, 0, 0), 2);
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
    EXPECT_EQ(depthAt(150, 120), -65536.0f);
}

class DualTextured : public Textured {};

TEST_F(DualTextured, ShowsTheEvenMixOfBothTextures)
{
    const auto a = plainTexture(packColour(200, 100, 0));
    const auto b = plainTexture(packColour(100, 100, 255));
    renderer->setTexture(a.get());
    renderer->setSecondTexture(b.get());
    renderer->blendMode = 1; // only lifts the cull here; the accumulation buffer stays untouched
    draw(rowTriangle(100, 200, 100, 20, 0, 0, 0), 2);
    EXPECT_EQ(pixel(150, 120), packColour(150, 100, 127));
    EXPECT_EQ(accumAt(150, 120), 0u);
}

TEST_F(DualTextured, OnlyTheFirstTextureIsReadOneTexelToTheLeft)
{
    // Green = 2 x row, blue = 2 x column, so the halving mix leaves (0, row, column).
    const auto coded = makeTexture(64, 64, [](int column, int row) { return packColour(0, 2 * row, 2 * column); });
    const auto black = plainTexture(0);
    auto corner = [](int column, int row) {
        Vertex v = textured(column, row, 20, 5.5f / 64, 2.5f / 64);
        v.texU2 = 5.5f / 64;
        v.texV2 = 2.5f / 64;
        return v;
    };
    const std::vector<Vertex> triangle = {corner(300, 300), corner(400, 300), corner(300, 400)};

    renderer->setTexture(coded.get());
    renderer->setSecondTexture(black.get());
    draw(triangle, 2);
    EXPECT_EQ(pixel(300, 300), packColour(0, 2, 4));

    renderer->nextFrame();
    renderer->setTexture(black.get());
    renderer->setSecondTexture(coded.get());
    draw(triangle, 2);
    EXPECT_EQ(pixel(300, 300), packColour(0, 2, 5));
}

TEST_F(DualTextured, DropsARowWhoseFirstPixelIsNearerThanTen)
{
    const auto texture = plainTexture(0x00FFFFFF);
    renderer->setTexture(texture.get());
    renderer->setSecondTexture(texture.get());
    // Each row starts at depth 8 and recedes to 100 on the right.
    const std::vector<Vertex> receding = {textured(100, 100, 8, 0, 0), textured(300, 100, 100, 0, 0),
                                          textured(100, 200, 8, 0, 0)};
    draw(receding, 2);
    EXPECT_EQ(countPixels(0x00FFFFFF), 0);
    EXPECT_EQ(depthAt(250, 100), -65536.0f);

    // The one-texture path has no such early-out: the far part of each row shows.
    draw(receding, 1);
    EXPECT_EQ(pixel(250, 100), 0x00FFFFFFu);
}

} // namespace tepple
