#pragma once
// A drawable object: a triangle mesh read from an LSB file, or a cloud of generated points.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "geometry/Matrix4.h"
#include "geometry/MeshFile.h"
#include "geometry/Vertex.h"

namespace tepple {

class Mesh {
public:
    Mesh();

    // 3 x faceCount + 1 (the spare last entry default); the points of a field.
    std::vector<Vertex> cornerPositions;
    std::vector<Vertex> cornerNormals; // 3 x faceCount + 1
    std::vector<Vertex> vertices;      // vertexCount, as loaded
    std::vector<Vertex> vertexNormals; // vertexCount unit normals (zero for unused vertices)
    std::vector<int32_t> faceIndices;  // 3 x faceCount
    int32_t faceCount;
    int32_t vertexCount;
    Matrix4 modelMatrix; // starts as setIdentityOnesColumn
    Matrix4 drawMatrix;  // applied first at draw time; reset to the identity after every draw

    // A triangle mesh ready to draw, from its vertices and three indices per face (each face's
    // corners clockwise as seen, for the winding cull): counts set, normals computed, corners built.
    // Throws std::invalid_argument when the indices are not three per face and std::out_of_range when
    // one lies outside the vertices.
    static Mesh build(std::vector<Vertex> vertices, std::vector<int32_t> faceIndices);

    // Reads an LSB file; the mesh is then ready to draw (corners built). Throws MeshError naming the
    // file and the problem when it cannot be read or is malformed; the mesh is then left unchanged.
    void load(const std::string& path);
    // Decodes LSB bytes (decodeLsb, with `name` in its messages), computes the normals and only then
    // takes the result over, corners built. Throws MeshError on malformed data; the mesh is then
    // left unchanged.
    void parse(const uint8_t* bytes, size_t size, const std::string& name);
    // Each vertex normal is the area-weighted mean of the normals of the faces using it, made unit
    // length; a vertex no face uses, or whose face normals cancel out, gets the zero normal.
    // Throws std::out_of_range (changing nothing) when a face index lies outside `vertices`.
    void computeNormals();
    // Makes the corner arrays drawMesh reads from the vertices; call it again after changing the
    // vertices by hand. Throws std::out_of_range (changing nothing) when faceIndices is shorter than
    // 3 x faceCount or names a vertex outside `vertices` or `vertexNormals`.
    void buildCorners();
};

} // namespace tepple
