// same-picture <expected.png> <actual.png>
// Exit 0 when both pictures have the same size and every pixel the same red, green and blue; else 1,
// naming the difference (sizes, or how many pixels differ and the first one). 2 when a file cannot
// be read as a PNG.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct Picture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<uint8_t> rgb;
};

bool readPng(const char* path, Picture& picture)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "same-picture: cannot read %s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "same-picture: cannot read %s: %s\n", path, image.message);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: same-picture <expected.png> <actual.png>\n");
        return 2;
    }
    Picture expected, actual;
    if (!readPng(argv[1], expected) || !readPng(argv[2], actual)) return 2;
    if (expected.width != actual.width || expected.height != actual.height) {
        std::fprintf(stderr, "%s is %ux%u, %s is %ux%u\n", argv[1], expected.width, expected.height, argv[2],
                     actual.width, actual.height);
        return 1;
    }
    size_t differing = 0, first = 0;
    for (size_t pixel = 0; pixel < size_t{expected.width} * expected.height; ++pixel) {
        const uint8_t* a = &expected.rgb[3 * pixel];
        const uint8_t* b = &actual.rgb[3 * pixel];
        if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2]) {
            if (differing++ == 0) first = pixel;
        }
    }
    if (differing == 0) return 0;
    std::fprintf(stderr, "%s and %s differ in %zu pixels, the first at column %zu, row %zu\n", argv[1], argv[2],
                 differing, first % expected.width, first / expected.width);
    return 1;
}
