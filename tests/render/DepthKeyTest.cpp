// The depth rule late in a run, in each of the four depth-tested paths. The frame counter grows
// with the display's refresh rate (about 36,000 by the end of the timeline at 240 Hz); the key
// frame + w must still order surfaces exactly as w does within a frame, and a key of an
// earlier frame must still lose.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

struct DepthTestedPath {
    const char* name;
    int mode; // draw mode: 0 Gouraud, 1 textured, 2 two-texture, 3 sprites
};

constexpr int spriteMode = 3;
constexpr int probeColumn = 100, probeRow = 100;
constexpr uint32_t firstColour = 0x0040C040, secondColour = 0x004040C0;

void PrintTo(const DepthTestedPath& path, std::ostream* os) { *os << path.name; }

} // namespace

class DepthKey : public RenderTest, public ::testing::WithParamInterface<DepthTestedPath> {
protected:
    bool sprites() const { return GetParam().mode == spriteMode; }

    // A surface at depth z that shows `colour` in the path under test, its top-left pixel on the
    // probe: a 100 x 100 square of two triangles, or one sprite. The textures are of that colour
    // too, and a sprite's tint mixed evenly with its texel gives the colour back.
    void drawSurface(float z, uint32_t colour)
    {
        textures_.push_back(makeTexture(4, 4, [colour](int, int) { return colour; }));
        renderer->setTexture(textures_.back().get());
        renderer->setSecondTexture(textures_.back().get());
        if (sprites()) {
            drawPoints({onPixel(probeColumn, probeRow, z, colour)});
            return;
        }
        const auto corner = [&](int column, int row) {
            return withTexture(onPixel(column, row, z, colour), 0.5f, 0.5f);
        };
        const Vertex a = corner(100, 100), b = corner(200, 100), c = corner(200, 200), d = corner(100, 200);
        draw({a, b, d, b, c, d}, GetParam().mode);
    }

    // A fresh renderer and a black screen: nothing of an earlier case is left in the depth buffer.
    void startOver()
    {
        renderer = std::make_unique<Renderer>(Viewport::demo());
        fillScreen(0);
    }

    void expectOnlyShows(uint32_t shown, uint32_t hidden, const char* situation)
    {
        EXPECT_EQ(pixel(probeColumn, probeRow), shown) << situation;
        EXPECT_EQ(countPixels(hidden), 0) << situation;
    }

private:
    std::vector<std::unique_ptr<Surface>> textures_;
};

TEST_P(DepthKey, WThatDiffersByOneTenThousandthResolvesToTheNearerAtFrame30000)
{
    // Frame 30,000 is reached after under 3.5 minutes at 144 Hz.
    const float farZ = 20;                   // w = 0.05
    const float nearZ = 1 / (0.05f + 1e-4f); // w = 0.0501
    renderer->setFrame(30000);
    drawSurface(farZ, secondColour);
    drawSurface(nearZ, firstColour);
    expectOnlyShows(firstColour, secondColour, "far drawn first");

    startOver();
    drawSurface(nearZ, firstColour);
    drawSurface(farZ, secondColour);
    expectOnlyShows(firstColour, secondColour, "near drawn first");
}

TEST_P(DepthKey, OfTwoEqualSurfacesTheFirstDrawnStaysAtFrame1000000)
{
    // Two depths, so that at least one sum lies between two floats on either side.
    for (const float z : {30.0f, 50.0f}) {
        startOver();
        renderer->setFrame(1000000);
        drawSurface(z, firstColour);
        drawSurface(z, secondColour);
        expectOnlyShows(firstColour, secondColour, z == 30.0f ? "depth 30" : "depth 50");
    }
}

TEST_P(DepthKey, AKeyOfAnEarlierFrameLosesToAnyKeyOfTheNext)
{
    // The nearest surface the path keys against the farthest it shows: triangles are kept from a
    // mean depth of 1 (two-texture rows nearer than depth 10 are skipped whole), sprites vanish
    // from depth 300 and triangle pixels from depth 1000. The frames run to the counter's end.
    const float nearest = GetParam().mode == 2 ? 11.0f : 1.0f;
    const float farthest = sprites() ? 299.0f : 999.0f;
    for (const uint32_t frame : {30000u, 1000000u, 67108869u, 4294967294u}) {
        startOver();
        renderer->setFrame(frame);
        drawSurface(nearest, firstColour);
        renderer->nextFrame();
        drawSurface(farthest, secondColour);
        EXPECT_EQ(pixel(probeColumn, probeRow), secondColour) << "frame " << frame;
        if (!sprites()) {
            EXPECT_EQ(countPixels(secondColour), 100 * 100) << "frame " << frame;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachDepthTestedPath, DepthKey,
                         ::testing::Values(DepthTestedPath{"Gouraud", 0}, DepthTestedPath{"Textured", 1},
                                           DepthTestedPath{"DualTextured", 2}, DepthTestedPath{"Sprites", spriteMode}),
                         [](const ::testing::TestParamInfo<DepthTestedPath>& info) { return info.param.name; });

} // namespace tepple
