#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "driver/FrameLoop.h"
#include "pixels/HeadlessConsole.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"
#include "pixels/ManualClock.h"

namespace tepple {

namespace {

constexpr uint32_t white = 0x00FFFFFF;

void fillPattern(Surface& surface, uint32_t seed)
{
    uint32_t* pixels = surface.lock();
    for (int i = 0; i < surface.width() * surface.height(); ++i) {
        pixels[i] = (seed * 2654435761u + 0x9E37u * i) & 0x00FFFFFFu;
    }
}

bool samePixels(const uint32_t* a, const Surface& b)
{
    return std::equal(a, a + static_cast<size_t>(b.width()) * b.height(), b.pixels());
}

bool allBlack(const Surface& surface)
{
    const uint32_t* pixels = surface.pixels();
    return std::all_of(pixels, pixels + static_cast<size_t>(surface.width()) * surface.height(),
                       [](uint32_t p) { return p == 0; });
}

// Records what the loop hands each scene call, then runs an optional drawing action.
class RecordingScenes : public SceneHook {
public:
    struct Visit {
        uint32_t frame; // the renderer's, while the scene ran
        FrameState state;
        std::vector<uint32_t> screenOnEntry;
    };

    void runScene(FrameState& state, Surface& screen) override
    {
        const uint32_t* pixels = screen.pixels();
        const size_t count = keepScreens ? static_cast<size_t>(screen.width()) * screen.height() : 0;
        visits.push_back(Visit{renderer.frame(), state, std::vector<uint32_t>(pixels, pixels + count)});
        if (action) action(state, screen);
    }

    Renderer renderer{Viewport::demo()};
    std::vector<Visit> visits;
    bool keepScreens = true; // copies of the screen on entry, off for long runs
    std::function<void(FrameState&, Surface&)> action;
};

class FrameLoopTest : public testing::Test {
protected:
    FrameLoopTest() : timer(clock), screen(640, 480), background(640, 480),
                      loop{console, timer, screen, background, scenes, FrameState{}}
    {
        console.open("Tepple polygon engine", 640, 480, displayFormat32(), 0);
        fillPattern(background, 7);
        loop.renderer = &scenes.renderer;
    }

    // Starts the loop at clock 0.
    void start()
    {
        clock.set(0);
        loop.start();
    }

    // Starts the loop where the clock stands and steps until a frame ends the run, as the demo does.
    FrameResult runToTheEnd()
    {
        loop.start();
        FrameResult result = FrameResult::Presented;
        while (result == FrameResult::Presented) result = loop.step();
        return result;
    }

    FrameResult frameAt(double seconds)
    {
        clock.set(seconds);
        return loop.step();
    }

