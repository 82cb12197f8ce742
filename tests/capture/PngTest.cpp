// PNG writing and reading through libpng: exact round trips, and damaged or hostile input refused
// with a message instead of a crash or a huge allocation.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Png.h"

namespace tepple {

namespace {

Picture gradient(int width, int height)
{
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.at(x, y) = static_cast<uint32_t>((x * 37) & 0xFF) << 16 |
                               static_cast<uint32_t>((y * 91) & 0xFF) << 8 | static_cast<uint32_t>((x ^ y) & 0xFF);
        }
    }
    return picture;
}

TEST(Png, RoundTripKeepsEveryPixel)
{
    const Picture original = gradient(67, 45);
    for (PngCompression compression : {PngCompression::Compact, PngCompression::Fast}) {
        SCOPED_TRACE(compression == PngCompression::Fast ? "fast" : "compact");
        const std::vector<uint8_t> bytes = encodePng(original, compression);
        ASSERT_GT(bytes.size(), 8u);
        EXPECT_EQ(bytes[1], 'P');
        const Picture decoded = decodePng(bytes.data(), bytes.size());
        EXPECT_EQ(decoded.width, 67);
        EXPECT_EQ(decoded.height, 45);
        EXPECT_EQ(decoded.pixels, original.pixels);
    }
}

TEST(Png, TheUnusedTopByteIsNotWritten)
{
    Picture picture(2, 1);
    picture.pixels = {0xFF123456, 0x00123456};
    const Picture decoded = decodePng(encodePng(picture).data(), encodePng(picture).size());
    EXPECT_EQ(decoded.pixels, (std::vector<uint32_t>{0x123456, 0x123456}));
}

TEST(Png, EmptyPicturesCannotBeEncoded)
{
    EXPECT_THROW(encodePng(Picture()), PngError);
}

TEST(Png, DamagedDataIsRefused)
{
    const std::vector<uint8_t> good = encodePng(gradient(16, 16));
    EXPECT_THROW(decodePng(good.data(), 0), PngError);
    EXPECT_THROW(decodePng(good.data(), 20), PngError);
    EXPECT_THROW(decodePng(good.data(), good.size() / 2), PngError);
    std::vector<uint8_t> flipped = good;
    flipped[flipped.size() / 2] ^= 0x55;
    EXPECT_THROW(decodePng(flipped.data(), flipped.size()), PngError);
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    EXPECT_THROW(decodePng(text.data(), text.size()), PngError);
}

TEST(Png, PicturesBeyondTheSizeLimitAreRefusedWhenRead)
{
    for (const auto& [width, height] : {std::pair<int, int>{maxPngSide + 1, 1}, {1, maxPngSide + 1}}) {
        const std::vector<uint8_t> bytes = encodePng(Picture(width, height, 0x00808080));
        EXPECT_THROW(decodePng(bytes.data(), bytes.size()), PngError) << width << " x " << height;
    }
    const std::vector<uint8_t> largest = encodePng(Picture(maxPngSide, 1, 0x00808080));
    EXPECT_EQ(decodePng(largest.data(), largest.size()).width, maxPngSide);
}

TEST(Png, FilesNameThemselvesInErrors)
{
    const std::string folder = (std::filesystem::temp_directory_path() / "tepple-png-test").string();
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/picture.png";
    writePngFile(path, gradient(3, 2));
    EXPECT_EQ(readPngFile(path).pixels, gradient(3, 2).pixels);

    try {
        readPngFile(folder + "/missing.png");
        ADD_FAILURE() << "a missing file was read";
    } catch (const PngError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.png"), std::string::npos);
    }
    EXPECT_THROW(readPngFile(folder), PngError);
    EXPECT_THROW(writePngFile(folder + "/no/such/folder.png", gradient(3, 2)), PngError);
    std::filesystem::remove_all(folder);
}

} // namespace

} // namespace tepple
