// The demo's entry point in a browser. The page loads the program and its packed data, shows a
// start button, and calls tepple_start() from the button's handler: browsers play sound only in
// answer to the viewer, so the start-up (which starts the music) and the first frame both happen
// inside that gesture. From then on the browser's animation frames drive Demo::step(); nothing
// ever waits, so the page stays responsive. The page passes the viewer's request to stop on
// through tepple_press(). While the page is hidden no frame is drawn and the demo's time stands
// still (WebClock.h). When the run ends (a key, the end of the timeline or a failure) the music
// stops and the page is told how it ended; tepple_start() plays it again.
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "driver/Program.h"
#include "driver/SceneTimes.h"
#include "driver/Scenes.h"
#include "media/DataFiles.h"
#include "platform/web/WebClock.h"
#include "platform/web/WebConsole.h"
#include "platform/web/WebMusicPlayer.h"
#include "pixels/ManualClock.h"

using namespace tepple;

namespace {

constexpr const char* canvasSelector = "#screen";
// The hidden canvas the speed measurement draws on, out of the viewer's sight.
constexpr const char* measureSelector = "#measure";

// The measurement says nothing: a missing texture is the run's to report.
struct QuietMessages : MessageSink {
    void message(const std::string&, const std::string&, const std::string&) override {}
};

// {"BounceScene": {"frames": n, "median": ms, "slowest": ms}, ...}, in timeline order: the page's
// own measurement of the renderer's speed.
std::string scenesJson(const SceneTimes& times)
{
    std::string out = "{";
    for (const TimelineEntry& entry : sceneTimeline) {
        const std::optional<SceneTimes::Summary> summary = times.summary(entry.name);
        if (!summary) continue;
        char line[160];
        std::snprintf(line, sizeof line, "%s\"%s\":{\"frames\":%zu,\"median\":%.4f,\"slowest\":%.4f}",
                      out.size() > 1 ? "," : "", entry.name, summary->frames, summary->median,
                      summary->slowest);
        out += line;
    }
    return out + "}";
}

// One run of the demo and what drives it.
struct Run {
    WebConsole console{canvasSelector};
    WebClock wallClock;
    ManualClock steppedClock;
    int fixedFps = 0;      // > 0: frame n is drawn at exactly n / fixedFps seconds, as tepple-capture does
    int stepsPerFrame = 1; // frames run per animation frame (fixed steps only): fast-forward
    int presented = -1;    // index of the frame last presented
    SceneTimes times;
    std::unique_ptr<Demo> demo;
};

std::unique_ptr<Run> current;

EM_JS(void, webRunEnded, (const char* how, const char* sceneTimes), {
    if (typeof Module['onEnded'] === 'function') {
        Module['onEnded'](UTF8ToString(how), JSON.parse(UTF8ToString(sceneTimes)));
    }
});

EM_JS(void, webFramePresented, (int frame, double demoTime), {
    if (typeof Module['onFrame'] === 'function') Module['onFrame'](frame, demoTime);
});

// Ends the current run: no more frames, the music stopped, the page told `how` ("key",
// "timeline" or "error").
void finish(const char* how)
{
    emscripten_cancel_main_loop();
    stopMusic();
    const std::string times = current ? scenesJson(current->times) : "{}";
    if (current) current->demo.reset();
    webRunEnded(how, times.c_str());
}

// One frame. False once the run has ended.
bool stepOnce(Run& run)
{
    if (run.fixedFps > 0) run.steppedClock.set(static_cast<double>(run.presented + 1) / run.fixedFps);
    const double started = emscripten_get_now();
    FrameResult result;
    try {
        result = run.demo->step();
    } catch (const std::exception& error) {
        reportFailure(error.what());
        finish("error");
        return false;
    }
    if (result == FrameResult::KeyExit) {
        finish("key");
        return false;
    }
    if (result == FrameResult::TimelineExit) {
        finish("timeline");
        return false;
    }
    const double milliseconds = emscripten_get_now() - started;
    run.times.add(run.demo->frame().demoTime, milliseconds);
    ++run.presented;
    webFramePresented(run.presented, run.demo->frame().demoTime);
    return true;
}

void animationFrame()
{
    if (!current || !current->demo || webClockPaused()) return;
    for (int i = 0; i < current->stepsPerFrame; ++i) {
        if (!stepOnce(*current)) return;
    }
}

} // namespace

