#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "media/Tga.h"

namespace tepple {

namespace {

using Picture = std::vector<std::vector<uint32_t>>;  // rows top first, 0x00RRGGBB

// A well-formed uncompressed 24-bit TGA header with origin at the lower left.
std::vector<uint8_t> tgaHeader(int width, int height)
{
    std::vector<uint8_t> header(18, 0);
    header[2] = 2;
    header[12] = static_cast<uint8_t>(width & 0xFF);
    header[13] = static_cast<uint8_t>(width >> 8);
    header[14] = static_cast<uint8_t>(height & 0xFF);
    header[15] = static_cast<uint8_t>(height >> 8);
    header[16] = 24;
    return header;
}

// A TGA file of the picture: bottom row first, bytes blue, green, red.
std::vector<uint8_t> tgaFile(const Picture& picture)
{
    const int height = static_cast<int>(picture.size());
    const int width = height == 0 ? 0 : static_cast<int>(picture[0].size());
    std::vector<uint8_t> bytes = tgaHeader(width, height);
    for (int row = height - 1; row >= 0; --row) {
        for (uint32_t colour : picture[row]) {
            bytes.push_back(static_cast<uint8_t>(colour));
            bytes.push_back(static_cast<uint8_t>(colour >> 8));
            bytes.push_back(static_cast<uint8_t>(colour >> 16));
        }
    }
    return bytes;
}

Picture pictureOf(const Surface& surface)
{
    Picture picture(surface.height(), std::vector<uint32_t>(surface.width()));
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) picture[y][x] = surface.pixels()[y * surface.width() + x];
    }
    return picture;
}

Surface decoded(const std::vector<uint8_t>& bytes, int width, int height)
{
    Surface surface(width, height);
    decodeTga(bytes.data(), bytes.size(), surface);
    return surface;
}

// Fills a surface with a colour so tests can see that a load replaced it.
void paint(Surface& surface, uint32_t colour)
{
    uint32_t* pixels = surface.lock();
    for (int i = 0; i < surface.width() * surface.height(); ++i) pixels[i] = colour;
}

class CountingMessages : public MessageSink {
public:
    void message(const std::string& text, const std::string& caption, const std::string& detail) override
    {
        texts.push_back(text);
        captions.push_back(caption);
        details.push_back(detail);
    }
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    std::vector<std::string> details;
};

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "tepple_tga_" + name;
}

bool fileExists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = tempPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

constexpr uint32_t red = 0x00FF0000;
constexpr uint32_t blue = 0x000000FF;

// A red "F" on blue: no mirror or flip of it looks the same, and red and blue swap visibly.
Picture letterF()
{
    const char* rows[] = {
        "#####.",
        "#.....",
        "####..",
        "#.....",
        "#.....",
    };
    Picture picture;
    for (const char* row : rows) {
        std::vector<uint32_t> line;
        for (const char* c = row; *c != '\0'; ++c) line.push_back(*c == '#' ? red : blue);
        picture.push_back(line);
    }
    return picture;
}

} // namespace

TEST(TgaDecode, TwoByTwoExample)
{
    std::vector<uint8_t> bytes = tgaHeader(2, 2);
    const uint8_t pixelBytes[] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
    bytes.insert(bytes.end(), std::begin(pixelBytes), std::end(pixelBytes));
    const Surface surface = decoded(bytes, 2, 2);
    const Picture expected = {{0x000000FF, 0x00FFFFFF}, {0x00FF0000, 0x0000FF00}};
    EXPECT_EQ(pictureOf(surface), expected);
}

TEST(TgaDecode, AsymmetricPictureKeepsOrientationAndChannels)
{
    const Picture f = letterF();
    EXPECT_EQ(pictureOf(decoded(tgaFile(f), 6, 5)), f);
}

TEST(TgaDecode, LargerFileUsesOnlyTheFirstRowsAsSurfaceWideRows)
{
    // A 4 x 3 picture read into a 3 x 2 surface: the first 18 pixel bytes are the file's bottom
    // row and half of the next, taken as two rows of three pixels.
    const Picture big = {
        {0x000001, 0x000002, 0x000003, 0x000004},
        {0x000005, 0x000006, 0x000007, 0x000008},
        {0x000009, 0x00000A, 0x00000B, 0x00000C},
    };
    std::vector<uint8_t> bytes = tgaFile(big);
    bytes.insert(bytes.end(), 26, 0xEE);  // a footer, never read
    const Picture expected = {{0x00000C, 0x000005, 0x000006}, {0x000009, 0x00000A, 0x00000B}};
    EXPECT_EQ(pictureOf(decoded(bytes, 3, 2)), expected);
}

