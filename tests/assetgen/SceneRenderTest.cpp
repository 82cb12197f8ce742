// Each generated mesh drawn as its scene draws it (camera, light, texture, scale, mode) into a
// headless surface: it must cover a fair part of the frame, be lit, and with the winding cull on
// show the same nearest surface as with it off (the faces turned to the camera are the ones kept).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <memory>
#include <utility>

#include "RunFolder.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"
#include "media/ProceduralTexture.h"
#include "media/Tga.h"
#include "render/MeshDraw.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

constexpr double untouchedDepth = -65536.0; // the renderer's initial depth entry

Vertex point(float x, float y, float z) { return Vertex(x, y, z, 0); }

struct SceneSetup {
    const char* file;
    bool yzExchanged;
    Vertex eye;
    Vertex target;
    bool lit;
    Light light;
    const char* textureFile; // nullptr: the procedural texture
    int mode;
    std::function<void(Mesh&)> place; // sets modelMatrix and drawMatrix as the scene does
    int minimumPixels;                // "fills a good part of the frame"
};

void PrintTo(const SceneSetup& setup, std::ostream* os) { *os << setup.file; }

struct Frame {
    std::vector<uint32_t> pixels;
    std::vector<double> depth;
    int drawnPixels = 0; // pixels whose depth entry the draw wrote
};

class SceneRender : public ::testing::TestWithParam<SceneSetup> {
protected:
    void SetUp() override { generateTexture(plasma_); }

    Frame render(const SceneSetup& setup, bool cull)
    {
        Mesh mesh;
        mesh.load(runPath(setup.file));
        if (setup.yzExchanged)
            for (Vertex& v : mesh.vertices) std::swap(v.y, v.z);
        mesh.buildCorners();

        auto renderer = std::make_unique<Renderer>(Viewport::demo());
        setIdentityOnesColumn(renderer->viewMatrix);
        setIdentityOnesColumn(renderer->worldMatrix);
        lookAt(renderer->viewMatrix, setup.target, setup.eye);
        renderer->backfaceCull = cull ? 1 : 0;
        renderer->blendMode = 0;
        if (setup.lit) renderer->addLight(setup.light);
        Surface loaded(255, 255);
        if (setup.textureFile != nullptr) {
            loadTga(runPath(setup.textureFile).c_str(), loaded);
            renderer->setTexture(&loaded);
        } else {
            renderer->setTexture(&plasma_);
        }
        Surface screen(screenWidth, screenHeight);
        setup.place(mesh);
        drawMesh(*renderer, mesh, screen, static_cast<DrawMode>(setup.mode));

        Frame frame;
        frame.pixels.assign(screen.pixels(), screen.pixels() + screenWidth * screenHeight);
        frame.depth.assign(renderer->depthBuffer(), renderer->depthBuffer() + screenWidth * screenHeight);
        frame.drawnPixels = static_cast<int>(
            std::count_if(frame.depth.begin(), frame.depth.end(), [](double d) { return d != untouchedDepth; }));
        return frame;
    }

private:
    Surface plasma_{256, 256};
};

TEST_P(SceneRender, FillsAGoodPartOfTheFrame)
{
    const Frame frame = render(GetParam(), true);
    EXPECT_GE(frame.drawnPixels, GetParam().minimumPixels);
}

TEST_P(SceneRender, DrawnPixelsAreLit)
{
    const Frame frame = render(GetParam(), true);
    ASSERT_GT(frame.drawnPixels, 0);
    int bright = 0;
    for (size_t i = 0; i < frame.pixels.size(); ++i) {
        if (frame.depth[i] == untouchedDepth) continue;
        const uint32_t p = frame.pixels[i];
        if (std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}) >= 24) ++bright;
    }
    EXPECT_GE(bright, frame.drawnPixels * 9 / 10) << "most drawn pixels must not be black";
}

