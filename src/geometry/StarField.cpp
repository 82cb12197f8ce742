#include "geometry/StarField.h"

#include <cstdint>
#include <ctime>

namespace tepple {

namespace {

// The field's own random numbers: std::rand() differs from one C library to the next (the browser
// build's is another generator altogether), and a seed must give the same field wherever the demo
// runs. This is the additive feedback generator of GNU libc's rand(): a seed gives the field, and
// every picture of the star scene, that srand(seed) gives there.
class StarRandom {
public:
    explicit StarRandom(unsigned seed)
    {
        // Seed 0 is taken as 1. The table is filled by x -> 16807 x mod (2^31 - 1), worked out
        // without overflow by Schrage's method, from the seed read as a signed 32-bit number (so
        // seeds from 2^31 up start negative, as in the C library).
        int64_t word = static_cast<int32_t>(seed == 0 ? 1u : seed);
        table_[0] = static_cast<int32_t>(word);
        for (int i = 1; i < degree; ++i) {
            const int64_t high = word / 127773;
            const int64_t low = word % 127773;
            word = 16807 * low - 2836 * high;
            if (word < 0) word += 2147483647;
            table_[i] = static_cast<int32_t>(word);
        }
        for (int i = 0; i < 10 * degree; ++i) next();
    }

    // 0 .. 2^31 - 1.
    int next()
    {
        // The sum wraps modulo 2^32; its lowest bit is the weakest and is dropped.
        const uint32_t sum = static_cast<uint32_t>(table_[front_]) + static_cast<uint32_t>(table_[rear_]);
        table_[front_] = static_cast<int32_t>(sum);
        front_ = (front_ + 1) % degree;
        rear_ = (rear_ + 1) % degree;
        return static_cast<int>(sum >> 1);
    }

private:
    static constexpr int degree = 31;
    int32_t table_[degree];
    int front_ = 3; // the generator's separation: front runs 3 entries ahead of rear
    int rear_ = 0;
};

// Nine draws in a fixed order; differences of two uniform draws cluster the points towards the
// middle of each range.
Vertex randomStar(StarRandom& random, float zBase)
{
    const int blue = random.next() % 255;
    const int green = random.next() % 255;
    const int red = random.next() % 255;
    const uint32_t colour = packColour(red, green, blue);
    const int z1 = random.next() % 10;
    const int z2 = random.next() % 10;
    // Summed in float, not in double as other float data is: for some zBase the two round apart.
    const float z = (zBase + static_cast<float>(z1)) - static_cast<float>(z2);
    const int y1 = random.next() % 10;
    const int y2 = random.next() % 10;
    const int x1 = random.next() % 15;
    const int x2 = random.next() % 15;
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

    mesh.vertexCount = pointTotal;
    mesh.cornerPositions.assign(static_cast<size_t>(pointTotal), Vertex());
    StarRandom random(seed);
    for (int i = 0; i < pointTotal; ++i) {
        mesh.cornerPositions[static_cast<size_t>(i)] = randomStar(random, zBase);
    }
    return 0;
}

} // namespace tepple
