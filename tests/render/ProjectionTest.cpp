#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <string>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"
#include "render/stages/VertexStage.h"

namespace tepple {

namespace {

void expectProjects(const Vertex& v, int column, int row)
{
    const ScreenPoint p = project(v, Viewport::demo());
    EXPECT_EQ(p.x, column) << v.x << ' ' << v.y << ' ' << v.z;
    EXPECT_EQ(p.y, row) << v.x << ' ' << v.y << ' ' << v.z;
}

} // namespace

TEST(Projection, CentresOnColumnAndRow240WithScale320)
{
    expectProjects(Vertex(1, 1, 2, 0), 400, 400);
    expectProjects(Vertex(0, 0, 5, 0), 240, 240);
    expectProjects(Vertex(-1, 1, 4, 0), 160, 320);
}

TEST(Projection, TruncatesTowardZero)
{
    expectProjects(Vertex(-0.5f, 0, 320, 0), 239, 240); // 239.5
    expectProjects(Vertex(-1, 0, 0.5f, 0), -400, 240);
    expectProjects(Vertex(-1, 0, 0.25f, 0), -1040, 240);
}

TEST(Projection, ZeroDepthCountsAsTheFloatNearestOneTenth)
{
    // 1 / 0.1f x 320 + 240 lies just below 3440.
    expectProjects(Vertex(1, 1, 0, 0), 3439, 3439);
    expectProjects(Vertex(-1, 0, -0.0f, 0), -2959, 240);
}

TEST(Projection, SaturatesWhatNoIntCanHold)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    expectProjects(Vertex(1e30f, -1e30f, 1, 0), INT_MAX, INT_MIN);
    expectProjects(Vertex(1, 1, 1e-40f, 0), INT_MAX, INT_MAX);
    expectProjects(Vertex(nan, 0, 1, 0), 0, 240);
    expectProjects(Vertex(0, 0, nan, 0), 0, 0);
    expectProjects(Vertex(inf, 0, inf, 0), 0, 240);
}

class TriangleSetUp : public RenderTest {
protected:
    // Corners clockwise on the screen (rows growing downward) at depth 20.
    std::vector<Vertex> clockwise = {onPixel(100, 100, 20), onPixel(200, 100, 20), onPixel(100, 200, 20)};
    std::vector<Vertex> anticlockwise = {onPixel(100, 100, 20), onPixel(100, 200, 20), onPixel(200, 100, 20)};
};

TEST_F(TriangleSetUp, CullsAnticlockwiseTrianglesUnlessBlending)
{
    draw(clockwise, 0);
    EXPECT_EQ(pixel(120, 120), 0x00FFFFFFu);

    fillScreen(0);
    renderer->nextFrame();
    draw(anticlockwise, 0);
    EXPECT_EQ(countPixels(0x00FFFFFF), 0);

    renderer->backfaceCull = 0;
    draw(anticlockwise, 0);
    EXPECT_EQ(pixel(120, 120), 0x00FFFFFFu);

    fillScreen(0);
    renderer->nextFrame();
    renderer->backfaceCull = 1;
    renderer->blendMode = 1; // blending bypasses the cull
    draw(anticlockwise, 0);
    EXPECT_NE(pixel(120, 120), 0u);
}

TEST_F(TriangleSetUp, CornersOnOneRowDrawNothing)
{
    renderer->backfaceCull = 0;
    draw({onPixel(100, 100, 20), onPixel(300, 100, 20), onPixel(200, 100, 20)}, 0);
    EXPECT_EQ(countPixels(0x00FFFFFF), 0);
    EXPECT_EQ(depthAt(200, 100), -65536.0f);
}

