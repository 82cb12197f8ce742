#include <algorithm>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "RenderFixture.h"
#include "render/stages/ChannelArithmetic.h"
#include "render/stages/TriangleLoop.h"
#include "render/Renderer.h"
#include "render/LaneWidth.h"
#include "render/WorkerPool.h"

namespace tepple {

TEST(RendererConstruction, StartsWithStaleDepthBlackAccumulationAndDefaultFlags)
{
    const auto renderer = std::make_unique<Renderer>(Viewport::demo());
    for (int i = 0; i < screenWidth * screenHeight; ++i) {
        ASSERT_EQ(renderer->depthBuffer()[i], -65536.0f) << i;
        ASSERT_EQ(renderer->accumBuffer()[i], 0u) << i;
    }
    EXPECT_TRUE(renderer->positions.empty());
    EXPECT_TRUE(renderer->normals.empty());
    EXPECT_TRUE(renderer->lights.empty());
    EXPECT_EQ(renderer->texture, nullptr);
    EXPECT_EQ(renderer->secondTexture, nullptr);
    EXPECT_EQ(renderer->blendMode, 0);
    EXPECT_EQ(renderer->backfaceCull, 1);
}

// Every pair of channel values, each channel of a pair in a different position and the top byte
// filled with junk: a carry or borrow between channels, or a top byte let through, shows here.
TEST(ChannelArithmetic, TruncatedProductsAndMeansPerChannelWithoutCarries)
{
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t c = 255 - a;
            const uint32_t first = 0xA5000000u | a << 16 | b << 8 | c;
            const uint32_t second = 0x5A000000u | b << 16 | c << 8 | a;
            ASSERT_EQ(meanChannels(first, second), packColour((a + b) / 2, (b + c) / 2, (c + a) / 2)) << a << " " << b;
            ASSERT_EQ(scaledChannels(first, static_cast<int>(b), static_cast<int>(c), static_cast<int>(a)),
                      packColour(a * b / 256, b * c / 256, c * a / 256))
                << a << " " << b;
        }
    }
}

TEST(RendererLights, KeepCallOrderAndClear)
{
    const auto owner = std::make_unique<Renderer>(Viewport::demo());
    Renderer& renderer = *owner;
    renderer.clearLights();
    EXPECT_TRUE(renderer.lights.empty());

    for (float strength : {1.0f, 2.0f, 3.0f}) renderer.addLight(Light(Vertex(strength, 0, 0, 0), strength, 0, 0));
    ASSERT_EQ(renderer.lights.size(), 3u);
    EXPECT_EQ(renderer.lights[0].red, 1.0f);
    EXPECT_EQ(renderer.lights[2].position.x, 3.0f);

    renderer.clearLights();
    EXPECT_TRUE(renderer.lights.empty());
    renderer.addLight(Light(Vertex(0, 0, 70, 0), 13.1f, 13.1f, 13.1f));
    EXPECT_EQ(renderer.lights.size(), 1u);
}

TEST(RendererBuffers, CopiesArraysAndLeavesNormalsEmptyForSpriteMode)
{
    const auto renderer = std::make_unique<Renderer>(Viewport::demo());
    std::vector<Vertex> points = {Vertex(1, 2, 3, 4), Vertex(5, 6, 7, 8)};
    renderer->setVertexBuffers(points.data(), nullptr, 2);
    points[0].x = 99; // the renderer holds its own copy
    ASSERT_EQ(renderer->positions.size(), 2u);
    EXPECT_EQ(renderer->positions[0].x, 1.0f);
    EXPECT_EQ(renderer->positions[1].colour, 8u);
    EXPECT_TRUE(renderer->normals.empty());

    const std::vector<Vertex> corners(6, Vertex(0, 0, 20, 0));
    const std::vector<Vertex> normals(6, Vertex(0, 0, -1, 0));
    renderer->setVertexBuffers(corners.data(), normals.data(), 6);
    EXPECT_EQ(renderer->positions.size(), 6u);
    ASSERT_EQ(renderer->normals.size(), 6u);
    EXPECT_EQ(renderer->normals[5].z, -1.0f);
}

class RendererDispatch : public RenderTest {};

