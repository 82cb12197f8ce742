// BounceScene, SpinScene and StarScene, driven frame by frame through the whole demo.
#include <gtest/gtest.h>

#include <vector>

#include "DemoData.h"
#include "driver/Scenes.h"

namespace tepple {

namespace {

// Runs `frames` frames from `start`, `step` seconds apart; returns the time of the last.
double runFrames(HeadlessDemo& run, double start, double step, int frames)
{
    double seconds = start;
    for (int i = 0; i < frames; ++i, seconds += step) EXPECT_EQ(run.stepAt(seconds), FrameResult::Presented);
    return seconds - step;
}

// The z translation of the view lookAt builds for BounceScene's current target.
double bounceViewDepth(const SceneState& state)
{
    Matrix4 view;
    lookAt(view, state.cameraTarget, Vertex(0, 0, -85, 0));
    return view.at(3, 2);
}

} // namespace

TEST(BounceScene, BouncerTwoReversesXOnItsFourteenthFrameAtSeven)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();

    runFrames(run, 1.0, 0.01, 13);
    EXPECT_EQ(state.bouncerMatrix[2].at(3, 0), 6.5);
    EXPECT_EQ(state.bouncerVelocity[2].x, 0.5f);
    runFrames(run, 1.13, 0.01, 1);
    EXPECT_EQ(state.bouncerMatrix[2].at(3, 0), 7.0);
    EXPECT_EQ(state.bouncerVelocity[2].x, -0.5f);
    // Not pulled back: the reversed velocity brings it back on the next frame.
    runFrames(run, 1.14, 0.01, 1);
    EXPECT_EQ(state.bouncerMatrix[2].at(3, 0), 6.5);
}

TEST(BounceScene, BouncerThreeReversesYOnItsEighthFrameBelowTheFloor)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();

    runFrames(run, 1.0, 0.01, 7);
    EXPECT_EQ(state.bouncerVelocity[3].y, -0.7f);
    EXPECT_GT(state.bouncerMatrix[3].at(3, 1), -19.0);
    runFrames(run, 1.07, 0.01, 1);
    EXPECT_EQ(state.bouncerVelocity[3].y, 0.7f);
    EXPECT_NEAR(state.bouncerMatrix[3].at(3, 1), -19.6, 1e-5);
    // The other components of the same bouncer keep going.
    EXPECT_EQ(state.bouncerVelocity[3].x, -0.4f);
    EXPECT_EQ(state.bouncerVelocity[3].z, 0.12f);
}

TEST(BounceScene, ViewDepthOffsetDependsOnTheTime)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    const Renderer& renderer = run.demo->objects().renderer;
    struct Case {
        double seconds;
        double offset;
    };
    for (const Case& c : {Case{5.0, -0.25}, Case{9.9, -0.25}, Case{15.0, 0.0}, Case{25.0, 0.25}, Case{30.0, 0.25}}) {
        const double built = bounceViewDepth(state); // the target the frame will look at
        run.stepAt(c.seconds);
        EXPECT_EQ(renderer.viewMatrix.at(3, 2), built + c.offset) << "at " << c.seconds;
    }
}

TEST(BounceScene, BoxGrowsAndBlendingStartsAfterTwentySeconds)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    const Renderer& renderer = run.demo->objects().renderer;

    run.stepAt(19.9);
    EXPECT_EQ(state.boxScale, 1.0f);
    EXPECT_EQ(renderer.blendMode, 0);
    run.stepAt(20.1);
    EXPECT_EQ(state.boxScale, 1.2f);
    EXPECT_NE(renderer.blendMode, 0);
    // The bouncers now move by 1.2 times their velocity.
    const double x = state.bouncerMatrix[0].at(3, 0);
    run.stepAt(20.2);
    EXPECT_NEAR(state.bouncerMatrix[0].at(3, 0) - x, 1.2f * 0.3f, 1e-6);
}

TEST(BounceScene, TurnsTheBoxAndTheCameraTargetAndLeavesNoLight)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    const Vertex target = state.cameraTarget;

    run.stepAt(1.0);
    const Vertex turned = transform(rotationZ(0.01f) * rotationY(0.001f) * rotationX(0.01f), target);
    EXPECT_EQ(state.cameraTarget.x, turned.x);
    EXPECT_EQ(state.cameraTarget.y, turned.y);
    EXPECT_NE(state.sceneRotation.e[1], 0.0);
    EXPECT_TRUE(run.demo->objects().renderer.lights.empty());
    EXPECT_EQ(run.demo->objects().renderer.lights.size(), 0u);
}

