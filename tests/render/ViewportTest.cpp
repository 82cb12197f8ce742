// The engine for programs of their own: targets of any size, near-plane clipping, a renderer's
// state its own (two renderers on two threads draw what each draws alone), and bad viewports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "render/Renderer.h"

namespace tepple {

namespace {

// Two triangles covering the plane z = depth wherever a target of a viewport of the given
// aspect sees it (corners beyond every edge of the field of view), facing the eye.
std::vector<Vertex> wall(float depth, uint32_t colour, float aspect = 1.0f)
{
    const float far = 100.0f * depth * aspect;
    const Vertex a(-far, -far, depth, colour), b(far, -far, depth, colour), c(far, far, depth, colour),
        d(-far, far, depth, colour);
    return {a, b, c, a, c, d};
}

void drawCorners(Renderer& renderer, Surface& target, const std::vector<Vertex>& corners, DrawMode mode)
{
    const std::vector<Vertex> normals(corners.size(), Vertex(0, 0, -1, 0));
    renderer.setVertexBuffers(corners.data(), normals.data(), corners.size());
    renderer.draw(mode, target);
}

int countColour(const Surface& target, uint32_t colour)
{
    int count = 0;
    for (int i = 0; i < target.width() * target.height(); ++i) count += target.pixels()[i] == colour;
    return count;
}

} // namespace

// Every pixel of a target of any shape is drawn, edges included, by every triangle path.
TEST(AnySize, AWallFacingTheEyeCoversEveryPixelOfTargetsOfAnyShape)
{
    const uint32_t white = 0x00FFFFFF;
    Surface texture(4, 4);
    std::fill(texture.lock(), texture.lock() + 16, white);
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{333, 251}, std::pair{8192, 2}, std::pair{3, 8192}}) {
        Renderer renderer(Viewport::forTarget(width, height));
        renderer.setTexture(&texture);
        renderer.setSecondTexture(&texture);
        for (const DrawMode mode : {DrawMode::Gouraud, DrawMode::Textured, DrawMode::DualTextured, DrawMode::Flat}) {
            Surface target(width, height);
            renderer.nextFrame();
            drawCorners(renderer, target, wall(50, white, std::max(1.0f, static_cast<float>(height) / width)), mode);
            // Unlit smooth shading and the flat path's red face: any colour but black counts.
            EXPECT_EQ(countColour(target, 0), 0) << width << " x " << height << ", mode " << static_cast<int>(mode);
        }
    }
}

// The demonstration's rules leave its last column unpainted, as its pictures were made.
TEST(AnySize, TheDemoPresetKeepsTheLastColumnUnpainted)
{
    Renderer renderer(Viewport::demo());
    Surface target(640, 480);
    drawCorners(renderer, target, wall(50, 0x00FFFFFF), DrawMode::Gouraud);
    EXPECT_NE(target.pixels()[100 * 640 + 638], 0u);
    EXPECT_EQ(target.pixels()[100 * 640 + 639], 0u);
}

// A floor reaching from behind the eye to far ahead: clipped at the near plane, it fills the lower
// half of the picture and nothing above the horizon; unclipped, the corners behind the eye project
// mirrored and it is dropped or misdrawn.
TEST(NearClipping, AFloorReachingBehindTheEyeFillsTheLowerHalf)
{
    const uint32_t grey = 0x00808080;
    const Vertex a(-400, 20, -50, grey), b(400, 20, -50, grey), c(400, 20, 900, grey), d(-400, 20, 900, grey);
    const std::vector<Vertex> floor = {a, c, b, a, d, c};
    for (const bool clip : {true, false}) {
        Viewport viewport = Viewport::forTarget(320, 240);
        viewport.clipNear = clip;
        Renderer renderer(viewport);
        renderer.backfaceCull = 0;
        Surface target(320, 240);
        drawCorners(renderer, target, floor, DrawMode::Gouraud);
        int above = 0, bottomRow = 0;
        for (int row = 0; row < 120; ++row) {
            for (int column = 0; column < 320; ++column) above += target.pixels()[row * 320 + column] != 0;
        }
        for (int column = 0; column < 320; ++column) bottomRow += target.pixels()[239 * 320 + column] != 0;
        if (clip) {
            EXPECT_EQ(above, 0);
            EXPECT_EQ(bottomRow, 320);
        } else {
            EXPECT_NE(bottomRow, 320) << "the unclipped floor was expected to be dropped or misdrawn";
        }
    }
}

