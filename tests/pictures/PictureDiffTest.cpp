// Exact picture comparison: it must find a single one-step change anywhere, describe where, and
// show it in the difference picture.
#include <gtest/gtest.h>

#include "PictureDiff.h"

namespace tepple {

namespace {

TEST(PictureDiff, EqualPicturesAreIdenticalIgnoringTheTopByte)
{
    Picture expected(8, 6, 0x00405060);
    Picture actual = expected;
    actual.at(3, 3) = 0xFF405060;
    EXPECT_TRUE(comparePictures(expected, actual).identical());
}

TEST(PictureDiff, OneStepInOneChannelIsFoundAndLocated)
{
    const Picture expected(8, 6, 0x00405060);
    Picture actual = expected;
    actual.at(5, 1) = 0x00405061;
    actual.at(2, 4) = 0x00405060 + (9 << 8);
    const PictureDifference difference = comparePictures(expected, actual);
    EXPECT_FALSE(difference.identical());
    EXPECT_EQ(difference.differingPixels, 2);
    EXPECT_EQ(difference.firstX, 5);
    EXPECT_EQ(difference.firstY, 1);
    EXPECT_EQ(difference.expectedColour, 0x00405060u);
    EXPECT_EQ(difference.actualColour, 0x00405061u);
    EXPECT_EQ(difference.left, 2);
    EXPECT_EQ(difference.right, 5);
    EXPECT_EQ(difference.top, 1);
    EXPECT_EQ(difference.bottom, 4);
    EXPECT_EQ(difference.largestChannelStep, 9);
    EXPECT_NE(difference.describe().find("first at (5, 1): expected 0x405060, got 0x405061"), std::string::npos)
        << difference.describe();
}

TEST(PictureDiff, SizesMustMatch)
{
    const PictureDifference difference = comparePictures(Picture(4, 4), Picture(4, 5));
    EXPECT_FALSE(difference.identical());
    EXPECT_EQ(difference.describe(), "the pictures differ in size");
    EXPECT_EQ(differencePicture(Picture(4, 4), Picture(4, 5)).width, 0);
}

TEST(PictureDiff, DifferencePictureMarksChangesInRedOverADimmedOriginal)
{
    const Picture expected(3, 1, 0x00FFFFFF);
    Picture actual = expected;
    actual.at(1, 0) = 0x00FFFFFE;
    const Picture shown = differencePicture(expected, actual);
    EXPECT_EQ(shown.at(0, 0), 0x003F3F3Fu);
    EXPECT_EQ(shown.at(1, 0), 0x00800000u);
    EXPECT_EQ(shown.at(2, 0), 0x003F3F3Fu);
}

} // namespace

} // namespace tepple
