// tepple-models: the test models of tepple-render, and the large ones its benchmark draws.
//   tepple-models FOLDER                   the test set (ModelFiles.h)
//   tepple-models --seeds FOLDER           small models for the model fuzzer, each file's first byte
//                                          the fuzzer's format number (fuzz/ModelFuzzer.cpp)
//   tepple-models --sphere BANDS FILE      a sphere of 2 x BANDS^2 triangles as .stl, .ply, .obj or
//                                          .glb (textured, its PNG inside) by FILE's extension
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "ModelFiles.h"
#include "Png.h"
#include "ReplacingFile.h"

using namespace tepple;

int main(int argc, char** argv)
{
    try {
        if (argc == 2) {
            writeTestModels(argv[1]);
            return 0;
        }
        if (argc == 3 && std::string(argv[1]) == "--seeds") {
            writeFuzzSeeds(argv[2]);
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "--sphere") {
            const int bands = std::atoi(argv[2]);
            if (bands < 2 || bands > 4000) throw std::runtime_error("BANDS must be from 2 to 4000");
            const std::string file = argv[3];
            const std::string extension = file.size() > 4 ? file.substr(file.size() - 4) : "";
            const MeshData sphere = makeTestSphere(bands);
            ModelLook look;
            if (extension == ".stl") {
                replaceFile(file, stlBinary(sphere), Durability::Unsynced);
            } else if (extension == ".ply") {
                look.colours = true;
                replaceFile(file, plyFile(sphere, look, true), Durability::Unsynced);
            } else if (extension == ".glb") {
                look.texture = true;
                look.baseColour = 0xFFFFFF;
                replaceFile(file, glbFile(sphere, look, encodePng(makeTestTexture(512))),
                            Durability::Unsynced);
            } else if (extension == ".obj") {
                const std::string text = objText(sphere, look, "");
                replaceFile(file, text.data(), text.size(), Durability::Unsynced);
            } else {
                throw std::runtime_error("FILE must end in .stl, .ply, .glb or .obj");
            }
            return 0;
        }
        std::fputs("usage: tepple-models FOLDER | --seeds FOLDER | --sphere BANDS FILE\n", stderr);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-models: %s\n", error.what());
        return 1;
    }
}
