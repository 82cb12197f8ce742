#pragma once
// The six scenes, the state they keep across frames, and the hook that runs them. Every scene is
// a plain function of one frame; the timeline table (driver/Timeline.h) says when each one runs.
#include "driver/FrameLoop.h"
#include "driver/Timeline.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"
#include "geometry/Vertex.h"
#include "render/Renderer.h"

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
    Mesh& mushroomPart1; // textured cap
    Mesh& mushroomPart2; // Gouraud-shaded stem
    Mesh& spinMesh;
    Mesh& capsule;
};

// One frame as a scene sees it.
struct SceneContext {
    FrameState& frame;
    Surface& screen; // the draw target
    SceneObjects& objects;
    SceneState& state;
};

// One column's height step: h is the height factor, v its speed, both updated in place.
// Near the top (h > 6) and below 0 the speed is damped; outside 0.5..6.5 it is set to 0.6 against
// the direction of travel.
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