// Clipping keeps what lies wholly beyond the near plane exactly as it was, and drops what lies wholly
// before it.
TEST(NearClipping, TrianglesWhollyOnOneSideAreUntouched)
{
    const std::vector<Vertex> beyond = {Vertex(-5, -5, 20, 0x00FF0000), Vertex(5, -5, 20, 0x0000FF00),
                                        Vertex(0, 5, 30, 0x000000FF)};
    std::vector<Vertex> both = beyond;
    for (const Vertex& v : beyond) both.push_back(Vertex(v.x, v.y, 5, 0x00FFFFFF)); // before z = 10
    Viewport unclipped = Viewport::forTarget(200, 200);
    unclipped.clipNear = false;
    Renderer plain(unclipped), clipped(Viewport::forTarget(200, 200));
    Surface plainTarget(200, 200), clippedTarget(200, 200);
    drawCorners(plain, plainTarget, beyond, DrawMode::Gouraud);
    drawCorners(clipped, clippedTarget, both, DrawMode::Gouraud);
    EXPECT_GT(countColour(plainTarget, 0), 0);
    EXPECT_EQ(std::memcmp(plainTarget.pixels(), clippedTarget.pixels(), 200 * 200 * 4), 0);
}

// The renderer's frame number is its own: two renderers drawing at once on two threads give
// exactly the pictures, depth keys and accumulation values each gives alone.
TEST(OwnState, TwoRenderersOnTwoThreadsDrawWhatEachDrawsAlone)
{
    std::mt19937 random(7u);
    std::uniform_real_distribution<float> spread(-40.0f, 40.0f), depth(15.0f, 200.0f);
    std::vector<Vertex> corners;
    for (int i = 0; i < 3 * 400; ++i) {
        corners.push_back(Vertex(spread(random), spread(random), depth(random), 0x00C08040));
    }
    const auto run = [&corners](Renderer& renderer, Surface& target, float shift) {
        std::vector<Vertex> moved = corners;
        for (int frame = 0; frame < 30; ++frame) {
            for (Vertex& v : moved) v.z += shift;
            renderer.nextFrame();
            target.clear();
            renderer.backfaceCull = 0;
            drawCorners(renderer, target, moved, DrawMode::Gouraud);
        }
    };
    const Viewport viewport = Viewport::forTarget(256, 192);
    Renderer aloneA(viewport), aloneB(viewport), togetherA(viewport), togetherB(viewport);
    Surface targets[4] = {Surface(256, 192), Surface(256, 192), Surface(256, 192), Surface(256, 192)};
    run(aloneA, targets[0], 1.5f);
    run(aloneB, targets[1], -0.5f);
    std::thread other([&] { run(togetherB, targets[3], -0.5f); });
    run(togetherA, targets[2], 1.5f);
    other.join();
    for (const auto& [alone, together, a, b] :
         {std::tuple{&aloneA, &togetherA, 0, 2}, std::tuple{&aloneB, &togetherB, 1, 3}}) {
        EXPECT_EQ(std::memcmp(targets[a].pixels(), targets[b].pixels(), 256 * 192 * 4), 0);
        const size_t bytes = alone->pixelCount() * sizeof(double);
        EXPECT_EQ(std::memcmp(alone->depthBuffer(), together->depthBuffer(), bytes), 0);
        EXPECT_GT(countColour(targets[a], 0), 0);
    }
}

// A viewport that cannot be drawn with is refused when the renderer is made, naming the problem.
TEST(BadInput, ViewportsThatCannotBeDrawnWithAreRefused)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Viewport zero = Viewport::forTarget(0, 480), huge = Viewport::forTarget(20000, 10);
    Viewport noFocus = Viewport::forTarget(64, 64), lostCentre = Viewport::forTarget(64, 64);
    Viewport window = Viewport::forTarget(64, 64);
    noFocus.focalLength = nan;
    lostCentre.centreY = std::numeric_limits<double>::infinity();
    window.nearDistance = 2000.0;
    for (const Viewport& viewport : {zero, huge, noFocus, lostCentre, window}) {
        EXPECT_FALSE(viewport.problem().empty());
        EXPECT_THROW(Renderer{viewport}, std::invalid_argument) << viewport.problem();
    }
    EXPECT_EQ(Viewport::forTarget(1, 1).problem(), "");
    EXPECT_EQ(Viewport::demo().problem(), "");
}

} // namespace tepple
