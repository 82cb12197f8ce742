#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "models/Model.h"

namespace tepple {

namespace {

struct Direction {
    double x = 0, y = 0, z = 0;
};

// The face's normal, its length twice the face's area (right-handed: counter-clockwise corners
// seen from the front, as OBJ, glTF, STL and PLY wind them).
Direction faceNormal(const Vertex& a, const Vertex& b, const Vertex& c)
{
    const double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    const double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    return {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

Vertex unit(const Direction& d)
{
    const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (!(length > 0) || !std::isfinite(length)) return Vertex(0, 0, 0, 0);
    return Vertex(float(d.x / length), float(d.y / length), float(d.z / length), 0);
}

// Vertices with every field equal become one; the first of them is kept, so the result does not
// depend on hashing order.
void weld(ModelMesh& mesh)
{
    struct Key {
        Vertex v;
        bool operator==(const Key& o) const { return std::memcmp(&v, &o.v, sizeof v) == 0; }
    };
    struct Hash {
        size_t operator()(const Key& k) const
        {
            uint32_t words[8];
            std::memcpy(words, &k.v, sizeof words);
            size_t h = 1469598103934665603ull;
            for (uint32_t w : words) h = (h ^ w) * 1099511628211ull;
            return h;
        }
    };
    std::unordered_map<Key, int32_t, Hash> first;
    first.reserve(mesh.vertices.size());
    std::vector<Vertex> kept;
    std::vector<int32_t> renumber(mesh.vertices.size());
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        Vertex v = mesh.vertices[i];
        if (v.x == 0.0f) v.x = 0.0f; // -0 and +0 are one place
        if (v.y == 0.0f) v.y = 0.0f;
        if (v.z == 0.0f) v.z = 0.0f;
        auto found = first.emplace(Key{v}, static_cast<int32_t>(kept.size()));
        if (found.second) kept.push_back(mesh.vertices[i]);
        renumber[i] = found.first->second;
    }
    for (int32_t& index : mesh.indices) index = renumber[static_cast<size_t>(index)];
    mesh.vertices.swap(kept);
}

void smooth(ModelMesh& mesh)
{
    weld(mesh);
    std::vector<Direction> sums(mesh.vertices.size());
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const int32_t* corner = &mesh.indices[t];
        const Direction n = faceNormal(mesh.vertices[size_t(corner[0])], mesh.vertices[size_t(corner[1])],
                                       mesh.vertices[size_t(corner[2])]);
        for (int k = 0; k < 3; ++k) {
            Direction& sum = sums[size_t(corner[k])];
            sum.x += n.x, sum.y += n.y, sum.z += n.z;
        }
    }
    mesh.normals.resize(mesh.vertices.size());
    for (size_t v = 0; v < sums.size(); ++v) mesh.normals[v] = unit(sums[v]);
}

void flat(ModelMesh& mesh)
{
    mesh.normals.clear();
    mesh.normals.shrink_to_fit();
    mesh.flat = true;
    // Triangles that already share no vertex (every STL's) stay as they are.
    bool apart = mesh.indices.size() == mesh.vertices.size();
    for (size_t i = 0; apart && i < mesh.indices.size(); ++i)
        apart = mesh.indices[i] == static_cast<int32_t>(i);
    if (apart) return;
    std::vector<Vertex> vertices(mesh.indices.size());
    for (size_t i = 0; i < mesh.indices.size(); ++i) {
        vertices[i] = mesh.vertices[size_t(mesh.indices[i])];
        mesh.indices[i] = static_cast<int32_t>(i);
    }
    mesh.vertices.swap(vertices);
}

} // namespace

void giveNormals(Model& model, NormalRule rule)
{
    for (ModelMesh& mesh : model.meshes) {
        NormalRule meshRule = rule;
        mesh.flat = false;
        if (rule == NormalRule::Auto) {
            if (!mesh.normals.empty()) continue;
            meshRule = model.format == ModelFormat::Stl ? NormalRule::Flat : NormalRule::Smooth;
        }
        if (meshRule == NormalRule::Flat)
            flat(mesh);
        else
            smooth(mesh);
    }
}

} // namespace tepple
