#pragma once
// The timeline: which scene owns each moment of the demonstration, and what a scene asks of the
// frame around it. Every timing fact is read from this one table: the frame loop's background
// restore and its end, the scenes' first frames, the capture tool and the soundtrack's sections.
// Header-only, so that a tool may read the table without the scenes' other types.
#include <cstddef>
#include <iterator>
#include <limits>

namespace tepple {

struct SceneContext;
using SceneFunction = void (*)(SceneContext&);

// A scene runs while after < demoTime < before (both bounds strict).
struct TimelineEntry {
    const char* name;
    double after;
    double before;
    SceneFunction run;
    // Runs once per run, on the scene's first frame, before `run`, after the part every set-up
    // shares: sceneClock back to 0, fadeTrails set to keepsPreviousFrame, the light list cleared.
    // Null: the scene has no first frame of its own, and all three carry on from before it.
    SceneFunction setUp;
    // The scene draws over its own previous frame, dimmed and dotted (the star trails): the frame
    // loop does not restore the background while it runs. Needs a set-up, which turns the
    // dimming on.
    bool keepsPreviousFrame;

    constexpr bool holds(double demoTime) const { return after < demoTime && demoTime < before; }
};

void BounceScene(SceneContext& scene);
void SpinScene(SceneContext& scene);
void SpinSceneSetUp(SceneContext& scene);
void StarScene(SceneContext& scene);
void StarSceneSetUp(SceneContext& scene);
void MushroomScene(SceneContext& scene);
void MushroomSceneSetUp(SceneContext& scene);
void GridScene(SceneContext& scene);
void CapsuleScene(SceneContext& scene);

// The windows do not overlap; they are still tested in this order. Between them (45 to 45.5,
// 70 to 70.5, 90 to 90.5 and the instants 110, 140, 150) no scene runs.
inline constexpr TimelineEntry sceneTimeline[] = {
    // name, after, before, every frame, first frame, keeps the previous frame
    {"BounceScene", -std::numeric_limits<double>::infinity(), 45.0, BounceScene, nullptr, false},
    {"SpinScene", 45.5, 70.0, SpinScene, SpinSceneSetUp, false},
    {"StarScene", 70.5, 90.0, StarScene, StarSceneSetUp, true},
    {"MushroomScene", 90.5, 110.0, MushroomScene, MushroomSceneSetUp, false},
    {"GridScene", 110.0, 140.0, GridScene, nullptr, false},
    {"CapsuleScene", 140.0, 150.0, CapsuleScene, nullptr, false},
};

constexpr size_t sceneCount = std::size(sceneTimeline);

// Where the last scene's window closes. A frame at exactly this time is still shown; the first
// frame after it ends the run unseen.
constexpr double timelineEnd = sceneTimeline[sceneCount - 1].before;

// The first entry whose window holds demoTime, or null when none does.
inline const TimelineEntry* sceneAt(double demoTime)
{
    for (const TimelineEntry& entry : sceneTimeline) {
        if (entry.holds(demoTime)) return &entry;
    }
    return nullptr;
}

} // namespace tepple
