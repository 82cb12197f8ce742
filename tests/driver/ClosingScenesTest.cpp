// MushroomScene, GridScene and CapsuleScene, and the column height rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "DemoData.h"
#include "driver/Scenes.h"

namespace tepple {

namespace {

void expectSameMatrix(const Matrix4& actual, const Matrix4& expected)
{
    for (int i = 0; i < 16; ++i) EXPECT_EQ(actual.e[i], expected.e[i]) << "element " << i;
}

// Runs a scene function directly on the demo's objects and state, outside the frame loop.
void runDirectly(HeadlessDemo& run, SceneFunction scene)
{
    SceneContext context{run.demo->frame(), run.demo->screen(), run.demo->objects(), run.demo->sceneState()};
    scene(context);
}

} // namespace

TEST(ColumnHeight, TopTurnsBackAtSixPointSix)
{
    double height = 6.6;
    float speed = 0.3f;
    stepColumnHeight(height, speed);
    EXPECT_EQ(speed, -0.6f);
    EXPECT_EQ(height, 6.6 + static_cast<double>(-0.6f));
}

TEST(ColumnHeight, NearTheTopOnlySlowsDown)
{
    double height = 6.2;
    float speed = 0.3f;
    stepColumnHeight(height, speed);
    EXPECT_EQ(speed, static_cast<float>(0.9 * 0.3f));
    EXPECT_NEAR(height, 6.47, 1e-6);
}

TEST(ColumnHeight, BottomTurnsBackUpAtZeroPointFour)
{
    double height = 0.4;
    float speed = -0.3f;
    stepColumnHeight(height, speed);
    EXPECT_EQ(speed, 0.6f);
    EXPECT_NEAR(height, 1.0, 1e-6);
}

TEST(ColumnHeight, BelowZeroIsDampedBeforeTurning)
{
    double height = -0.1;
    float speed = -0.5f;
    stepColumnHeight(height, speed);
    EXPECT_EQ(speed, 0.6f); // damped to -0.45, then set to 0.6 against the fall
    EXPECT_EQ(height, -0.1 + static_cast<double>(0.6f));
}

TEST(MushroomScene, MushroomZeroNeverTurnsWhileTheOthersDo)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    Matrix4 start[mushroomCount];
    for (int i = 0; i < mushroomCount; ++i) start[i] = state.mushroomMatrix[i];

    for (double seconds = 91.0; seconds < 110.0; seconds += 0.5) run.stepAt(seconds);
    expectSameMatrix(state.mushroomMatrix[0], start[0]);
    for (int i = 1; i < mushroomCount; ++i) {
        EXPECT_NE(state.mushroomMatrix[i].e[1], 0.0) << i;
        // Turned about its own origin: the place stays where it was set at start-up.
        EXPECT_EQ(state.mushroomMatrix[i].at(3, 0), start[i].at(3, 0)) << i;
        EXPECT_EQ(state.mushroomMatrix[i].at(3, 1), start[i].at(3, 1)) << i;
    }
    // Mushroom 3 has turned furthest.
    EXPECT_LT(state.mushroomMatrix[3].e[0], state.mushroomMatrix[1].e[0]);
}

TEST(MushroomScene, FirstFrameSetsUpAndEveryFrameLeavesNoLight)
{
    DemoData data;
    HeadlessDemo run(data);
    Renderer& renderer = run.demo->objects().renderer;
    run.stepAt(75.0); // trails on, cull off
    run.stepAt(91.0);
    EXPECT_FALSE(run.demo->frame().fadeTrails);
    EXPECT_NE(renderer.backfaceCull, 0);
    EXPECT_EQ(renderer.blendMode, 0);
    EXPECT_EQ(run.demo->frame().sceneClock, 0.0);
    for (double seconds = 91.3; seconds < 110.0; seconds += 1.3) {
        run.stepAt(seconds);
        EXPECT_TRUE(renderer.lights.empty()) << "at " << seconds;
        EXPECT_EQ(renderer.lights.size(), 0u);
    }
}

TEST(GridScene, EveryHeightFirstGrowsByItsStartSpeed)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    std::vector<double> heights;
    for (int i = 0; i < gridColumns; ++i) {
        heights.push_back(state.gridScale[i].at(2, 2));
        ASSERT_GT(heights[i], 0.5);
        ASSERT_LT(heights[i], 6.0);
    }
    run.stepAt(111.0);
    for (int i = 0; i < gridColumns; ++i) {
        EXPECT_EQ(state.gridScale[i].at(2, 2), heights[i] + static_cast<double>(0.3f)) << i;
        EXPECT_EQ(state.gridSpeed[i], 0.3f) << i;
    }
    EXPECT_TRUE(run.demo->objects().renderer.lights.empty());
}