TEST(TgaDecode, ShortFileFillsFromTheBottomAndLeavesTheRestBlack)
{
    const Picture full = {
        {0x111111, 0x222222},
        {0x333333, 0x444444},
        {0x555555, 0x666666},
    };
    std::vector<uint8_t> bytes = tgaFile(full);
    bytes.resize(18 + 6 + 4);  // the bottom row and part of the next
    const Picture expected = {{0, 0}, {0, 0}, {0x555555, 0x666666}};
    EXPECT_EQ(pictureOf(decoded(bytes, 2, 3)), expected);
}

TEST(TgaDecode, FileShorterThanItsHeaderGivesBlack)
{
    Surface surface(3, 3);
    paint(surface, 0x00ABCDEF);
    const std::vector<uint8_t> bytes(10, 0xFF);
    decodeTga(bytes.data(), bytes.size(), surface);
    EXPECT_EQ(pictureOf(surface), Picture(3, std::vector<uint32_t>(3, 0)));
}

TEST(TgaDecode, HeaderIsNeverConsulted)
{
    const Picture f = letterF();
    std::vector<uint8_t> bytes = tgaFile(f);
    // Claim a run-length, colour-mapped, top-left, 1000 x 1000, 32-bit image with a long ID.
    const uint8_t lies[18] = {200, 1, 10, 7, 7, 7, 7, 7, 7, 7, 7, 7, 0xE8, 0x03, 0xE8, 0x03, 32, 0x20};
    std::copy(std::begin(lies), std::end(lies), bytes.begin());
    EXPECT_EQ(pictureOf(decoded(bytes, 6, 5)), f);
}

TEST(TgaDecode, EmptySurfacesReadNothing)
{
    const std::vector<uint8_t> bytes = tgaFile(letterF());
    EXPECT_EQ(decoded(bytes, 0, 0).width(), 0);
    EXPECT_EQ(decoded(bytes, 6, 0).height(), 0);
    EXPECT_EQ(decoded(bytes, 0, 5).width(), 0);
}

TEST(TgaFile, LoadsThePicture)
{
    const Picture f = letterF();
    const std::string path = writeTemp("f.tga", tgaFile(f));
    Surface surface(6, 5);
    CountingMessages messages;
    loadTga(path.c_str(), surface, messages);
    EXPECT_EQ(pictureOf(surface), f);
    EXPECT_TRUE(messages.texts.empty());
    std::remove(path.c_str());
}

TEST(TgaFile, ShortFileIsNotReportedAsMissing)
{
    std::vector<uint8_t> bytes = tgaFile(letterF());
    bytes.resize(18 + 6 * 3 * 2);  // the two bottom rows only
    const std::string path = writeTemp("short.tga", bytes);
    Surface surface(6, 5);
    CountingMessages messages;
    loadTga(path.c_str(), surface, messages);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(pictureOf(surface)[4], letterF()[4]);
    EXPECT_EQ(pictureOf(surface)[2], std::vector<uint32_t>(6, 0));
    std::remove(path.c_str());
}

TEST(TgaFile, EachMissingFileGivesOneMessageAndBlack)
{
    const char* names[] = {"no_flare.tga", "no_amuscaria.tga", "no_stone.tga"};
    CountingMessages messages;
    for (const char* name : names) {
        const std::string path = tempPath(name);
        std::remove(path.c_str());
        Surface surface(4, 3);
        paint(surface, 0x00ABCDEF);
        loadTga(path.c_str(), surface, messages);
        EXPECT_EQ(pictureOf(surface), Picture(3, std::vector<uint32_t>(4, 0))) << name;
        // The failed open must not create the file.
        EXPECT_FALSE(fileExists(path)) << name;
    }
    ASSERT_EQ(messages.texts.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(messages.texts[i], "Could not load file.");
        EXPECT_EQ(messages.captions[i], "Hehe :-D");
        EXPECT_EQ(messages.details[i], tempPath(names[i]));
    }
}

TEST(TgaFile, DirectoryIsReportedLikeAMissingFile)
{
    Surface surface(2, 2);
    CountingMessages messages;
    loadTga(testing::TempDir().c_str(), surface, messages);
    EXPECT_EQ(messages.texts.size(), 1u);
}

