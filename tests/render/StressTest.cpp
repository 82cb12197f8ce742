// Hostile input through every path: random triangles and points mixing ordinary values with NaN,
// infinities, huge, tiny and zero coordinates. Nothing may crash or read or write outside a
// buffer (the sanitizer build holds this to no undefined behaviour), and whatever is drawn must
// still be clean packed colours and ordered depth keys.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

class HostileVertices {
public:
    explicit HostileVertices(uint32_t seed) : random_(seed) {}

    // Mostly small, ordinary triangles near the screen, each coordinate replaced now and then.
    std::vector<Vertex> triangles(int count)
    {
        std::vector<Vertex> corners;
        corners.reserve(static_cast<size_t>(count) * 3);
        for (int t = 0; t < count; ++t) {
            const float cx = uniform(-30, 30), cy = uniform(-30, 30), cz = uniform(-5, 120);
            for (int i = 0; i < 3; ++i) {
                corners.push_back(vertex(cx + uniform(-3, 3), cy + uniform(-3, 3), cz + uniform(-3, 3)));
            }
        }
        return corners;
    }

    std::vector<Vertex> points(int count)
    {
        std::vector<Vertex> result;
        result.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) result.push_back(vertex(uniform(-40, 40), uniform(-40, 40), uniform(-10, 320)));
        return result;
    }

private:
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random_); }

    float maybeHostile(float ordinary)
    {
        static const float hostile[] = {std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(),
                                        std::numeric_limits<float>::max(),
                                        -std::numeric_limits<float>::max(),
                                        1e10f,
                                        -1e10f,
                                        1e-40f,
                                        -1e-40f,
                                        0.0f,
                                        -0.0f,
                                        1e-3f};
        if (std::uniform_int_distribution<int>(0, 99)(random_) >= 4) return ordinary;
        return hostile[std::uniform_int_distribution<size_t>(0, std::size(hostile) - 1)(random_)];
    }

    Vertex vertex(float x, float y, float z)
    {
        Vertex v(maybeHostile(x), maybeHostile(y), maybeHostile(z), static_cast<uint32_t>(random_()));
        v.texU = maybeHostile(uniform(-0.5f, 1.5f));
        v.texV = maybeHostile(uniform(-0.5f, 1.5f));
        v.texU2 = maybeHostile(uniform(-0.5f, 1.5f));
        v.texV2 = maybeHostile(uniform(-0.5f, 1.5f));
        return v;
    }

    std::mt19937 random_;
};

} // namespace

class Stress : public RenderTest {
protected:
    void expectCleanBuffers()
    {
        for (int i = 0; i < screenWidth * screenHeight; ++i) {
            ASSERT_EQ(screen.pixels()[i] & 0xFF000000u, 0u) << i;
            ASSERT_EQ(renderer->accumBuffer()[i] & 0xFF000000u, 0u) << i;
            ASSERT_FALSE(std::isnan(renderer->depthBuffer()[i])) << i;
        }
    }
};

TEST_F(Stress, HostileTrianglesAndPointsThroughEveryPath)
{
    HostileVertices source(20261207);
    const auto small = makeTexture(1, 1, [](int, int) { return 0x00FF0000u; });
    const auto square = makeTexture(255, 255, [](int column, int row) { return packColour(column, row, 0); });
    const auto narrow = makeTexture(3, 700, [](int column, int row) { return packColour(row & 0xFF, column, 255); });
    Surface* textures[] = {small.get(), square.get(), narrow.get()};
    renderer->addLight(Light(Vertex(0, 0, 70, 0), 13.1f, 13.1f, 13.1f));
    renderer->addLight(Light(Vertex(std::numeric_limits<float>::quiet_NaN(), 0, 0, 0), 1, 1, 1));
    renderer->addLight(Light(Vertex(0, 0, 0, 0), 1, 1, 1));

    constexpr int batches = 24;
    constexpr int trianglesPerBatch = 2500;
    int drawn = 0;
    for (int batch = 0; batch < batches; ++batch) {
        renderer->setTexture(textures[batch % 3]);
        renderer->setSecondTexture(textures[(batch + 1) % 3]);
        renderer->blendMode = static_cast<uint8_t>(batch % 2);
        renderer->backfaceCull = static_cast<uint8_t>((batch / 2) % 2);
        const std::vector<Vertex> corners = source.triangles(trianglesPerBatch);
        // Normals as hostile as the positions.
        const std::vector<Vertex> normals = source.triangles(trianglesPerBatch);
        renderer->setVertexBuffers(corners.data(), normals.data(), corners.size());
        for (int mode = 0; mode < 5; ++mode) {
            renderer->draw(static_cast<DrawMode>(mode), screen);
            drawn += trianglesPerBatch;
        }
        const std::vector<Vertex> points = source.points(10000);
        renderer->setVertexBuffers(points.data(), nullptr, points.size());
        renderer->drawSprites(screen);
        drawn += static_cast<int>(points.size());
        renderer->nextFrame();
    }
    EXPECT_EQ(drawn, batches * (5 * trianglesPerBatch + 10000));
    expectCleanBuffers();
}

TEST_F(Stress, NormalsShorterThanThePositionsCountAsZero)
{
    const auto texture = makeTexture(4, 4, [](int, int) { return 0x00FFFFFFu; });
    renderer->setTexture(texture.get());
    renderer->setSecondTexture(texture.get());
    const std::vector<Vertex> corners = {onPixel(100, 100, 20), onPixel(200, 100, 20), onPixel(100, 200, 20),
                                         onPixel(300, 100, 20)}; // a trailing partial triangle
    renderer->setVertexBuffers(corners.data(), nullptr, corners.size());
    renderer->normals.assign(1, Vertex(0, 0, -1, 0)); // one entry for four corners
    for (int mode = 0; mode < 5; ++mode) {
        renderer->nextFrame();
        renderer->draw(static_cast<DrawMode>(mode), screen);
    }
    EXPECT_NE(pixel(120, 120), 0u);
}

} // namespace tepple
