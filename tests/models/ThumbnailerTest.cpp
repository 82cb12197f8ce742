// The installed thumbnailer entry, run as a file manager runs it: its Exec line with the size,
// the input and the output put in, the picture it writes read back.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <fstream>
#include <memory>
#include <regex>

#include "ModelTestFiles.h"

TEST(Thumbnailer, ItsExecLineMakesATransparentThumbnailOfTheSizeAsked)
{
    std::ifstream entry(std::string(TEPPLE_SOURCE_DIR) + "/tools/render/tepple-render.thumbnailer");
    std::string line, exec, types;
    while (std::getline(entry, line)) {
        if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
        if (line.rfind("MimeType=", 0) == 0) types = line.substr(9);
    }
    for (const char* type : {"model/stl;", "model/obj;", "model/gltf-binary;", "model/gltf+json;"}) {
        EXPECT_NE(types.find(type), std::string::npos) << type;
    }
    ASSERT_EQ(exec.rfind("tepple-render ", 0), 0u) << exec;
    for (const char* name : {"knot.stl", "capsule.glb", "knot-colour.ply", "capsule.obj"}) {
        SCOPED_TRACE(name);
        const std::string output = testModel(std::string(name) + "-thumbnail.png");
        std::string command = exec;
        command.replace(0, std::string("tepple-render").size(), TEPPLE_RENDER);
        command = std::regex_replace(command, std::regex("%s"), "100");
        command = std::regex_replace(command, std::regex("%i"), "'" + testModel(name) + "'");
        command = std::regex_replace(command, std::regex("%o"), "'" + output + "'");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        int width = 0, height = 0, channels = 0;
        std::unique_ptr<stbi_uc, void (*)(void*)> pixels(stbi_load(output.c_str(), &width, &height, &channels,
                                                                   4),
                                                         stbi_image_free);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(width, 100);
        EXPECT_EQ(height, 100);
        EXPECT_EQ(channels, 4);
        EXPECT_EQ(pixels.get()[3], 0) << "the corner is not transparent";
        int opaque = 0;
        for (int i = 0; i < width * height; ++i) opaque += pixels.get()[i * 4 + 3] == 255;
        EXPECT_GT(opaque, width * height / 10);
    }
}