TEST(TgaFile, WithoutASinkTheMessageGoesToStandardError)
{
    const std::string path = tempPath("absent.tga");
    std::remove(path.c_str());
    Surface surface(2, 2);
    testing::internal::CaptureStderr();
    loadTga(path.c_str(), surface);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("Could not load file."), std::string::npos);
    EXPECT_NE(written.find(path), std::string::npos);
}

// A picture read at its own size comes back as written, whichever way its rows run and whatever
// image ID precedes them; the demo's loader, given the same bytes and the right surface, agrees.
TEST(TgaRead, PicturesComeBackAtTheirOwnSizeAndOrientation)
{
    const Picture f = letterF();
    std::vector<uint8_t> bottomFirst = tgaFile(f);
    EXPECT_EQ(pictureOf(parseTga(bottomFirst.data(), bottomFirst.size())), f);
    EXPECT_EQ(pictureOf(decoded(bottomFirst, 6, 5)), f);
    const TgaSize size = parseTgaSize(bottomFirst.data(), bottomFirst.size());
    EXPECT_EQ(size.width, 6);
    EXPECT_EQ(size.height, 5);

    // Top row first (descriptor bit 5) and a 3-byte image ID between header and pixels.
    Picture flipped(f.rbegin(), f.rend());
    std::vector<uint8_t> topFirst = tgaFile(flipped);
    topFirst[17] = 0x20;
    topFirst[0] = 3;
    topFirst.insert(topFirst.begin() + 18, {'i', 'd', '!'});
    EXPECT_EQ(pictureOf(parseTga(topFirst.data(), topFirst.size())), f);

    const std::string path = writeTemp("own_size.tga", bottomFirst);
    EXPECT_EQ(pictureOf(readTga(path)), f);
    EXPECT_EQ(readTgaSize(path).width, 6);
    std::remove(path.c_str());
}

// What is not an uncompressed 24-bit picture is refused with what its header says, never read as
// pixels; every message names the function called (and, from a file, the file).
TEST(TgaRead, WhatIsNotAnUncompressed24BitPictureIsRefusedByName)
{
    const std::vector<uint8_t> good = tgaFile(letterF());
    struct Case {
        size_t at;
        uint8_t value;
        const char* says;
    };
    const Case cases[] = {
        {2, 10, "image type 10 (run-length compressed)"}, {2, 1, "image type 1 (colour-mapped)"},
        {2, 3, "image type 3 (grey)"},                    {1, 1, "carries a colour map"},
        {16, 32, "32 bits a pixel"},                      {16, 16, "16 bits a pixel"},
        {12, 0, "ends before its last pixel"},            {17, 0x10, "right to left"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        bytes[c.at] = c.value;
        if (c.at == 12) bytes[12] = 7; // a wider picture than the pixels there
        SCOPED_TRACE(c.says);
        try {
            parseTga(bytes.data(), bytes.size());
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()).rfind("parseTga: ", 0), 0u) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
    }
    std::vector<uint8_t> empty = tgaHeader(0, 5);
    EXPECT_THROW(parseTga(empty.data(), empty.size()), std::invalid_argument);
    EXPECT_THROW(parseTga(good.data(), 17), std::invalid_argument);

    std::vector<uint8_t> compressed = good;
    compressed[2] = 10;
    const std::string path = writeTemp("compressed.tga", compressed);
    try {
        readTga(path);
        ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "readTga: " + path +
                                                 ": not an uncompressed 24-bit TGA: its header says image type 10 "
                                                 "(run-length compressed)");
    }
    std::remove(path.c_str());
    EXPECT_THROW(readTga(tempPath("not_there.tga")), std::runtime_error);
    EXPECT_THROW(readTga(testing::TempDir()), std::runtime_error); // a folder
}

// A header that promises more than the file holds is refused from the file's size: a sparse file
// of a huge picture is never read (or allocated) whole.
TEST(TgaRead, AShortFileIsRefusedFromItsSize)
{
    std::vector<uint8_t> huge = tgaHeader(65535, 65535);
    huge.resize(4096, 0x7F);
    const std::string path = writeTemp("huge.tga", huge);
    try {
        readTga(path);
        ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("ends before its last pixel (4078 of 12884508675 bytes of a "
                                                 "65535 x 65535 picture)"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(readTgaSize(path).width, 65535); // the size alone is there to read
    std::remove(path.c_str());
}

} // namespace tepple
