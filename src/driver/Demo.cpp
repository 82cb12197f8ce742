#include "driver/Demo.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "geometry/DataFile.h"
#include "geometry/MeshFile.h"
#include "geometry/StarField.h"
#include "media/DataFiles.h"
#include "media/ProceduralTexture.h"
#include "media/Resample.h"
#include "media/Tga.h"
#include "render/Viewport.h"

namespace tepple {

namespace {

constexpr int starCount = 100;
constexpr float starBaseDepth = 0.0f;

// Y and z of every vertex exchanged: the column file stands on its side.
void standUpright(Mesh& mesh)
{
    for (Vertex& v : mesh.vertices) std::swap(v.y, v.z);
}

} // namespace

Demo::Demo(const DemoSetup& setup)
    : console_(setup.console),
      displayFormat_(displayFormat32()),
      onStartupStep_(setup.onStartupStep),
      dataFolder_(setup.dataFolder)
{
    if (!dataFolder_.empty() && dataFolder_.back() != '/' && dataFolder_.back() != tepple::folderSeparator) {
        dataFolder_ += tepple::folderSeparator;
    }

    report(StartupStep::DisplayFormat);

    if (setup.scale < 1 || setup.scale > maxDemoScale) {
        throw std::invalid_argument("the scale must be from 1 to " + std::to_string(maxDemoScale) + ", not " +
                                    std::to_string(setup.scale));
    }
    const Viewport viewport = Viewport::demo(setup.scale);
    if (!console_.open(windowTitle, viewport.width, viewport.height, displayFormat_, 0)) {
        throw WindowError("cannot open the window: " + console_.lastError());
    }
    report(StartupStep::ConsoleOpened);

    plasmaTexture_ = std::make_unique<Surface>(256, 256);
    generateTexture(*plasmaTexture_);
    report(StartupStep::PlasmaTexture);

    screenSurface_ = std::make_unique<Surface>(viewport.width, viewport.height);
    report(StartupStep::ScreenSurface);

    flareTexture_ = std::make_unique<Surface>(255, 255);
    loadTga(dataPath(dataFiles::flareTexture).c_str(), *flareTexture_, setup.messages);
    report(StartupStep::FlareTexture);

    mushroomTexture_ = std::make_unique<Surface>(255, 255);
    loadTga(dataPath(dataFiles::mushroomTexture).c_str(), *mushroomTexture_, setup.messages);
    report(StartupStep::MushroomTexture);

    backgroundSurface_ = std::make_unique<Surface>(screenWidth, screenHeight);
    loadTga(dataPath(dataFiles::background).c_str(), *backgroundSurface_, setup.messages);
    if (setup.scale > 1) {
        // The background comes at 640 x 480 only: enlarged smoothly, so it shows no blocks.
        auto enlarged = std::make_unique<Surface>(viewport.width, viewport.height);
        enlargeSmoothly(*backgroundSurface_, *enlarged);
        backgroundSurface_ = std::move(enlarged);
    }
    report(StartupStep::BackgroundSurface);

    demoTimer_ = std::make_unique<Timer>(setup.clock);
    report(StartupStep::DemoTimer);

    // The demo owns the threads and lends them to the renderer and the frame loop.
    int threads = setup.renderThreads;
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    pool_ = std::make_unique<WorkerPool>(std::min(threads, maxRenderThreads));
    renderer_ = std::make_unique<Renderer>(viewport);
    renderer_->setPool(pool_.get());
    renderer_->laneWidth = setup.laneWidth;
    // A frame is many small calls: its strips are handed out once, when the loop shows it.
    renderer_->keepFrame = 1;
    report(StartupStep::Renderer);

    // The soundtrack plays from here, while the meshes are still being read.
    if (setup.makeMusicPlayer) musicPlayer_ = setup.makeMusicPlayer(dataPath(dataFiles::soundtrack));
    if (musicPlayer_) musicPlayer_->start();
    report(StartupStep::MusicStarted);

    starField_ = std::make_unique<Mesh>();
    if (setup.starFieldSeed) {
        makeStarField(*starField_, starCount, starBaseDepth, *setup.starFieldSeed);
    } else {
        makeStarField(*starField_, starCount, starBaseDepth);
    }
    report(StartupStep::StarField);

    column_ = std::make_unique<Mesh>();
    loadMesh(*column_, dataFiles::columnMesh);
    standUpright(*column_);
    column_->buildCorners();
    report(StartupStep::ColumnMesh);

    centrePiece_ = std::make_unique<Mesh>();
    loadMesh(*centrePiece_, dataFiles::centrePieceMesh);
    centrePiece_->buildCorners();
    report(StartupStep::CentrePieceMesh);

    bouncer_ = std::make_unique<Mesh>();
    loadMesh(*bouncer_, dataFiles::bouncerMesh);
    bouncer_->buildCorners();
    report(StartupStep::BouncerMesh);

    mushroomCap_ = std::make_unique<Mesh>();
    mushroomStem_ = std::make_unique<Mesh>();
    loadMesh(*mushroomStem_, dataFiles::mushroomStemMesh);
    loadMesh(*mushroomCap_, dataFiles::mushroomCapMesh);
    mushroomStem_->buildCorners();
    mushroomCap_->buildCorners();
    report(StartupStep::MushroomMeshes);

    knot_ = std::make_unique<Mesh>();
    loadMesh(*knot_, dataFiles::knotMesh);
    knot_->buildCorners();
    report(StartupStep::KnotMesh);

    capsule_ = std::make_unique<Mesh>();
    loadMesh(*capsule_, dataFiles::capsuleMesh);
    capsule_->buildCorners();
    report(StartupStep::CapsuleMesh);

    setIdentityOnesColumn(renderer_->viewMatrix);
    setIdentityOnesColumn(renderer_->worldMatrix);
    scenes_ = std::make_unique<SceneTimeline>(SceneObjects{
        *renderer_, *plasmaTexture_, *flareTexture_, *mushroomTexture_, *starField_, *column_, *centrePiece_,
        *bouncer_, *mushroomCap_, *mushroomStem_, *knot_, *capsule_});
    loop_.reset(new FrameLoop{console_, *demoTimer_, *screenSurface_, *backgroundSurface_, *scenes_,
                              FrameState{}});
    loop_->pool = pool_.get();
    loop_->renderer = renderer_.get();
    loop_->scale = setup.scale;
    report(StartupStep::SceneState);

    // The timeline starts only now, after all loading; the music has been playing for a while.
    loop_->start();
    report(StartupStep::TimerStarted);
}

Demo::~Demo()
{
    if (!ending_) console_.close();
}

FrameResult Demo::step()
{
    if (ending_) return *ending_;
    const FrameResult result = loop_->step();
    if (result != FrameResult::Presented) {
        console_.close();
        ending_ = result;
    }
    return result;
}

FrameResult Demo::run()
{
    FrameResult result = step();
    while (result == FrameResult::Presented) result = step();
    return result;
}

std::string Demo::dataPath(const char* name) const { return dataFolder_ + name; }

void Demo::loadMesh(Mesh& mesh, const char* name) { mesh.load(dataPath(name)); }

void Demo::report(StartupStep step)
{
    if (onStartupStep_) onStartupStep_(step);
}

std::optional<int> parseDemoScale(const std::string& text)
{
    if (text.size() != 1 || text[0] < '1' || text[0] > '0' + maxDemoScale) return std::nullopt;
    return text[0] - '0';
}

} // namespace tepple
