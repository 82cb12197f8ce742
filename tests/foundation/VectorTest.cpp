#include <gtest/gtest.h>

#include "geometry/Vertex.h"

TEST(Vertex, DefaultIsWhiteAtOrigin)
{
    const Vertex v;
    EXPECT_EQ(v.colour, 0x00FFFFFFu);
    EXPECT_EQ(v.x, 0.0f);
}
