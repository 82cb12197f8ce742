// The capture tool's command line: values in both spellings, strict numbers and the messages for
// what is wrong.
#include <gtest/gtest.h>

#include "CaptureOptions.h"

namespace tepple {

namespace {

ParsedOptions parse(std::vector<std::string> arguments) { return parseCaptureOptions(arguments, "/data"); }

TEST(CaptureOptions, DefaultsNeedOnlyAnOutput)
{
    const ParsedOptions parsed = parse({"--at", "12.5"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->fps, 60);
    EXPECT_EQ(parsed.options->dataFolder, "/data");
    EXPECT_EQ(parsed.options->outFolder, ".");
    EXPECT_EQ(parsed.options->pictureWidth(), 640);
    EXPECT_EQ(parsed.options->threads, 0);
    EXPECT_EQ(parsed.options->atTimes, std::vector<double>{12.5});
}

TEST(CaptureOptions, ValuesFollowTheOptionOrAnEqualsSign)
{
    const ParsedOptions parsed = parse({"--fps=30", "--seed", "4294967295", "--data=/d", "--out", "shots",
                                        "--at", "1,2", "--at=150", "--frames", "all", "--contact-sheet=s.png",
                                        "--video", "v.mp4", "--width", "320", "--threads=2"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const CaptureOptions& options = *parsed.options;
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.dataFolder, "/d");
    EXPECT_EQ(options.outFolder, "shots");
    EXPECT_EQ(options.atTimes, (std::vector<double>{1, 2, 150}));
    EXPECT_EQ(options.framesFolder, "all");
    EXPECT_EQ(options.contactSheet, "s.png");
    EXPECT_EQ(options.video, "v.mp4");
    EXPECT_EQ(options.width, 320);
    EXPECT_EQ(options.threads, 2);
}

TEST(CaptureOptions, BadValuesAreRefusedWithTheirOption)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--fps", "-5", "--at", "1"}, "--fps"},
        {{"--fps", "0", "--at", "1"}, "--fps"},
        {{"--fps", "twelve", "--at", "1"}, "--fps"},
        {{"--fps", "30.5", "--at", "1"}, "--fps"},
        {{"--fps", "1001", "--at", "1"}, "--fps"},
        {{"--seed", "-1", "--at", "1"}, "--seed"},
        {{"--seed", "4294967296", "--at", "1"}, "--seed"},
        {{"--seed", "99999999999999999999", "--at", "1"}, "--seed"},
        {{"--width", "8", "--at", "1"}, "--width"},
        {{"--width", "wide", "--at", "1"}, "--width"},
        {{"--threads", "0", "--at", "1"}, "--threads"},
        {{"--threads", "31", "--at", "1"}, "--threads"},
        {{"--at", "150.5"}, "--at"},
        {{"--at", "-1"}, "--at"},
        {{"--at", "1,,2"}, "--at"},
        {{"--at", "1,"}, "--at"},
        {{"--at", "nan"}, "--at"},
        {{"--at", "1e2"}, "--at"},
        {{"--at", "0x10"}, "--at"},
        {{"--at", " 5"}, "--at"},
        {{"--at="}, "--at needs a value"},
        {{"--at"}, "--at needs a value"},
        {{"--data", "/d"}, "nothing to capture"},
        {{"--colour", "red", "--at", "1"}, "unknown option '--colour'"},
        {{"shots", "--at", "1"}, "unknown option 'shots'"},
        {{"--help=yes"}, "--help takes no value"},
    };
    for (const auto& [arguments, wanted] : cases) {
        const ParsedOptions parsed = parse(arguments);
        EXPECT_FALSE(parsed.options) << arguments[0] << " " << (arguments.size() > 1 ? arguments[1] : "");
        EXPECT_NE(parsed.error.find(wanted), std::string::npos) << parsed.error;
    }
}

TEST(CaptureOptions, HelpNeedsNothingElse)
{
    const ParsedOptions parsed = parse({"--help"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_TRUE(parsed.options->help);
    EXPECT_NE(captureUsage().find("--contact-sheet"), std::string::npos);
}

TEST(CaptureOptions, NumbersAreWholeTextOnly)
{
    EXPECT_EQ(parseWholeNumber("+7"), 7);
    EXPECT_EQ(parseWholeNumber("-7"), -7);
    EXPECT_FALSE(parseWholeNumber("7 "));
    EXPECT_FALSE(parseWholeNumber("-"));
    EXPECT_FALSE(parseWholeNumber(""));
    EXPECT_EQ(parseDecimal(".5"), 0.5);
    EXPECT_EQ(parseDecimal("45."), 45.0);
    EXPECT_FALSE(parseDecimal("."));
    EXPECT_FALSE(parseDecimal("1.2.3"));
    EXPECT_FALSE(parseDecimal("inf"));
    EXPECT_FALSE(parseDecimal("5-"));
}

TEST(CaptureOptions, PictureNamesSortByTime)
{
    EXPECT_EQ(atPictureName(5), "t005.000.png");
    EXPECT_EQ(atPictureName(142.5), "t142.500.png");
    EXPECT_LT(atPictureName(9.5), atPictureName(10));
    EXPECT_EQ(framePictureName(300), "frame000300.png");
}

} // namespace

} // namespace tepple
