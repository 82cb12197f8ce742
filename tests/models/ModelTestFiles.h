#pragma once
// The test models, written once per test program into a folder of its own, and the pictures
// tepple-render's view draws of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ModelFiles.h"
#include "ModelView.h"

using namespace tepple;

// Made on first use, removed when the program ends.
inline const std::string& testModelFolder()
{
    struct Folder {
        std::string path;
        Folder()
        {
            char pattern[] = "/tmp/tepple-models-XXXXXX";
            const char* made = mkdtemp(pattern);
            if (!made) std::abort();
            path = made;
            writeTestModels(path);
        }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

inline std::string testModel(const std::string& name)
{
    return testModelFolder() + "/" + name;
}

// A 96 x 96 picture of the model file at the default view.
inline Shot drawModel(const std::string& path, RenderOptions options = {})
{
    if (options.width == 512) options.width = options.height = 96;
    tepple::Model model = tepple::loadModel(path);
    tepple::giveNormals(model, options.normals);
    ModelView view(model, options);
    return view.draw(options.azimuth, options.elevation, false);
}