    HeadlessConsole console;
    ManualClock clock;
    Timer timer;
    Surface screen;
    Surface background;
    RecordingScenes scenes;
    FrameLoop loop;
};

} // namespace

TEST(DimAndDot, FirstPixelOfEachGroupKeepsNineTenthsAndTheRestGoBlack)
{
    Surface surface(640, 480);
    uint32_t* pixels = surface.lock();
    std::fill(pixels, pixels + 640 * 480, white);
    pixels[4] = 0x00808080;
    pixels[8] = 0x00010A64;

    dimAndDot(surface);
    EXPECT_EQ(pixels[0], 0x00E5E5E5u);
    EXPECT_EQ(pixels[1], 0u);
    EXPECT_EQ(pixels[2], 0u);
    EXPECT_EQ(pixels[3], 0u);
    EXPECT_EQ(pixels[4], 0x00737373u);
    EXPECT_EQ(pixels[5], 0u);
    // 0.9 x 1 = 0.9, 0.9 x 10 = 9, 0.9 x 100 = 90: each truncated toward zero.
    EXPECT_EQ(pixels[8], 0x0000095Au);
    // The last group of the last row is treated like every other.
    EXPECT_EQ(pixels[640 * 480 - 4], 0x00E5E5E5u);
    EXPECT_EQ(pixels[640 * 480 - 1], 0u);
}

TEST(DimAndDot, IgnoresTheTopByteAndRestartsGroupsOnEveryRow)
{
    Surface surface(6, 2);
    uint32_t* pixels = surface.lock();
    std::fill(pixels, pixels + 12, 0xFF0A0A0Au);

    dimAndDot(surface);
    // Six pixels a row: one group of four, then a short group of two.
    const uint32_t dimmed = 0x00090909;
    const uint32_t expected[12] = {dimmed, 0, 0, 0, dimmed, 0, dimmed, 0, 0, 0, dimmed, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(pixels[i], expected[i]) << "pixel " << i;
}

TEST(DimAndDot, AtEveryScaleEachBlockIsThePixelOfThePictureAtOneX)
{
    // Rows of 10 pixels at 1x: two groups of four, then a short group of two.
    const int width = 10, height = 3;
    Surface small(width, height);
    uint32_t* smallPixels = small.lock();
    for (int i = 0; i < width * height; ++i) smallPixels[i] = 0x00010203u * static_cast<uint32_t>(7 * i + 5);
    for (int scale = 1; scale <= 5; ++scale) {
        Surface large(width * scale, height * scale);
        uint32_t* largePixels = large.lock();
        for (int row = 0; row < height * scale; ++row) {
            for (int column = 0; column < width * scale; ++column) {
                largePixels[row * width * scale + column] = smallPixels[(row / scale) * width + column / scale];
            }
        }
        dimAndDot(large, nullptr, scale);
        Surface expected(width, height);
        std::copy(smallPixels, smallPixels + width * height, expected.lock());
        dimAndDot(expected);
        for (int row = 0; row < height * scale; ++row) {
            for (int column = 0; column < width * scale; ++column) {
                ASSERT_EQ(largePixels[row * width * scale + column],
                          expected.pixels()[(row / scale) * width + column / scale])
                    << "scale " << scale << ", row " << row << ", column " << column;
            }
        }
    }
}

TEST(CopySameSize, CopiesOnlyBetweenSurfacesOfEqualSize)
{
    Surface source(640, 480);
    fillPattern(source, 1);

    Surface shorter(640, 479);
    fillPattern(shorter, 2);
    const std::vector<uint32_t> shorterBefore(shorter.pixels(), shorter.pixels() + 640 * 479);
    copySameSize(source, shorter);
    EXPECT_TRUE(samePixels(shorterBefore.data(), shorter));

    Surface wider(641, 480);
    copySameSize(source, wider);
    EXPECT_TRUE(allBlack(wider));

    Surface equal(640, 480);
    copySameSize(source, equal);
    EXPECT_TRUE(samePixels(source.pixels(), equal));
}

// Frames large enough to be shared among threads are copied and dimmed exactly as on one thread,
// every row once: a row cut twice or left out shows.
TEST(FramePasses, ThreadsCopyAndDimLargeFramesAsOneThreadDoes)
{
    WorkerPool pool(3);
    const int width = 700, height = 900; // over 300,000 pixels: shared among the threads
    Surface source(width, height);
    fillPattern(source, 3);
    Surface alone(width, height), shared(width, height);
    ASSERT_TRUE(copySameSize(source, alone));
    ASSERT_TRUE(copySameSize(source, shared, &pool));
    EXPECT_TRUE(samePixels(source.pixels(), shared));
    dimAndDot(alone, nullptr, 2);
    dimAndDot(shared, &pool, 2);
    EXPECT_TRUE(samePixels(alone.pixels(), shared));
    EXPECT_FALSE(samePixels(source.pixels(), shared));
}

TEST(PresentFrame, ShowsThePictureThenClearsTheScreen)
{
    HeadlessConsole console;
    console.open("present", 640, 480, displayFormat32(), 0);
    Surface screen(640, 480);
    fillPattern(screen, 3);
    const std::vector<uint32_t> picture(screen.pixels(), screen.pixels() + 640 * 480);

    presentFrame(console, screen, false);
    EXPECT_EQ(console.updateCount(), 1);
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), console.lastFrame().begin()));
    EXPECT_TRUE(allBlack(screen));
}

