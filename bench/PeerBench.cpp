// Our textured rasteriser beside a real peer, Mesa's llvmpipe through OSMesa, drawing the same
// camera-space triangle lists into a frame with a depth test and the same 256 x 256 texture, in the
// same run, at two sizes: 640 x 480 (the demo's viewport; benchmarks named Ours/<list> and
// Llvmpipe/<list>) and 1920 x 1440 (the demo's viewport at 3x, the peer's projection the same;
// named Ours/<list>/1920x1440 and Llvmpipe/<list>/1920x1440). The same list covers the same share
// of either frame, so about 9 times the pixels at the larger size. One iteration is one frame:
// clear, every draw call of the list, and (for the peer) glFinish. The peer's thread count comes
// from LP_NUM_THREADS, read once when the first context is made (0: single-threaded; unset: one
// thread per core); scripts/bench.sh runs this program with 0 and with 2.
//
// The lists: the GridScene's 64 lit textured columns and the CapsuleScene's two translucent
// capsule draws, both as the scenes first draw them from the generated data, and 2000 random
// textured triangles of about 188 pixels at 640 x 480. Lighting is worked out once beforehand for
// the peer (as vertex colours modulating the texture), while ours lights every corner each frame as
// the demo does. The pixels differ (different rules for edges, texel centres and blending): this compares
// speed on the same work, not pictures; the pixels each side covered are reported to show the work
// matched, with the frame time per covered pixel (ns_per_px) to compare the sizes.
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ThreadsOption.h"
#include "driver/Scenes.h"
#include "geometry/Lighting.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"
#include "media/ProceduralTexture.h"
#include "render/MeshDraw.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

using namespace tepple;