TEST(SpinScene, HoldsExactlyOneLightOnEveryFrame)
{
    DemoData data;
    HeadlessDemo run(data);
    const Renderer& renderer = run.demo->objects().renderer;
    run.stepAt(30.0); // BounceScene with blending on, to be switched off
    for (double seconds = 45.6; seconds < 70.0; seconds += 0.7) {
        run.stepAt(seconds);
        ASSERT_EQ(renderer.lights.size(), 1u) << "at " << seconds;
        EXPECT_EQ(renderer.lights[0].position.z, 130.0f);
        EXPECT_EQ(renderer.lights[0].red, 33.1f);
    }
    EXPECT_EQ(renderer.blendMode, 0);
    EXPECT_NE(renderer.backfaceCull, 0);
}

TEST(SpinScene, FirstFrameResetsTheSceneClock)
{
    DemoData data;
    HeadlessDemo run(data);
    run.stepAt(10.0);
    run.stepAt(46.0);
    EXPECT_EQ(run.demo->frame().sceneClock, 0.0);
    run.stepAt(46.5);
    EXPECT_EQ(run.demo->frame().sceneClock, 0.5);
}

TEST(StarScene, DrawsOverTheDimmedPreviousFrameInsteadOfTheBackground)
{
    DemoData data;
    HeadlessDemo run(data);
    run.stepAt(70.2); // the gap before: the background restored, then cleared after presenting
    run.stepAt(71.0);
    EXPECT_TRUE(run.demo->frame().fadeTrails);
    // The screen now holds the dimmed, dotted picture: three of every four pixels are black.
    const Surface& screen = run.demo->screen();
    for (int x = 1; x < 4; ++x) EXPECT_EQ(screen.pixels()[x], 0u);

    run.stepAt(71.1);
    size_t background = 0;
    const std::vector<uint32_t>& shown = run.console.lastFrame();
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            background += shown[static_cast<size_t>(y) * 640 + x] == DemoData::backgroundPixel(x, y);
        }
    }
    EXPECT_EQ(background, 0u);
    EXPECT_EQ(run.demo->objects().renderer.backfaceCull, 0);
    EXPECT_TRUE(run.demo->objects().renderer.lights.empty());
}

TEST(StarScene, PointsStreamAwayAfterFifteenSecondsFasterWithTheirIndex)
{
    DemoData data;
    HeadlessDemo run(data);
    const Mesh& stars = run.demo->objects().starField;
    ASSERT_EQ(stars.vertexCount, 100);

    run.stepAt(71.0);  // first frame: sceneClock 0
    run.stepAt(80.0);  // sceneClock 9: no streaming yet
    const std::vector<Vertex> before = stars.cornerPositions;
    run.stepAt(81.0);  // sceneClock 10
    EXPECT_EQ(stars.cornerPositions[0].z, before[0].z);
    EXPECT_EQ(stars.cornerPositions[99].z, before[99].z);

    run.stepAt(86.5); // sceneClock 15.5
    for (int frame = 0; frame < 3; ++frame) {
        const std::vector<Vertex> last = stars.cornerPositions;
        run.stepAt(86.6 + 0.1 * frame);
        // Point i moves (i + 2) x 0.1 further away every frame: 0.2 for point 0, 10.1 for point 99.
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(stars.cornerPositions[i].z, static_cast<float>(last[i].z + (i + 2) * 0.1)) << i;
            EXPECT_EQ(stars.cornerPositions[i].x, last[i].x) << i;
        }
        EXPECT_NEAR(stars.cornerPositions[0].z - last[0].z, 0.2, 1e-5);
        EXPECT_NEAR(stars.cornerPositions[99].z - last[99].z, 10.1, 1e-5);
    }
}

TEST(StarScene, ViewDepthSwaysForwardBackAndForwardAgain)
{
    DemoData data;
    HeadlessDemo run(data);
    const Renderer& renderer = run.demo->objects().renderer;
    run.stepAt(71.0);
    const double start = renderer.viewMatrix.at(3, 2);
    EXPECT_EQ(start, 5.0);
    run.stepAt(84.2); // 13.2
    run.stepAt(84.4); // 13.4
    EXPECT_EQ(renderer.viewMatrix.at(3, 2), start + 1.0);
    run.stepAt(85.5); // 14.5
    EXPECT_EQ(renderer.viewMatrix.at(3, 2), start + 0.5);
    run.stepAt(86.5); // 15.5
    run.stepAt(86.7); // 15.7
    EXPECT_EQ(renderer.viewMatrix.at(3, 2), start + 1.5);
    run.stepAt(88.0); // 17: no more change
    EXPECT_EQ(renderer.viewMatrix.at(3, 2), start + 1.5);
}

} // namespace tepple
