// tepple-assets OUTPUT_FOLDER: writes the demo's eleven data files into the folder.
#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>

#include "Catalogue.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tepple-assets OUTPUT_FOLDER\n";
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        writeAssets(argv[1], std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "tepple-assets: " << error.what() << '\n';
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "tepple-assets: all files written in %.2f s\n", seconds);
    return 0;
}
