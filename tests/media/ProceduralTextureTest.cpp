#include <gtest/gtest.h>

#include "media/ProceduralTexture.h"

namespace tepple {

namespace {

uint32_t pixelAt(const Surface& surface, int x, int y)
{
    return surface.pixels()[static_cast<size_t>(y) * surface.width() + x];
}

Surface generated(int width, int height)
{
    Surface surface(width, height);
    generateTexture(surface);
    return surface;
}

} // namespace

TEST(ProceduralTexture, GivenPixelsOfTheStartUpTexture)
{
    const Surface texture = generated(256, 256);
    EXPECT_EQ(pixelAt(texture, 0, 0), 0x0055A13Bu);
    EXPECT_EQ(pixelAt(texture, 255, 0), 0x0076A383u);
    EXPECT_EQ(pixelAt(texture, 0, 255), 0x00A83EBFu);
    EXPECT_EQ(pixelAt(texture, 128, 128), 0x0093787Eu);
    EXPECT_EQ(pixelAt(texture, 255, 255), 0x00135E36u);
}

TEST(ProceduralTexture, SinglePrecisionStepsDecideTheLastUnit)
{
    // The only pixels of the 256 x 256 texture where all-double arithmetic would end one unit
    // lower in one channel: they hold the float reciprocals and the float w and d in place.
    const Surface texture = generated(256, 256);
    EXPECT_EQ(pixelAt(texture, 178, 125), 0x00C06E4Au);
    EXPECT_EQ(pixelAt(texture, 186, 131), 0x00B7B255u);
    EXPECT_EQ(pixelAt(texture, 226, 176), 0x006D763Cu);
}

TEST(ProceduralTexture, EveryChannelStaysBetween2And254)
{
    const Surface texture = generated(256, 256);
    for (int i = 0; i < 256 * 256; ++i) {
        const uint32_t pixel = texture.pixels()[i];
        ASSERT_EQ(pixel >> 24, 0u) << "pixel " << i;
        for (int shift : {0, 8, 16}) {
            const uint32_t channel = (pixel >> shift) & 0xFF;
            ASSERT_GE(channel, 2u) << "pixel " << i;
            ASSERT_LE(channel, 254u) << "pixel " << i;
        }
    }
}

TEST(ProceduralTexture, SmallerSurfaceGetsTheTopLeftQuarter)
{
    const Surface full = generated(256, 256);
    const Surface quarter = generated(128, 128);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) ASSERT_EQ(pixelAt(quarter, x, y), pixelAt(full, x, y)) << x << "," << y;
    }
}

TEST(ProceduralTexture, OddShapesAgreeWithTheSquare)
{
    // Rows wider than 256 and a single column: the row stride must follow the surface width.
    const Surface square = generated(300, 300);
    const Surface wide = generated(300, 2);
    const Surface tall = generated(1, 300);
    for (int x = 0; x < 300; ++x) {
        ASSERT_EQ(pixelAt(wide, x, 1), pixelAt(square, x, 1)) << x;
        ASSERT_EQ(pixelAt(tall, 0, x), pixelAt(square, 0, x)) << x;
    }
}

TEST(ProceduralTexture, HeightZeroWritesNothing)
{
    // Nothing to write; a stray write would show under the sanitizer build.
    const Surface empty = generated(16, 0);
    EXPECT_EQ(empty.width(), 16);
    EXPECT_EQ(empty.height(), 0);
}

} // namespace tepple
