#pragma once
// Closed surfaces built from a few numbers: solids of revolution and tubes swept along closed
// curves. Both come out closed and with the project's front-face winding.
#include <cstdint>
#include <functional>
#include <vector>

#include "MeshBuilder.h"

namespace tepple {

// What a surface point looks like: its colour and texture coordinates.
struct SurfaceLook {
    uint32_t colour;
    double u;
    double v;
};

// One point of a lathe profile: distance from the y axis and height. The first and last points
// of a profile lie on the axis (radius 0) and become single pole vertices.
struct ProfilePoint {
    double radius;
    double y;
};

// Turns the profile about the file's y axis in `segments` steps. `look` receives the profile
// index and the angle in radians (0 toward the viewer, +z); it is also called for the poles.
MeshData lathe(const std::vector<ProfilePoint>& profile, int segments,
               const std::function<SurfaceLook(int profileIndex, double angle)>& look);

// A tube of `radius` around the closed curve centre(t), periodic in t with period 1 (it is also
// called just outside [0, 1) for tangents), with `samples` rings of
// `sides` vertices. `sideHint(t)` is any direction not parallel to the curve; the ring's first
// vertex lies toward it, which keeps the frame periodic (no twist at the closing ring).
// `look` receives t and the angle around the tube in [0, 1).
MeshData tube(const std::function<Point3(double t)>& centre, const std::function<Point3(double t)>& sideHint,
              double radius, int samples, int sides,
              const std::function<SurfaceLook(double t, double around)>& look);

} // namespace tepple
