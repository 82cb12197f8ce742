#include <gtest/gtest.h>

#include <cstddef>

#include "geometry/Vertex.h"

namespace tepple {

namespace {

Vertex fullVertex()
{
    Vertex v(1.0f, 2.0f, 3.0f, 0x00ABCDEF);
    v.texU = 0.25f;
    v.texV = 0.5f;
    v.texU2 = 0.75f;
    v.texV2 = 1.0f;
    return v;
}

void expectExtrasOf(const Vertex& v, const Vertex& original)
{
    EXPECT_EQ(v.colour, original.colour);
    EXPECT_EQ(v.texU, original.texU);
    EXPECT_EQ(v.texV, original.texV);
    EXPECT_EQ(v.texU2, original.texU2);
    EXPECT_EQ(v.texV2, original.texV2);
}

} // namespace

TEST(VertexRecord, FieldsSitInTheirFixedSlots)
{
    // Vertex arrays are copied as 32-byte blocks; every reader relies on this order.
    EXPECT_EQ(offsetof(Vertex, x), 0u);
    EXPECT_EQ(offsetof(Vertex, z), 8u);
    EXPECT_EQ(offsetof(Vertex, colour), 12u);
    EXPECT_EQ(offsetof(Vertex, texU), 16u);
    EXPECT_EQ(offsetof(Vertex, texV2), 28u);
}

TEST(VertexRecord, DefaultIsWhiteAtOriginWithZeroTextureCoordinates)
{
    const Vertex v;
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);
    EXPECT_EQ(v.colour, 0x00FFFFFFu);
    EXPECT_EQ(v.texU, 0.0f);
    EXPECT_EQ(v.texV, 0.0f);
    EXPECT_EQ(v.texU2, 0.0f);
    EXPECT_EQ(v.texV2, 0.0f);
}

TEST(VertexRecord, PositionAndColourConstructorLeavesTextureCoordinatesZero)
{
    const Vertex v(-1.5f, 2.0f, 7.0f, 0x00102030);
    EXPECT_EQ(v.x, -1.5f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 7.0f);
    EXPECT_EQ(v.colour, 0x00102030u);
    EXPECT_EQ(v.texU, 0.0f);
    EXPECT_EQ(v.texV, 0.0f);
    EXPECT_EQ(v.texU2, 0.0f);
    EXPECT_EQ(v.texV2, 0.0f);
}

TEST(PackedColour, PlacesRedGreenBlueInTheirBytes)
{
    EXPECT_EQ(packColour(255, 0, 0), 0x00FF0000u);
    EXPECT_EQ(packColour(0, 255, 0), 0x0000FF00u);
    EXPECT_EQ(packColour(0, 0, 255), 0x000000FFu);
    EXPECT_EQ(packColour(0x12, 0x34, 0x56), 0x00123456u);
}

TEST(PackedColour, ExcessBitsSpillIntoTheNextChannelUnmasked)
{
    EXPECT_EQ(packColour(0, 256, 0), 0x00010000u);
    EXPECT_EQ(packColour(0, 0, 256), 0x00000100u);
    EXPECT_EQ(packColour(256, 0, 0), 0x01000000u);
    EXPECT_EQ(packColour(0x80, 0x1FF, 0), 0x0081FF00u);
}

TEST(PackedColour, ChannelReadersUndoPacking)
{
    const uint32_t colour = packColour(0xA1, 0xB2, 0xC3) | 0xFF000000u;
    EXPECT_EQ(redOf(colour), 0xA1);
    EXPECT_EQ(greenOf(colour), 0xB2);
    EXPECT_EQ(blueOf(colour), 0xC3);
}

TEST(VectorInPlace, AddSubScaleDivTouchOnlyThePosition)
{
    const Vertex original = fullVertex();
    Vertex v = original;

    EXPECT_EQ(&vecAdd(v, Vertex(10, 20, 30, 0)), &v);
    EXPECT_EQ(v.x, 11.0f);
    EXPECT_EQ(v.y, 22.0f);
    EXPECT_EQ(v.z, 33.0f);
    expectExtrasOf(v, original);

    EXPECT_EQ(&vecSub(v, Vertex(1, 2, 3, 0)), &v);
    EXPECT_EQ(v.x, 10.0f);
    EXPECT_EQ(v.y, 20.0f);
    EXPECT_EQ(v.z, 30.0f);
    expectExtrasOf(v, original);

    EXPECT_EQ(&vecScale(v, 0.5f), &v);
    EXPECT_EQ(v.x, 5.0f);
    EXPECT_EQ(v.y, 10.0f);
    EXPECT_EQ(v.z, 15.0f);
    expectExtrasOf(v, original);

    EXPECT_EQ(&vecDiv(v, 5.0f), &v);
    EXPECT_EQ(v.x, 1.0f);
    EXPECT_EQ(v.y, 2.0f);
    EXPECT_EQ(v.z, 3.0f);
    expectExtrasOf(v, original);
}

TEST(VectorMeasure, LengthOfKnownVectors)
{
    EXPECT_EQ(vecLength(Vertex(0, 0, 0, 0)), 0.0f);
    EXPECT_EQ(vecLength(Vertex(3, 4, 0, 0)), 5.0f);
    EXPECT_EQ(vecLength(Vertex(0, -3, 4, 0)), 5.0f);
}

TEST(VectorMeasure, LengthIsComputedWiderThanFloat)
{
    // The squares overflow float but not double.
    EXPECT_FLOAT_EQ(vecLength(Vertex(3e20f, 4e20f, 0, 0)), 5e20f);
}

TEST(VectorMeasure, DotProductSumsInDouble)
{
    // In float, -1e8 + 1 rounds back to -1e8 and the sum would be 0.
    const Vertex a(1e8f, 1.0f, -1e8f, 0);
    const Vertex ones(1, 1, 1, 0);
    EXPECT_EQ(vecDot(a, ones), 1.0f);
    EXPECT_EQ(vecDot(Vertex(1, 2, 3, 0), Vertex(4, -5, 6, 0)), 12.0f);
}

TEST(VectorCross, FollowsTheRightHandRuleWithColourZero)
{
    const Vertex c = vecCross(Vertex(0, 1, 0, 0x00FFFFFF), Vertex(0, 0, 1, 0x00FFFFFF));
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 0.0f);
    EXPECT_EQ(c.colour, 0u);
    EXPECT_EQ(c.texU, 0.0f);
    EXPECT_EQ(c.texV, 0.0f);

    const Vertex k = vecCross(Vertex(1, 0, 0, 0), Vertex(0, 1, 0, 0));
    EXPECT_EQ(k.z, 1.0f);
    const Vertex minusK = vecCross(Vertex(0, 1, 0, 0), Vertex(1, 0, 0, 0));
    EXPECT_EQ(minusK.z, -1.0f);
}

TEST(VectorCross, ParallelVectorsGiveZero)
{
    const Vertex c = vecCross(Vertex(1, 2, 3, 0), Vertex(2, 4, 6, 0));
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 0.0f);
}

} // namespace tepple
