#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geometry/Lighting.h"

namespace tepple {

namespace {

const Light frontLight(Vertex(0, 0, 70, 0), 13.1f, 13.1f, 13.1f);
const Vertex origin(0, 0, 0, 0);
const Vertex facingLight(0, 0, 1, 0);

bool cleanColour(uint32_t colour) { return (colour & 0xFF000000u) == 0; }

} // namespace

TEST(LightVertex, WithoutLightsReturnsTheBaseColour)
{
    EXPECT_EQ(lightVertex(&frontLight, 0, origin, facingLight, 0x00123456), 0x00123456u);
    EXPECT_EQ(lightVertex(nullptr, 0, origin, facingLight, 0x00ABCDEF), 0x00ABCDEFu);
}

TEST(LightVertex, DividesTheCosineByTheDistance)
{
    // Term 1/70, each sum 13.1 / 70 = 0.18714, each channel trunc(255 x 0.18714) = 47.
    EXPECT_EQ(lightVertex(&frontLight, 1, origin, facingLight, 0x00FFFFFF), packColour(47, 47, 47));
    // The normal's length does not matter, only its direction.
    EXPECT_EQ(lightVertex(&frontLight, 1, origin, Vertex(0, 0, 5, 0), 0x00FFFFFF), packColour(47, 47, 47));
    // Each channel scales its own base channel.
    EXPECT_EQ(lightVertex(&frontLight, 1, origin, facingLight, 0x00FF0080), packColour(47, 0, 23));
}

TEST(LightVertex, FacesTurnedAwayAndDegenerateInputsGetNothing)
{
    EXPECT_EQ(lightVertex(&frontLight, 1, origin, Vertex(0, 0, -1, 0), 0x00FFFFFF), 0u);
    EXPECT_EQ(lightVertex(&frontLight, 1, origin, origin, 0x00FFFFFF), 0u);
    const Light atOrigin(origin, 13.1f, 13.1f, 13.1f);
    EXPECT_EQ(lightVertex(&atOrigin, 1, Vertex(0, 0, 5, 0), facingLight, 0x00FFFFFF), 0u);
}

TEST(LightVertex, SumsLightsAndClampsEachChannel)
{
    const Light two[] = {frontLight, frontLight};
    EXPECT_EQ(lightVertex(two, 2, origin, facingLight, 0x00FFFFFF), packColour(95, 95, 95));
    const Light blinding(Vertex(0, 0, 10, 0), 13.1f, 0.0f, 13.1f);
    // 255 x 1.31 = 334 stops at 255 without touching its neighbours.
    EXPECT_EQ(lightVertex(&blinding, 1, origin, facingLight, 0x00FFFFFF), 0x00FF00FFu);
}

TEST(LightVertex, NegativeStrengthsGiveBlackNotSpilledBits)
{
    const Light negative(Vertex(0, 0, 10, 0), -5.0f, 1.0f, -5.0f);
    const uint32_t lit = lightVertex(&negative, 1, origin, facingLight, 0x00FFFFFF);
    EXPECT_EQ(lit, packColour(0, 25, 0));
}

TEST(LightVertex, NonFiniteInputsStillGiveAPackedColour)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Light lights[] = {frontLight, Light(Vertex(inf, 0, 1, 0), 1, 1, 1), Light(Vertex(nan, nan, nan, 0), 1, 1, 1)};
    for (const Vertex& position : {origin, Vertex(nan, 0, 0, 0), Vertex(inf, -inf, 0, 0), Vertex(0, 0, 70, 0)}) {
        for (const Vertex& normal : {facingLight, Vertex(nan, 1, 1, 0), Vertex(inf, inf, inf, 0)}) {
            EXPECT_TRUE(cleanColour(lightVertex(lights, 3, position, normal, 0x00FFFFFF)));
        }
    }
}

TEST(LightFace, LightsTheCrossProductOfTheEdges)
{
    const Light dim(Vertex(0, 0, 10, 0), 1.0f, 1.0f, 1.0f);
    // Term 1/10: red trunc(255 x 0.1) = 25.
    EXPECT_EQ(lightFace(dim, Vertex(1, 0, 0, 0), Vertex(0, 1, 0, 0), origin, 0x00FF0000), packColour(25, 0, 0));
    // Swapped edges turn the face away from the light.
    EXPECT_EQ(lightFace(dim, Vertex(0, 1, 0, 0), Vertex(1, 0, 0, 0), origin, 0x00FF0000), 0u);
}

TEST(LightFace, ClampsAnOverBrightChannelInsteadOfCarrying)
{
    // 255 x 1.31 = 334 would carry into bit 24 if packed unclamped; it stops at 255.
    const Light strong(Vertex(0, 0, 10, 0), 13.1f, 13.1f, 13.1f);
    EXPECT_EQ(lightFace(strong, Vertex(1, 0, 0, 0), Vertex(0, 1, 0, 0), origin, 0x00FF0000), 0x00FF0000u);
    // lightVertex agrees in the same situation.
    EXPECT_EQ(lightVertex(&strong, 1, origin, Vertex(0, 0, 1, 0), 0x00FF0000), 0x00FF0000u);
}

TEST(LightFace, DegenerateFacesAreBlack)
{
    const Light strong(Vertex(0, 0, 10, 0), 13.1f, 13.1f, 13.1f);
    EXPECT_EQ(lightFace(strong, Vertex(1, 0, 0, 0), Vertex(2, 0, 0, 0), origin, 0x00FF0000), 0u);
    EXPECT_EQ(lightFace(strong, origin, origin, origin, 0x00FF0000), 0u);
}

} // namespace tepple
