// The general rules (Lighting.h, Sampling.h, the draw modes in Renderer.h) as a user of the
// engine meets them, and the renderer's resize and frame count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "geometry/Lighting.h"
#include "geometry/Mesh.h"
#include "render/MeshDraw.h"
#include "render/Renderer.h"
#include "render/WorkerPool.h"

namespace tepple {

namespace {

// An octahedron of radius 5: normals pointing every way, each vertex's the mean of four faces'.
Mesh octahedron()
{
    std::vector<Vertex> vertices = {Vertex(5, 0, 0, 0x00C08040), Vertex(-5, 0, 0, 0x0040C080),
                                    Vertex(0, 5, 0, 0x008040C0), Vertex(0, -5, 0, 0x00FFFFFF),
                                    Vertex(0, 0, 5, 0x00A0A0A0), Vertex(0, 0, -5, 0x00FF8000)};
    return Mesh::build(vertices, {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5});
}

int largestChannelStep(uint32_t a, uint32_t b)
{
    return std::max({std::abs(redOf(a) - redOf(b)), std::abs(greenOf(a) - greenOf(b)),
                     std::abs(blueOf(a) - blueOf(b))});
}

// The colour each vertex handed over by drawMesh gets from the renderer's lights.
std::vector<uint32_t> litColours(const Renderer& renderer)
{
    std::vector<uint32_t> colours;
    for (size_t i = 0; i < renderer.positions.size(); ++i) {
        colours.push_back(shadePoint(renderer.lights.data(), static_cast<int>(renderer.lights.size()),
                                     renderer.ambient, renderer.positions[i], renderer.normals[i],
                                     renderer.positions[i].colour));
    }
    return colours;
}

} // namespace

// Moving a mesh and its lights together changes nothing of its shading: the normals follow the
// surface and each light is seen from the point it lights. Surfaces are lit on the side the eye
// sees, so only the vertices whose normals face the eye in both pictures, or in neither, compare.
TEST(GeneralRules, AMovedMeshIsLitAsTheUnmovedOneByTheLightsMovedWithIt)
{
    Surface target(160, 120);
    Mesh mesh = octahedron();
    const Light point = Light::point(Vertex(12, -9, 44, 0), 0.9f, 0.7f, 0.5f, 1.0f / 400.0f);
    const Light directional = Light::directional(Vertex(-0.3f, -0.5f, -0.8f, 0), 0.4f, 0.5f, 0.6f);

    Renderer still(Viewport::forTarget(160, 120));
    still.addLight(point);
    still.addLight(directional);
    still.ambient = Ambient{0.1f, 0.05f, 0.0f};
    Matrix4 ahead;
    translation(ahead, 0, 0, 40);
    mesh.modelMatrix = ahead;
    drawMesh(still, mesh, target, DrawMode::Gouraud);

    // A turn about two axes and a move; the lights go the same way, from the still picture's
    // camera space (directions turn without moving).
    Matrix4 back, move;
    translation(back, 0, 0, -40);
    translation(move, 7, -4, 60);
    const Matrix4 turn = rotationY(0.8f) * rotationX(-0.5f);
    Renderer moved(Viewport::forTarget(160, 120));
    Light movedPoint = point, movedDirectional = directional;
    movedPoint.position = transform(back * turn * move, point.position);
    movedDirectional.position = transform(turn, directional.position);
    moved.addLight(movedPoint);
    moved.addLight(movedDirectional);
    moved.ambient = still.ambient;
    mesh.modelMatrix = turn * move;
    drawMesh(moved, mesh, target, DrawMode::Gouraud);

    const std::vector<uint32_t> expected = litColours(still), actual = litColours(moved);
    ASSERT_EQ(actual.size(), expected.size());
    int compared = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const bool facesEye = vecDot(still.normals[i], still.positions[i]) < 0.0f;
        if (facesEye != (vecDot(moved.normals[i], moved.positions[i]) < 0.0f)) continue;
        EXPECT_LE(largestChannelStep(actual[i], expected[i]), 1) << "vertex " << i;
        compared += expected[i] != 0;
    }
    EXPECT_GE(compared, 4); // most vertices compare, lit, so the comparison says something
}

