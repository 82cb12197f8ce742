#pragma once
// The whole demonstration: builds every object in start-up order, plays the timeline frame by
// frame and releases everything in its release order.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "driver/FrameLoop.h"
#include "driver/Scenes.h"
#include "geometry/Mesh.h"
#include "pixels/Messages.h"
#include "media/MusicPlayer.h"
#include "pixels/PixelToolkit.h"
#include "render/Renderer.h"
#include "render/ThreadCount.h"
#include "render/WorkerPool.h"

namespace tepple {

constexpr const char* windowTitle = "Tepple polygon engine";

// The largest scale the demonstration is drawn at: 2560 x 1920.
constexpr int maxDemoScale = 4;

// A scale from 1 to maxDemoScale written as one plain digit and nothing else; empty for anything
// else. The one reading of TEPPLE_SCALE, tepple-capture's --scale and the page's ?scale=.
std::optional<int> parseDemoScale(const std::string& text);

// The console could not open its window. what() carries the console's reason.
class WindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The start-up steps, in the order they run. Each is reported once it is done.
enum class StartupStep {
    DisplayFormat,
    ConsoleOpened,
    PlasmaTexture,
    ScreenSurface,
    FlareTexture,
    MushroomTexture,
    BackgroundSurface,
    DemoTimer,
    Renderer,
    MusicStarted,
    StarField,
    ColumnMesh,
    CentrePieceMesh,
    BouncerMesh,
    MushroomMeshes,
    KnotMesh,
    CapsuleMesh,
    SceneState,
    TimerStarted,
};

// What differs between the program, its tools and its tests.
struct DemoSetup {
    Console& console;        // opened by the demo; closed when the run ends
    Clock& clock;            // drives the demonstration timer
    MessageSink& messages;   // where a texture that cannot be loaded is reported
    // Given the soundtrack's path in the data folder; empty: silence.
    std::function<std::unique_ptr<MusicPlayer>(const std::string& path)> makeMusicPlayer;
    std::string dataFolder;  // prefix of every data file name; "" is the current directory
    std::optional<unsigned> starFieldSeed; // empty: seeded from the clock, different every run
    std::function<void(StartupStep)> onStartupStep; // optional observer of the start-up order
    // Threads the demo draws with (a WorkerPool lent to the renderer and the frame loop), at most
    // maxRenderThreads; 0: one per processor.
    int renderThreads = 0;
    // The picture is drawn 640N x 480N, the same demonstration sharper (Viewport::demo); 1 to
    // maxDemoScale.
    int scale = 1;
    // Rows the renderer draws side by side (Renderer::laneWidth): 0, the widest this processor
    // has. The pictures are the same at every width.
    int laneWidth = 0;
};

class Demo {
public:
    // Runs the whole start-up. Throws WindowError when the console cannot open and MeshError
    // (naming the file) when a mesh cannot be loaded; everything built so far is released and
    // the console is left open so the caller can report on it.
    explicit Demo(const DemoSetup& setup);
    // Closes the console if the run has not, then releases the meshes, timer and surfaces in
    // their release order, then the renderer, the procedural texture and the music player.
    ~Demo();
    Demo(const Demo&) = delete;
    Demo& operator=(const Demo&) = delete;

    // One frame. When it ends the run (key or end of timeline) the console is closed; from then
    // on step() draws nothing and returns the same result.
    FrameResult step();
    // Frames until the run ends; says how it ended.
    FrameResult run();

    // For tools and tests.
    FrameState& frame() { return loop_->state; }
    SceneState& sceneState() { return scenes_->state; }
    SceneObjects& objects() { return scenes_->objects; }
    Surface& screen() { return *screenSurface_; }
    bool ended() const { return ending_.has_value(); }

private:
    std::string dataPath(const char* name) const;
    void loadMesh(Mesh& mesh, const char* name);
    void report(StartupStep step);

    Console& console_;
    Format displayFormat_;
    std::function<void(StartupStep)> onStartupStep_;
    std::string dataFolder_;
    std::optional<FrameResult> ending_;

    // Declared in reverse release order, so that members are destroyed in the release order:
    // meshes from the capsule back to the star field, the timer, the surfaces, and last the
    // renderer, the procedural texture and the music player.
    std::unique_ptr<WorkerPool> pool_;
    std::unique_ptr<MusicPlayer> musicPlayer_;
    std::unique_ptr<Surface> plasmaTexture_;
    std::unique_ptr<Renderer> renderer_;
    std::unique_ptr<Surface> screenSurface_;
    std::unique_ptr<Surface> flareTexture_;
    std::unique_ptr<Surface> mushroomTexture_;
    std::unique_ptr<Surface> backgroundSurface_;
    std::unique_ptr<Timer> demoTimer_;
    std::unique_ptr<Mesh> starField_;
    std::unique_ptr<Mesh> column_;
    std::unique_ptr<Mesh> centrePiece_;
    std::unique_ptr<Mesh> bouncer_;
    std::unique_ptr<Mesh> mushroomCap_;
    std::unique_ptr<Mesh> mushroomStem_;
    std::unique_ptr<Mesh> knot_;
    std::unique_ptr<Mesh> capsule_;
    std::unique_ptr<SceneTimeline> scenes_;
    std::unique_ptr<FrameLoop> loop_;
};

} // namespace tepple
