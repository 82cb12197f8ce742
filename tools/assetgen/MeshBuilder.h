#pragma once
// Indexed triangle meshes authored in the mesh FILE's coordinates: x right, y up, z toward the
// viewer. The engine sees them as (x, -y, -z), a half turn about x, so handedness and winding
// survive the trip.
//
// Winding rule for every front face: its corners run CLOCKWISE when seen from outside, i.e. the
// right-hand normal (b - a) x (c - a) points INTO the solid. On screen (rows growing downward)
// that is what the engine's winding cull keeps.
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/Vertex.h"

namespace tepple {

struct Point3 {
    double x;
    double y;
    double z;
};

inline Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Point3 operator*(Point3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Point3 a, Point3 b);
Point3 cross(Point3 a, Point3 b);
double length(Point3 a);
// The zero vector stays zero.
Point3 normalised(Point3 a);
Point3 positionOf(const Vertex& vertex);

class MeshData {
public:
    std::vector<Vertex> vertices; // file coordinates
    std::vector<int32_t> indices; // three per triangle

    // Returns the new vertex's index. u and v go to both texture pairs.
    int32_t addVertex(Point3 position, uint32_t colour, double u, double v);
    // Corners a, b, c must run clockwise seen from the side that should be visible.
    void addTriangle(int32_t a, int32_t b, int32_t c);
    // A quad of corners a, b, c, d in clockwise order seen from the visible side.
    void addQuad(int32_t a, int32_t b, int32_t c, int32_t d);
    // For solids that are star-shaped about `inside`: adds the triangle wound so that its front
    // faces away from `inside`, whatever order the corners come in.
    void addTriangleFacingAway(int32_t a, int32_t b, int32_t c, Point3 inside);
    // Appends another mesh, offsetting its indices.
    void append(const MeshData& other);

    int32_t triangleCount() const { return static_cast<int32_t>(indices.size() / 3); }
    // Reverses every triangle's winding (for meshes the driver mirrors after loading).
    void flipWinding();
    // Applies f to every vertex position.
    void transformPositions(const std::function<Point3(Point3)>& f);
};

// The same mesh in engine coordinates, (x, -y, -z): what the LSB writer expects.
std::vector<Vertex> toEngineCoordinates(const std::vector<Vertex>& fileVertices);

// Signed volume from right-hand normals: negative when every face follows the winding rule
// above. Meaningful for closed meshes only.
double signedVolume(const MeshData& mesh);
// Makes a closed mesh follow the winding rule, flipping all its faces if needed.
void orientFrontFacesOutward(MeshData& mesh);

// Joins a grid of vertex indices (rows x columns, row-major) into quads; columns wrap around, so
// each row is a closed loop with no duplicated seam vertex. Orientation is left to
// orientFrontFacesOutward once the mesh is closed.
void addWrappedGrid(MeshData& mesh, const std::vector<int32_t>& gridIndices, int rows, int columns);

} // namespace tepple