namespace {

// One draw call: camera-space corners, three per triangle, with their normals and flags.
struct DrawCall {
    std::vector<Vertex> corners;
    std::vector<Vertex> normals;
    std::vector<Light> lights;
    bool blend = false;
    bool cull = true;
};

struct Workload {
    std::string name;
    std::vector<DrawCall> calls;
    int triangles() const
    {
        int total = 0;
        for (const DrawCall& call : calls) total += static_cast<int>(call.corners.size() / 3);
        return total;
    }
};

std::string runPath(const char* name) { return std::string(TEPPLE_RUN_DIR) + "/" + name; }

Vertex point(float x, float y, float z) { return Vertex(x, y, z, 0); }

// The camera-space arrays a mesh's draw would hand the renderer, with its matrices as they are.
DrawCall transformed(Mesh& mesh, Renderer& renderer)
{
    Surface unused(1, 1);
    drawMesh(renderer, mesh, unused, static_cast<DrawMode>(-1)); // a mode that transforms and draws nothing
    DrawCall call;
    // Handed over corner by corner, as the peer draws them.
    const bool indexed = !renderer.indices.empty();
    const size_t corners = indexed ? renderer.indices.size() : renderer.positions.size();
    for (size_t k = 0; k < corners; ++k) {
        const size_t vertex = indexed ? static_cast<size_t>(renderer.indices[k]) : k;
        call.corners.push_back(renderer.positions[vertex]);
        call.normals.push_back(renderer.normals[vertex]);
    }
    return call;
}

std::unique_ptr<Renderer> sceneRenderer(float eyeZ)
{
    auto renderer = std::make_unique<Renderer>(Viewport::demo());
    setIdentityOnesColumn(renderer->viewMatrix);
    setIdentityOnesColumn(renderer->worldMatrix);
    lookAt(renderer->viewMatrix, point(0, 0, 0), point(0, 0, eyeZ));
    return renderer;
}

// The 64 columns at their start-up places and heights, lit as the GridScene lights them.
Workload gridWorkload()
{
    Mesh column;
    column.load(runPath("Shape1.LSB"));
    for (Vertex& v : column.vertices) std::swap(v.y, v.z); // stood upright, as at start-up
    column.buildCorners();
    auto renderer = sceneRenderer(-85.0f);
    const SceneState startUp;
    Workload workload{"GridScene", {}};
    for (int i = 0; i < gridColumns; ++i) {
        column.modelMatrix = startUp.gridPosition[i];
        column.drawMatrix = startUp.gridScale[i];
        DrawCall call = transformed(column, *renderer);
        call.lights = {Light(point(0, 0, 50), 13.1f, 13.1f, 13.1f)};
        workload.calls.push_back(std::move(call));
    }
    return workload;
}

// The capsule at scale 1 and 2, translucent and unlit, as the CapsuleScene draws it.
Workload capsuleWorkload()
{
    Mesh capsule;
    capsule.load(runPath("capsule.LSB"));
    capsule.buildCorners();
    auto renderer = sceneRenderer(-235.0f);
    Workload workload{"CapsuleScene", {}};
    for (float scale : {1.0f, 2.0f}) {
        scaling(capsule.drawMatrix, scale, scale, scale);
        DrawCall call = transformed(capsule, *renderer);
        call.blend = true;
        call.cull = true;
        workload.calls.push_back(std::move(call));
    }
    return workload;
}

// 2000 lit textured triangles of about 188 pixels, clockwise on screen, at depths 20 to 200.
Workload randomWorkload()
{
    std::mt19937 random(20261207);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    DrawCall call;
    call.lights = {Light(point(0, 0, 70), 13.1f, 13.1f, 13.1f)};
    const double side = std::sqrt(2 * 188.0);
    while (call.corners.size() < 3 * 2000) {
        const double column = 20 + unit(random) * 600, row = 20 + unit(random) * 440;
        const float z = static_cast<float>(20 + unit(random) * 180);
        // A right triangle with legs of `side` pixels, turned at random, clockwise on screen.
        const double angle = unit(random) * 6.283185307179586;
        const double offsets[3][2] = {{0, 0}, {side * std::cos(angle), side * std::sin(angle)},
                                      {-side * std::sin(angle), side * std::cos(angle)}};
        for (const auto& offset : offsets) {
            Vertex corner(static_cast<float>((column + offset[0] - 240) * z / 320),
                          static_cast<float>((row + offset[1] - 240) * z / 320), z, 0x00FFFFFF);
            corner.texU = static_cast<float>(unit(random));
            corner.texV = static_cast<float>(unit(random));
            call.corners.push_back(corner);
            call.normals.push_back(point(0, 0, 1));
        }
    }
    return Workload{"Random2000", {call}};
}

const std::vector<Workload>& workloads()
{
    static const std::vector<Workload> all = {gridWorkload(), capsuleWorkload(), randomWorkload()};
    return all;
}

const Workload& workloadNamed(const std::string& name)
{
    for (const Workload& workload : workloads()) {
        if (workload.name == name) return workload;
    }
    throw std::invalid_argument("no workload " + name);
}

Surface& plasma()
{
    static Surface texture = [] {
        Surface made(256, 256);
        generateTexture(made);
        return made;
    }();
    return texture;
}

// The frame sizes compared: the demo's picture at 1x and at 3x.
constexpr int frameScales[] = {1, 3};
int frameWidth(int scale) { return 640 * scale; }
int frameHeight(int scale) { return 480 * scale; }

int coveredPixels(const uint32_t* pixels, int scale, uint32_t mask)
{
    const int count = frameWidth(scale) * frameHeight(scale);
    int covered = 0;
    for (int i = 0; i < count; ++i) covered += (pixels[i] & mask) != 0 ? 1 : 0;
    return covered;
}

// Runs frame() once per iteration and gives the wall time of one, in nanoseconds.
template <class Frame>
double timeFrames(benchmark::State& state, Frame&& frame)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) frame();
    const auto duration = std::chrono::steady_clock::now() - start;
    const double elapsed = std::chrono::duration<double, std::nano>(duration).count();
    return state.iterations() > 0 ? elapsed / static_cast<double>(state.iterations()) : 0.0;
}

// What every benchmark reports: the list's triangles, the pixels the finished frame covers, and
// the frame's wall time per covered pixel.
void reportWork(benchmark::State& state, const Workload& workload, int pixels, double frameNanoseconds)
{
    state.counters["triangles"] = workload.triangles();
    state.counters["pixels"] = pixels;
    state.counters["ns_per_px"] = pixels > 0 ? frameNanoseconds / pixels : 0.0;
}

// --- ours -----------------------------------------------------------------------------------

int ourThreads = 1; // --threads
int ourLanes = 0; // --lanes

void drawOurs(Renderer& renderer, Surface& screen, const Workload& workload)
{
    screen.clear();
    renderer.nextFrame(); // every earlier depth key goes stale: the depth buffer needs no clearing
    for (const DrawCall& call : workload.calls) {
        renderer.blendMode = call.blend ? 1 : 0;
        renderer.backfaceCull = call.cull ? 1 : 0;
        renderer.clearLights();
        for (const Light& light : call.lights) renderer.addLight(light);
        renderer.setVertexBuffers(call.corners.data(), call.normals.data(), call.corners.size());
        renderer.drawTextured(screen);
    }
    renderer.flush(); // the frame's calls were kept: this draws them, strip by strip
}

