// Our textured rasteriser beside a real peer, Mesa's llvmpipe through OSMesa, drawing the same
// camera-space triangle lists into a 640 x 480 frame with a depth test and the same 256 x 256
// texture, in the same run. One iteration is one frame: clear, every draw call of the list, and
// (for the peer) glFinish. The peer's thread count comes from LP_NUM_THREADS, read once when the
// first context is made (0: single-threaded; unset: one thread per core); scripts/bench.sh runs
// this program with 0 and with 2.
//
// The lists: the GridScene's 64 lit textured columns and the CapsuleScene's two translucent
// capsule draws, both as the scenes first draw them from the generated data, and 2000 random
// textured triangles of about 188 pixels. Lighting is worked out once beforehand for the peer (as
// vertex colours modulating the texture), while ours lights every corner each frame as the demo
// does. The pixels differ (different rules for edges, texel centres and blending): this compares
// speed on the same work, not pictures; the pixels each side covered are reported to show the work
// matched.
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

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
    const size_t corners = 3 * static_cast<size_t>(mesh.faceCount);
    // Handed over corner by corner, as the peer draws them.
    for (size_t k = 0; k < corners; ++k) {
        const size_t vertex = static_cast<size_t>(mesh.faceIndices[k]);
        call.corners.push_back(mesh.outVertices[vertex]);
        call.normals.push_back(mesh.outVertexNormals[vertex]);
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

int coveredPixels(const uint32_t* pixels, uint32_t mask)
{
    int count = 0;
    for (int i = 0; i < 640 * 480; ++i) count += (pixels[i] & mask) != 0 ? 1 : 0;
    return count;
}

// --- ours -----------------------------------------------------------------------------------

int ourThreads = 1; // --threads

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
}

void Ours(benchmark::State& state, const char* name)
{
    const Workload& workload = workloadNamed(name);
    auto renderer = std::make_unique<Renderer>(Viewport::demo());
    WorkerPool pool(ourThreads);
    renderer->setPool(&pool);
    renderer->setTexture(&plasma());
    Surface screen(640, 480);
    for (auto _ : state) {
        drawOurs(*renderer, screen, workload);
        benchmark::DoNotOptimize(screen.lock());
    }
    state.counters["triangles"] = workload.triangles();
    state.counters["pixels"] = coveredPixels(screen.pixels(), 0x00FFFFFF);
}

// --- the peer -------------------------------------------------------------------------------

class PeerContext {
public:
    PeerContext() : frame_(640 * 480)
    {
        const int attributes[] = {OSMESA_FORMAT, OSMESA_BGRA, OSMESA_DEPTH_BITS, 24, OSMESA_PROFILE,
                                  OSMESA_COMPAT_PROFILE, 0};
        context_ = OSMesaCreateContextAttribs(attributes, nullptr);
        if (context_ == nullptr || !OSMesaMakeCurrent(context_, frame_.data(), GL_UNSIGNED_BYTE, 640, 480)) {
            throw std::runtime_error("OSMesa could not make a 640 x 480 context");
        }
        OSMesaPixelStore(OSMESA_Y_UP, 0);
        glViewport(0, 0, 640, 480);
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

    const uint32_t* frame() const { return frame_.data(); }

private:
    // Camera space to clip space so that the picture lands where ours does: column
    // x / z x 320 + 240 and row y / z x 320 + 240 (rows down), depth over our visible 10 to 1000.
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
            const uint32_t lit = call.lights.empty()
                                     ? 0x00FFFFFF
                                     : lightVertex(call.lights.data(), static_cast<int>(call.lights.size()), corner,
                                                   call.normals[i], 0x00FFFFFF);
            peer.colours.insert(peer.colours.end(), {static_cast<GLubyte>(redOf(lit)), static_cast<GLubyte>(greenOf(lit)),
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

PeerContext& peer()
{
    static PeerContext context;
    return context;
}

void Llvmpipe(benchmark::State& state, const char* name)
{
    const Workload& workload = workloadNamed(name);
    const std::vector<PeerCall> calls = peerCalls(workload);
    PeerContext& context = peer();
    for (auto _ : state) drawPeer(calls);
    state.counters["triangles"] = workload.triangles();
    state.counters["pixels"] = coveredPixels(context.frame(), 0x00FFFFFF);
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
            const std::string name = run.run_name.function_name; // "Ours/GridScene", without decorations
            const size_t slash = name.find('/');
            if (slash == std::string::npos || run.error_occurred) continue;
            times_[name.substr(slash + 1)][name.substr(0, slash)] = run.GetAdjustedRealTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const char* threads = std::getenv("LP_NUM_THREADS");
        std::printf("\nllvmpipe threads: %s; ours: %d\n", threads ? threads : "unset (one per core)", ourThreads);
        for (const auto& [workload, sides] : times_) {
            const auto ours = sides.find("Ours");
            const auto theirs = sides.find("Llvmpipe");
            if (ours == sides.end() || theirs == sides.end() || ours->second <= 0) continue;
            std::printf("%-14s ours %8.3f ms, llvmpipe %8.3f ms per frame: ours is %.2fx llvmpipe's speed\n",
                        workload.c_str(), ours->second, theirs->second, theirs->second / ours->second);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times_; // workload -> side -> ms per frame
};

void registerAll()
{
    for (const char* name : {"GridScene", "CapsuleScene", "Random2000"}) {
        // Wall time: the peer's worker threads do their work outside this thread's CPU time.
        benchmark::RegisterBenchmark((std::string("Ours/") + name).c_str(), Ours, name)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Llvmpipe/") + name).c_str(), Llvmpipe, name)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    ourThreads = takeThreadsOption(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("peer", reinterpret_cast<const char*>(
                                            (peer(), glGetString(GL_RENDERER))));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
