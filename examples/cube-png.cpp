// cube-png: the spinning cube drawn with no display at all, each frame written as a PNG file.
//   cube-png <width> <height> <folder> [frames]
// Writes <folder>/cube-000.png, cube-001.png, ... (3 frames unless told), the cube turned a fixed
// step further in each, so the same command always gives the same pictures. Any size from 1 x 1
// up works: the camera's field of view spans the width.
#include <png.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cube.h"

namespace {

// A whole number from min to max, or -1.
long numberIn(const char* text, long min, long max)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *text != '\0' && *end == '\0' && value >= min && value <= max ? value : -1;
}

// Makes the folder and any missing folder above it. False, with errno set, on failure.
bool makeFolders(const std::string& folder)
{
    for (size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// Writes the picture as an 8-bit RGB PNG through a temporary file renamed into place, so a
// picture is never seen half-written. False, with the reason on standard error, on failure.
bool writePng(const std::string& path, const Surface& picture)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(picture.width()) * picture.height() * 3);
    for (size_t i = 0; i < static_cast<size_t>(picture.width()) * picture.height(); ++i) {
        const uint32_t colour = picture.pixels()[i];
        rgb.insert(rgb.end(), {static_cast<uint8_t>(redOf(colour)), static_cast<uint8_t>(greenOf(colour)),
                               static_cast<uint8_t>(blueOf(colour))});
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = PNG_FORMAT_RGB;
    const std::string temporary = path + ".part";
    if (!png_image_write_to_file(&image, temporary.c_str(), 0, rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "cube-png: cannot write %s: %s\n", temporary.c_str(), image.message);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "cube-png: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const long width = argc >= 4 ? numberIn(argv[1], 1, Viewport::maxSide) : -1;
    const long height = argc >= 4 ? numberIn(argv[2], 1, Viewport::maxSide) : -1;
    const long frames = argc == 5 ? numberIn(argv[4], 1, 100000) : 3;
    if (argc < 4 || argc > 5 || width < 0 || height < 0 || frames < 0) {
        std::fprintf(stderr, "usage: cube-png <width> <height> <folder> [frames]\n"
                             "  width and height from 1 to %d, frames from 1 (3 unless given)\n",
                     Viewport::maxSide);
        return 2;
    }
    std::string folder = argv[3];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!makeFolders(folder)) {
        std::fprintf(stderr, "cube-png: cannot make the folder %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }

    try {
        // A viewport filling the picture: the eye's axis at its centre, a 90-degree field of view
        // across its width, and the visibility window 10 to 1000 units in front of the eye.
        Renderer renderer(Viewport::forTarget(static_cast<int>(width), static_cast<int>(height)));
        Surface picture(static_cast<int>(width), static_cast<int>(height));
        CubeScene scene(renderer);
        for (long frame = 0; frame < frames; ++frame) {
            scene.draw(picture, 0.4f + 0.35f * static_cast<float>(frame));
            char name[32];
            std::snprintf(name, sizeof name, "/cube-%03ld.png", frame);
            if (!writePng(folder + name, picture)) return 1;
            std::printf("%s%s\n", folder.c_str(), name);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cube-png: %s\n", error.what());
        return 1;
    }
    return 0;
}