TEST_F(RendererDispatch, ValuesOutsideTheModesDrawNothing)
{
    fillScreen(0x00123456);
    for (int mode : {-1, 5, 100}) {
        EXPECT_FALSE(renderer->draw(static_cast<DrawMode>(mode), screen)) << mode;
    }
    EXPECT_EQ(countPixels(0x00123456), screenWidth * screenHeight);
    EXPECT_TRUE(renderer->draw(DrawMode::Flat, screen)); // the flat path clears the target first
    EXPECT_EQ(countPixels(0), screenWidth * screenHeight);
}

TEST_F(RendererDispatch, EachModeReachesItsOwnRasteriser)
{
    const auto texture = makeTexture(8, 8, [](int, int) { return 0x00204060u; });
    renderer->setTexture(texture.get());
    renderer->setSecondTexture(texture.get());
    renderer->backfaceCull = 0;
    const std::vector<Vertex> triangle = {onPixel(100, 100, 20, 0x00808080), onPixel(200, 100, 20, 0x00808080),
                                          onPixel(100, 200, 20, 0x00808080)};
    const uint32_t expected[] = {0x00808080, 0x00204060, 0x00204060};
    for (int mode = 0; mode < 3; ++mode) {
        fillScreen(0);
        renderer->nextFrame(); // a fresh frame, so the same triangle passes the depth test again
        draw(triangle, mode);
        EXPECT_EQ(pixel(120, 120), expected[mode]) << mode;
    }
    fillScreen(0);
    renderer->nextFrame();
    renderer->setVertexBuffers(triangle.data(), nullptr, 1);
    ASSERT_TRUE(renderer->draw(DrawMode::Sprites, screen));
    // Tinted with the point's colour: (0x20 + 0x80) / 2 and so on.
    EXPECT_EQ(pixel(100, 100), 0x00506070u);
}

TEST_F(RendererDispatch, TargetsOfAnotherSizeAreRefusedUntouched)
{
    Surface small(320, 240);
    const std::vector<Vertex> triangle = {onPixel(10, 10, 20), onPixel(100, 10, 20), onPixel(10, 100, 20)};
    const std::vector<Vertex> normals(3, Vertex(0, 0, -1, 0));
    renderer->setVertexBuffers(triangle.data(), normals.data(), 3);
    renderer->backfaceCull = 0;
    for (int mode = 0; mode < 5; ++mode) {
        try {
            renderer->draw(static_cast<DrawMode>(mode), small);
            ADD_FAILURE() << "mode " << mode << " drew into a 320 x 240 target";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "Renderer: the target is 320 x 240 pixels, the viewport 640 x 480");
        }
    }
    for (int i = 0; i < 320 * 240; ++i) ASSERT_EQ(small.pixels()[i], 0u) << i;
}

