#include "Surfaces.h"

#include <cmath>

namespace tepple {

namespace {

constexpr double twoPi = 6.283185307179586;

int32_t addLookVertex(MeshData& mesh, Point3 position, const SurfaceLook& look)
{
    return mesh.addVertex(position, look.colour, look.u, look.v);
}

} // namespace

MeshData lathe(const std::vector<ProfilePoint>& profile, int segments,
               const std::function<SurfaceLook(int profileIndex, double angle)>& look)
{
    MeshData mesh;
    const int last = static_cast<int>(profile.size()) - 1;
    if (last < 2 || segments < 3) return mesh;

    const int32_t bottomPole = addLookVertex(mesh, {0.0, profile[0].y, 0.0}, look(0, 0.0));
    const int rings = last - 1;
    std::vector<int32_t> grid;
    grid.reserve(static_cast<size_t>(rings) * segments);
    for (int ring = 1; ring <= rings; ++ring) {
        for (int segment = 0; segment < segments; ++segment) {
            const double angle = twoPi * segment / segments;
            const ProfilePoint& p = profile[ring];
            grid.push_back(addLookVertex(mesh, {p.radius * std::sin(angle), p.y, p.radius * std::cos(angle)},
                                         look(ring, angle)));
        }
    }
    const int32_t topPole = addLookVertex(mesh, {0.0, profile[last].y, 0.0}, look(last, 0.0));

    for (int segment = 0; segment < segments; ++segment) {
        const int next = (segment + 1) % segments;
        mesh.addTriangle(bottomPole, grid[next], grid[segment]);
        const size_t topRow = static_cast<size_t>(rings - 1) * segments;
        mesh.addTriangle(topPole, grid[topRow + segment], grid[topRow + next]);
    }
    addWrappedGrid(mesh, grid, rings, segments);
    orientFrontFacesOutward(mesh);
    return mesh;
}

MeshData tube(const std::function<Point3(double t)>& centre, const std::function<Point3(double t)>& sideHint,
              double radius, int samples, int sides,
              const std::function<SurfaceLook(double t, double around)>& look)
{
    MeshData mesh;
    if (samples < 3 || sides < 3) return mesh;
    std::vector<int32_t> grid;
    grid.reserve(static_cast<size_t>(samples) * sides);
    const double step = 1.0 / samples;
    for (int sample = 0; sample < samples; ++sample) {
        const double t = sample * step;
        const Point3 here = centre(t);
        // A central difference along the closed curve gives the tangent.
        const Point3 tangent = normalised(centre(t + 0.5 * step) - centre(t - 0.5 * step));
        const Point3 hint = sideHint(t);
        const Point3 side = normalised(hint - tangent * dot(hint, tangent));
        const Point3 binormal = cross(tangent, side);
        for (int k = 0; k < sides; ++k) {
            const double around = static_cast<double>(k) / sides;
            const double angle = twoPi * around;
            const Point3 offset = side * (radius * std::cos(angle)) + binormal * (radius * std::sin(angle));
            grid.push_back(addLookVertex(mesh, here + offset, look(t, around)));
        }
    }
    // The last ring joins the first: wrap the rows by repeating the first row's indices.
    grid.insert(grid.end(), grid.begin(), grid.begin() + sides);
    addWrappedGrid(mesh, grid, samples + 1, sides);
    orientFrontFacesOutward(mesh);
    return mesh;
}

} // namespace tepple