TEST_F(TriangleSetUp, DropsTrianglesWhoseMeanDepthIsBelowOne)
{
    renderer->backfaceCull = 0;
    // Such near corners project far out; the triangle would cover the middle of the screen.
    const auto nearTriangle = [](float farDepth) {
        return std::vector<Vertex>{Vertex(-1, -1, 0.5f, 0x00FFFFFF), Vertex(1, -1, 0.5f, 0x00FFFFFF),
                                   Vertex(0, 2 * farDepth, farDepth, 0x00FFFFFF)};
    };
    draw(nearTriangle(1.9f), 0); // mean 0.97
    EXPECT_EQ(depthAt(240, 240), -65536.0f);
    draw(nearTriangle(2.1f), 0); // mean 1.03: set up; too near to be shown, but it keys the depth
    EXPECT_GT(depthAt(240, 240), 0.0f);
    EXPECT_EQ(countPixels(0x00FFFFFF), 0);
}

TEST_F(TriangleSetUp, ExactlyUnitMeanDepthIsKept)
{
    // 3 x 0.33333334 lies a hair above 1.
    renderer->backfaceCull = 0;
    draw({Vertex(-1, -1, 1, 0), Vertex(1, -1, 1, 0), Vertex(0, 1, 1, 0)}, 0);
    EXPECT_GT(depthAt(240, 240), 0.0f);
}

class DepthOrder : public RenderTest {
protected:
    // A screen-filling pair of triangles at one depth, clockwise.
    std::vector<Vertex> wall(float z, uint32_t colour)
    {
        return {onPixel(50, 50, z, colour), onPixel(400, 50, z, colour), onPixel(50, 400, z, colour)};
    }
};

TEST_F(DepthOrder, ANearSurfaceOutsideTheWindowStillHidesWhatComesLater)
{
    renderer->setFrame(3);
    draw(wall(5, 0x00FF0000), 0);  // w = 0.2: passes and keys the depth, shows nothing
    draw(wall(50, 0x0000FF00), 0); // w = 0.02: hidden
    EXPECT_EQ(countPixels(0x00FF0000), 0);
    EXPECT_EQ(countPixels(0x0000FF00), 0);
    EXPECT_EQ(depthAt(100, 100), 3 + static_cast<double>(0.2f));

    // The next frame: its own stale key is beaten by 1 - nothing was cleared in between.
    renderer->nextFrame();
    draw(wall(5, 0x00FF0000), 0);
    draw(wall(50, 0x0000FF00), 0);
    EXPECT_EQ(countPixels(0x0000FF00), 0);
    EXPECT_EQ(depthAt(100, 100), 4 + static_cast<double>(0.2f));
}

TEST_F(DepthOrder, NearerWinsWithinAFrameAndStaleKeysLoseToAnything)
{
    draw(wall(50, 0x000000FF), 0);
    draw(wall(20, 0x0000FF00), 0); // nearer: wins
    draw(wall(30, 0x00FF0000), 0); // farther: hidden
    EXPECT_EQ(pixel(100, 100), 0x0000FF00u);
    draw(wall(20, 0x00FFFFFF), 0); // equal key: the first drawn stays
    EXPECT_EQ(pixel(100, 100), 0x0000FF00u);

    renderer->nextFrame(); // one frame later even a far surface beats the near one's old key
    draw(wall(900, 0x00FF00FF), 0);
    EXPECT_EQ(pixel(100, 100), 0x00FF00FFu);
}

// Clearing makes the keys of this very frame stale too, on every path that tests depth: the far
// wall drawn after it shows where the near one hid it before, at any frame.
TEST_F(DepthOrder, ClearingTheDepthLetsAFartherSurfaceOfTheSameFrameShow)
{
    renderer->setFrame(70000);
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE("draw mode " + std::to_string(mode));
        const auto texture = makeTexture(4, 4, [](int, int) { return 0x00FFFFFFu; });
        renderer->setTexture(texture.get());
        renderer->setSecondTexture(texture.get());
        draw(wall(20, 0x0000FF00), mode);
        fillScreen(0);
        draw(wall(900, 0x00FFFFFF), mode);
        EXPECT_EQ(pixel(100, 100), 0u) << "the far wall shows through the near one's key";
        renderer->clearDepth();
        draw(wall(900, 0x00FFFFFF), mode);
        EXPECT_NE(pixel(100, 100), 0u);
        EXPECT_EQ(depthAt(100, 100), renderer->frame() + static_cast<double>(static_cast<float>(1.0 / 900.0)));
        renderer->nextFrame();
    }
}