// Under directional lights a lit colour depends on a position only through the side the eye
// sees, so a vertex like the one lit before it takes that one's colour. Corners sharing a normal
// but lying on either side of the plane through the eye, or differing in colour, must still be lit
// each on its own: the frame is the one a dark point light (which adds nothing, but depends on
// every position) gives, on the calling thread alone and shared.
TEST(GeneralRules, CornersLitAlikeUnderDirectionalLightsAreLitAsEachOnItsOwn)
{
    std::vector<Vertex> corners, normals;
    std::srand(17);
    const auto any = [](float low, float high) { return low + (high - low) * float(std::rand()) / RAND_MAX; };
    int straddling = 0;
    for (int t = 0; t < 3000; ++t) {
        const Vertex normal(any(-1, 1), any(-1, 1), any(-1, 1), 0);
        const uint32_t colour = packColour(std::rand() & 0xFF, std::rand() & 0xFF, std::rand() & 0xFF);
        int away = 0;
        for (int k = 0; k < 3; ++k) {
            Vertex corner(any(-30, 30), any(-25, 25), any(30, 80), t % 3 == 0 && k == 2 ? ~colour : colour);
            away += facesAwayFromEye(corner, normal);
            corners.push_back(corner);
            normals.push_back(normal);
        }
        straddling += away == 1 || away == 2;
    }
    ASSERT_GT(straddling, 300); // the sides differ within many triangles

    WorkerPool pool(2);
    const auto draw = [&](bool darkPointLight, WorkerPool* lent) {
        Renderer renderer(Viewport::forTarget(320, 240));
        renderer.backfaceCull = 0;
        renderer.setPool(lent);
        renderer.addLight(Light::directional(Vertex(-0.3f, -0.5f, -0.8f, 0), 0.7f, 0.6f, 0.5f));
        renderer.addLight(Light::directional(Vertex(0.6f, 0.1f, -0.2f, 0), 0.3f, 0.35f, 0.4f));
        if (darkPointLight) renderer.addLight(Light::point(Vertex(3, -4, 10, 0), 0, 0, 0));
        renderer.ambient = Ambient{0.1f, 0.1f, 0.1f};
        renderer.setVertexBuffers(corners.data(), normals.data(), static_cast<int>(corners.size()));
        Surface target(320, 240);
        renderer.drawGouraud(target);
        return std::vector<uint32_t>(target.pixels(), target.pixels() + 320 * 240);
    };
    const std::vector<uint32_t> expected = draw(true, nullptr);
    EXPECT_GT(std::count_if(expected.begin(), expected.end(), [](uint32_t p) { return p != 0; }), 30000);
    EXPECT_TRUE(draw(false, nullptr) == expected);
    EXPECT_TRUE(draw(false, &pool) == expected);
}

// Under a stretch and a shear the normals stay at right angles to the surface.
TEST(GeneralRules, NormalsStayAtRightAnglesToTheSurfaceUnderAStretch)
{
    std::vector<Vertex> square = {Vertex(-1, -1, 0, 0), Vertex(1, -1, 0, 0), Vertex(1, 1, 0, 0),
                                  Vertex(-1, 1, 0, 0)};
    Mesh mesh = Mesh::build(square, {0, 1, 2, 0, 2, 3});
    Matrix4 stretch;
    stretch.at(0, 0) = 3.0;
    stretch.at(1, 0) = 1.5; // y leans into x
    stretch.at(2, 2) = 0.5;
    Matrix4 away;
    translation(away, 0, 0, 50);
    mesh.modelMatrix = rotationX(0.7f) * stretch * rotationY(0.4f) * away;
    Renderer renderer(Viewport::forTarget(64, 64));
    Surface target(64, 64);
    drawMesh(renderer, mesh, target, DrawMode::Gouraud);
    ASSERT_EQ(renderer.positions.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const Vertex& n = renderer.normals[i];
        EXPECT_NEAR(vecLength(n), 1.0f, 1e-5f);
        for (size_t j = 0; j < 4; ++j) {
            Vertex edge = renderer.positions[j];
            vecSub(edge, renderer.positions[i]);
            EXPECT_NEAR(vecDot(n, edge) / std::max(1.0f, vecLength(edge)), 0.0f, 1e-4f) << i << " to " << j;
        }
    }
}

