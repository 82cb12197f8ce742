#pragma once
// The timeline of six scenes, the state they keep across frames, and the scenes themselves.
// Every scene is a plain function of one frame; the timeline table says when each one runs.
#include <limits>

#include "driver/FrameLoop.h"
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

    // First-frame set-ups still to run.
    bool spinPending;
    bool starPending;
    bool mushroomPending;

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

using SceneFunction = void (*)(SceneContext&);

// A scene runs while after < demoTime < before (both bounds strict).
struct TimelineEntry {
    const char* name;
    double after;
    double before;
    SceneFunction run;

    bool holds(double demoTime) const { return after < demoTime && demoTime < before; }
};

void BounceScene(SceneContext& scene);
void SpinScene(SceneContext& scene);
void StarScene(SceneContext& scene);
void MushroomScene(SceneContext& scene);
void GridScene(SceneContext& scene);
void CapsuleScene(SceneContext& scene);

// The windows do not overlap; they are still tested in this order. Between them (45 to 45.5,
// 70 to 70.5, 90 to 90.5 and the instants 110, 140, 150) no scene runs.
inline constexpr TimelineEntry sceneTimeline[] = {
    {"BounceScene", -std::numeric_limits<double>::infinity(), 45.0, BounceScene},
    {"SpinScene", 45.5, 70.0, SpinScene},
    {"StarScene", 70.5, 90.0, StarScene},
    {"MushroomScene", 90.5, 110.0, MushroomScene},
    {"GridScene", 110.0, 140.0, GridScene},
    {"CapsuleScene", 140.0, 150.0, CapsuleScene},
};

// The first entry whose window holds demoTime, or null when none does.
const TimelineEntry* sceneAt(double demoTime);

// One column's height step: h is the height factor, v its speed, both updated in place.
// Near the top (h > 6) and below 0 the speed is damped; outside 0.5..6.5 it is set to 0.6 against
// the direction of travel.
void stepColumnHeight(double& height, float& speed);

// The hook the frame loop calls: runs the scene that owns the moment, if any.
class SceneTimeline : public SceneHook {
public:
    explicit SceneTimeline(SceneObjects sceneObjects) : objects(sceneObjects) {}
    void runScene(FrameState& frame, Surface& screen) override;

    SceneObjects objects;
    SceneState state;
};