void Ours(benchmark::State& state, const char* name, int scale)
{
    const Workload& workload = workloadNamed(name);
    auto renderer = std::make_unique<Renderer>(Viewport::demo(scale));
    WorkerPool pool(ourThreads);
    renderer->setPool(&pool);
    renderer->laneWidth = ourLanes;
    renderer->keepFrame = 1; // as the demo does: the pool is handed one frame, not each call
    renderer->setTexture(&plasma());
    Surface screen(frameWidth(scale), frameHeight(scale));
    const double frameNanoseconds = timeFrames(state, [&] {
        drawOurs(*renderer, screen, workload);
        benchmark::DoNotOptimize(screen.lock());
    });
    reportWork(state, workload, coveredPixels(screen.pixels(), scale, 0x00FFFFFF), frameNanoseconds);
}

// --- the peer -------------------------------------------------------------------------------

// A context of its own for each frame size, each with its own frame, depth buffer and texture.
class PeerContext {
public:
    explicit PeerContext(int scale)
        : scale_(scale), frame_(static_cast<size_t>(frameWidth(scale)) * frameHeight(scale))
    {
        const int attributes[] = {OSMESA_FORMAT, OSMESA_BGRA, OSMESA_DEPTH_BITS, 24, OSMESA_PROFILE,
                                  OSMESA_COMPAT_PROFILE, 0};
        context_ = OSMesaCreateContextAttribs(attributes, nullptr);
        if (context_ == nullptr) throw std::runtime_error("OSMesa could not make a context");
        makeCurrent();
        OSMesaPixelStore(OSMESA_Y_UP, 0);
        glViewport(0, 0, frameWidth(scale), frameHeight(scale));
        loadProjection();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
        glBlendColor(0, 0, 0, 0.5f);
        glFrontFace(GL_CW); // ours keeps triangles that run clockwise on screen
        glCullFace(GL_BACK);
        loadTexture();
    }
    ~PeerContext() { OSMesaDestroyContext(context_); }
    PeerContext(const PeerContext&) = delete;
    PeerContext& operator=(const PeerContext&) = delete;

    // Draws from now on go to this context's frame.
    void makeCurrent()
    {
        if (!OSMesaMakeCurrent(context_, frame_.data(), GL_UNSIGNED_BYTE, frameWidth(scale_),
                               frameHeight(scale_))) {
            throw std::runtime_error("OSMesa could not draw into a " + std::to_string(frameWidth(scale_)) +
                                     " x " + std::to_string(frameHeight(scale_)) + " frame");
        }
    }

    const uint32_t* frame() const { return frame_.data(); }

private:
    // Camera space to clip space so that the picture lands where ours does: column
    // x / z x 320N + 240N and row y / z x 320N + 240N (rows down) in a 640N x 480N frame, depth over
    // our visible 10 to 1000. Clip coordinates are relative to the frame, so one matrix serves
    // every N.
    static void loadProjection()
    {
        const float nearZ = 10.0f, farZ = 1000.0f;
        const float a = (farZ + nearZ) / (farZ - nearZ);
        const float b = -2.0f * farZ * nearZ / (farZ - nearZ);
        // Column-major: x_clip = x - 0.25 z, y_clip = -(4/3) y, z_clip = a z + b, w_clip = z.
        const GLfloat projection[16] = {1, 0, 0, 0, 0, -4.0f / 3.0f, 0, 0, -0.25f, 0, a, 1, 0, 0, b, 0};
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    void loadTexture()
    {
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, plasma().pixels());
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_TEXTURE_2D);
    }

    int scale_;
    std::vector<uint32_t> frame_;
    OSMesaContext context_ = nullptr;
    GLuint texture_ = 0;
};

// A draw call as the peer takes it: interleaved position, texture coordinate and colour.
struct PeerCall {
    std::vector<GLfloat> positions;
    std::vector<GLfloat> texCoords;
    std::vector<GLubyte> colours; // red, green, blue, alpha per corner
    bool blend;
    bool cull;
};

std::vector<PeerCall> peerCalls(const Workload& workload)
{
    std::vector<PeerCall> calls;
    for (const DrawCall& call : workload.calls) {
        PeerCall peer{{}, {}, {}, call.blend, call.cull && !call.blend};
        for (size_t i = 0; i < call.corners.size(); ++i) {
            const Vertex& corner = call.corners[i];
            peer.positions.insert(peer.positions.end(), {corner.x, corner.y, corner.z});
            peer.texCoords.insert(peer.texCoords.end(), {corner.texU, corner.texV});
            const int lightCount = static_cast<int>(call.lights.size());
            const uint32_t lit = call.lights.empty()
                                     ? 0x00FFFFFF
                                     : lightVertex(call.lights.data(), lightCount, corner, call.normals[i],
                                                   0x00FFFFFF);
            peer.colours.insert(peer.colours.end(), {static_cast<GLubyte>(redOf(lit)),
                                                     static_cast<GLubyte>(greenOf(lit)),
                                                     static_cast<GLubyte>(blueOf(lit)), 255});
        }
        calls.push_back(std::move(peer));
    }
    return calls;
}

