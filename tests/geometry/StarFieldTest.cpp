#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "geometry/StarField.h"

namespace tepple {

namespace {

bool sameField(const Mesh& a, const Mesh& b)
{
    const size_t bytes = a.cornerPositions.size() * sizeof(Vertex);
    return a.cornerPositions.size() == b.cornerPositions.size() &&
           std::memcmp(a.cornerPositions.data(), b.cornerPositions.data(), bytes) == 0;
}

} // namespace

TEST(StarField, PointsStayWithinTheirRangesAndAvoidChannel255)
{
    Mesh field;
    EXPECT_EQ(makeStarField(field, 5000, 0.0f, 99u), 0);
    ASSERT_EQ(field.vertexCount, 5000);
    ASSERT_EQ(field.cornerPositions.size(), 5000u);
    EXPECT_EQ(field.faceCount, 0);
    bool reachedEdge = false;
    for (const Vertex& star : field.cornerPositions) {
        EXPECT_TRUE(star.x >= -14 && star.x <= 14 && star.x == std::trunc(star.x)) << star.x;
        EXPECT_TRUE(star.y >= -9 && star.y <= 9 && star.y == std::trunc(star.y)) << star.y;
        EXPECT_TRUE(star.z >= -9 && star.z <= 9 && star.z == std::trunc(star.z)) << star.z;
        EXPECT_LT(redOf(star.colour), 255);
        EXPECT_LT(greenOf(star.colour), 255);
        EXPECT_LT(blueOf(star.colour), 255);
        EXPECT_EQ(star.colour >> 24, 0u);
        EXPECT_EQ(star.texU, 0.0f);
        EXPECT_EQ(star.texV, 0.0f);
        reachedEdge = reachedEdge || star.x == 14 || star.x == -14;
    }
    EXPECT_TRUE(reachedEdge) << "5000 points never reached x = +-14";
}

TEST(StarField, SameSeedSameFieldOtherSeedOtherField)
{
    Mesh first, second, third;
    makeStarField(first, 100, 0.0f, 1234u);
    makeStarField(second, 100, 0.0f, 1234u);
    makeStarField(third, 100, 0.0f, 1235u);
    EXPECT_TRUE(sameField(first, second));
    EXPECT_FALSE(sameField(first, third));
}

// The field's generator is GNU libc's rand() carried along (so that the browser build, on another C
// library, shows the same fields): where the C library is GNU's, the two must agree, for seeds at
// the edges of their handling (0 taken as 1, seeds above 2^31) as for ordinary ones.
#ifdef __GLIBC__
TEST(StarField, DrawsNineNumbersPerPointInOrder)
{
    for (const unsigned seed : {77u, 0u, 1u, 0x80000005u, 0xFFFFFFFFu}) {
        Mesh field;
        makeStarField(field, 40, 10.0f, seed);
        std::srand(seed);
        for (const Vertex& star : field.cornerPositions) {
            int draws[9];
            for (int& draw : draws) draw = std::rand();
            ASSERT_EQ(star.colour, packColour(draws[2] % 255, draws[1] % 255, draws[0] % 255))
                << "seed " << seed;
            ASSERT_EQ(star.z, 10.0f + static_cast<float>(draws[3] % 10) - static_cast<float>(draws[4] % 10));
            ASSERT_EQ(star.y, static_cast<float>(draws[5] % 10 - draws[6] % 10));
            ASSERT_EQ(star.x, static_cast<float>(draws[7] % 15 - draws[8] % 15));
        }
    }
}
#endif

TEST(StarField, ClockSeedIsTheTimeInWholeSeconds)
{
    // Retry if the second turns over between the two builds.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        Mesh fromClock, fromSeed;
        makeStarField(fromClock, 50, 0.0f);
        makeStarField(fromSeed, 50, 0.0f, static_cast<unsigned>(before));
        if (std::time(nullptr) != before) continue;
        EXPECT_TRUE(sameField(fromClock, fromSeed));
        return;
    }
    FAIL() << "the clock kept changing second";
}

TEST(StarField, EmptyAndNegativeCountsGiveEmptyFields)
{
    Mesh empty, negative;
    makeStarField(empty, 0, 0.0f, 1u);
    makeStarField(negative, -5, 0.0f, 1u);
    for (const Mesh* field : {&empty, &negative}) {
        EXPECT_EQ(field->vertexCount, 0);
        EXPECT_TRUE(field->cornerPositions.empty());
    }
}

} // namespace tepple
