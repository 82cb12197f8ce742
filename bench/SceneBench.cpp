// The demonstration's own speed: the whole 150-second timeline rendered offline at 60 frames per
// second at 640N x 480N (TEPPLE_SCALE=N; every frame drawn and presented to the headless console,
// nothing written to disk), the median time of a frame in each scene's window, and for scale the
// memory floor of a frame: the two full-frame copies every frame makes at the least (background
// in, picture to the window's display), and the frame loop's own per-frame work around a scene
// that draws nothing, at 640 x 480 and 1920 x 1440.
//
// The timeline is run once and timed frame by frame; the per-scene results are read from that one
// run (each reported as a single iteration whose time is the median frame).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "TimelineCapture.h"
#include "ThreadsOption.h"
#include "driver/FrameLoop.h"
#include "driver/SceneTimes.h"
#include "driver/Scenes.h"
#include "pixels/HeadlessConsole.h"
#include "render/WorkerPool.h"
#include "pixels/ManualClock.h"

using namespace tepple;

namespace {

constexpr int benchFps = 60;
int benchThreads = 1; // --threads
int benchScale = 1;   // TEPPLE_SCALE, as for the demo: the timeline drawn 640N x 480N
int benchLanes = 0;   // --lanes

struct TimelineTimes {
    SceneTimes sceneFrames; // seconds per frame, by scene
    double totalSeconds = 0.0;                              // every frame, start-up excluded
    int frames = 0;
};

const TimelineTimes& timelineTimes()
{
    static const TimelineTimes times = [] {
        TimelineTimes measured;
        CaptureSettings settings{benchFps, 1, TEPPLE_RUN_DIR, benchThreads, benchScale};
        settings.laneWidth = benchLanes;
        TimelineCapture run(settings);
        while (true) {
            const auto start = std::chrono::steady_clock::now();
            const bool shown = run.step();
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!shown) break;
            measured.totalSeconds += seconds;
            ++measured.frames;
            measured.sceneFrames.add(run.demo().frame().demoTime, seconds);
        }
        return measured;
    }();
    return times;
}

// Frames per second of the whole offline run.
void WholeTimeline(benchmark::State& state)
{
    const TimelineTimes& times = timelineTimes();
    for (auto _ : state) state.SetIterationTime(times.totalSeconds);
    state.counters["frames"] = times.frames;
    state.counters["fps"] = times.frames / times.totalSeconds;
}
BENCHMARK(WholeTimeline)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// The median frame of one scene's window.
void SceneMedianFrame(benchmark::State& state, const char* sceneName)
{
    const std::optional<SceneTimes::Summary> summary = timelineTimes().sceneFrames.summary(sceneName);
    if (!summary) {
        state.SkipWithError("the scene never ran");
        return;
    }
    for (auto _ : state) state.SetIterationTime(summary->median);
    state.counters["frames"] = static_cast<double>(summary->frames);
    state.counters["slowest_ms"] = 1000.0 * summary->slowest;
}

void registerScenes()
{
    for (const TimelineEntry& entry : sceneTimeline) {
        benchmark::RegisterBenchmark(("SceneMedianFrame/" + std::string(entry.name)).c_str(), SceneMedianFrame,
                                     entry.name)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
}

// Two copies of a full 640N x 480N x 4-byte frame between separate buffers, as every frame does
// at the least (the background onto the screen, the screen to the window's display); no renderer
// can present a frame faster than this.
void FrameCopyFloor(benchmark::State& state)
{
    const size_t bytes = static_cast<size_t>(640 * benchScale) * (480 * benchScale) * 4;
    std::vector<uint8_t> background(bytes, 0x40), screen(bytes), display(bytes);
    for (auto _ : state) {
        std::memcpy(screen.data(), background.data(), bytes);
        std::memcpy(display.data(), screen.data(), bytes);
        benchmark::DoNotOptimize(display.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * static_cast<int64_t>(bytes));
}
BENCHMARK(FrameCopyFloor)->Unit(benchmark::kMicrosecond);

// A scene that draws nothing: the frame loop's own per-frame work alone.
class EmptyScene : public SceneHook {
public:
    explicit EmptyScene(bool trails) : trails_(trails) {}
    void runScene(FrameState& state, Surface&) override { state.fadeTrails = trails_; }

private:
    bool trails_;
};

// One frame of the frame loop around an empty scene at 640N x 480N (N the argument), presented to
// the headless console: at 10 s the background is restored and the picture shown; at 80 s, inside
// the star window, the previous frame is kept, shown and dimmed. Every full-frame pass a frame
// makes besides the drawing is in it, shared among --threads threads as the demo shares them.
void FrameLoopAlone(benchmark::State& state, double demoTime, bool trails)
{
    const int scale = static_cast<int>(state.range(0));
    const int width = 640 * scale, height = 480 * scale;
    HeadlessConsole console;
    console.open("frame loop", width, height, displayFormat32(), 0);
    ManualClock clock;
    Timer timer(clock);
    Surface screen(width, height), background(width, height);
    uint32_t* backgroundPixels = background.lock();
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) backgroundPixels[i] = 0x00406080u + (i & 0x1F);
    EmptyScene scene(trails);
    WorkerPool pool(benchThreads);
    FrameLoop loop{console, timer, screen, background, scene, FrameState{}};
    loop.pool = &pool;
    loop.scale = scale;
    loop.start();
    clock.set(demoTime);
    for (auto _ : state) {
        if (loop.step() != FrameResult::Presented) {
            state.SkipWithError("the frame was not presented");
            break;
        }
    }
}
BENCHMARK_CAPTURE(FrameLoopAlone, background, 10.0, false)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(FrameLoopAlone, trails, 80.0, true)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchThreads = takeThreadsOption(argc, argv);
    benchLanes = takeLanesOption(argc, argv);
    if (const char* scale = std::getenv("TEPPLE_SCALE"); scale != nullptr && *scale != '\0') {
        const std::optional<int> parsed = parseDemoScale(scale);
        if (!parsed) {
            std::fprintf(stderr, "TEPPLE_SCALE wants a whole number from 1 to %d, not '%s'\n", maxDemoScale, scale);
            return 2;
        }
        benchScale = *parsed;
    }
    registerScenes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
