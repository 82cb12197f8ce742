// Load time of large meshes: parsing from memory, reading from disk, and rebuilding the corner
// arrays as a deforming mesh does every frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "geometry/Mesh.h"

namespace tepple {

namespace {

// A rippled grid of columns x rows quads, two triangles each.
struct GridMesh {
    std::vector<Vertex> vertices;
    std::vector<int32_t> indices;
};

GridMesh makeGrid(int columns, int rows)
{
    GridMesh grid;
    for (int row = 0; row <= rows; ++row) {
        for (int column = 0; column <= columns; ++column) {
            Vertex vertex(static_cast<float>(column), static_cast<float>((column * 7 + row * 3) % 5) * 0.1f,
                          static_cast<float>(row), 0x00808080);
            vertex.texU = static_cast<float>(column) / static_cast<float>(columns);
            vertex.texV = static_cast<float>(row) / static_cast<float>(rows);
            grid.vertices.push_back(vertex);
        }
    }
    const int stride = columns + 1;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int32_t corner = row * stride + column;
            grid.indices.insert(grid.indices.end(), {corner, corner + 1, corner + stride});
            grid.indices.insert(grid.indices.end(), {corner + 1, corner + stride + 1, corner + stride});
        }
    }
    return grid;
}

// 250 x 200 quads: exactly 100,000 faces over 50,451 vertices, within the 16-bit index limit.
const GridMesh& largeGrid()
{
    static const GridMesh grid = makeGrid(250, 200);
    return grid;
}

void parseLargeMesh(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = encodeLsb(largeGrid().vertices, largeGrid().indices);
    for (auto _ : state) {
        Mesh mesh;
        mesh.parse(bytes.data(), bytes.size(), "grid.LSB");
        benchmark::DoNotOptimize(mesh.vertexNormals.data());
    }
    state.counters["faces"] = static_cast<double>(largeGrid().indices.size() / 3);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(parseLargeMesh)->Unit(benchmark::kMillisecond);

// From the file on disk (in the page cache after the first round) to a mesh ready to draw.
void loadLargeMeshFile(benchmark::State& state)
{
    const bool withCorners = state.range(0) != 0;
    const std::string path = "/tmp/tepple_bench_grid.LSB";
    writeLsbFile(path, largeGrid().vertices, largeGrid().indices);
    for (auto _ : state) {
        Mesh mesh;
        mesh.load(path);
        if (withCorners) mesh.buildCorners();
        benchmark::DoNotOptimize(mesh.vertexNormals.data());
    }
    std::remove(path.c_str());
    state.counters["faces"] = static_cast<double>(largeGrid().indices.size() / 3);
}
BENCHMARK(loadLargeMeshFile)->ArgName("buildCorners")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void computeNormalsLarge(benchmark::State& state)
{
    Mesh mesh;
    mesh.vertices = largeGrid().vertices;
    mesh.faceIndices = largeGrid().indices;
    mesh.vertexCount = static_cast<int32_t>(mesh.vertices.size());
    mesh.faceCount = static_cast<int32_t>(mesh.faceIndices.size() / 3);
    for (auto _ : state) {
        mesh.computeNormals();
        benchmark::DoNotOptimize(mesh.vertexNormals.data());
    }
}
BENCHMARK(computeNormalsLarge)->Unit(benchmark::kMillisecond);

// Again and again on one mesh, as a deforming mesh does every frame.
void buildCornersLarge(benchmark::State& state)
{
    const std::vector<uint8_t> bytes = encodeLsb(largeGrid().vertices, largeGrid().indices);
    Mesh mesh;
    mesh.parse(bytes.data(), bytes.size(), "grid.LSB");
    for (auto _ : state) {
        mesh.buildCorners();
        benchmark::DoNotOptimize(mesh.cornerPositions.data());
    }
}
BENCHMARK(buildCornersLarge)->Unit(benchmark::kMillisecond);

} // namespace

} // namespace tepple

BENCHMARK_MAIN();