// Flat faces keep their own colour: lit head on at strength 1 they show it.
TEST(GeneralRules, FlatShadesEachFaceInItsOwnColour)
{
    Renderer renderer(Viewport::forTarget(100, 100));
    renderer.backfaceCull = 0;
    renderer.addLight(Light::point(Vertex(0, 0, 0, 0), 1.0f, 1.0f, 1.0f));
    const uint32_t colour = packColour(40, 80, 160);
    const Vertex corners[3] = {Vertex(-20, -20, 40, colour), Vertex(20, -20, 40, colour),
                               Vertex(0, 20, 40, colour)};
    const Vertex normals[3] = {Vertex(0, 0, -1, 0), Vertex(0, 0, -1, 0), Vertex(0, 0, -1, 0)};
    renderer.setVertexBuffers(corners, normals, 3);
    Surface flat(100, 100);
    renderer.drawFlat(flat);
    // The light at the eye faces the triangle's centre nearly head on: nearly the colour itself.
    EXPECT_LE(largestChannelStep(flat.pixels()[50 * 100 + 50], colour), 2);
    // A blue face is never drawn red.
    const Vertex blue[3] = {Vertex(-20, -20, 40, 0x000000FF), Vertex(20, -20, 40, 0x000000FF),
                            Vertex(0, 20, 40, 0x000000FF)};
    renderer.setVertexBuffers(blue, nullptr, 3);
    renderer.drawFlat(flat);
    EXPECT_EQ(flat.pixels()[50 * 100 + 50] & 0x00FFFF00u, 0u);
    EXPECT_GT(blueOf(flat.pixels()[50 * 100 + 50]), 200);
}

// Texels are read at their centres, repeated or clamped past the texture's edge, and mixed by
// distance when bilinear.
TEST(GeneralRules, TexturesAreReadAtTexelCentresRepeatedClampedOrMixed)
{
    constexpr int side = 64;
    Surface texture(2, 1);
    texture.lock()[0] = 0x00000000;
    texture.lock()[1] = 0x00FFFFFF;
    // A square filling the target face on, u running -1 to 3 across it: a quarter per texture width.
    Vertex a(-side / 2.0f, -side / 2.0f, 32, 0), b(side / 2.0f, -side / 2.0f, 32, 0),
        c(side / 2.0f, side / 2.0f, 32, 0), d(-side / 2.0f, side / 2.0f, 32, 0);
    a.texU = d.texU = -1.0f;
    b.texU = c.texU = 3.0f;
    const Vertex corners[6] = {a, b, c, a, c, d};
    const auto row = [&](Sampling sampling) {
        Renderer renderer(Viewport::forTarget(side, side));
        renderer.sampling = sampling;
        renderer.setTexture(&texture);
        renderer.setVertexBuffers(corners, nullptr, 6);
        Surface target(side, side);
        renderer.drawTextured(target);
        return std::vector<uint32_t>(target.pixels() + side * side / 2,
                                     target.pixels() + side * (side / 2 + 1));
    };
    // Each texel covers an eighth of the row: 8 pixels, its centre between pixels 3 and 4.
    const std::vector<uint32_t> repeat = row({TextureFilter::Nearest, TextureAddress::Repeat});
    const std::vector<uint32_t> clamp = row({TextureFilter::Nearest, TextureAddress::Clamp});
    const std::vector<uint32_t> mixed = row({TextureFilter::Bilinear, TextureAddress::Clamp});
    for (int x = 0; x < side; ++x) {
        const int cell = x / 8; // texel positions -2 to 6
        EXPECT_EQ(repeat[x], cell % 2 == 0 ? 0u : 0x00FFFFFFu) << x;
        EXPECT_EQ(clamp[x], cell <= 2 ? 0u : 0x00FFFFFFu) << x;
    }
    // Bilinear: black and white up to the centres of the edge texels, a ramp between them.
    EXPECT_EQ(mixed[20], 0u);
    EXPECT_EQ(mixed[28], 0x00FFFFFFu);
    for (int x = 21; x <= 28; ++x) {
        EXPECT_GT(blueOf(mixed[x]), blueOf(mixed[x - 1])) << x;
        EXPECT_EQ(redOf(mixed[x]), blueOf(mixed[x])) << x;
    }
}

// A sprite shows its texture multiplied by the point's colour, and the part of its square that
// lies on the target.
TEST(GeneralRules, SpritesAreMultipliedAndClippedAtTheEdges)
{
    Surface texture(4, 4);
    std::fill(texture.lock(), texture.lock() + 16, packColour(200, 100, 50));
    Renderer renderer(Viewport::forTarget(400, 300));
    renderer.setTexture(&texture);
    // At focal length 200 and depth 20 the side is trunc(50 x 200 / 320 / (20 / 6)) = 9.
    const float depth = 20.0f;
    const auto drawn = [&](float column, uint32_t colour) {
        Surface target(400, 300);
        const float x = (column - 200.0f) * depth / 200.0f;
        const Vertex point(x, 0, depth, colour);
        renderer.setVertexBuffers(&point, nullptr, 1);
        renderer.nextFrame();
        renderer.drawSprites(target);
        long count = 0;
        for (int i = 0; i < 400 * 300; ++i) count += target.pixels()[i] != 0;
        return std::make_pair(count, target.pixels()[150 * 400 + static_cast<int>(column)]);
    };
    const auto whole = drawn(100.0f, 0x00FFFFFF);
    EXPECT_EQ(whole.first, 81);
    EXPECT_EQ(whole.second, packColour(200, 100, 50)); // white shows the texel as it is
    EXPECT_EQ(drawn(100.0f, packColour(255, 128, 0)).second, packColour(200, 50, 0));
    EXPECT_EQ(drawn(390.0f, 0x00FFFFFF).first, 81);
    EXPECT_EQ(drawn(395.5f, 0x00FFFFFF).first, 5 * 9);
    EXPECT_EQ(drawn(-3.5f, 0x00FFFFFF).first, 6 * 9);
}