TEST(PresentFrame, WithTrailsShowsTheUndimmedPictureAndDimsTheScreen)
{
    HeadlessConsole console;
    console.open("present", 640, 480, displayFormat32(), 0);
    Surface screen(640, 480);
    uint32_t* pixels = screen.lock();
    std::fill(pixels, pixels + 640 * 480, white);

    presentFrame(console, screen, true);
    EXPECT_EQ(console.lastFrame()[0], white);
    EXPECT_EQ(console.lastFrame()[1], white);
    EXPECT_EQ(screen.pixels()[0], 0x00E5E5E5u);
    EXPECT_EQ(screen.pixels()[1], 0u);
}

TEST_F(FrameLoopTest, TheRenderersFrameIsZeroDuringTheFirstFrameAndOneDuringTheSecond)
{
    scenes.renderer.setFrame(1234);
    start();
    EXPECT_EQ(frameAt(0.01), FrameResult::Presented);
    EXPECT_EQ(frameAt(0.02), FrameResult::Presented);
    ASSERT_EQ(scenes.visits.size(), 2u);
    EXPECT_EQ(scenes.visits[0].frame, 0u);
    EXPECT_EQ(scenes.visits[1].frame, 1u);
    EXPECT_EQ(scenes.renderer.frame(), 2u);
}

TEST_F(FrameLoopTest, PresentedFrameIsTheBackgroundWithTheSceneDrawnOverIt)
{
    scenes.action = [](FrameState&, Surface& screen) { screen.lock()[100] = white; };
    start();
    frameAt(1.0);
    ASSERT_EQ(scenes.visits.size(), 1u);
    EXPECT_TRUE(samePixels(scenes.visits[0].screenOnEntry.data(), background));
    std::vector<uint32_t> expected(background.pixels(), background.pixels() + 640 * 480);
    expected[100] = white;
    EXPECT_TRUE(console.lastFrame() == expected);
    // Without trails the screen is left for the next frame to clear: one that keeps the previous
    // frame (the star window) finds it black.
    frameAt(71.0);
    ASSERT_EQ(scenes.visits.size(), 2u);
    const std::vector<uint32_t>& entry = scenes.visits[1].screenOnEntry;
    EXPECT_TRUE(std::all_of(entry.begin(), entry.end(), [](uint32_t pixel) { return pixel == 0; }));
}

TEST_F(FrameLoopTest, ClockReadingsAndSceneClockFollowTheTimer)
{
    scenes.action = [this](FrameState& state, Surface&) {
        if (scenes.visits.size() == 2) state.sceneClock = 0;
    };
    start();
    frameAt(1.0);
    frameAt(1.5);
    frameAt(3.0);
    ASSERT_EQ(scenes.visits.size(), 3u);
    EXPECT_DOUBLE_EQ(scenes.visits[0].state.demoTime, 1.0);
    EXPECT_DOUBLE_EQ(scenes.visits[0].state.frameDelta, 1.0);
    EXPECT_DOUBLE_EQ(scenes.visits[0].state.sceneClock, 1.0);
    EXPECT_DOUBLE_EQ(scenes.visits[1].state.frameDelta, 0.5);
    EXPECT_DOUBLE_EQ(scenes.visits[1].state.sceneClock, 1.5);
    // Reset by the scene on the second frame, the clock counts on from 0.
    EXPECT_DOUBLE_EQ(scenes.visits[2].state.demoTime, 3.0);
    EXPECT_DOUBLE_EQ(scenes.visits[2].state.sceneClock, 1.5);
}

TEST_F(FrameLoopTest, GapBetweenScenesShowsOnlyTheBackground)
{
    // Stands in for the timeline: draws only inside the first two scene windows.
    scenes.action = [](FrameState& state, Surface& screen) {
        const double t = state.demoTime;
        if ((0 < t && t < 45) || (45.5 < t && t < 70)) std::fill(screen.lock(), screen.lock() + 640 * 10, white);
        state.fadeTrails = false;
    };
    start();
    frameAt(44.9);
    EXPECT_EQ(console.lastFrame()[0], white);
    EXPECT_EQ(frameAt(45.2), FrameResult::Presented);
    EXPECT_TRUE(samePixels(console.lastFrame().data(), background));
}

