#include "Polyhedra.h"

#include <algorithm>
#include <cmath>

namespace tepple {

namespace {

const double goldenRatio = (1.0 + std::sqrt(5.0)) / 2.0;

// The 12 corners of an icosahedron, the cyclic permutations of (0, +-phi, +-1): these are also
// the face directions of the dodecahedron below.
std::vector<Point3> icosahedronCorners()
{
    std::vector<Point3> corners;
    for (double a : {-goldenRatio, goldenRatio}) {
        for (double b : {-1.0, 1.0}) {
            corners.push_back({0.0, a, b});
            corners.push_back({a, b, 0.0});
            corners.push_back({b, 0.0, a});
        }
    }
    return corners;
}

// The 20 corners of a dodecahedron, which are also the face directions of the icosahedron above.
std::vector<Point3> dodecahedronCorners()
{
    std::vector<Point3> corners;
    const double inverse = 1.0 / goldenRatio;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-1.0, 1.0}) {
            for (double c : {-1.0, 1.0}) corners.push_back({a, b, c});
            corners.push_back({0.0, a * inverse, b * goldenRatio});
            corners.push_back({a * inverse, b * goldenRatio, 0.0});
            corners.push_back({a * goldenRatio, 0.0, b * inverse});
        }
    }
    return corners;
}

// For each face direction, the `cornersPerFace` corners nearest to it, sorted by angle about it
// and scaled out to `circumradius`.
std::vector<Polygon> facesAround(const std::vector<Point3>& corners, const std::vector<Point3>& directions,
                                 size_t cornersPerFace, double circumradius)
{
    std::vector<Polygon> faces;
    for (const Point3& direction : directions) {
        const Point3 axis = normalised(direction);
        std::vector<Point3> sorted = corners;
        std::sort(sorted.begin(), sorted.end(),
                  [&](const Point3& a, const Point3& b) { return dot(normalised(a), axis) > dot(normalised(b), axis); });
        sorted.resize(cornersPerFace);
        // Order the face's corners by angle in the face plane.
        const Point3 across = normalised(sorted[0] - axis * dot(sorted[0], axis));
        const Point3 up = cross(axis, across);
        std::sort(sorted.begin(), sorted.end(), [&](const Point3& a, const Point3& b) {
            return std::atan2(dot(a, up), dot(a, across)) < std::atan2(dot(b, up), dot(b, across));
        });
        Polygon face;
        for (const Point3& corner : sorted) face.push_back(normalised(corner) * circumradius);
        faces.push_back(face);
    }
    return faces;
}

} // namespace

std::vector<Polygon> dodecahedronFaces(double circumradius)
{
    return facesAround(dodecahedronCorners(), icosahedronCorners(), 5, circumradius);
}

std::vector<Polygon> icosahedronFaces(double circumradius)
{
    return facesAround(icosahedronCorners(), dodecahedronCorners(), 3, circumradius);
}

} // namespace tepple