// The index list and the positions are public members: a call that reads the index list must
// refuse, before it reads a vertex or writes a pixel, any index that names no entry of positions
// as they are at the call (one too large, a negative one, or one left behind when positions
// shrank after setIndexedVertexBuffers checked them).
TEST_F(RendererDispatch, IndicesOutsideThePositionsAreRefusedAtTheCallUntouched)
{
    const auto texture = makeTexture(8, 8, [](int, int) { return 0x00204060u; });
    renderer->setTexture(texture.get());
    renderer->setSecondTexture(texture.get());
    renderer->backfaceCull = 0;
    renderer->addLight(Light(Vertex(0, 0, -10, 0), 1.0f, 1.0f, 1.0f));
    const std::vector<Vertex> square = {onPixel(100, 100, 20, 0x00808080), onPixel(300, 100, 20, 0x00808080),
                                        onPixel(100, 300, 20, 0x00808080), onPixel(300, 300, 20, 0x00808080)};
    const std::vector<Vertex> normals(4, Vertex(0, 0, -1, 0));
    const int32_t corners[] = {0, 1, 2, 1, 3, 2};
    struct Fault {
        std::vector<int32_t> indices;
        size_t positionsKept;
        const char* message;
    };
    const Fault faults[] = {
        {{0, 1, 100000}, 3, "draw: corner 2 names vertex 100000 of 3"},
        {{0, -1, 2}, 3, "draw: corner 1 names vertex -1 of 3"},
        {{0, 1, 2, 1, 3, 2}, 3, "draw: corner 4 names vertex 3 of 3"},
        {{0, 1, 2}, 0, "draw: corner 0 names vertex 0 of 0"},
    };
    for (const DrawMode mode : {DrawMode::Gouraud, DrawMode::Textured, DrawMode::DualTextured, DrawMode::Flat}) {
        for (const Fault& fault : faults) {
            SCOPED_TRACE(std::string("mode ") + std::to_string(static_cast<int>(mode)) + ", " + fault.message);
            // A picture and buffers already drawn into, so that any change shows.
            renderer->nextFrame();
            fillScreen(0x00010203);
            renderer->blendMode = 1;
            renderer->setIndexedVertexBuffers(square.data(), normals.data(), 4, corners, 6);
            renderer->draw(DrawMode::Gouraud, screen);
            renderer->blendMode = static_cast<uint8_t>(mode == DrawMode::Textured);
            const std::vector<uint32_t> pixels(screen.pixels(), screen.pixels() + screenWidth * screenHeight);
            const std::vector<uint32_t> accum(renderer->accumBuffer(), renderer->accumBuffer() + renderer->pixelCount());
            const std::vector<double> depth(renderer->depthBuffer(), renderer->depthBuffer() + renderer->pixelCount());
            ASSERT_NE(std::count(pixels.begin(), pixels.end(), 0x00010203u), screenWidth * screenHeight);

            renderer->nextFrame(); // fresh depth keys: a triangle drawn now would show
            renderer->positions.resize(fault.positionsKept);
            renderer->indices = fault.indices;
            try {
                renderer->draw(mode, screen);
                ADD_FAILURE() << "the call was drawn";
            } catch (const std::out_of_range& error) {
                EXPECT_STREQ(error.what(), fault.message);
            }
            EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), screen.pixels()));
            EXPECT_TRUE(std::equal(accum.begin(), accum.end(), renderer->accumBuffer()));
            EXPECT_TRUE(std::equal(depth.begin(), depth.end(), renderer->depthBuffer()));
        }
    }
}

// Large and small triangles, many across the edges between strips and some reaching off screen,
// through every depth-tested path, blended and not, lit and not, two frames running so the second
// draws over the first's depth keys: a renderer changed by `change` must give every pixel, depth
// key and accumulation value a plain one gives. Returns the second renderer, with the number of
// pixels the last pass left lit.
static std::unique_ptr<Renderer> expectSameDrawing(
    const std::function<void(Renderer&)>& change, int& drawn,
    const std::function<void(Renderer&)>& reference = [](Renderer&) {})
{
    std::mt19937 random(20261207u);
    std::uniform_real_distribution<float> spread(-60.0f, 60.0f), depth(12.0f, 90.0f), unit(0.0f, 1.0f),
        size(0.5f, 30.0f);
    std::vector<Vertex> corners, normals;
    // Enough triangles to cover a good part of the screen (far more than minCostForThreads),
    // and never so few that the call, or its set-up, is worked on one thread.
    constexpr int triangles = std::max<int>({minTrianglesForThreads, WorkerPool::minItemsForThreads, 1124});
    for (int t = 0; t < triangles; ++t) {
        const float x = spread(random), y = spread(random), z = depth(random), extent = size(random);
        for (int i = 0; i < 3; ++i) {
            Vertex corner(x + extent * (unit(random) - 0.5f) * 2, y + extent * (unit(random) - 0.5f) * 2,
                          z + 4 * unit(random), 0x00102030u * static_cast<uint32_t>(1 + t % 7));
            corner.texU = corner.texU2 = unit(random);
            corner.texV = corner.texV2 = unit(random);
            corners.push_back(corner);
            normals.push_back(Vertex(unit(random), unit(random), -1, 0));
        }
    }
    // Texels smaller than the nearer triangles' pixels, each unlike its neighbours, so that a texel
    // position off by a fraction shows.
    Surface texture(256, 256);
    for (uint32_t i = 0; i < 256 * 256; ++i) texture.lock()[i] = (i * 2654435761u) >> 8;

    std::unique_ptr<Renderer> renderers[2] = {std::make_unique<Renderer>(Viewport::demo()),
                                              std::make_unique<Renderer>(Viewport::demo())};
    Surface targets[2] = {Surface(screenWidth, screenHeight), Surface(screenWidth, screenHeight)};
    reference(*renderers[0]);
    change(*renderers[1]);
    int passes = 0;
    for (int frame = 0; frame < 2; ++frame) {
        for (const std::unique_ptr<Renderer>& renderer : renderers) renderer->nextFrame();
        for (const DrawMode mode : {DrawMode::Gouraud, DrawMode::Textured, DrawMode::DualTextured}) {
            for (int variant = 0; variant < 3; ++variant) {
                for (int side = 0; side < 2; ++side) {
                    Renderer& renderer = *renderers[side];
                    renderer.setTexture(&texture);
                    renderer.setSecondTexture(&texture);
                    renderer.blendMode = static_cast<uint8_t>(variant == 1);
                    renderer.backfaceCull = static_cast<uint8_t>(variant != 2);
                    renderer.clearLights();
                    if (variant != 2) renderer.addLight(Light(Vertex(10, -20, 0, 0), 13.1f, 9.0f, 5.0f));
                    renderer.setVertexBuffers(corners.data(), normals.data(), corners.size());
                    renderer.draw(mode, targets[side]);
                }
                ++passes;
                EXPECT_EQ(std::memcmp(targets[0].pixels(), targets[1].pixels(), screenWidth * screenHeight * 4), 0)
                    << passes;
                EXPECT_EQ(std::memcmp(renderers[0]->depthBuffer(), renderers[1]->depthBuffer(),
                                      renderers[0]->pixelCount() * sizeof(double)),
                          0)
                    << passes;
                EXPECT_EQ(std::memcmp(renderers[0]->accumBuffer(), renderers[1]->accumBuffer(),
                                      renderers[0]->pixelCount() * sizeof(uint32_t)),
                          0)
                    << passes;
            }
        }
    }
    drawn = 0;
    for (int i = 0; i < screenWidth * screenHeight; ++i) drawn += targets[1].pixels()[i] != 0;
    return std::move(renderers[1]);
}

