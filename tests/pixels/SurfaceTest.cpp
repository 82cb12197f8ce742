#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixels/HeadlessConsole.h"
#include "pixels/PixelToolkit.h"
#include "pixels/ManualClock.h"

namespace tepple {

namespace {

uint32_t pixelAt(const Surface& surface, int column, int row)
{
    return surface.pixels()[static_cast<size_t>(row) * surface.width() + column];
}

void fillDistinct(Surface& surface, uint32_t seed)
{
    uint32_t* pixels = surface.lock();
    for (int i = 0; i < surface.width() * surface.height(); ++i) pixels[i] = (seed + 0x010203u * i) & 0x00FFFFFFu;
}

// Three columns, two rows, stored top row first as blue, green, red bytes, with two padding
// bytes ending each row; every pixel and channel differs, so flips and swaps show.
const uint8_t rows24[] = {
    0x03, 0x02, 0x01, 0x13, 0x12, 0x11, 0x23, 0x22, 0x21, 0xEE, 0xEE,
    0x33, 0x32, 0x31, 0x43, 0x42, 0x41, 0x53, 0x52, 0x51, 0xEE, 0xEE,
};
constexpr int pitch24 = 11;

} // namespace

TEST(SurfaceBasics, StartsBlackAtItsCreationSize)
{
    Surface surface(5, 3);
    EXPECT_EQ(surface.width(), 5);
    EXPECT_EQ(surface.height(), 3);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(surface.pixels()[i], 0u);

    const Surface empty(-4, 2);
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 2);
}

TEST(SurfaceBasics, WrittenPixelsStayAfterUnlockUntilCleared)
{
    Surface surface(4, 4);
    uint32_t* pixels = surface.lock();
    pixels[5] = 0x00ABCDEF;
    EXPECT_EQ(pixelAt(surface, 1, 1), 0x00ABCDEFu);
    surface.clear();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(surface.pixels()[i], 0u);
}

TEST(SurfaceLoad, TwentyFourBitRowsLandTopRowFirstInRgbOrder)
{
    Surface surface(3, 2);
    surface.load(rows24, 3, 2, pitch24, rowFormat24());
    EXPECT_EQ(pixelAt(surface, 0, 0), 0x00010203u);
    EXPECT_EQ(pixelAt(surface, 1, 0), 0x00111213u);
    EXPECT_EQ(pixelAt(surface, 2, 0), 0x00212223u);
    EXPECT_EQ(pixelAt(surface, 0, 1), 0x00313233u);
    EXPECT_EQ(pixelAt(surface, 2, 1), 0x00515253u);
}

TEST(SurfaceLoad, OnlyThePartThatFitsIsLoaded)
{
    Surface smaller(2, 1);
    smaller.load(rows24, 3, 2, pitch24, rowFormat24());
    EXPECT_EQ(pixelAt(smaller, 0, 0), 0x00010203u);
    EXPECT_EQ(pixelAt(smaller, 1, 0), 0x00111213u);

    Surface larger(4, 3);
    larger.load(rows24, 3, 2, pitch24, rowFormat24());
    EXPECT_EQ(pixelAt(larger, 2, 1), 0x00515253u);
    EXPECT_EQ(pixelAt(larger, 3, 0), 0u);
    EXPECT_EQ(pixelAt(larger, 0, 2), 0u);
}

TEST(SurfaceLoad, ThirtyTwoBitRowsDropTheTopByte)
{
    const uint8_t rows32[] = {0x56, 0x34, 0x12, 0xFF, 0x03, 0x02, 0x01, 0x80};
    Surface surface(2, 1);
    surface.load(rows32, 2, 1, 8, displayFormat32());
    EXPECT_EQ(pixelAt(surface, 0, 0), 0x00123456u);
    EXPECT_EQ(pixelAt(surface, 1, 0), 0x00010203u);
}

TEST(SurfaceLoad, UnusableSourcesLoadNothing)
{
    Surface surface(3, 2);
    surface.load(rows24 + pitch24, 3, 2, -pitch24, rowFormat24());
    surface.load(nullptr, 3, 2, pitch24, rowFormat24());
    Format sixteen{16, 0xF800, 0x07E0, 0x001F, 0};
    surface.load(rows24, 3, 2, pitch24, sixteen);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(surface.pixels()[i], 0u);
}

TEST(SurfaceCopy, EqualAreasCopyPixelForPixel)
{
    Surface source(4, 3);
    fillDistinct(source, 0x100);
    Surface target(5, 4);
    source.copy(target, Area{1, 1, 3, 3}, Area{2, 0, 4, 2});
    EXPECT_EQ(pixelAt(target, 2, 0), pixelAt(source, 1, 1));
    EXPECT_EQ(pixelAt(target, 3, 0), pixelAt(source, 2, 1));
    EXPECT_EQ(pixelAt(target, 2, 1), pixelAt(source, 1, 2));
    EXPECT_EQ(pixelAt(target, 3, 1), pixelAt(source, 2, 2));
    EXPECT_EQ(pixelAt(target, 1, 0), 0u);
    EXPECT_EQ(pixelAt(target, 4, 0), 0u);
    EXPECT_EQ(pixelAt(target, 2, 2), 0u);
}

TEST(SurfaceCopy, MismatchedOrOutsideAreasCopyNothing)
{
    Surface source(4, 4);
    fillDistinct(source, 0x777);
    Surface target(4, 4);
    source.copy(target, Area{0, 0, 2, 2}, Area{0, 0, 3, 2});
    source.copy(target, Area{0, 0, 4, 4}, Area{1, 1, 5, 5});
    source.copy(target, Area{-1, 0, 1, 2}, Area{0, 0, 2, 2});
    source.copy(target, Area{2, 0, 0, 2}, Area{2, 0, 0, 2});
    source.copy(target, Area{-2147483647, 0, 2147483647, 1}, Area{-2147483647, 0, 2147483647, 1});
    for (int i = 0; i < 16; ++i) EXPECT_EQ(target.pixels()[i], 0u) << "pixel " << i;
}

TEST(SurfaceCopy, WholeSurfaceReachesTheConsole)
{
    HeadlessConsole console;
    ASSERT_TRUE(console.open("copy", 3, 2, displayFormat32(), 0));
    Surface source(3, 2);
    fillDistinct(source, 0x42);
    source.copy(console, Area{0, 0, 3, 2}, Area{0, 0, 3, 2});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(console.pixels()[i], source.pixels()[i]);
}

TEST(DemoTimer, CountsFromStartAndDeltasFromThePreviousReading)
{
    ManualClock clock;
    clock.set(100.0);
    Timer timer(clock);
    EXPECT_EQ(timer.time(), 0.0);
    EXPECT_EQ(timer.delta(), 0.0);

    timer.start();
    clock.advance(0.25);
    EXPECT_DOUBLE_EQ(timer.time(), 0.25);
    EXPECT_DOUBLE_EQ(timer.delta(), 0.25);
    clock.advance(0.5);
    EXPECT_DOUBLE_EQ(timer.time(), 0.75);
    // time() does not disturb delta().
    EXPECT_DOUBLE_EQ(timer.delta(), 0.5);
    EXPECT_DOUBLE_EQ(timer.delta(), 0.0);

    clock.advance(1.0);
    timer.start();
    EXPECT_EQ(timer.time(), 0.0);
    EXPECT_EQ(timer.delta(), 0.0);
}

} // namespace tepple