// Resizing keeps every setting: a resized renderer draws what a new one of that size, given the
// same settings, draws.
TEST(RendererResize, DrawsAsANewRendererOfThatSizeWithTheSameSettings)
{
    Surface texture(8, 8);
    for (int i = 0; i < 64; ++i) texture.lock()[i] = packColour(i * 4, 255 - i * 4, (i * 37) & 0xFF);
    const auto setUp = [&texture](Renderer& renderer) {
        renderer.addLight(Light::point(Vertex(10, -10, 0, 0), 0.8f, 0.9f, 1.0f));
        renderer.ambient = Ambient{0.2f, 0.2f, 0.2f};
        renderer.sampling.filter = TextureFilter::Bilinear;
        renderer.setTexture(&texture);
        translation(renderer.viewMatrix, 0, 0, 40);
        renderer.worldMatrix = rotationY(0.3f);
        renderer.backfaceCull = 0;
        renderer.setFrame(1234);
    };
    WorkerPool pool(2);
    Renderer resized(Viewport::forTarget(640, 480));
    setUp(resized);
    resized.setPool(&pool);
    Viewport wide = Viewport::forTarget(300, 120);
    wide.focalLength = 200.0;
    wide.farDistance = 500.0;
    resized.setViewport(wide);
    EXPECT_EQ(resized.frame(), 1234u);
    EXPECT_EQ(resized.pool(), &pool);
    EXPECT_EQ(resized.pixelCount(), 300u * 120u);
    Renderer fresh(wide);
    setUp(fresh);

    Mesh mesh = octahedron();
    Surface expected(300, 120), actual(300, 120);
    drawMesh(fresh, mesh, expected, DrawMode::Textured);
    drawMesh(resized, mesh, actual, DrawMode::Textured);
    EXPECT_TRUE(std::equal(expected.pixels(), expected.pixels() + 300 * 120, actual.pixels()));
    EXPECT_TRUE(std::any_of(actual.pixels(), actual.pixels() + 300 * 120, [](uint32_t p) { return p != 0; }));

    // A viewport that cannot be drawn with is refused, changing nothing.
    Viewport empty = wide;
    empty.width = 0;
    EXPECT_THROW(resized.setViewport(empty), std::invalid_argument);
    EXPECT_EQ(resized.viewport().width, 300);
    EXPECT_EQ(resized.pixelCount(), 300u * 120u);
}

// The frame count wraps after 2^32 - 1 without an empty picture: the depth keys of the last
// frames before it would hide every surface of the first ones after it.
TEST(RendererFrames, DrawThroughTheWrapOfTheFrameCount)
{
    const Vertex corners[3] = {Vertex(-20, -20, 40, 0x00FFFFFF), Vertex(20, -20, 40, 0x00FFFFFF),
                               Vertex(0, 20, 40, 0x00FFFFFF)};
    for (const Viewport& viewport : {Viewport::demo(), Viewport::forTarget(640, 480)}) {
        Renderer renderer(viewport);
        renderer.backfaceCull = 0;
        renderer.setVertexBuffers(corners, nullptr, 3);
        renderer.setFrame(std::numeric_limits<uint32_t>::max() - 2);
        Surface target(viewport.width, viewport.height);
        for (int frame = 0; frame < 5; ++frame) {
            target.clear();
            renderer.nextFrame();
            renderer.drawGouraud(target);
            const long drawn = std::count_if(target.pixels(),
                                             target.pixels() + target.width() * target.height(),
                                             [](uint32_t p) { return p != 0; });
            EXPECT_GT(drawn, 100) << "frame " << renderer.frame();
        }
        EXPECT_EQ(renderer.frame(), 2u);
    }
}

} // namespace tepple
