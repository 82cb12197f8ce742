#pragma once
// Faces of the regular solids used by the demo's faceted meshes, centred on the origin.
#include <vector>

#include "MeshBuilder.h"

namespace tepple {

// Each face lists its corners in order around the face (either direction).
using Polygon = std::vector<Point3>;

// 12 pentagons; every corner at `circumradius` from the centre.
std::vector<Polygon> dodecahedronFaces(double circumradius);
// 20 triangles; every corner at `circumradius` from the centre.
std::vector<Polygon> icosahedronFaces(double circumradius);

} // namespace tepple
