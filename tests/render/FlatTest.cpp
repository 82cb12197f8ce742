#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "RenderFixture.h"
#include "geometry/Lighting.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

constexpr uint32_t red = 0x00FF0000;

// Columns of `row` painted (nonzero), as [first, last]; {-1, -1} when none.
std::pair<int, int> paintedRange(const Surface& screen, int row)
{
    int first = -1, last = -1;
    for (int column = 0; column < screenWidth; ++column) {
        if (screen.pixels()[row * screenWidth + column] == 0) continue;
        if (first < 0) first = column;
        last = column;
    }
    return {first, last};
}

} // namespace

class Flat : public RenderTest {};

TEST_F(Flat, ClearsTheTargetEvenWithNothingToDraw)
{
    fillScreen(0x00ABCDEF);
    draw({}, 4);
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
}

TEST_F(Flat, SplitsAtTheMiddleCornerWithFixedPointEdges)
{
    // s_long = 0, s_upper = 1310720 / 11 = 119156, s_lower = -131072.
    draw({onPixel(10, 10, 20), onPixel(30, 20, 20), onPixel(10, 30, 20)}, 4);
    EXPECT_EQ(paintedRange(screen, 10), std::make_pair(-1, -1));
    EXPECT_EQ(paintedRange(screen, 11), std::make_pair(10, 10)); // 10 + 119156 / 65536 = 11.8
    EXPECT_EQ(paintedRange(screen, 19), std::make_pair(10, 25)); // 10 + 9 x 119156 / 65536 = 26.4
    EXPECT_EQ(paintedRange(screen, 20), std::make_pair(10, 29));
    EXPECT_EQ(paintedRange(screen, 29), std::make_pair(10, 11)); // 30 - 9 x 2 = 12, exclusive
    EXPECT_EQ(paintedRange(screen, 30), std::make_pair(-1, -1));
    EXPECT_EQ(pixel(10, 20), red); // no lights: the unlit base colour
}

TEST_F(Flat, CoversTheSamePixelsWhicheverCornerComesFirst)
{
    const Vertex a = onPixel(50, 40, 20), b = onPixel(300, 90, 20), c = onPixel(120, 260, 20);
    draw({a, b, c}, 4);
    const std::vector<uint32_t> reference(screen.pixels(), screen.pixels() + screenWidth * screenHeight);
    EXPECT_GT(countPixels(red), 1000);
    for (const std::vector<Vertex>& order : {std::vector<Vertex>{b, c, a}, std::vector<Vertex>{c, a, b},
                                             std::vector<Vertex>{a, c, b}, std::vector<Vertex>{c, b, a}}) {
        draw(order, 4);
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), screen.pixels()));
    }
}

TEST_F(Flat, LaterTrianglesPaintOverEarlierOnesWhateverTheirDepth)
{
    renderer->addLight(Light(Vertex(0, 0, 1, 0), 1000, 1000, 1000));
    // Corners clockwise on screen give a face normal along +z, toward this light: lit red.
    // The far triangle runs the other way round and faces away: black.
    const std::vector<Vertex> near = {onPixel(100, 100, 20), onPixel(200, 100, 20), onPixel(100, 200, 20)};
    const std::vector<Vertex> far = {onPixel(100, 100, 900), onPixel(100, 200, 900), onPixel(200, 100, 900)};
    std::vector<Vertex> both = far;
    both.insert(both.end(), near.begin(), near.end());
    draw(both, 4);
    EXPECT_EQ(pixel(120, 120), red);
    both = near;
    both.insert(both.end(), far.begin(), far.end());
    draw(both, 4);
    EXPECT_EQ(pixel(120, 120), 0u);
}

TEST_F(Flat, TakesTheColourOfTheLastLight)
{
    renderer->addLight(Light(Vertex(0, 0, 1, 0), 1000, 1000, 1000));
    renderer->addLight(Light(Vertex(0, 0, 10, 0), 1, 1, 1));
    const std::vector<Vertex> triangle = {onPixel(100, 100, 20), onPixel(200, 100, 20), onPixel(100, 200, 20)};
    draw(triangle, 4);
    Vertex edge1 = triangle[0], edge2 = triangle[1], centre = triangle[0];
    vecSub(edge1, triangle[1]);
    vecSub(edge2, triangle[2]);
    vecAdd(centre, triangle[1]);
    vecAdd(centre, triangle[2]);
    vecDiv(centre, 3);
    const uint32_t expected = lightFace(renderer->lights[1], edge1, edge2, centre, red);
    EXPECT_NE(expected, red);
    EXPECT_NE(expected, 0u);
    EXPECT_EQ(pixel(120, 120), expected);
}

TEST_F(Flat, RowsReachingPastBothSidesStopAtColumnsZeroAnd638)
{
    // The middle row has its edges at columns -5 and 700.
    draw({onPixel(-5, 50, 20), onPixel(700, 100, 20), onPixel(-5, 150, 20)}, 4);
    EXPECT_EQ(paintedRange(screen, 100), std::make_pair(0, 638));
    EXPECT_EQ(paintedRange(screen, 150), std::make_pair(-1, -1));
}

TEST_F(Flat, IncludesTheBottomRow)
{
    // Row 200 holds the edge positions 298.0 and 300.0 of the lower half.
    draw({onPixel(100, 100, 20), onPixel(200, 150, 20), onPixel(300, 200, 20)}, 4);
    EXPECT_EQ(paintedRange(screen, 200), std::make_pair(298, 299));
    EXPECT_EQ(paintedRange(screen, 201), std::make_pair(-1, -1));
}

TEST_F(Flat, FarOutCornersAreHeldWithoutOverflow)
{
    // Corners tens of thousands of columns out: the triangle still covers the middle rows.
    draw({Vertex(-1000, 0, 1, 0), Vertex(1000, -1, 1, 0), Vertex(0, 1000, 1, 0)}, 4);
    EXPECT_EQ(paintedRange(screen, 300), std::make_pair(0, 638));
}

} // namespace tepple