void drawPeer(const std::vector<PeerCall>& calls)
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const PeerCall& call : calls) {
        if (call.blend) glEnable(GL_BLEND); else glDisable(GL_BLEND);
        if (call.cull) glEnable(GL_CULL_FACE); else glDisable(GL_CULL_FACE);
        glVertexPointer(3, GL_FLOAT, 0, call.positions.data());
        glTexCoordPointer(2, GL_FLOAT, 0, call.texCoords.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, call.colours.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(call.positions.size() / 3));
    }
    glFinish();
}

// The context for frames at `scale`, made current.
PeerContext& peer(int scale)
{
    static std::map<int, std::unique_ptr<PeerContext>> contexts;
    std::unique_ptr<PeerContext>& context = contexts[scale];
    if (!context) context = std::make_unique<PeerContext>(scale);
    context->makeCurrent();
    return *context;
}

void Llvmpipe(benchmark::State& state, const char* name, int scale)
{
    const Workload& workload = workloadNamed(name);
    const std::vector<PeerCall> calls = peerCalls(workload);
    PeerContext& context = peer(scale);
    const double frameNanoseconds = timeFrames(state, [&] { drawPeer(calls); });
    reportWork(state, workload, coveredPixels(context.frame(), scale, 0x00FFFFFF), frameNanoseconds);
}

// --- the ratio ------------------------------------------------------------------------------

// The usual console table, then one line per workload: how many times faster ours is.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a saved log stays plain text.
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // "Ours/GridScene" or "Ours/GridScene/1920x1440", without decorations
            const std::string name = run.run_name.function_name;
            const size_t slash = name.find('/');
            if (slash == std::string::npos || run.error_occurred) continue;
            const auto pixels = run.counters.find("ns_per_px");
            Side& side = sides_[name.substr(slash + 1)][name.substr(0, slash)];
            side.milliseconds = run.GetAdjustedRealTime();
            side.nanosecondsPerPixel = pixels == run.counters.end() ? 0.0 : pixels->second.value;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const char* threads = std::getenv("LP_NUM_THREADS");
        std::printf("\nllvmpipe threads: %s; ours: %d\n", threads ? threads : "unset (one per core)",
                    ourThreads);
        for (const auto& [workload, sides] : sides_) {
            const auto ours = sides.find("Ours");
            const auto theirs = sides.find("Llvmpipe");
            if (ours == sides.end() || theirs == sides.end() || ours->second.milliseconds <= 0) continue;
            std::printf("%-22s ours %8.3f ms (%6.2f ns/px), llvmpipe %8.3f ms (%6.2f ns/px) per frame: "
                        "ours is %.2fx llvmpipe's speed\n",
                        workload.c_str(), ours->second.milliseconds, ours->second.nanosecondsPerPixel,
                        theirs->second.milliseconds, theirs->second.nanosecondsPerPixel,
                        theirs->second.milliseconds / ours->second.milliseconds);
        }
    }

private:
    struct Side {
        double milliseconds = 0.0;        // per frame
        double nanosecondsPerPixel = 0.0; // per frame and covered pixel
    };
    std::map<std::string, std::map<std::string, Side>> sides_; // workload -> side ("Ours", "Llvmpipe")
};

void registerAll()
{
    for (const int scale : frameScales) {
        const std::string size = scale == 1 ? ""
                                            : "/" + std::to_string(frameWidth(scale)) + "x" +
                                                  std::to_string(frameHeight(scale));
        for (const char* name : {"GridScene", "CapsuleScene", "Random2000"}) {
            // Wall time: the peer's worker threads do their work outside this thread's CPU time.
            benchmark::RegisterBenchmark(("Ours/" + std::string(name) + size).c_str(), Ours, name, scale)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
            const std::string peerName = "Llvmpipe/" + std::string(name) + size;
            benchmark::RegisterBenchmark(peerName.c_str(), Llvmpipe, name, scale)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    ourThreads = takeThreadsOption(argc, argv);
    ourLanes = takeLanesOption(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("peer", reinterpret_cast<const char*>(
                                            (peer(1), glGetString(GL_RENDERER))));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
