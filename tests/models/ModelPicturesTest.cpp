// tepple-render's pictures of the test models: one shape read from every format draws one
// picture (edges aside), each format's picture is held to a reference, and the bytes do not
// depend on the threads or the lane width.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ModelTestFiles.h"
#include "Png.h"

namespace {

// Pixels of a and b whose channels differ by more than `tolerance`, not counting those on or
// beside an outline (where the coverage differs between the two, or changes next to them).
int differingInside(const Shot& a, const Shot& b, int tolerance)
{
    int count = 0;
    for (int y = 1; y + 1 < a.height; ++y) {
        for (int x = 1; x + 1 < a.width; ++x) {
            bool edge = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const size_t at = size_t(y + dy) * a.width + size_t(x + dx);
                    edge = edge || a.alpha[at] != b.alpha[at] ||
                           a.alpha[at] != a.alpha[size_t(y) * a.width + x];
                }
            }
            const uint32_t p = a.colour[size_t(y) * a.width + x], q = b.colour[size_t(y) * a.width + x];
            if (edge) continue;
            if (std::abs(redOf(p) - redOf(q)) > tolerance || std::abs(greenOf(p) - greenOf(q)) > tolerance ||
                std::abs(blueOf(p) - blueOf(q)) > tolerance) {
                ++count;
            }
        }
    }
    return count;
}

int covered(const Shot& shot)
{
    int count = 0;
    for (uint8_t a : shot.alpha) count += a == 255;
    return count;
}

RenderOptions transparentFlat()
{
    RenderOptions options;
    options.transparent = true;
    options.normals = tepple::NormalRule::Flat;
    return options;
}

} // namespace

TEST(ModelPictures, OneShapeFromEveryFormatDrawsOnePicture)
{
    // The knot, with no colour of its own, in all seven files; flat, so that each triangle is lit
    // the same whatever normals the file carries.
    const Shot reference = drawModel(testModel("knot.stl"), transparentFlat());
    ASSERT_GT(covered(reference), 96 * 96 / 8);
    for (const char* name :
         {"knot-ascii.stl", "knot.obj", "knot.gltf", "knot.glb", "knot.ply", "knot-ascii.ply"}) {
        SCOPED_TRACE(name);
        const Shot shot = drawModel(testModel(name), transparentFlat());
        EXPECT_LE(differingInside(reference, shot, 2), 96 * 96 / 200);
        EXPECT_NEAR(covered(shot), covered(reference), 96);
    }
    // Colours and textures: the same vertex colours from PLY (binary and ASCII) and GLB, and the
    // same texture through OBJ + MTL, glTF with its files, and GLB with the image inside.
    for (auto group :
         {std::vector<const char*>{"knot-colour.ply", "knot-colour-ascii.ply", "knot-colour.glb"},
          std::vector<const char*>{"capsule.obj", "capsule.gltf", "capsule.glb"}}) {
        const Shot first = drawModel(testModel(group[0]), transparentFlat());
        for (size_t i = 1; i < group.size(); ++i) {
            SCOPED_TRACE(group[i]);
            EXPECT_LE(differingInside(first, drawModel(testModel(group[i]), transparentFlat()), 2),
                      96 * 96 / 200);
        }
    }
}

TEST(ModelPictures, EachFormatMatchesItsReference)
{
    // TEPPLE_UPDATE_REFERENCES=1 writes the pictures as the new references instead.
    const bool update = std::getenv("TEPPLE_UPDATE_REFERENCES") != nullptr;
    for (const char* name :
         {"knot.stl", "knot.obj", "knot.gltf", "knot-colour.ply", "capsule.glb", "capsule.obj"}) {
        SCOPED_TRACE(name);
        RenderOptions options;
        options.azimuth = 40;
        const Shot shot = drawModel(testModel(name), options);
        const Picture picture = Picture::fromPixels(shot.colour.data(), shot.width, shot.height);
        const std::string reference = std::string(TEPPLE_SOURCE_DIR) + "/tests/models/reference/" + name +
                                      ".png";
        if (update) {
            writePngFile(reference, picture);
            continue;
        }
        const Picture expected = readPngFile(reference);
        ASSERT_EQ(expected.width, picture.width);
        EXPECT_TRUE(expected.pixels == picture.pixels) << "differs from " << reference;
    }
}

TEST(ModelPictures, SameBytesForAnyThreadsAndLanes)
{
    RenderOptions options;
    options.threads = 1;
    options.laneWidth = 1;
    options.width = options.height = 128;
    const Shot one = drawModel(testModel("capsule.glb"), options);
    const Shot knotOne = drawModel(testModel("knot-colour.ply"), options);
    options.threads = 3;
    options.laneWidth = 0;
    EXPECT_TRUE(one.colour == drawModel(testModel("capsule.glb"), options).colour);
    EXPECT_TRUE(knotOne.colour == drawModel(testModel("knot-colour.ply"), options).colour);
}

TEST(ModelPictures, TurntableKeepsTheModelOneSize)
{
    // Steady framing: the bounding sphere fits every view, so no view of a turn is cut off.
    tepple::Model model = tepple::loadModel(testModel("capsule.glb"));
    tepple::giveNormals(model, tepple::NormalRule::Auto);
    RenderOptions options;
    options.width = options.height = 64;
    options.transparent = true;
    ModelView view(model, options);
    for (int step = 0; step < 8; ++step) {
        const Shot shot = view.draw(45.0 * step, 60, true);
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(shot.alpha[size_t(i)], 0);
            EXPECT_EQ(shot.alpha[size_t(63 * 64 + i)], 0);
            EXPECT_EQ(shot.alpha[size_t(i * 64)], 0);
        }
        EXPECT_GT(covered(shot), 200);
    }
}