TEST(GridScene, StartsAsAnEightByEightSquareAndSwingsAboutTheOrigin)
{
    DemoData data;
    HeadlessDemo run(data);
    const SceneState& state = run.demo->sceneState();
    EXPECT_EQ(state.gridPosition[0].at(3, 0), 0.0);
    EXPECT_EQ(state.gridPosition[0].at(3, 1), 14.0);
    EXPECT_EQ(state.gridPosition[63].at(3, 0), 52.5);
    EXPECT_EQ(state.gridPosition[63].at(3, 1), 66.5);
    EXPECT_EQ(state.gridPosition[63].at(3, 2), 5.0);
    EXPECT_EQ(state.gridPosition[9].at(0, 3), 1.0); // the ones column
    EXPECT_NEAR(state.gridScale[1].at(2, 2), 2 + std::sin(1.0) * 4 / 3, 1e-12);

    const Matrix4 before = state.gridPosition[63];
    run.stepAt(111.0);
    expectSameMatrix(state.gridPosition[63], before * (rotationZ(0.01f) * rotationY(0.01f) * rotationX(-0.001f)));
    for (double seconds = 111.5; seconds < 140.0; seconds += 0.9) {
        run.stepAt(seconds);
        EXPECT_TRUE(run.demo->objects().renderer.lights.empty()) << "at " << seconds;
    }
}

TEST(CapsuleScene, StandsStillWhenTheRippleIsZeroButStillTurns)
{
    DemoData data;
    HeadlessDemo run(data);
    Mesh& capsule = run.demo->objects().capsule;
    const std::vector<Vertex> start = capsule.vertices;
    const Matrix4 model = capsule.modelMatrix;

    run.demo->frame().sceneClock = 0.0; // sin(sceneClock) = 0, so w = 0
    runDirectly(run, CapsuleScene);
    for (size_t i = 0; i < start.size(); ++i) {
        EXPECT_EQ(capsule.vertices[i].x, start[i].x) << i;
        EXPECT_EQ(capsule.vertices[i].y, start[i].y) << i;
        EXPECT_EQ(capsule.vertices[i].z, start[i].z) << i;
    }
    expectSameMatrix(capsule.modelMatrix, model * (rotationZ(0.01f) * rotationY(0.01f) * rotationX(-0.01f)));
}

TEST(CapsuleScene, RipplesAlongTheNormalsAndDrawsTheMovedVertices)
{
    DemoData data;
    HeadlessDemo run(data);
    Mesh& capsule = run.demo->objects().capsule;
    const std::vector<Vertex> start = capsule.vertices;

    run.demo->frame().sceneClock = 1.0;
    runDirectly(run, CapsuleScene);
    size_t moved = 0;
    for (size_t i = 0; i < start.size(); ++i) {
        Vertex shift = capsule.vertices[i];
        vecSub(shift, start[i]);
        moved += vecLength(shift) > 0;
        // Along the vertex's own normal, nowhere else.
        EXPECT_NEAR(vecLength(vecCross(shift, capsule.vertexNormals[i])), 0.0f, 1e-5f) << i;
    }
    EXPECT_EQ(moved, start.size());
    // The renderer was handed every moved vertex with the face indices.
    const Renderer& renderer = run.demo->objects().renderer;
    EXPECT_EQ(renderer.positions.size(), capsule.vertices.size());
    ASSERT_EQ(renderer.indices.size(), 3 * static_cast<size_t>(capsule.faceCount));
    EXPECT_TRUE(std::equal(renderer.indices.begin(), renderer.indices.end(), capsule.faceIndices.begin()));
    EXPECT_EQ(run.demo->objects().renderer.blendMode, 0);
    EXPECT_NE(run.demo->objects().renderer.backfaceCull, 0);
}

TEST(CapsuleScene, SceneClockStillCountsFromTheMushroomScene)
{
    DemoData data;
    HeadlessDemo run(data);
    run.stepAt(91.0);
    run.stepAt(120.0);
    run.stepAt(145.0);
    EXPECT_EQ(run.demo->frame().sceneClock, 145.0 - 91.0);
}

} // namespace tepple
