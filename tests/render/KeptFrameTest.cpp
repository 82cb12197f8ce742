// A frame kept and drawn strip by strip (Renderer::keepFrame) against the same calls drawn one by
// one: random call lists mixing every draw mode, blending, culling, lights, textures, small and
// large calls, calls into a second target and a depth clear in the middle, under both rule sets,
// over frames that draw over each other's depth keys. Every pixel, depth key and accumulation
// value must be the same, at every point where the kept frame is drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "RenderFixture.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

namespace tepple {

namespace {

struct Pair {
    Renderer& kept;
    Renderer& direct;
    Surface* keptTargets;
    Surface* directTargets;
};

void expectSame(const Pair& pair, const Viewport& viewport, const std::string& where)
{
    SCOPED_TRACE(where);
    const size_t pixels = static_cast<size_t>(viewport.width) * viewport.height;
    for (int t = 0; t < 2; ++t) {
        EXPECT_EQ(std::memcmp(pair.keptTargets[t].pixels(), pair.directTargets[t].pixels(), pixels * 4), 0)
            << "target " << t;
    }
    // The accessors that allow changes draw what is kept first.
    EXPECT_EQ(std::memcmp(pair.kept.depthBuffer(), pair.direct.depthBuffer(), pixels * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(pair.kept.accumBuffer(), pair.direct.accumBuffer(), pixels * 4), 0);
}

} // namespace

TEST(KeptFrame, DrawsTheBitsOfEveryCallDrawnOnItsOwn)
{
    Surface texture(64, 64), second(32, 32);
    for (uint32_t i = 0; i < 64 * 64; ++i) texture.lock()[i] = (i * 2654435761u) >> 8;
    for (uint32_t i = 0; i < 32 * 32; ++i) second.lock()[i] = (i * 40503u) & 0xFFFFFF;
    WorkerPool pool(3);
    for (const Viewport& viewport : {Viewport::demo(), Viewport::forTarget(400, 300)}) {
        SCOPED_TRACE(viewport.demoRules ? "the demonstration's rules" : "the general rules");
        Renderer kept(viewport), direct(viewport);
        kept.setPool(&pool);
        kept.keepFrame = 1;
        Surface keptTargets[2] = {Surface(viewport.width, viewport.height), Surface(viewport.width, viewport.height)};
        Surface directTargets[2] = {Surface(viewport.width, viewport.height),
                                    Surface(viewport.width, viewport.height)};
        const Pair pair{kept, direct, keptTargets, directTargets};
        std::mt19937 random(20261209u);
        const auto uniform = [&random](float low, float high) {
            return std::uniform_real_distribution<float>(low, high)(random);
        };
        for (int frame = 0; frame < 3; ++frame) {
            kept.nextFrame();
            direct.nextFrame();
            for (int c = 0; c < 40; ++c) {
                const DrawMode mode = static_cast<DrawMode>(random() % 5 == 4 ? random() % 5 : random() % 3);
                // Mostly calls too small to share, some far larger than any threshold.
                const int triangles = random() % 4 == 0 ? 300 + static_cast<int>(random() % 900)
                                                        : 1 + static_cast<int>(random() % 30);
                const float extent = random() % 3 == 0 ? 25.0f : 4.0f;
                std::vector<Vertex> corners, normals;
                for (int t = 0; t < triangles; ++t) {
                    const float x = uniform(-45, 45), y = uniform(-35, 35), z = uniform(3, 90);
                    for (int k = 0; k < (mode == DrawMode::Sprites ? 1 : 3); ++k) {
                        Vertex corner(x + uniform(-extent, extent), y + uniform(-extent, extent),
                                      z + uniform(-2, 2), static_cast<uint32_t>(random()) & 0xFFFFFF);
                        corner.texU = uniform(0, 1), corner.texV = uniform(0, 1);
                        corner.texU2 = uniform(0, 1), corner.texV2 = uniform(0, 1);
                        corners.push_back(corner);
                        normals.push_back(Vertex(uniform(-1, 1), uniform(-1, 1), uniform(-1, 0), 0));
                    }
                }
                const uint8_t blend = static_cast<uint8_t>(random() % 3 == 0);
                const uint8_t cull = static_cast<uint8_t>(random() % 2);
                const bool lit = random() % 3 != 0;
                const int target = random() % 8 == 0 ? 1 : 0;
                for (Renderer* renderer : {&kept, &direct}) {
                    renderer->blendMode = blend;
                    renderer->backfaceCull = cull;
                    renderer->setTexture(&texture);
                    renderer->setSecondTexture(&second);
                    renderer->clearLights();
                    if (lit) {
                        renderer->addLight(Light(Vertex(10, -20, 0, 0), 13.1f, 9.0f, 5.0f));
                        renderer->addLight(Light::directional(Vertex(0.2f, -0.5f, -1, 0), 0.5f, 0.6f, 0.7f));
                    }
                    renderer->setVertexBuffers(corners.data(), normals.data(), corners.size());
                    renderer->draw(mode, (renderer == &kept ? keptTargets : directTargets)[target]);
                }
                // The arrays and settings change after each call: a kept call keeps what it was given.
                if (frame == 1 && c == 20) {
                    kept.clearDepth();
                    direct.clearDepth();
                }
            }
            kept.flush();
            expectSame(pair, viewport, "frame " + std::to_string(frame));
        }
    }
}

} // namespace tepple