TEST_P(SceneRender, WindingCullKeepsTheFacesTurnedToTheCamera)
{
    const Frame culled = render(GetParam(), true);
    const Frame all = render(GetParam(), false);
    ASSERT_GT(all.drawnPixels, 0);
    // Where every face is drawn the nearest wins; culling the back faces must leave that
    // nearest surface in place (with wrong winding only the far side would remain).
    int same = 0;
    for (size_t i = 0; i < all.depth.size(); ++i) {
        if (all.depth[i] == untouchedDepth) continue;
        if (std::fabs(culled.depth[i] - all.depth[i]) <= 1e-6f) ++same;
    }
    EXPECT_GE(same, all.drawnPixels * 97 / 100);
}

Matrix4 translated(float x, float y, float z)
{
    Matrix4 m;
    translation(m, x, y, z);
    return m;
}

// Turned a little so the scene shows more than one side.
Matrix4 tumbled() { return rotationZ(0.7f) * rotationY(0.5f) * rotationX(0.9f); }

const SceneSetup scenes[] = {
    // BounceScene: bouncers at a tenth of their size in a box seen from 85 units.
    {"Shape4.LSB", false, point(0, 0, -85), point(0.01f, -14, 0.1f), true, Light(point(0, 0, 70), 13.1f, 13.1f, 13.1f),
     nullptr, 1,
     [](Mesh& m) {
         m.modelMatrix = translated(0, -14, 0) * tumbled();
         scaling(m.drawMatrix, 0.1f, 0.1f, 0.1f);
     },
     400},
    {"Shape5.LSB", false, point(0, 0, -85), point(0.01f, -14, 0.1f), true, Light(point(0, 0, 70), 13.1f, 13.1f, 13.1f),
     nullptr, 0, [](Mesh& m) { m.modelMatrix = translated(0, -7, 0) * tumbled(); }, 4000},
    // SpinScene: the knot tumbling at the origin, seen from 195 units.
    {"kelvo.LSB", false, point(0, 0, -195), point(0, 0, 0), true, Light(point(0, 0, 130), 33.1f, 33.1f, 33.1f),
     nullptr, 0, [](Mesh& m) { m.modelMatrix = tumbled(); }, 40000},
    // MushroomScene: a mushroom's two parts at pulse factor 0.5, seen from 165 units.
    {"mushroom/1.LSB", false, point(0, 0, -165), point(0, 0, 0), true,
     Light(point(0, 0, 112.5f), 37.1f, 33.1f, 33.1f), "amuscaria.tga", 1,
     [](Mesh& m) {
         m.modelMatrix = translated(55.5f, 54, 0);
         scaling(m.drawMatrix, 0.5f, 0.5f, 0.5f);
     },
     3000},
    {"mushroom/2.LSB", false, point(0, 0, -165), point(0, 0, 0), true,
     Light(point(0, 0, 112.5f), 33.1f, 33.1f, 33.1f), nullptr, 0,
     [](Mesh& m) {
         m.modelMatrix = translated(55.5f, 54, 0);
         scaling(m.drawMatrix, 0.5f, 0.5f, 0.5f);
     },
     500},
    // GridScene: one column at a tall height factor, its place turned as the grid turns.
    {"Shape1.LSB", true, point(0, 0, -85), point(0, 0, 0), true, Light(point(0, 0, 50), 13.1f, 13.1f, 13.1f), nullptr,
     1,
     [](Mesh& m) {
         Matrix4 place;
         setIdentityOnesColumn(place);
         place.at(3, 0) = 22.5;
         place.at(3, 1) = 29;
         place.at(3, 2) = 5;
         m.modelMatrix = place * tumbled();
         Matrix4 height;
         height.at(2, 2) = 5.0;
         m.drawMatrix = height;
     },
     700},
    // CapsuleScene: unlit, at scale 1 from 235 units.
    {"capsule.LSB", false, point(0, 0, -235), point(0, 0, 0), false, Light(), nullptr, 1,
     [](Mesh& m) { m.modelMatrix = tumbled(); }, 8000},
};

std::string sceneName(const ::testing::TestParamInfo<SceneSetup>& info)
{
    std::string name = info.param.file;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(AssetScenes, SceneRender, ::testing::ValuesIn(scenes), sceneName);

} // namespace

} // namespace tepple
