// The model loaders as tepple-render calls them: loadModel on a file, then giveNormals. The first
// byte picks the format (its extension: GLB, STL or glTF), the rest is the file. PLY and OBJ are
// left out: assimp 5.2's PLY parser faults within seconds on mutated headers, which tepple-render
// contains by drawing in a process of its own (tests/models/parser-fault.ply); a fuzzer stopping
// at that fault every run would find nothing else. Any input must end in a model that
// passes the loader's own promises (indices inside the vertices, finite coordinates, at least one
// triangle, normals one per vertex or flat) or in ModelError; never in a crash or a sanitizer
// report.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "models/Model.h"

namespace {

const char* const extensions[] = {".glb", ".stl", ".gltf"};

const std::string& fileStem()
{
    static const std::string stem = "/tmp/tepple-model-fuzz-" + std::to_string(getpid());
    return stem;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const std::string path = fileStem() + extensions[data[0] % 3];
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
    tepple::ModelLimits limits;
    limits.memoryBytes = 256u << 20;
    limits.maxTextureSide = 512;
    try {
        tepple::Model model = tepple::loadModel(path, limits);
        tepple::giveNormals(model, static_cast<tepple::NormalRule>(data[0] / 3 % 3));
        if (model.meshes.empty()) std::abort();
        for (const tepple::ModelMesh& mesh : model.meshes) {
            if (!mesh.flat && mesh.normals.size() != mesh.vertices.size()) std::abort();
            if (mesh.indices.size() % 3 != 0) std::abort();
            for (int32_t index : mesh.indices) {
                if (index < 0 || static_cast<size_t>(index) >= mesh.vertices.size()) std::abort();
            }
            for (const Vertex& v : mesh.vertices) {
                if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) std::abort();
            }
            if (mesh.material < 0 || static_cast<size_t>(mesh.material) >= model.materials.size())
                std::abort();
        }
    } catch (const tepple::ModelError&) {
    }
    std::remove(path.c_str());
    return 0;
}