TEST_F(FrameLoopTest, StarSceneWindowKeepsTheDimmedPreviousFrame)
{
    scenes.action = [](FrameState& state, Surface& screen) {
        screen.lock()[0] = white;
        state.fadeTrails = true;
    };
    start();
    // The frame just before the window still restores the background; the next one keeps it dimmed.
    frameAt(70.0);
    frameAt(71.0);
    ASSERT_EQ(scenes.visits.size(), 2u);
    const std::vector<uint32_t>& entry = scenes.visits[1].screenOnEntry;
    EXPECT_EQ(entry[0], 0x00E5E5E5u);
    EXPECT_EQ(entry[1], 0u);
    EXPECT_EQ(entry[3], 0u);
    const uint32_t backgroundPixel = background.pixels()[4];
    EXPECT_EQ(entry[4], packColour(static_cast<int>(0.9 * redOf(backgroundPixel)),
                                   static_cast<int>(0.9 * greenOf(backgroundPixel)),
                                   static_cast<int>(0.9 * blueOf(backgroundPixel))));
}

TEST_F(FrameLoopTest, StarWindowIsOpenAtBothEnds)
{
    scenes.action = [](FrameState& state, Surface&) { state.fadeTrails = false; };
    start();
    for (double t : {70.4, 70.5, 70.6, 89.9, 90.0, 90.1}) frameAt(t);
    ASSERT_EQ(scenes.visits.size(), 6u);
    const bool restored[6] = {true, true, false, false, true, true};
    for (int i = 0; i < 6; ++i) {
        const bool sawBackground = samePixels(scenes.visits[i].screenOnEntry.data(), background);
        EXPECT_EQ(sawBackground, restored[i]) << "at " << scenes.visits[i].state.demoTime;
        // Inside the window the cleared screen of the previous frame comes through instead.
        if (!restored[i]) {
            EXPECT_EQ(scenes.visits[i].screenOnEntry[12345], 0u);
        }
    }
}

TEST_F(FrameLoopTest, FramePastTheEndOfTheTimelineIsNeverPresented)
{
    scenes.action = [](FrameState& state, Surface& screen) { screen.lock()[0] = state.demoTime > 150 ? 1u : 2u; };
    start();
    EXPECT_EQ(frameAt(150.0), FrameResult::Presented);
    EXPECT_EQ(console.updateCount(), 1);
    EXPECT_EQ(frameAt(150.001), FrameResult::TimelineExit);
    EXPECT_EQ(console.updateCount(), 1);
    EXPECT_EQ(console.lastFrame()[0], 2u);
    EXPECT_EQ(scenes.renderer.frame(), 1u);
}

TEST_F(FrameLoopTest, RunEndsByTheTimelineAfterTheLastFrameWithinIt)
{
    scenes.action = [this](FrameState&, Surface&) { clock.advance(0.5); };
    scenes.keepScreens = false;
    EXPECT_EQ(runToTheEnd(), FrameResult::TimelineExit);
    // Frames at 0, 0.5, ..., 150 are shown; the one at 150.5 ends the run unseen.
    EXPECT_EQ(console.updateCount(), 301);
    ASSERT_EQ(scenes.visits.size(), 302u);
    EXPECT_DOUBLE_EQ(scenes.visits.back().state.demoTime, 150.5);
    EXPECT_EQ(scenes.renderer.frame(), 301u);
    EXPECT_FALSE(console.wasClosed());
}

TEST_F(FrameLoopTest, KeyEndsTheRunAtTheNextKeyTest)
{
    scenes.action = [this](FrameState&, Surface&) { clock.advance(0.01); };
    console.pressKeyAfterFrames(3);
    EXPECT_EQ(runToTheEnd(), FrameResult::KeyExit);
    EXPECT_EQ(console.updateCount(), 3);
    EXPECT_EQ(scenes.visits.size(), 3u);
    EXPECT_LT(scenes.visits.back().state.demoTime, timelineEnd);
}

TEST_F(FrameLoopTest, KeyWaitingBeforeTheFirstFrameEndsTheRunAtOnce)
{
    console.pressKey();
    EXPECT_EQ(runToTheEnd(), FrameResult::KeyExit);
    EXPECT_TRUE(scenes.visits.empty());
    EXPECT_EQ(console.updateCount(), 0);
    EXPECT_EQ(scenes.renderer.frame(), 0u);
}

} // namespace tepple
