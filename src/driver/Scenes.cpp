#include "driver/Scenes.h"

#include <algorithm>
#include <cmath>

#include "render/MeshDraw.h"

namespace tepple {

namespace {

// Light positions are plain points with colour 0.
Light pointLight(float x, float y, float z, float red, float green, float blue)
{
    return Light(Vertex(x, y, z, 0), red, green, blue);
}

Vertex point(float x, float y, float z) { return Vertex(x, y, z, 0); }

// viewMatrix[3][2] is the camera's z translation.
double& viewDepth(Renderer& renderer) { return renderer.viewMatrix.at(3, 2); }

Matrix4 gridStartPosition(int column)
{
    Matrix4 position;
    setIdentityOnesColumn(position);
    position.at(3, 0) = 7.5 * (column % 8);
    position.at(3, 1) = 14 + 7.5 * (column / 8);
    position.at(3, 2) = 5;
    return position;
}

Matrix4 gridStartScale(int column)
{
    Matrix4 scale;
    // Height factor between about 0.667 and 3.333, the column index taken as radians.
    scale.at(2, 2) = 2 + std::sin(static_cast<double>(column)) * (1.0 / 3.0) * 4;
    return scale;
}

} // namespace

SceneState::SceneState()
    : cameraTarget(point(0.01f, -14, 0.1f)),
      boxScale(1.0f),
      bouncerVelocity{{0.3f, -0.3f, 0.3f}, {-0.2f, 0.3f, -0.4f}, {0.5f, 0.2f, -0.6f}, {-0.4f, -0.7f, 0.12f}},
      wanderLight(point(0, 0, 112.5f)),
      pulseX(0.3f),
      pulseY(0.3f),
      pulseZ(0.3f)
{
    for (Matrix4& m : bouncerMatrix) translation(m, 0, -14, 0);
    translation(mushroomMatrix[0], 55.5f, -24, 0);
    translation(mushroomMatrix[1], -25, -24, 0);
    translation(mushroomMatrix[2], 55.5f, 54, 0);
    translation(mushroomMatrix[3], -25, 54, 0);
    for (int i = 0; i < gridColumns; ++i) {
        gridPosition[i] = gridStartPosition(i);
        gridScale[i] = gridStartScale(i);
        gridSpeed[i] = 0.3f;
    }
}

void SceneTimeline::runScene(FrameState& frame, Surface& screen)
{
    const TimelineEntry* entry = sceneAt(frame.demoTime);
    if (!entry) return;
    SceneContext scene{frame, screen, objects, state};
    bool& started = state.sceneStarted[entry - sceneTimeline];
    if (!started) {
        started = true;
        if (entry->setUp) {
            frame.sceneClock = 0;
            frame.fadeTrails = entry->keepsPreviousFrame;
            objects.renderer.clearLights();
            entry->setUp(scene);
        }
    }
    entry->run(scene);
}

// ---------------------------------------------------------------------------------------------
// BounceScene: four bouncers fly inside a turning box around the centre piece.

namespace {

// The box the bouncers fly in, for box scale b (with b = 1: x and z -6.5..6.5, y -19..-6).
struct BounceBox {
    float scale;
    float bouncerSize;
    float sideLimit; // x and z run from -sideLimit to sideLimit
    float floor;
    float ceiling;
};

BounceBox makeBox(float b)
{
    // Each limit is formed in double and stored as a float, like all arithmetic on float data.
    return BounceBox{b, static_cast<float>(0.1 * b), static_cast<float>(6.5 * b),
                     static_cast<float>(-19.0 * b), static_cast<float>(4.0 * b - 10)};
}

// Moves one bouncer by its velocity, then reverses each component whose new position lies
// outside the box. The position is not pulled back; the reversed velocity brings it back.
void moveBouncer(Matrix4& place, Velocity& velocity, const BounceBox& box)
{
    double& x = place.at(3, 0);
    double& y = place.at(3, 1);
    double& z = place.at(3, 2);
    x += static_cast<double>(box.scale) * velocity.x;
    y += static_cast<double>(box.scale) * velocity.y;
    z += static_cast<double>(box.scale) * velocity.z;
    if (x > box.sideLimit) velocity.x = -velocity.x;
    if (x < -box.sideLimit) velocity.x = -velocity.x;
    if (y < box.floor) velocity.y = -velocity.y;
    if (y > box.ceiling) velocity.y = -velocity.y;
    if (z > box.sideLimit) velocity.z = -velocity.z;
    if (z < -box.sideLimit) velocity.z = -velocity.z;
}

} // namespace

void BounceScene(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    SceneState& state = scene.state;

    renderer.addLight(pointLight(0, 0, 70, 13.1f, 13.1f, 13.1f));
    lookAt(renderer.viewMatrix, state.cameraTarget, point(0, 0, -85));
    // Both offsets land on a view rebuilt this frame, so each lasts one frame.
    if (scene.frame.demoTime < 10) viewDepth(renderer) -= 0.25;
    if (scene.frame.demoTime > 20) {
        state.boxScale = 1.2f;
        renderer.blendMode = 1;
        viewDepth(renderer) += 0.25;
    }
    state.sceneRotation = state.sceneRotation * rotationZ(0.01f) * rotationY(0.001f) * rotationX(0.01f);
    state.targetSpin = rotationZ(0.01f) * rotationY(0.001f) * rotationX(0.01f);
    renderer.setTexture(&scene.objects.plasmaTexture);

    const BounceBox box = makeBox(state.boxScale);
    Mesh& bouncer = scene.objects.bouncer;
    for (int i = 0; i < bouncerCount; ++i) {
        scaling(bouncer.drawMatrix, box.bouncerSize, box.bouncerSize, box.bouncerSize);
        moveBouncer(state.bouncerMatrix[i], state.bouncerVelocity[i], box);
        // Placed, then turned with the box.
        bouncer.modelMatrix = state.bouncerMatrix[i] * state.sceneRotation;
        drawMesh(renderer, bouncer, scene.screen, DrawMode::Textured);
    }

    Mesh& centre = scene.objects.centrePiece;
    Matrix4 centreOffset;
    centre.modelMatrix = translation(centreOffset, 0, -7, 0) * state.sceneRotation;
    scaling(centre.drawMatrix, box.scale, box.scale, box.scale);
    drawMesh(renderer, centre, scene.screen, DrawMode::Gouraud);

    state.cameraTarget = transform(state.targetSpin, state.cameraTarget);
    renderer.clearLights();
}

// ---------------------------------------------------------------------------------------------
// SpinScene: the knot tumbles in front of a fixed camera under one light.

void SpinSceneSetUp(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    lookAt(renderer.viewMatrix, point(0, 0, 0), point(0, 0, -195));
    renderer.backfaceCull = 1;
    renderer.blendMode = 0;
    renderer.addLight(pointLight(0, 0, 130, 33.1f, 33.1f, 33.1f)); // stays for the whole scene
}

void SpinScene(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    Mesh& knot = scene.objects.knot;
    const Matrix4 turn = rotationZ(0.01f) * rotationY(0.02f) * rotationX(-0.03f);
    knot.modelMatrix = turn * knot.modelMatrix;
    drawMesh(renderer, knot, scene.screen, DrawMode::Gouraud);
}

// ---------------------------------------------------------------------------------------------
// StarScene: the star field as flare sprites over the faded previous frame, leaving trails.

namespace {

// The view is built once, so each nudge adds up over the frames of its one-second span.
void swayViewDepth(Renderer& renderer, double sceneClock)
{
    if (13 < sceneClock && sceneClock < 14) viewDepth(renderer) += 0.5;
    if (14 < sceneClock && sceneClock < 15) viewDepth(renderer) -= 0.5;
    if (15 < sceneClock && sceneClock < 16) viewDepth(renderer) += 0.5;
}

// Pushes every point further away, higher indices faster; the push accumulates every frame.
void streamStarsAway(Mesh& starField)
{
    const int count = std::min<int>(starField.vertexCount,
                                    static_cast<int>(starField.cornerPositions.size()));
    for (int i = 0; i < count; ++i) {
        float& z = starField.cornerPositions[i].z;
        z = static_cast<float>(z + (i + 2) * 0.1); // the push in double, the depth kept as a float
    }
}

} // namespace

void StarSceneSetUp(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    lookAt(renderer.viewMatrix, point(0, 0, 0), point(0, 0, -5));
    renderer.backfaceCull = 0;
    renderer.blendMode = 0;
}

void StarScene(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    // Every sprite must pass the depth test over what the trails left behind.
    std::fill(renderer.depthBuffer(), renderer.depthBuffer() + renderer.pixelCount(), 0.0);
    renderer.setTexture(&scene.objects.flareTexture);

    Mesh& stars = scene.objects.starField;
    const double sceneClock = scene.frame.sceneClock;
    if (sceneClock < 5) stars.modelMatrix = rotationZ(-0.0314f) * rotationY(0.0628f) * stars.modelMatrix;
    drawMesh(renderer, stars, scene.screen, DrawMode::Sprites);
    swayViewDepth(renderer, sceneClock);
    if (sceneClock > 15) streamStarsAway(stars); // shows from the next frame's draw
}

// ---------------------------------------------------------------------------------------------
// MushroomScene: four two-part mushrooms turn in place, pulsing, under a wandering light.

namespace {

void pulse(SceneState& state, double sceneClock)
{
    const double q = std::cos(sceneClock);
    state.wanderLight.x = static_cast<float>(state.wanderLight.x + 3.4 * std::sin(5 * q));
    state.wanderLight.y = static_cast<float>(state.wanderLight.y + 3.4 * std::sin(6.666666666666667 * q));
    state.pulseX = static_cast<float>(state.pulseX + std::sin(0.01 * q));
    state.pulseY = static_cast<float>(state.pulseY + std::sin(0.005 * q));
    state.pulseZ = static_cast<float>(state.pulseZ + std::sin(0.006666666666666667 * q));
}

void drawMushroom(SceneContext& scene, int i)
{
    SceneState& state = scene.state;
    Renderer& renderer = scene.objects.renderer;
    Mesh& cap = scene.objects.mushroomCap;
    Mesh& stem = scene.objects.mushroomStem;

    // Larger indices are stretched more and turn faster; mushroom 0 keeps its start-up turn.
    const float s1 = static_cast<float>(1 + 0.1 * i);
    const float s2 = static_cast<float>(1 + 0.01 * i);
    scaling(stem.drawMatrix, s1 * state.pulseX, s1 * state.pulseY, s2 * state.pulseZ);
    scaling(cap.drawMatrix, s1 * state.pulseX, s2 * state.pulseY, s1 * state.pulseZ);
    const Matrix4 turn = rotationZ(static_cast<float>(0.003 * i)) * rotationY(static_cast<float>(0.001 * i)) *
                         rotationX(static_cast<float>(-0.001 * i));
    state.mushroomMatrix[i] = turn * state.mushroomMatrix[i]; // about its own origin: translation kept
    cap.modelMatrix = state.mushroomMatrix[i];
    stem.modelMatrix = state.mushroomMatrix[i];
    renderer.setTexture(&scene.objects.mushroomTexture);

    renderer.addLight(Light(state.wanderLight, 37.1f, 33.1f, 33.1f)); // reddish on the cap
    drawMesh(renderer, cap, scene.screen, DrawMode::Textured);
    renderer.clearLights();
    renderer.addLight(Light(state.wanderLight, 33.1f, 33.1f, 33.1f));
    drawMesh(renderer, stem, scene.screen, DrawMode::Gouraud);
    renderer.clearLights();
}

} // namespace

void MushroomSceneSetUp(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    lookAt(renderer.viewMatrix, point(0, 0, 0), point(0, 0, -165));
    renderer.backfaceCull = 1;
    renderer.blendMode = 0;
}

void MushroomScene(SceneContext& scene)
{
    pulse(scene.state, scene.frame.sceneClock);
    for (int i = 0; i < mushroomCount; ++i) drawMushroom(scene, i);
}

// ---------------------------------------------------------------------------------------------
// GridScene: an 8 x 8 grid of columns swings about the origin while each column bounces in height.

void stepColumnHeight(double& height, float& speed)
{
    const auto damp = [&speed] { speed = static_cast<float>(0.9 * speed); };
    const auto turnBack = [&speed] {
        if (speed > 0) {
            speed = 0.6f;
        } else if (speed < 0) {
            speed = -0.6f;
        }
        speed = -speed;
    };
    if (height > 6) damp();
    if (height < 0) damp();
    if (height > 6.5) turnBack();
    if (height < 0.5) turnBack();
    height = height + speed;
}

void GridScene(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    SceneState& state = scene.state;
    Mesh& column = scene.objects.column;

    renderer.addLight(pointLight(0, 0, 50, 13.1f, 13.1f, 13.1f));
    const Matrix4 swing = rotationZ(0.01f) * rotationY(0.01f) * rotationX(-0.001f);
    lookAt(renderer.viewMatrix, point(0, 0, 0), point(0, 0, -85));
    renderer.setTexture(&scene.objects.plasmaTexture);
    for (int i = 0; i < gridColumns; ++i) {
        stepColumnHeight(state.gridScale[i].at(2, 2), state.gridSpeed[i]);
        state.gridPosition[i] = state.gridPosition[i] * swing; // turns about the world origin
        column.modelMatrix = state.gridPosition[i];
        column.drawMatrix = state.gridScale[i];
        drawMesh(renderer, column, scene.screen, DrawMode::Textured);
    }
    renderer.clearLights();
}

// ---------------------------------------------------------------------------------------------
// CapsuleScene: the capsule turns and ripples along its normals, drawn translucent twice.

namespace {

// Moves every vertex along its load-time normal by a wave of its height; accumulates over frames.
void ripple(Mesh& capsule, double sceneClock)
{
    const double w = std::sin(60 * std::sin(sceneClock));
    const size_t count = std::min({static_cast<size_t>(std::max(capsule.vertexCount, 0)),
                                   capsule.vertices.size(), capsule.vertexNormals.size()});
    for (size_t i = 0; i < count; ++i) {
        Vertex along = capsule.vertexNormals[i];
        vecScale(along, static_cast<float>(-(std::sin(0.1 * capsule.vertices[i].y) * w)));
        vecAdd(capsule.vertices[i], along);
    }
}

} // namespace

void CapsuleScene(SceneContext& scene)
{
    Renderer& renderer = scene.objects.renderer;
    Mesh& capsule = scene.objects.capsule;

    lookAt(renderer.viewMatrix, point(0, 0, 0), point(0, 0, -235));
    renderer.setTexture(&scene.objects.plasmaTexture);
    // The turn is applied after the model's own (the knot turns the other way round).
    capsule.modelMatrix = capsule.modelMatrix * (rotationZ(0.01f) * rotationY(0.01f) * rotationX(-0.01f));
    // drawMesh reads the moved vertices through the face indices: the corner arrays need no
    // rebuilding.
    if (capsule.vertexCount > 0) ripple(capsule, scene.frame.sceneClock);
    renderer.backfaceCull = 1;
    renderer.blendMode = 1;
    scaling(capsule.drawMatrix, 1, 1, 1);
    drawMesh(renderer, capsule, scene.screen, DrawMode::Textured);
    scaling(capsule.drawMatrix, 2, 2, 2);
    drawMesh(renderer, capsule, scene.screen, DrawMode::Textured);
    renderer.blendMode = 0;
}

} // namespace tepple