TEST_F(DepthOrder, VisibilityWindowExcludesBothEnds)
{
    draw(wall(10, 0x00FF0000), 0); // w = 0.1
    EXPECT_EQ(countPixels(0x00FF0000), 0);
    renderer->nextFrame();
    draw(wall(11, 0x00FF0000), 0);
    EXPECT_GT(countPixels(0x00FF0000), 0);
    fillScreen(0);
    renderer->nextFrame();
    draw(wall(1001, 0x0000FF00), 0);
    EXPECT_EQ(countPixels(0x0000FF00), 0);
    renderer->nextFrame();
    draw(wall(999, 0x0000FF00), 0);
    EXPECT_GT(countPixels(0x0000FF00), 0);
}

class ScanConversion : public RenderTest {};

TEST_F(ScanConversion, BottomRowAndRightColumnAreLeftOut)
{
    draw({onPixel(100, 100, 20), onPixel(200, 100, 20), onPixel(100, 200, 20)}, 0);
    EXPECT_EQ(pixel(100, 100), 0x00FFFFFFu);
    EXPECT_EQ(pixel(199, 100), 0x00FFFFFFu);
    EXPECT_EQ(pixel(200, 100), 0u);
    EXPECT_EQ(pixel(100, 199), 0x00FFFFFFu);
    EXPECT_EQ(pixel(100, 200), 0u);
    EXPECT_EQ(pixel(99, 150), 0u);
}

TEST_F(ScanConversion, TrianglesSharingAnEdgeCoverEachPixelOnce)
{
    // In blend mode every covered pixel mixes into accumBuffer: one cover of white gives 127,
    // two would give 191.
    renderer->blendMode = 1;
    const Vertex a = onPixel(100, 100, 20), b = onPixel(237, 100, 20), c = onPixel(237, 211, 20),
                 d = onPixel(100, 211, 20);
    draw({a, b, d, b, c, d}, 0);
    int covered = 0;
    for (int row = 0; row < screenHeight; ++row) {
        for (int column = 0; column < screenWidth; ++column) {
            const uint32_t word = accumAt(column, row);
            const bool inside = column >= 100 && column < 237 && row >= 100 && row < 211;
            ASSERT_EQ(word, inside ? 0x007F7F7Fu : 0u) << column << ',' << row;
            covered += inside ? 1 : 0;
        }
    }
    EXPECT_EQ(covered, 137 * 111);
}

TEST_F(ScanConversion, ARightEndPastTheScreenStopsAtColumn638)
{
    renderer->backfaceCull = 0;
    draw({onPixel(600, 100, 20), onPixel(700, 100, 20), onPixel(600, 300, 20)}, 0);
    EXPECT_EQ(pixel(638, 101), 0x00FFFFFFu);
    EXPECT_EQ(pixel(639, 101), 0u);
}

TEST_F(ScanConversion, ACornerOnColumn640KeepsTheTriangleButDrawsNothingPast639)
{
    renderer->backfaceCull = 0;
    draw({onPixel(600, 100, 20), onPixel(640, 100, 20), onPixel(600, 300, 20)}, 0);
    EXPECT_EQ(pixel(639, 100), 0x00FFFFFFu); // a right end exactly at 640 is not pulled in
    EXPECT_EQ(pixel(601, 287), 0x00FFFFFFu); // the right edge is at 602.6 there
}

TEST_F(ScanConversion, ATriangleReachingFarAboveTheScreenStillFillsIt)
{
    renderer->backfaceCull = 0;
    // The apex projects some 40000 rows above the screen; the walk there must not change the
    // rows that show.
    draw({Vertex(0, -10, 0.08f, 0x00FFFFFF), onPixel(0, 479, 20), onPixel(639, 479, 20)}, 0);
    EXPECT_EQ(pixel(200, 0), 0u); // too near to show at the top
    EXPECT_GT(depthAt(240, 0), 0.0f);
    EXPECT_EQ(pixel(10, 478), 0x00FFFFFFu);
}

} // namespace tepple
