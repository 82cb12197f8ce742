// The timeline: which scene owns which moment, the gaps between scenes, reproducible frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DemoData.h"
#include "driver/Scenes.h"

namespace tepple {

namespace {

std::string sceneName(double demoTime)
{
    const TimelineEntry* entry = sceneAt(demoTime);
    return entry ? entry->name : "none";
}

// Pixels of the last shown frame that equal the background picture at the same place.
size_t backgroundPixelsShown(const HeadlessConsole& console)
{
    size_t same = 0;
    const std::vector<uint32_t>& frame = console.lastFrame();
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            same += frame[static_cast<size_t>(y) * 640 + x] == DemoData::backgroundPixel(x, y);
        }
    }
    return same;
}

constexpr size_t wholeScreen = 640 * 480;

} // namespace

TEST(SceneTimeline, HoldsTheSixScenesInOrder)
{
    std::vector<std::string> names;
    for (const TimelineEntry& entry : sceneTimeline) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"BounceScene", "SpinScene", "StarScene", "MushroomScene",
                                               "GridScene", "CapsuleScene"}));
}

// Checked here rather than at compile time: a sanitized build does not treat function addresses
// as constants.
TEST(SceneTimeline, EverySceneThatKeepsItsPreviousFrameHasASetUp)
{
    // Without a set-up, nothing would turn the dimming on for such a scene.
    for (const TimelineEntry& entry : sceneTimeline) {
        if (entry.keepsPreviousFrame) {
            EXPECT_NE(entry.setUp, nullptr) << entry.name;
        }
    }
}

TEST(SceneTimeline, WindowsAreOpenAndLeaveGaps)
{
    EXPECT_EQ(sceneName(0.0), "BounceScene");
    EXPECT_EQ(sceneName(44.99), "BounceScene");
    EXPECT_EQ(sceneName(45.0), "none");
    EXPECT_EQ(sceneName(45.2), "none");
    EXPECT_EQ(sceneName(45.5), "none");
    EXPECT_EQ(sceneName(45.51), "SpinScene");
    EXPECT_EQ(sceneName(70.0), "none");
    EXPECT_EQ(sceneName(70.2), "none");
    EXPECT_EQ(sceneName(70.51), "StarScene");
    EXPECT_EQ(sceneName(90.0), "none");
    EXPECT_EQ(sceneName(90.2), "none");
    EXPECT_EQ(sceneName(100.0), "MushroomScene");
    EXPECT_EQ(sceneName(110.0), "none");
    EXPECT_EQ(sceneName(110.01), "GridScene");
    EXPECT_EQ(sceneName(140.0), "none");
    EXPECT_EQ(sceneName(145.0), "CapsuleScene");
    EXPECT_EQ(sceneName(150.0), "none");
    EXPECT_EQ(sceneName(150.5), "none");
}

TEST(SceneTimeline, GapsShowTheBackgroundAloneAfterEachScene)
{
    DemoData data;
    HeadlessDemo run(data);
    struct Moment {
        double seconds;
        bool gap;
    };
    // The star scene runs twice before its gap, so its trails are on when the gap comes.
    const Moment moments[] = {{44.9, false}, {45.2, true}, {69.9, false}, {70.2, true},
                              {71.0, false}, {89.9, false}, {90.2, true}};
    for (const Moment& moment : moments) {
        ASSERT_EQ(run.stepAt(moment.seconds), FrameResult::Presented);
        if (moment.gap) {
            EXPECT_EQ(backgroundPixelsShown(run.console), wholeScreen) << "at " << moment.seconds;
        } else {
            EXPECT_LT(backgroundPixelsShown(run.console), wholeScreen) << "nothing drawn at " << moment.seconds;
        }
    }
}

TEST(SceneTimeline, SameSeedAndClockGiveTheSameFrames)
{
    DemoData data;
    const double moments[] = {1.0, 25.0, 46.0, 47.0, 71.0, 72.0, 86.5, 95.0, 96.0, 120.0, 145.0, 146.0};
    // One run after the other: each start-up starts its renderer at frame 0.
    const auto play = [&data, &moments] {
        HeadlessDemo run(data);
        std::vector<std::vector<uint32_t>> frames;
        for (double seconds : moments) {
            EXPECT_EQ(run.stepAt(seconds), FrameResult::Presented);
            frames.push_back(run.console.lastFrame());
        }
        return frames;
    };
    const std::vector<std::vector<uint32_t>> first = play();
    const std::vector<std::vector<uint32_t>> second = play();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i) EXPECT_TRUE(first[i] == second[i]) << "at " << moments[i];
}

} // namespace tepple
