#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "geometry/Mesh.h"
#include "geometry/StarField.h"
#include "render/MeshDraw.h"
#include "render/Renderer.h"

namespace tepple {

namespace {

constexpr double pi = 3.14159265358979323846;

bool sameBits(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

// The corners the renderer holds, and the position and normal of corner k, whether handed over
// indexed or not.
size_t cornerCount(const Renderer& renderer)
{
    return renderer.indices.empty() ? renderer.positions.size() : renderer.indices.size();
}
size_t vertexOfCorner(const Renderer& renderer, size_t k)
{
    return renderer.indices.empty() ? k : static_cast<size_t>(renderer.indices[k]);
}
const Vertex& cornerPosition(const Renderer& renderer, size_t k)
{
    return renderer.positions[vertexOfCorner(renderer, k)];
}
const Vertex& cornerNormal(const Renderer& renderer, size_t k)
{
    return renderer.normals[vertexOfCorner(renderer, k)];
}

bool isIdentity(const Matrix4& m)
{
    const Matrix4 identity;
    return std::memcmp(m.e, identity.e, sizeof m.e) == 0;
}

// Two triangles of a unit square at the origin, with normals, texture coordinates and colours.
Mesh squareMesh()
{
    Vertex corners[4] = {Vertex(-1, -1, 0, 0x00FF0000), Vertex(1, -1, 0, 0x0000FF00),
                         Vertex(1, 1, 0, 0x000000FF), Vertex(-1, 1, 0, 0x00FFFFFF)};
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
    std::unique_ptr<Renderer> renderer = std::make_unique<Renderer>(Viewport::demo());
    Surface target{screenWidth, screenHeight};
    Mesh mesh = squareMesh();
};

} // namespace

TEST_F(MeshDraw, IdentityMatricesHandOverTheCornersUnchanged)
{
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    ASSERT_EQ(cornerCount(*renderer), 6u);
    ASSERT_EQ(renderer->normals.size(), renderer->positions.size());
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_TRUE(sameBits(cornerPosition(*renderer, k), mesh.cornerPositions[k])) << k;
        EXPECT_TRUE(sameBits(cornerNormal(*renderer, k), mesh.cornerNormals[k])) << k;
    }
}

TEST_F(MeshDraw, MatricesApplyDrawThenModelThenWorld)
{
    scaling(mesh.drawMatrix, 2, 1, 1);
    translation(mesh.modelMatrix, 1, 0, 0);
    renderer->worldMatrix = rotationZ(static_cast<float>(pi / 2));
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    // Corner 1 is (1, -1, 0): scaled to (2, -1, 0), moved to (3, -1, 0), turned to (1, 3, 0).
    const Vertex& moved = cornerPosition(*renderer, 1);
    EXPECT_NEAR(moved.x, 1.0, 1e-6);
    EXPECT_NEAR(moved.y, 3.0, 1e-6);
    EXPECT_NEAR(moved.z, 0.0, 1e-6);
    EXPECT_EQ(moved.colour, 0x0000FF00u);
    EXPECT_EQ(moved.texU, 1.0f);
    // The normal (0, 0, 1) takes the whole combined matrix, translation included: (0, 1, 1).
    const Vertex& normal = cornerNormal(*renderer, 1);
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
        EXPECT_EQ(cornerPosition(*renderer, k).x, 2 * mesh.cornerPositions[k].x) << k;
        EXPECT_EQ(cornerPosition(*renderer, k).y, 2 * mesh.cornerPositions[k].y) << k;
    }
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_TRUE(sameBits(cornerPosition(*renderer, k), mesh.cornerPositions[k])) << k;
    }
}

TEST_F(MeshDraw, ViewTranslationMovesPositionsAndNormals)
{
    renderer->viewMatrix.e[14] = 85;
    drawMesh(*renderer, mesh, target, DrawMode::Textured);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(cornerPosition(*renderer, k).z, mesh.cornerPositions[k].z + 85) << k;
        EXPECT_EQ(cornerPosition(*renderer, k).x, mesh.cornerPositions[k].x) << k;
        EXPECT_EQ(cornerNormal(*renderer, k).z, mesh.cornerNormals[k].z + 85) << k;
        EXPECT_EQ(cornerNormal(*renderer, k).x, mesh.cornerNormals[k].x) << k;
    }
}

TEST_F(MeshDraw, ViewRotationTurnsPositionsButNotNormals)
{
    // Normals use the combined matrix and only the view's translation.
    renderer->viewMatrix = rotationY(static_cast<float>(pi / 2));
    drawMesh(*renderer, mesh, target, DrawMode::Gouraud);
    EXPECT_NEAR(cornerPosition(*renderer, 1).z, -1.0, 1e-6); // (1, -1, 0) turned about y
    EXPECT_TRUE(sameBits(cornerNormal(*renderer, 1), mesh.cornerNormals[1]));
}

