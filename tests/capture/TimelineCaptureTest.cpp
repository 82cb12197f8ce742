// The offline run: frame n at exactly n / fps seconds, the timeline's own end, and pictures that
// depend only on the frame rate, the seed and the data.
#include <gtest/gtest.h>

#include "../driver/DemoData.h"
#include "TimelineCapture.h"

namespace tepple {

namespace {

std::vector<uint32_t> pictureAt(const DemoData& data, unsigned seed, int frame)
{
    TimelineCapture run(CaptureSettings{1, seed, data.folder()});
    while (run.presentedFrame() < frame && run.step()) {
    }
    return run.picture();
}

TEST(TimelineCapture, FrameNumbersAndTimes)
{
    EXPECT_EQ(TimelineCapture::frameCount(60), 9001);
    EXPECT_EQ(TimelineCapture::frameCount(1), 151);
    DemoData data;
    TimelineCapture run(CaptureSettings{60, 1, data.folder()});
    // 45.2 x 60 is 2711.9999999999995 in doubles: the frame drawn at 45.2 s must still be chosen.
    EXPECT_EQ(run.frameAt(45.2), 2712);
    EXPECT_EQ(run.frameAt(45.21), 2712);
    EXPECT_EQ(run.frameAt(0.0), 0);
    EXPECT_EQ(run.frameAt(-3.0), 0);
    EXPECT_EQ(run.frameAt(150.0), 9000);
    EXPECT_EQ(run.frameAt(1e300), 9000);
    EXPECT_THROW(TimelineCapture(CaptureSettings{0, 1, data.folder()}), std::invalid_argument);
}

TEST(TimelineCapture, EveryFrameOfTheTimelineIsShownAtItsOwnTime)
{
    DemoData data;
    TimelineCapture run(CaptureSettings{1, 1, data.folder()});
    EXPECT_EQ(run.presentedFrame(), -1);
    int shown = 0;
    while (run.step()) {
        EXPECT_EQ(run.demo().frame().demoTime, static_cast<double>(run.presentedFrame()));
        EXPECT_EQ(run.picture(), run.console().lastFrame());
        ++shown;
    }
    // 0 to 150 s inclusive; the frame after 150 s ends the run unshown.
    EXPECT_EQ(shown, 151);
    EXPECT_EQ(run.console().updateCount(), 151);
    EXPECT_TRUE(run.demo().ended());
    EXPECT_FALSE(run.step());
    EXPECT_EQ(run.presentedFrame(), 150);
}

TEST(TimelineCapture, PicturesDependOnTheSeedAndNothingElse)
{
    DemoData data;
    const int starFrame = 75; // inside the star scene at 1 frame per second
    const std::vector<uint32_t> first = pictureAt(data, 5, starFrame);
    EXPECT_EQ(first.size(), 640u * 480u);
    EXPECT_EQ(pictureAt(data, 5, starFrame), first);
    EXPECT_NE(pictureAt(data, 6, starFrame), first);
}

TEST(TimelineCapture, AMissingDataFolderFailsAtStartUp)
{
    EXPECT_ANY_THROW(TimelineCapture(CaptureSettings{60, 1, "/no/such/tepple/folder"}));
}

} // namespace

} // namespace tepple
