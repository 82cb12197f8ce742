#pragma once
// The six scenes, the state they keep across frames, and the hook that runs them. Every scene is
// a plain function of one frame; the timeline table (driver/Timeline.h) says when each one runs.
#include "driver/FrameLoop.h"
#include "driver/Timeline.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"
#include "geometry/Vertex.h"
#include "render/Renderer.h"

namespace tepple {

// A velocity in world units per frame.
struct Velocity {
    float x;
    float y;
    float z;
};

constexpr int bouncerCount = 4;
constexpr int mushroomCount = 4;
constexpr int gridColumns = 64; // an 8 x 8 square

// Everything the scenes remember from one frame to the next. Constructed with the values the
// demonstration starts from.
struct SceneState {
    SceneState();

    // BounceScene
    Matrix4 sceneRotation;  // accumulated turn of the box
    Matrix4 targetSpin;     // this frame's turn of the camera target
    Vertex cameraTarget;
    float boxScale;         // 1.0 until 20 s, then 1.2 for good
    Matrix4 bouncerMatrix[bouncerCount];
    Velocity bouncerVelocity[bouncerCount];

    // Whether each timeline entry has had its first frame, by index: a set-up runs once per run.
    bool sceneStarted[sceneCount] = {};

    // MushroomScene
    Vertex wanderLight;
    float pulseX;
    float pulseY;
    float pulseZ;
    Matrix4 mushroomMatrix[mushroomCount];

    // GridScene: each column's place, its scale (height factor at [2][2]) and its height speed.
    Matrix4 gridPosition[gridColumns];
    Matrix4 gridScale[gridColumns];
    float gridSpeed[gridColumns];
};

// What the scenes draw with. All owned elsewhere (by the Demo) and alive for the whole run.
struct SceneObjects {
    Renderer& renderer;
    Surface& plasmaTexture;
    Surface& flareTexture;
    Surface& mushroomTexture;
    Mesh& starField;
    Mesh& column;
    Mesh& centrePiece;
    Mesh& bouncer;
    Mesh& mushroomCap; // textured cap
    Mesh& mushroomStem; // Gouraud-shaded stem
    Mesh& knot;
    Mesh& capsule;
};

// One frame as a scene sees it.
struct SceneContext {
    FrameState& frame;
    Surface& screen; // the draw target
    SceneObjects& objects;
    SceneState& state;
};

// One column's height step, `height` (its scale's [2][2]) and `speed` both updated in place: above 6
// and below 0 the speed is damped to 0.9 of itself; then above 6.5 and below 0.5 it is set to 0.6
// against its direction of travel (a speed of 0 stays 0); then the height moves by the speed.
void stepColumnHeight(double& height, float& speed);

// The hook the frame loop calls: runs the scene that owns the moment, if any, preceded on its
// first frame by its set-up.
class SceneTimeline : public SceneHook {
public:
    explicit SceneTimeline(SceneObjects sceneObjects) : objects(sceneObjects) {}
    void runScene(FrameState& frame, Surface& screen) override;

    SceneObjects objects;
    SceneState state;
};

} // namespace tepple
