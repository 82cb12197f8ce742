#pragma once
// The frame around the scenes: background restore, the scene hook, presentation with the
// dim-and-dot trail pass, and the two exits.
#include <cstdint>

#include "driver/Timeline.h"
#include "pixels/PixelToolkit.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

namespace tepple {

// The driver's clock state, shared with the scenes.
struct FrameState {
    double demoTime = 0.0;   // seconds since the demonstration timer started, read once per frame
    double frameDelta = 0.0; // seconds since the previous delta reading
    double sceneClock = 0.0; // running sum of frameDelta; some scenes reset it on their first frame
    bool fadeTrails = false; // after presenting: dim and dot screenSurface (true) or clear it (false);
                             // set by a scene's first frame (driver/Timeline.h)
};

// Runs the scene that owns the current moment, drawing into the screen surface.
class SceneHook {
public:
    virtual ~SceneHook() = default;
    virtual void runScene(FrameState& state, Surface& screen) = 0;
};

enum class FrameResult {
    Presented,    // the frame was drawn and shown; run another
    KeyExit,      // a key was waiting at the start of the frame
    TimelineExit, // demoTime passed the end of the timeline; this frame was not shown
};

// The full-frame passes below touch each row on its own, so they may share the rows among a pool's
// threads (forItems); null, or a pool of one thread, runs them on the calling thread. The result is
// the same either way.

// Copies the whole of source onto destination when both have the same width and height, and
// says so; otherwise does nothing and returns false.
bool copySameSize(Surface& source, Surface& destination, WorkerPool* pool = nullptr);

// Dims and dots a surface in place: in every group of four pixels along a row the first keeps
// 0.9 of each channel (truncated), the other three become 0; for a picture drawn at `scale` N,
// in every group of 4N pixels the first N (a scale below 1 is taken as 1). Rows are width x 4
// bytes; a row whose pixel count is not a multiple of 4N (640N is) ends in a shorter group.
void dimAndDot(Surface& surface, WorkerPool* pool = nullptr, int scale = 1);

// Shows screen on the console (straight from the screen when both have the same size, otherwise
// copied into the console's pixel block first), then dims and dots it (at `scale`) or (when
// clearNow) clears it. A caller passing clearNow false must clear the screen, or paint it whole,
// before drawing on it again.
void presentFrame(Console& console, Surface& screen, bool fadeTrails, bool clearNow = true,
                  WorkerPool* pool = nullptr, int scale = 1);

// Everything one frame needs, owned elsewhere.
struct FrameLoop {
    Console& console;
    Timer& timer;
    Surface& screen;
    Surface& background;
    SceneHook& scenes;
    FrameState state;
    bool clearPending = false; // the last frame presented left the screen to be cleared
    WorkerPool* pool = nullptr; // whose threads share the full-frame passes (null: this thread alone)
    Renderer* renderer = nullptr; // whose frame number each presented frame advances
    int scale = 1;                // the picture is 640N x 480N (dimAndDot)

    // The last start-up steps, immediately before the first frame: the renderer's frame 0, the state
    // reset (sceneClock 0, fadeTrails off) and the timer started.
    void start();
    // One pass of the loop: key test, clock, background restore (except while the scene that owns
    // the moment keeps its previous frame, which then draws over the cleared or dimmed screen),
    // scene, end test (past timelineEnd), present, and the renderer's next frame.
    FrameResult step();
};

} // namespace tepple
