// Throughput of each rasteriser on a fixed random list of triangles (or points) at 640 x 480:
// triangles per second and pixels per second, for small (~50 pixel) and medium (~200 pixel)
// triangles. Every iteration is one draw call on a fresh frame (the renderer's frame advances), as in
// the demo, so the depth test passes wherever the list itself does not overlap.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "ThreadsOption.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

using namespace tepple;

namespace {

constexpr int trianglesPerCall = 2000;
constexpr int pointsPerCall = 2000;
constexpr uint32_t seed = 1234567;

struct TriangleList {
    std::vector<Vertex> corners;
    std::vector<Vertex> normals;
    double pixels = 0; // summed screen areas
};

// Clockwise on screen, each of exactly `area` pixels, at depths 20 to 200 (inside the
// visibility window), with texture coordinates spanning the textures and lit-facing normals.
TriangleList randomTriangles(double area)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    TriangleList list;
    const double radius = std::sqrt(area) * 1.5;
    while (static_cast<int>(list.corners.size()) < 3 * trianglesPerCall) {
        double sx[3], sy[3];
        for (int i = 0; i < 3; ++i) {
            sx[i] = (unit(random) - 0.5) * 2 * radius;
            sy[i] = (unit(random) - 0.5) * 2 * radius;
        }
        const double twiceArea = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::abs(twiceArea) < 0.2 * radius * radius) continue; // no slivers
        const double scale = std::sqrt(area / (std::abs(twiceArea) / 2));
        if (twiceArea < 0) std::swap(sx[1], sx[2]), std::swap(sy[1], sy[2]);
        const double centreX = 40 + unit(random) * 560, centreY = 40 + unit(random) * 400;
        const float z = static_cast<float>(20 + unit(random) * 180);
        for (int i = 0; i < 3; ++i) {
            const double column = centreX + sx[i] * scale, row = centreY + sy[i] * scale;
            Vertex corner(static_cast<float>((column - 240) * z / 320), static_cast<float>((row - 240) * z / 320), z,
                          static_cast<uint32_t>(random()) & 0x00FFFFFF);
            corner.texU = corner.texU2 = static_cast<float>(unit(random));
            corner.texV = corner.texV2 = static_cast<float>(unit(random));
            list.corners.push_back(corner);
            list.normals.push_back(Vertex(0, 0, -1, 0));
        }
        list.pixels += area;
    }
    return list;
}

// Points whose sprites are about `area` pixels (side 50 / (z / 6)), wholly on screen.
TriangleList randomPoints(double area)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double side = std::sqrt(area);
    const float z = static_cast<float>(6 * 50 / side);
    TriangleList list;
    for (int i = 0; i < pointsPerCall; ++i) {
        const double column = unit(random) * (600 - side), row = unit(random) * (440 - side);
        list.corners.push_back(Vertex(static_cast<float>((column - 240) * z / 320),
                                      static_cast<float>((row - 240) * z / 320), z,
                                      static_cast<uint32_t>(random()) & 0x00FFFFFF));
    }
    const int drawnSide = static_cast<int>(50.0 / (z * static_cast<double>(0.16666667f)));
    list.pixels = static_cast<double>(pointsPerCall) * drawnSide * drawnSide;
    return list;
}

std::unique_ptr<Surface> noiseTexture()
{
    auto texture = std::make_unique<Surface>(255, 255);
    std::mt19937 random(seed);
    uint32_t* texels = texture->lock();
    for (int i = 0; i < 255 * 255; ++i) texels[i] = static_cast<uint32_t>(random()) & 0x00FFFFFF;
    return texture;
}

enum class Blend { off, on };

int benchThreads = 1; // --threads
int benchLanes = 0;    // --lanes

void runRasteriser(benchmark::State& state, int mode, const TriangleList& list, Blend blend)
{
    const auto renderer = std::make_unique<Renderer>(Viewport::demo());
    WorkerPool pool(benchThreads);
    renderer->setPool(&pool);
    renderer->laneWidth = benchLanes;
    const auto texture = noiseTexture();
    Surface screen(screenWidth, screenHeight);
    renderer->setTexture(texture.get());
    renderer->setSecondTexture(texture.get());
    renderer->addLight(Light(Vertex(0, 0, -30, 0), 40.0f, 40.0f, 40.0f));
    renderer->blendMode = blend == Blend::on ? 1 : 0;
    renderer->setVertexBuffers(list.corners.data(), mode == 3 ? nullptr : list.normals.data(), list.corners.size());
    for (auto _ : state) {
        renderer->nextFrame();
        renderer->draw(static_cast<DrawMode>(mode), screen);
        benchmark::DoNotOptimize(screen.pixels());
    }
    const double items = mode == 3 ? pointsPerCall : trianglesPerCall;
    state.counters[mode == 3 ? "points/s" : "triangles/s"] =
        benchmark::Counter(items, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pixels/s"] = benchmark::Counter(list.pixels, benchmark::Counter::kIsIterationInvariantRate);
}

const TriangleList& smallTriangles()
{
    static const TriangleList list = randomTriangles(50);
    return list;
}

const TriangleList& mediumTriangles()
{
    static const TriangleList list = randomTriangles(200);
    return list;
}

const TriangleList& smallSprites()
{
    static const TriangleList list = randomPoints(50);
    return list;
}

const TriangleList& mediumSprites()
{
    static const TriangleList list = randomPoints(200);
    return list;
}

void Gouraud(benchmark::State& state)
{
    runRasteriser(state, 0, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::off);
}
void GouraudBlended(benchmark::State& state)
{
    runRasteriser(state, 0, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::on);
}
void Textured(benchmark::State& state)
{
    runRasteriser(state, 1, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::off);
}
void TexturedBlended(benchmark::State& state)
{
    runRasteriser(state, 1, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::on);
}
void DualTextured(benchmark::State& state)
{
    runRasteriser(state, 2, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::off);
}
void Sprites(benchmark::State& state)
{
    runRasteriser(state, 3, state.range(0) == 50 ? smallSprites() : mediumSprites(), Blend::off);
}
void Flat(benchmark::State& state)
{
    runRasteriser(state, 4, state.range(0) == 50 ? smallTriangles() : mediumTriangles(), Blend::off);
}

// The argument is the approximate pixel count of one triangle or sprite.
BENCHMARK(Gouraud)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(GouraudBlended)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(Textured)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(TexturedBlended)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(DualTextured)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sprites)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(Flat)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    benchThreads = takeThreadsOption(argc, argv);
    benchLanes = takeLanesOption(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
