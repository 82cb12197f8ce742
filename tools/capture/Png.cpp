#include "Png.h"

#include <libdeflate.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace tepple {

namespace {

// libpng's simplified interface, for reading: it catches its own errors and reports them in the
// image record, so no longjmp crosses C++ frames there.
png_image blankRecord()
{
    png_image record;
    std::memset(&record, 0, sizeof record);
    record.version = PNG_IMAGE_VERSION;
    return record;
}

std::string reason(const png_image& record) { return record.message[0] != '\0' ? record.message : "unknown error"; }

// Writing is done here rather than by libpng, whose compressor (zlib) takes twice as long as
// libdeflate at the same level for larger files: a frame sequence spends most of its time there.

constexpr uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t bytesPerPixel = 3;

enum RowFilter : uint8_t { filterNone = 0, filterSub = 1, filterUp = 2, filterAverage = 3, filterPaeth = 4 };

uint8_t paethPredictor(int left, int up, int upLeft)
{
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<uint8_t>(left);
    return static_cast<uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// One row filtered: out[i] = row[i] minus the filter's prediction from the byte to the left
// (a pixel back), the byte above and the byte above-left, all 0 outside the picture.
void filterRow(RowFilter filter, const uint8_t* row, const uint8_t* above, size_t size, uint8_t* out)
{
    for (size_t i = 0; i < size; ++i) {
        const int left = i >= bytesPerPixel ? row[i - bytesPerPixel] : 0;
        const int up = above != nullptr ? above[i] : 0;
        const int upLeft = above != nullptr && i >= bytesPerPixel ? above[i - bytesPerPixel] : 0;
        int prediction = 0;
        switch (filter) {
        case filterNone: prediction = 0; break;
        case filterSub: prediction = left; break;
        case filterUp: prediction = up; break;
        case filterAverage: prediction = (left + up) / 2; break;
        case filterPaeth: prediction = paethPredictor(left, up, upLeft); break;
        }
        out[i] = static_cast<uint8_t>(row[i] - prediction);
    }
}

// The usual choice among the five filters: the one whose output, read as signed bytes, sums to
// the least magnitude, as it tends to compress best.
size_t signedMagnitude(const uint8_t* bytes, size_t size)
{
    size_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += static_cast<size_t>(std::abs(static_cast<int8_t>(bytes[i])));
    return sum;
}

// The rows as PNG stores them: a filter-type byte, then the filtered RGB bytes. Fast filters every
// row with Sub (rendered rows are mostly smooth from left to right), Compact tries all five.
std::vector<uint8_t> filteredRows(const Picture& image, PngCompression compression)
{
    const size_t rowBytes = static_cast<size_t>(image.width) * bytesPerPixel;
    std::vector<uint8_t> rgb(rowBytes * 2);
    std::vector<uint8_t> trial(rowBytes);
    std::vector<uint8_t> out((rowBytes + 1) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        // Two rows of RGB bytes at a time: this one and, in the other half, the one above.
        uint8_t* row = rgb.data() + (y % 2) * rowBytes;
        const uint8_t* above = y > 0 ? rgb.data() + ((y + 1) % 2) * rowBytes : nullptr;
        const uint32_t* pixels = image.pixels.data() + static_cast<size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x) {
            row[3 * x] = static_cast<uint8_t>(pixels[x] >> 16);
            row[3 * x + 1] = static_cast<uint8_t>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<uint8_t>(pixels[x]);
        }
        uint8_t* target = out.data() + static_cast<size_t>(y) * (rowBytes + 1);
        if (compression == PngCompression::Fast) {
            target[0] = filterSub;
            filterRow(filterSub, row, above, rowBytes, target + 1);
            continue;
        }
        size_t best = SIZE_MAX;
        for (RowFilter filter : {filterNone, filterSub, filterUp, filterAverage, filterPaeth}) {
            filterRow(filter, row, above, rowBytes, trial.data());
            const size_t magnitude = signedMagnitude(trial.data(), rowBytes);
            if (magnitude < best) {
                best = magnitude;
                target[0] = filter;
                std::copy(trial.begin(), trial.end(), target + 1);
            }
        }
    }
    return out;
}

void putU32(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

// A chunk whose data already sits at `at + 8`: its length, type and CRC (of type and data) around it.
size_t frameChunk(uint8_t* at, const char* type, size_t dataSize)
{
    putU32(at, static_cast<uint32_t>(dataSize));
    std::memcpy(at + 4, type, 4);
    putU32(at + 8 + dataSize, static_cast<uint32_t>(libdeflate_crc32(0, at + 4, dataSize + 4)));
    return 12 + dataSize;
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

} // namespace

std::vector<uint8_t> encodePng(const Picture& image, PngCompression compression)
{
    if (image.width <= 0 || image.height <= 0) throw PngError("cannot encode an empty picture");
    const std::vector<uint8_t> rows = filteredRows(image, compression);
    // Level 1 is libdeflate's quickest; 9 compresses about as well as libpng's default for a
    // fraction of its time on these pictures.
    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(compression == PngCompression::Fast ? 1 : 9));
    if (!compressor) throw PngError("PNG encoding failed: out of memory");

    const size_t bound = libdeflate_zlib_compress_bound(compressor.get(), rows.size());
    constexpr size_t headerSize = 13;
    std::vector<uint8_t> bytes(sizeof pngSignature + (12 + headerSize) + (12 + bound) + 12);
    std::memcpy(bytes.data(), pngSignature, sizeof pngSignature);
    size_t at = sizeof pngSignature;

    uint8_t* header = bytes.data() + at + 8;
    putU32(header, static_cast<uint32_t>(image.width));
    putU32(header + 4, static_cast<uint32_t>(image.height));
    header[8] = 8;  // bits per channel
    header[9] = 2;  // colour type: RGB
    header[10] = 0; // deflate
    header[11] = 0; // the five row filters
    header[12] = 0; // not interlaced
    at += frameChunk(bytes.data() + at, "IHDR", headerSize);

    const size_t compressed =
        libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(), bytes.data() + at + 8, bound);
    if (compressed == 0) throw PngError("PNG encoding failed: the compressed rows outgrew their bound");
    at += frameChunk(bytes.data() + at, "IDAT", compressed);
    at += frameChunk(bytes.data() + at, "IEND", 0);
    bytes.resize(at);
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

void writePngFile(const std::string& path, const Picture& image, PngCompression compression, Durability durability)
{
    const std::vector<uint8_t> bytes = encodePng(image, compression);
    try {
        replaceFile(path, bytes, durability);
    } catch (const OutputError& error) {
        throw PngError(error.what());
    }
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

} // namespace tepple
