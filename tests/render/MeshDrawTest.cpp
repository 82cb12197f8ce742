#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "geometry/Mesh.h"
#include "geometry/StarField.h"
#include "render/MeshDraw.h"
#include "render/Renderer.h"

namespace {

constexpr double pi = 3.14159265358979323846;

bool sameBits(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

bool isIdentity(const Matrix4& m)
{
    const Matrix4 identity;
    return std::memcmp(m.e, identity.e, sizeof m.e) == 0;
}

// Two triangles of a unit square at the origin, with normals, texture coordinates and colours.
Mesh squareMesh()
{
    Vertex corners[4] = {Vertex(-1, -1, 0, 0x00FF0000), Vertex(1, -1, 0, 0x0000FF00), Vertex(1, 1, 0, 0x000000FF),
                         Vertex(-1, 1, 0, 0x00FFFFFF)};
    for (Vertex& corner : corners) {
        corner.texU = corner.texU2 = (corner.x + 1) / 2;
        corner.texV = corner.texV2 = (corner.y + 1) / 2;
    }
    const std::vector<uint8_t> bytes =
        encodeLsb(std::vector<Vertex>(corners, corners + 4), {0, 1, 2, 0, 2, 3});
    Mesh mesh;
    mesh.parse(bytes.data(), bytes.size(), "square.LSB");
    mesh.buildCorners();
    return mesh;
}

class MeshDraw : public ::testing::Test {
protected:
    std::unique_ptr<Renderer> renderer = std::make_unique<Renderer>();
    Surface target{screenWidth, screenHeight};
    Mesh mesh = squareMesh();
};

} // namespace

TEST_F(MeshDraw, IdentityMatricesHandOverTheCornersUnchanged)
{
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    ASSERT_EQ(renderer->positions.size(), 6u);
    ASSERT_EQ(renderer->normals.size(), 6u);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_TRUE(sameBits(renderer->positions[k], mesh.cornerPositions[k])) << k;
        EXPECT_TRUE(sameBits(renderer->normals[k], mesh.cornerNormals[k])) << k;
    }
}

TEST_F(MeshDraw, MatricesApplyDrawThenModelThenWorld)
{
    scaling(mesh.drawMatrix, 2, 1, 1);
    translation(mesh.modelMatrix, 1, 0, 0);
    renderer->worldMatrix = rotationZ(static_cast<float>(pi / 2));
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    // Corner 1 is (1, -1, 0): scaled to (2, -1, 0), moved to (3, -1, 0), turned to (1, 3, 0).
    const Vertex& moved = renderer->positions[1];
    EXPECT_NEAR(moved.x, 1.0, 1e-6);
    EXPECT_NEAR(moved.y, 3.0, 1e-6);
    EXPECT_NEAR(moved.z, 0.0, 1e-6);
    EXPECT_EQ(moved.colour, 0x0000FF00u);
    EXPECT_EQ(moved.texU, 1.0f);
    // The normal (0, 0, 1) takes the whole combined matrix, translation included: (0, 1, 1).
    const Vertex& normal = renderer->normals[1];
    EXPECT_NEAR(normal.x, 0.0, 1e-6);
    EXPECT_NEAR(normal.y, 1.0, 1e-6);
    EXPECT_NEAR(normal.z, 1.0, 1e-6);
}

TEST_F(MeshDraw, DrawScaleAppliesToOneDrawOnly)
{
    scaling(mesh.drawMatrix, 2, 2, 2);
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    EXPECT_TRUE(isIdentity(mesh.drawMatrix));
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(renderer->positions[k].x, 2 * mesh.cornerPositions[k].x) << k;
        EXPECT_EQ(renderer->positions[k].y, 2 * mesh.cornerPositions[k].y) << k;
    }
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    for (size_t k = 0; k < 6; ++k) EXPECT_TRUE(sameBits(renderer->positions[k], mesh.cornerPositions[k])) << k;
}

TEST_F(MeshDraw, ViewTranslationMovesPositionsAndNormals)
{
    renderer->viewMatrix.e[14] = 85;
    drawMesh(*renderer, mesh, target, DrawMode::Textured);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(renderer->positions[k].z, mesh.cornerPositions[k].z + 85) << k;
        EXPECT_EQ(renderer->positions[k].x, mesh.cornerPositions[k].x) << k;
        EXPECT_EQ(renderer->normals[k].z, mesh.cornerNormals[k].z + 85) << k;
        EXPECT_EQ(renderer->normals[k].x, mesh.cornerNormals[k].x) << k;
    }
}