// The screen cut into strips, one per thread, gives what one thread gives.
TEST(RendererThreads, StripsDrawExactlyWhatOneThreadDraws)
{
    int drawn = 0;
    const std::unique_ptr<Renderer> threaded = expectSameDrawing(
        [](Renderer& renderer) {
            static WorkerPool pool(3);
            renderer.setPool(&pool);
        },
        drawn);
    EXPECT_GT(drawn, screenWidth * screenHeight / 10);
    // A copy, made or assigned, is not lent its original's threads: a pool serves one caller at a
    // time, and the copy and its original may draw at once on two threads.
    ASSERT_NE(threaded->pool(), nullptr);
    const auto copy = std::make_unique<Renderer>(*threaded);
    EXPECT_EQ(copy->pool(), nullptr);
    WorkerPool ownPool(2);
    Renderer other(Viewport::demo());
    other.setPool(&ownPool);
    other = *threaded;
    EXPECT_EQ(other.pool(), nullptr);
    EXPECT_EQ(threaded->pool()->threads(), 3); // the original keeps its own
}

// Spans drawn side by side give what spans drawn one by one give, at every lane width this build
// and processor run; the widths drawn are named in the output.
TEST(RendererRowLanes, EveryLaneWidthDrawsExactlyWhatRowsOneByOneDraw)
{
    const std::vector<int> available = laneWidthsAvailable();
#if (defined(__SSE2__) || defined(__aarch64__)) && !defined(TEPPLE_NO_LANE_SETS)
    ASSERT_NE(std::find(available.begin(), available.end(), 4), available.end()) << "the baseline lanes are missing";
#endif
    EXPECT_EQ(resolvedLaneWidth(0), available.back());
    for (const int width : available) {
        if (width == 1) continue;
        std::printf("lane width %d against one span at a time\n", width);
        SCOPED_TRACE("lane width " + std::to_string(width));
        int drawn = 0;
        expectSameDrawing([width](Renderer& renderer) { renderer.laneWidth = width; }, drawn,
                          [](Renderer& renderer) { renderer.laneWidth = 1; });
        EXPECT_GT(drawn, screenWidth * screenHeight / 10);
    }
}

} // namespace tepple