TEST_F(MeshDraw, OtherModesDrawNothingButTransformAndReset)
{
    for (int mode : {5, -1, 1000}) {
        scaling(mesh.drawMatrix, 3, 3, 3);
        drawMesh(*renderer, mesh, target, static_cast<DrawMode>(mode));
        EXPECT_TRUE(isIdentity(mesh.drawMatrix)) << mode;
        ASSERT_EQ(cornerCount(*renderer), 6u) << mode;
        EXPECT_EQ(cornerPosition(*renderer, 1).x, 3.0f) << mode; // the transforms still ran
        const uint32_t* pixels = target.pixels();
        const auto black = [](uint32_t pixel) { return pixel == 0; };
        EXPECT_TRUE(std::all_of(pixels, pixels + screenWidth * screenHeight, black)) << mode;
    }
}

// drawMesh writes the renderer's arrays in place; whatever an earlier draw of another kind left
// there, they must end up exactly as the buffer setters would leave them.
TEST_F(MeshDraw, TheRendererHoldsWhatItsBufferSettersWouldLeave)
{
    Mesh field;
    makeStarField(field, 40, 20.0f, 3u);
    const auto sameVertices = [](const std::vector<Vertex>& a, const std::vector<Vertex>& b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Vertex)) == 0;
    };
    const auto sameArrays = [&](const Renderer& drawn, const Renderer& set) {
        return sameVertices(drawn.positions, set.positions) && sameVertices(drawn.normals, set.normals) &&
               drawn.indices == set.indices;
    };
    Renderer set(Viewport::demo());
    for (int round = 0; round < 2; ++round) {
        drawMesh(*renderer, mesh, target, round == 0 ? DrawMode::Gouraud : static_cast<DrawMode>(9));
        set.setIndexedVertexBuffers(mesh.vertices.data(), mesh.vertexNormals.data(), mesh.vertices.size(),
                                    mesh.faceIndices.data(), mesh.faceIndices.size());
        EXPECT_TRUE(sameArrays(*renderer, set)) << "indexed, round " << round;

        drawMesh(*renderer, field, target, DrawMode::Sprites);
        set.setVertexBuffers(field.cornerPositions.data(), nullptr, field.cornerPositions.size());
        EXPECT_TRUE(sameArrays(*renderer, set)) << "sprites, round " << round;

        // An index outside the vertices: the corners built before it go over one by one.
        Mesh broken = mesh;
        broken.faceIndices[4] = 4;
        drawMesh(*renderer, broken, target, DrawMode::Flat);
        set.setVertexBuffers(mesh.cornerPositions.data(), mesh.cornerNormals.data(), 6);
        EXPECT_TRUE(sameArrays(*renderer, set)) << "corner by corner, round " << round;
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

// A mesh is ready to draw once parsed or built; one without faces hands over nothing.
TEST_F(MeshDraw, ParsedAndBuiltMeshesAreReadyToDrawAndAnEmptyOneHandsOverNothing)
{
    Mesh parsed;
    const std::vector<uint8_t> bytes =
        encodeLsb({Vertex(), Vertex(1, 0, 0, 0), Vertex(0, 1, 0, 0)}, {0, 1, 2});
    parsed.parse(bytes.data(), bytes.size(), "parsed.LSB");
    drawMesh(*renderer, parsed, target, DrawMode::Gouraud);
    EXPECT_EQ(cornerCount(*renderer), 3u);

    Mesh built = Mesh::build({Vertex(), Vertex(1, 0, 0, 0), Vertex(0, 1, 0, 0), Vertex(1, 1, 0, 0)},
                             {0, 1, 2, 1, 3, 2});
    EXPECT_EQ(built.faceCount, 2);
    EXPECT_EQ(built.vertexCount, 4);
    drawMesh(*renderer, built, target, DrawMode::Gouraud);
    EXPECT_EQ(cornerCount(*renderer), 6u);
    EXPECT_THROW(Mesh::build({Vertex()}, {0, 0}), std::invalid_argument);
    EXPECT_THROW(Mesh::build({Vertex()}, {0, 0, 1}), std::out_of_range);

    Mesh bare;
    drawMesh(*renderer, bare, target, DrawMode::Gouraud);
    EXPECT_EQ(cornerCount(*renderer), 0u);
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
    for (int mode = 0; mode <= 4; ++mode) {
        target.clear();
        renderer->nextFrame();
        drawMesh(*renderer, (mode == 3 ? field : mesh), target, static_cast<DrawMode>(mode));
        const uint32_t* pixels = target.pixels();
        int lit = 0;
        for (int i = 0; i < screenWidth * screenHeight; ++i) lit += pixels[i] != 0;
        EXPECT_GT(lit, 0) << "mode " << mode << " drew nothing";
    }
}

// A mesh handed over with its index list draws exactly what its corners handed over one by one
// draw: every vertex is shared by up to six triangles, and the second call relights them all, so
// a projection or a lit colour kept from the wrong corner or the previous call shows.
TEST_F(MeshDraw, IndexedDrawEqualsCornerByCornerDraw)
{
    std::vector<Vertex> grid;
    std::vector<int32_t> faces;
    constexpr int side = 6;
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            Vertex v(static_cast<float>(i) * 3 - 7, static_cast<float>(j) * 3 - 8,
                     static_cast<float>((i * j) % 3),
                     0x00204080u + static_cast<uint32_t>(i * 0x110000 + j * 0x1100));
            v.texU = v.texU2 = static_cast<float>(i) / side;
            v.texV = v.texV2 = static_cast<float>(j) / side;
            grid.push_back(v);
        }
    }
    for (int j = 0; j + 1 < side; ++j) {
        for (int i = 0; i + 1 < side; ++i) {
            const int a = j * side + i;
            faces.insert(faces.end(), {a, a + 1, a + side + 1, a, a + side + 1, a + side});
        }
    }
    const std::vector<uint8_t> bytes = encodeLsb(grid, faces);
    Mesh shared;
    shared.parse(bytes.data(), bytes.size(), "grid.LSB");
    shared.buildCorners();

    Surface texture(32, 32);
    for (int i = 0; i < 32 * 32; ++i) texture.lock()[i] = 0x00010203u * static_cast<uint32_t>(i % 85);
    auto cornerwise = std::make_unique<Renderer>(Viewport::demo());
    Surface cornerTarget{screenWidth, screenHeight};
    for (Renderer* r : {renderer.get(), cornerwise.get()}) {
        r->setTexture(&texture);
        r->backfaceCull = 0;
        r->viewMatrix.e[14] = 25;
    }
    const DrawMode modes[] = {DrawMode::Gouraud, DrawMode::Textured, DrawMode::DualTextured, DrawMode::Flat};
    for (int call = 0; call < 4; ++call) {
        for (Renderer* r : {renderer.get(), cornerwise.get()}) {
            r->clearLights();
            r->addLight(Light(Vertex(static_cast<float>(call * 9 - 10), 4, 10, 0), 13.1f, 9.0f + call, 5.0f));
            r->blendMode = static_cast<uint8_t>(call % 2);
            r->setSecondTexture(&texture);
        }
        drawMesh(*renderer, shared, target, modes[call]);
        ASSERT_FALSE(renderer->indices.empty());
        std::vector<Vertex> corners, normals;
        for (size_t k = 0; k < cornerCount(*renderer); ++k) {
            corners.push_back(cornerPosition(*renderer, k));
            normals.push_back(cornerNormal(*renderer, k));
        }
        // A fresh renderer for each corner-by-corner call, so nothing it worked out before can be
        // reused; only its buffers carry over.
        auto fresh = std::make_unique<Renderer>(Viewport::demo());
        std::memcpy(fresh->depthBuffer(), cornerwise->depthBuffer(), fresh->pixelCount() * sizeof(double));
        std::memcpy(fresh->accumBuffer(), cornerwise->accumBuffer(), fresh->pixelCount() * sizeof(uint32_t));
        fresh->setTexture(&texture);
        fresh->setSecondTexture(&texture);
        fresh->backfaceCull = 0;
        fresh->blendMode = cornerwise->blendMode;
        fresh->lights = cornerwise->lights;
        cornerwise = std::move(fresh);
        cornerwise->setVertexBuffers(corners.data(), normals.data(), corners.size());
        cornerwise->draw(modes[call], cornerTarget);
        ASSERT_EQ(std::memcmp(target.pixels(), cornerTarget.pixels(), screenWidth * screenHeight * 4), 0)
            << call;
        const size_t pixels = renderer->pixelCount();
        ASSERT_EQ(std::memcmp(renderer->depthBuffer(), cornerwise->depthBuffer(), pixels * sizeof(double)), 0)
            << call;
        const size_t accumBytes = pixels * sizeof(uint32_t);
        ASSERT_EQ(std::memcmp(renderer->accumBuffer(), cornerwise->accumBuffer(), accumBytes), 0) << call;
    }
    int drawn = 0;
    for (int i = 0; i < screenWidth * screenHeight; ++i) drawn += target.pixels()[i] != 0;
    EXPECT_GT(drawn, 1000);
}

} // namespace tepple