extern "C" {

// Starts (or restarts) the demo; call it from a click or key handler. fixedFps > 0 steps the clock
// by exactly 1/fixedFps seconds per frame with the star-field seed 1, so the frames equal
// tepple-capture's at that rate; stepsPerFrame (fixed steps only) runs that many frames per
// animation frame; scale (1 to maxDemoScale, anything else counts as 1) draws the picture 640N x
// 480N. Returns 1 when the demo runs, 0 when start-up failed (already reported on the page and in
// the console).
EMSCRIPTEN_KEEPALIVE int tepple_start(int fixedFps, int stepsPerFrame, int scale)
{
    emscripten_cancel_main_loop();
    if (current) current->demo.reset();
    current = std::make_unique<Run>();
    Run& run = *current;
    run.fixedFps = fixedFps > 0 ? fixedFps : 0;
    run.stepsPerFrame = run.fixedFps > 0 && stepsPerFrame > 1 ? stepsPerFrame : 1;

    Clock& clock = run.fixedFps > 0 ? static_cast<Clock&>(run.steppedClock) : run.wallClock;
    std::optional<unsigned> seed;
    if (run.fixedFps > 0) seed = 1u;
    // One thread: the page is built without threads, so the renderer draws on the page's own.
    DemoSetup setup{run.console, clock, run.console,
                    [](const std::string& path) { return std::make_unique<WebMusicPlayer>(path); },
                    "",          seed,  {},          1};
    setup.scale = scale >= 1 && scale <= maxDemoScale ? scale : 1;
    run.demo = startProgram(setup);
    if (!run.demo) {
        finish("error");
        return 0;
    }
    // The first frame now, in the same gesture as the music; then one per animation frame.
    if (!stepOnce(run)) return 1;
    emscripten_set_main_loop(animationFrame, 0, 0);
    return 1;
}

// Milliseconds a frame of the slowest scene takes in this browser at scale 1, for the page's choice
// of scale: three frames in the last second of each scene, the middle one of each three counted
// (the first of a scene pays for its set-up, and one of three may meet a pause of the browser's).
// The scenes are drawn twice and the second round counted: the browser compiles a program quickly
// first and well only once its code has run. Drawn on the hidden canvas, without sound. Less than
// 0 when the demo cannot start (the run reports why) or while a run is on.
EMSCRIPTEN_KEEPALIVE double tepple_measure()
{
    if (current && current->demo) return -1;
    WebConsole console{measureSelector};
    QuietMessages quiet;
    ManualClock clock;
    DemoSetup setup{console, clock, quiet, nullptr, "", 1u, {}, 1};
    double slowest = -1;
    try {
        Demo demo(setup);
        for (int round = 0; round < 2; ++round) {
            slowest = -1;
            for (const TimelineEntry& entry : sceneTimeline) {
                double times[3];
                for (int i = 0; i < 3; ++i) {
                    clock.set(entry.before - 1.0 + i / 60.0);
                    const double started = emscripten_get_now();
                    if (demo.step() != FrameResult::Presented) return -1;
                    times[i] = emscripten_get_now() - started;
                }
                std::sort(times, times + 3);
                slowest = std::max(slowest, times[1]);
            }
        }
    } catch (const std::exception&) {
        return -1;
    }
    return slowest;
}

// The viewer asks the running demo to stop (a key, a tap or a click the page counts as one).
EMSCRIPTEN_KEEPALIVE void tepple_press()
{
    if (current && current->demo) current->console.press();
}

} // extern "C"

int main()
{
    // Nothing runs until the viewer presses start; the soundtrack is decoded meanwhile.
    prepareMusic(dataFiles::soundtrack);
    return 0;
}
