// Renderers that share nothing, drawn at the same moment, built with ThreadSanitizer (see run.sh):
//  1. a renderer and its copy, each lent a pool of its own, draw on two threads at once, the copy
//     keeping each frame's calls and drawing them strip by strip on its pool; every picture of
//     each equals the one a lone renderer draws on one thread;
//  2. two renderers lent one pool draw at once: each call either draws its whole picture or is
//     refused with std::logic_error, drawing nothing; the pool's refusal itself never races.
// Exit 0 when both hold and the sanitizer (halt_on_error) finds nothing.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tepple.h"

namespace {

constexpr int side = 320;
constexpr int frames = 12;

// A fan of lit, textured triangles that covers most of the target, turned a little each frame.
void setScene(tepple::Renderer& renderer, tepple::Surface& texture, int frame)
{
    std::vector<tepple::Vertex> corners;
    for (int i = 0; i < 240; ++i) {
        const float a = 0.26f * static_cast<float>(i + frame), b = a + 0.26f;
        const float z = 3.0f + 0.01f * static_cast<float>(i);
        corners.emplace_back(0.0f, 0.0f, z, 0x00FFFFFF);
        corners.emplace_back(3.0f * std::cos(a), 3.0f * std::sin(a), z, 0x00FF8040);
        corners.emplace_back(3.0f * std::cos(b), 3.0f * std::sin(b), z, 0x004080FF);
        for (size_t k = corners.size() - 3; k < corners.size(); ++k) {
            corners[k].texU = corners[k].x + 0.5f;
            corners[k].texV = corners[k].y + 0.5f;
        }
    }
    const std::vector<tepple::Vertex> normals(corners.size(), tepple::Vertex(0, 0, -1, 0));
    renderer.setVertexBuffers(corners.data(), normals.data(), corners.size());
    renderer.setTexture(&texture);
}

std::vector<std::vector<uint32_t>> drawFrames(tepple::Renderer& renderer, tepple::Surface& texture)
{
    std::vector<std::vector<uint32_t>> pictures;
    tepple::Surface target(side, side);
    for (int frame = 0; frame < frames; ++frame) {
        target.clear();
        renderer.nextFrame();
        setScene(renderer, texture, frame);
        renderer.drawTextured(target);
        renderer.flush(); // a renderer keeping its frame draws it here
        pictures.emplace_back(target.pixels(), target.pixels() + side * side);
    }
    return pictures;
}

tepple::Surface checkerTexture()
{
    tepple::Surface texture(16, 16);
    for (int i = 0; i < 16 * 16; ++i) texture.lock()[i] = ((i / 16 + i) & 2) ? 0x00FFFFFF : 0x00306090;
    return texture;
}

} // namespace

int main()
{
    tepple::Surface texture = checkerTexture();
    tepple::Renderer lone(tepple::Viewport::forTarget(side, side));
    lone.addLight(tepple::Light(tepple::Vertex(0, 0, -4, 0), 2.0f, 2.0f, 2.0f));
    const auto expected = drawFrames(lone, texture);

    // 1. A copy and its original, each with a pool of its own.
    tepple::Renderer original = lone;
    original.setFrame(0);
    tepple::WorkerPool originalPool(2), copyPool(2);
    original.setPool(&originalPool);
    tepple::Renderer copy = original;
    if (copy.pool() != nullptr) {
        std::fprintf(stderr, "FAIL: a copy was lent its original's pool\n");
        return 1;
    }
    copy.setPool(&copyPool);
    copy.keepFrame = 1;
    std::vector<std::vector<uint32_t>> fromOriginal, fromCopy;
    std::thread other([&] { fromCopy = drawFrames(copy, texture); });
    fromOriginal = drawFrames(original, texture);
    other.join();
    if (fromOriginal != expected || fromCopy != expected) {
        std::fprintf(stderr, "FAIL: a renderer and its copy drawing at once drew other pictures\n");
        return 1;
    }

    // 2. Two renderers lent one pool: whole pictures or refusals, never a mixture.
    tepple::WorkerPool shared(2);
    tepple::Renderer first = lone, second = lone;
    first.setPool(&shared);
    second.setPool(&shared);
    std::atomic<int> refused{0}, wrong{0};
    const auto drawShared = [&](tepple::Renderer& renderer) {
        tepple::Surface target(side, side);
        for (int round = 0; round < 60; ++round) {
            target.clear();
            renderer.setFrame(0);
            renderer.nextFrame();
            setScene(renderer, texture, 0);
            try {
                renderer.drawTextured(target);
            } catch (const std::logic_error&) {
                ++refused;
                continue;
            }
            if (!std::equal(expected[0].begin(), expected[0].end(), target.pixels())) ++wrong;
        }
    };
    std::thread secondThread([&] { drawShared(second); });
    drawShared(first);
    secondThread.join();
    if (wrong != 0) {
        std::fprintf(stderr, "FAIL: %d pictures drawn on a shared pool differ from one thread's\n", wrong.load());
        return 1;
    }
    std::printf("a copy and its original drew %d frames each at once; a shared pool refused %d of 120 calls\n",
                frames, refused.load());
    return 0;
}