TEST_F(MeshDraw, ViewRotationTurnsPositionsButNotNormals)
{
    // Normals use the combined matrix and only the view's translation.
    renderer->viewMatrix = rotationY(static_cast<float>(pi / 2));
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    EXPECT_NEAR(renderer->positions[1].z, -1.0, 1e-6); // (1, -1, 0) turned about y
    EXPECT_TRUE(sameBits(renderer->normals[1], mesh.cornerNormals[1]));
}

TEST_F(MeshDraw, OtherModesDrawNothingButTransformAndReset)
{
    const Vertex marker(7, 7, 7, 7);
    for (int mode : {5, -1, 1000}) {
        renderer->setVertexBuffers(&marker, &marker, 1);
        scaling(mesh.drawMatrix, 3, 3, 3);
        drawMesh(*renderer, mesh, target, static_cast<DrawMode>(mode));
        EXPECT_TRUE(isIdentity(mesh.drawMatrix)) << mode;
        ASSERT_EQ(renderer->positions.size(), 1u) << mode;
        EXPECT_TRUE(sameBits(renderer->positions[0], marker)) << mode;
        EXPECT_EQ(mesh.outPositions[1].x, 3.0f) << mode; // the transforms still ran
    }
}

TEST_F(MeshDraw, SpriteModeHandsEveryPointAndNoNormals)
{
    Mesh field;
    makeStarField(field, 100, 20.0f, 5u);
    renderer->viewMatrix.e[13] = 1;
    scaling(field.drawMatrix, 2, 2, 2);
    drawMesh(*renderer, field, target, DrawMode::Sprites);
    ASSERT_EQ(renderer->positions.size(), 100u);
    EXPECT_TRUE(renderer->normals.empty());
    for (size_t i = 0; i < 100; ++i) {
        const Vertex& point = field.cornerPositions[i];
        EXPECT_EQ(renderer->positions[i].x, 2 * point.x) << i;
        EXPECT_EQ(renderer->positions[i].y, 2 * point.y + 1) << i;
        EXPECT_EQ(renderer->positions[i].colour, point.colour) << i;
    }
    EXPECT_TRUE(isIdentity(field.drawMatrix));
}

TEST_F(MeshDraw, SpriteModeOnALoadedMeshStaysInsideItsArrays)
{
    // Four vertices but only 2 x 3 + 1 = 7 corner entries: fine. Make the vertices outnumber them.
    mesh.vertexCount = 50;
    drawMesh(*renderer, mesh, target, DrawMode::Sprites);
    EXPECT_EQ(renderer->positions.size(), 7u);
}

TEST_F(MeshDraw, MeshWithoutCornersHandsOverNothing)
{
    Mesh bare;
    const std::vector<uint8_t> bytes = encodeLsb({Vertex(), Vertex(), Vertex()}, {0, 1, 2});
    bare.parse(bytes.data(), bytes.size(), "bare.LSB");
    drawMesh(*renderer, bare, target, DrawMode::Gouraud);
    EXPECT_TRUE(renderer->positions.empty());
}

TEST_F(MeshDraw, EveryModeDrawsIntoAHeadlessSurface)
{
    Surface texture(64, 64);
    uint32_t* texels = texture.lock();
    for (int i = 0; i < 64 * 64; ++i) texels[i] = 0x00C08040;
    renderer->setTexture(&texture);
    renderer->setSecondTexture(&texture);
    renderer->addLight(Light(Vertex(0, 0, 30, 0), 13.1f, 13.1f, 13.1f));
    renderer->backfaceCull = 0;
    // 20 units ahead: inside the 10-1000 distance window where triangles write colour.
    renderer->viewMatrix.e[14] = 20;

    Mesh field;
    makeStarField(field, 20, 0.0f, 9u);
    const uint32_t savedFrameCounter = frameCounter;
    for (int mode = 0; mode <= 4; ++mode) {
        target.clear();
        ++frameCounter;
        drawMesh(*renderer, (mode == 3 ? field : mesh), target, static_cast<DrawMode>(mode));
        const uint32_t* pixels = target.pixels();
        int lit = 0;
        for (int i = 0; i < screenWidth * screenHeight; ++i) lit += pixels[i] != 0;
        EXPECT_GT(lit, 0) << "mode " << mode << " drew nothing";
    }
    frameCounter = savedFrameCounter;
}
