// The examples' pictures, drawn with the general rules, against references kept in
// tests/pictures/reference-examples/: the cube of cube-png and cube-sdl (examples/cube.h) and a
// mesh as lsb-viewer shows it (examples/lsb-view.h), smooth and flat. Any change to the general
// rules' lighting, normals or texture reads shows here; look at the pictures before blessing new
// ones with `tepple_example_picture_tests --write` (scripts/bless-pictures.sh runs it).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Png.h"
#include "PictureDiff.h"
#include "cube.h"
#include "lsb-view.h"

namespace {

constexpr int width = 320;
constexpr int height = 240;

bool writing = false;

struct Drawn {
    std::string name;
    Picture picture;
};

Picture pictureOf(const Surface& surface)
{
    return Picture::fromPixels(surface.pixels(), surface.width(), surface.height());
}

std::vector<Drawn> drawExamples()
{
    std::vector<Drawn> drawn;
    Renderer renderer(Viewport::forTarget(width, height));
    Surface picture(width, height);
    {
        CubeScene scene(renderer);
        // The first frames cube-png writes.
        for (int frame = 0; frame < 3; ++frame) {
            scene.draw(picture, 0.4f + 0.35f * static_cast<float>(frame));
            drawn.push_back({"cube-" + std::to_string(frame) + ".png", pictureOf(picture)});
        }
    }
    Renderer meshRenderer(Viewport::forTarget(width, height));
    lightMeshView(meshRenderer);
    Mesh mesh;
    mesh.load(std::string(TEPPLE_RUN_DIR) + "/capsule.LSB");
    const Matrix4 fitting = fittingMatrix(mesh);
    drawMeshView(meshRenderer, mesh, fitting, picture, 0.3f, 0.5f, 90.0f, DrawMode::Gouraud);
    drawn.push_back({"mesh-gouraud.png", pictureOf(picture)});
    drawMeshView(meshRenderer, mesh, fitting, picture, 0.3f, 0.5f, 90.0f, DrawMode::Flat);
    drawn.push_back({"mesh-flat.png", pictureOf(picture)});
    return drawn;
}

std::string referencePath(const std::string& name)
{
    return std::string(TEPPLE_SOURCE_DIR) + "/tests/pictures/reference-examples/" + name;
}

// The picture drawn, for a reviewer, in the build folder's example-picture-failures/.
void keepFailure(const Drawn& example)
{
    const std::string folder = std::string(TEPPLE_FAILURES_DIR) + "/example-picture-failures";
    std::filesystem::create_directories(folder);
    writePngFile(folder + "/" + example.name, example.picture);
}

TEST(ExamplePictures, MatchTheirReferencesExactly)
{
    for (const Drawn& example : drawExamples()) {
        if (writing) {
            writePngFile(referencePath(example.name), example.picture);
            continue;
        }
        Picture expected;
        try {
            expected = readPngFile(referencePath(example.name));
        } catch (const PngError& error) {
            ADD_FAILURE() << error.what()
                          << " (make the references with tepple_example_picture_tests --write)";
            keepFailure(example);
            continue;
        }
        const PictureDifference difference = comparePictures(expected, example.picture);
        if (!difference.identical()) {
            ADD_FAILURE() << example.name << ": " << difference.describe();
            keepFailure(example);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) writing = writing || std::strcmp(argv[i], "--write") == 0;
    return RUN_ALL_TESTS();
}
