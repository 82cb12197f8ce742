#include "Png.h"

#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// libpng's simplified interface: it catches its own errors and reports them in the image
// record, so no longjmp crosses C++ frames here.
png_image blankRecord()
{
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    return record;
}

std::string reason(const png_image& record) { return record.message[0] != '\0' ? record.message : "unknown error"; }

} // namespace

std::vector<uint8_t> encodePng(const Picture& image)
{
    if (image.width <= 0 || image.height <= 0) throw PngError("cannot encode an empty picture");
    std::vector<uint8_t> rgb(image.pixels.size() * 3);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        rgb[3 * i] = static_cast<uint8_t>(image.pixels[i] >> 16);
        rgb[3 * i + 1] = static_cast<uint8_t>(image.pixels[i] >> 8);
        rgb[3 * i + 2] = static_cast<uint8_t>(image.pixels[i]);
    }
    png_image record = blankRecord();
    record.width = static_cast<png_uint_32>(image.width);
    record.height = static_cast<png_uint_32>(image.height);
    record.format = PNG_FORMAT_RGB;

    // The first call only measures; the second writes into a buffer of that size.
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&record, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
        throw PngError("PNG encoding failed: " + reason(record));
    }
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&record, bytes.data(), &size, 0, rgb.data(), 0, nullptr)) {
        throw PngError("PNG encoding failed: " + reason(record));
    }
    bytes.resize(size);
    return bytes;
}

Picture decodePng(const uint8_t* bytes, size_t size)
{
    png_image record = blankRecord();
    if (!png_image_begin_read_from_memory(&record, bytes, size)) {
        throw PngError("not a readable PNG: " + reason(record));
    }
    if (record.width == 0 || record.height == 0 || record.width > maxPngSide || record.height > maxPngSide) {
        png_image_free(&record);
        throw PngError("PNG of " + std::to_string(record.width) + " x " + std::to_string(record.height) +
                       " pixels is outside the accepted size");
    }
    record.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(record));
    if (!png_image_finish_read(&record, nullptr, rgb.data(), 0, nullptr)) {
        throw PngError("damaged PNG: " + reason(record));
    }
    Picture image(static_cast<int>(record.width), static_cast<int>(record.height));
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = static_cast<uint32_t>(rgb[3 * i]) << 16 | static_cast<uint32_t>(rgb[3 * i + 1]) << 8 |
                          rgb[3 * i + 2];
    }
    return image;
}

void writePngFile(const std::string& path, const Picture& image)
{
    const std::vector<uint8_t> bytes = encodePng(image);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw PngError("cannot write " + path);
}

Picture readPngFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) throw PngError("cannot read " + path + ": not a file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw PngError("cannot read " + path);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    try {
        return decodePng(bytes.data(), bytes.size());
    } catch (const PngError& problem) {
        throw PngError(path + ": " + problem.what());
    }
}
