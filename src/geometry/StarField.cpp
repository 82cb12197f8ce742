#include "geometry/StarField.h"

#include <cstdlib>
#include <ctime>

namespace {

// Nine draws in a fixed order; differences of two uniform draws cluster the points towards the
// middle of each range.
Vertex randomStar(float zBase)
{
    const int blue = std::rand() % 255;
    const int green = std::rand() % 255;
    const int red = std::rand() % 255;
    const uint32_t colour = packColour(red, green, blue);
    const int z1 = std::rand() % 10;
    const int z2 = std::rand() % 10;
    // Summed in float, not in double as other float data is: for some zBase the two round apart.
    const float z = (zBase + static_cast<float>(z1)) - static_cast<float>(z2);
    const int y1 = std::rand() % 10;
    const int y2 = std::rand() % 10;
    const int x1 = std::rand() % 15;
    const int x2 = std::rand() % 15;
    return Vertex(static_cast<float>(x1 - x2), static_cast<float>(y1 - y2), z, colour);
}

} // namespace

int makeStarField(Mesh& mesh, int count, float zBase)
{
    // Whole seconds: every run shows a different field, two fields built in the same second match.
    return makeStarField(mesh, count, zBase, static_cast<unsigned>(std::time(nullptr)));
}

int makeStarField(Mesh& mesh, int count, float zBase, unsigned seed)
{
    const int pointTotal = count < 0 ? 0 : count;
    // A point field has no triangles.
    mesh.faceCount = 0;
    mesh.faceIndices.clear();
    mesh.vertices.clear();
    mesh.vertexNormals.clear();
    mesh.cornerNormals.clear();
    mesh.outNormals.clear();

    mesh.vertexCount = pointTotal;
    mesh.cornerPositions.assign(static_cast<size_t>(pointTotal), Vertex());
    mesh.outPositions.assign(static_cast<size_t>(pointTotal), Vertex());
    std::srand(seed);
    for (int i = 0; i < pointTotal; ++i) mesh.cornerPositions[static_cast<size_t>(i)] = randomStar(zBase);
    return 0;
}
