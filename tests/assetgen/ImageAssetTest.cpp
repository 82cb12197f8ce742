// The three generated pictures and the TGA writer that makes them.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "Images.h"
#include "RunFolder.h"
#include "TgaWriter.h"
#include "media/Tga.h"

namespace tepple {

namespace {

int channelOf(uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }
double luminance(uint32_t p) { return 0.299 * channelOf(p, 16) + 0.587 * channelOf(p, 8) + 0.114 * channelOf(p, 0); }

Surface loadRunImage(const char* file, int width, int height)
{
    Surface surface(width, height);
    const std::vector<uint8_t> bytes = readBytes(runPath(file));
    decodeTga(bytes.data(), bytes.size(), surface);
    return surface;
}

struct ImageCase {
    const char* file;
    int width;
    int height;
};

TEST(AssetImageFiles, AreUncompressed24BitBottomUpOfTheSizeTheDemoCreates)
{
    for (const ImageCase& c : {ImageCase{"flare.tga", 255, 255}, ImageCase{"amuscaria.tga", 255, 255},
                               ImageCase{"stone_version_1.tga", 640, 480}}) {
        SCOPED_TRACE(c.file);
        const std::vector<uint8_t> bytes = readBytes(runPath(c.file));
        ASSERT_EQ(bytes.size(), 18u + static_cast<size_t>(c.width) * c.height * 3);
        EXPECT_EQ(bytes[0], 0);  // no image ID
        EXPECT_EQ(bytes[1], 0);  // no colour map
        EXPECT_EQ(bytes[2], 2);  // uncompressed true colour
        EXPECT_EQ(bytes[12] | bytes[13] << 8, c.width);
        EXPECT_EQ(bytes[14] | bytes[15] << 8, c.height);
        EXPECT_EQ(bytes[16], 24);
        EXPECT_EQ(bytes[17], 0); // origin at the lower left
    }
}

TEST(AssetFlare, CornersAreTheKeyAndTheCentreGlows)
{
    const Surface flare = loadRunImage("flare.tga", 255, 255);
    const uint32_t* p = flare.pixels();
    for (int index : {0, 254, 254 * 255, 254 * 255 + 254}) EXPECT_EQ(p[index], spriteKeyColour);
    const uint32_t centre = p[127 * 255 + 127];
    EXPECT_NE(centre, spriteKeyColour);
    EXPECT_GT(luminance(centre), 200.0);
}

// Every key pixel must be background reachable from the border: a glow pixel that happened to
// equal the key would punch a transparent hole into the star.
TEST(AssetFlare, KeyPixelsAreBackgroundOnly)
{
    const Surface flare = loadRunImage("flare.tga", 255, 255);
    const uint32_t* p = flare.pixels();
    const int size = 255;
    std::vector<char> reached(size * size, 0);
    std::vector<int> pending;
    for (int i = 0; i < size; ++i)
        for (int index : {i, (size - 1) * size + i, i * size, i * size + size - 1})
            if (p[index] == spriteKeyColour && !reached[index]) {
                reached[index] = 1;
                pending.push_back(index);
            }
    while (!pending.empty()) {
        const int index = pending.back();
        pending.pop_back();
        const int x = index % size;
        const int y = index / size;
        const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& n : neighbours) {
            if (n[0] < 0 || n[0] >= size || n[1] < 0 || n[1] >= size) continue;
            const int next = n[1] * size + n[0];
            if (!reached[next] && p[next] == spriteKeyColour) {
                reached[next] = 1;
                pending.push_back(next);
            }
        }
    }
    int glow = 0;
    for (int i = 0; i < size * size; ++i) {
        if (p[i] == spriteKeyColour) EXPECT_TRUE(reached[i]) << "key pixel inside the glow at " << i;
        else ++glow;
    }
    // Big enough to survive the sprite path's sampling of every fifth texel.
    EXPECT_GT(glow, 1500);
}

TEST(AssetFlyAgaric, RedCapWithWhiteWarts)
{
    const Surface cap = loadRunImage("amuscaria.tga", 255, 255);
    int red = 0;
    int white = 0;
    int inside = 0;
    for (int y = 0; y < 255; ++y) {
        for (int x = 0; x < 255; ++x) {
            // The dome's disc: 0.44 of the texture about its centre.
            if (std::hypot(x + 0.5 - 127.5, y + 0.5 - 127.5) > 0.42 * 255) continue;
            ++inside;
            const uint32_t p = cap.pixels()[y * 255 + x];
            const int r = channelOf(p, 16), g = channelOf(p, 8), b = channelOf(p, 0);
            if (r > 150 && g < 110 && b < 80) ++red;
            if (r > 200 && g > 200 && b > 180) ++white;
        }
    }
    EXPECT_GT(red, inside * 6 / 10);
    EXPECT_GT(white, inside * 2 / 100);
    EXPECT_LT(white, inside * 3 / 10);
}

TEST(AssetStoneWall, IsDarkButTextured)
{
    const Surface wall = loadRunImage("stone_version_1.tga", 640, 480);
    double sum = 0.0;
    double squares = 0.0;
    const int count = 640 * 480;
    for (int i = 0; i < count; ++i) {
        const double l = luminance(wall.pixels()[i]);
        sum += l;
        squares += l * l;
    }
    const double mean = sum / count;
    const double deviation = std::sqrt(squares / count - mean * mean);
    EXPECT_LT(mean, 70.0) << "dark enough for the scenes to stand out";
    EXPECT_GT(mean, 15.0);
    EXPECT_GT(deviation, 8.0) << "real texture, not a flat fill";
}

TEST(AssetTgaWriter, RoundTripsThroughTheDemoLoaderTopRowFirst)
{
    Image image(3, 2);
    const uint32_t colours[6] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456, 0x00FFFFFF, 0x00000001};
    for (int i = 0; i < 6; ++i) image.at(i % 3, i / 3) = colours[i];
    const std::vector<uint8_t> bytes = encodeTga(image);
    ASSERT_EQ(bytes.size(), 18u + 18u);
    // The bottom row comes first in the file, blue byte first.
    EXPECT_EQ(bytes[18], 0x56);
    EXPECT_EQ(bytes[19], 0x34);
    EXPECT_EQ(bytes[20], 0x12);
    Surface surface(3, 2);
    decodeTga(bytes.data(), bytes.size(), surface);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(surface.pixels()[i], colours[i]) << i;
}

TEST(AssetTgaWriter, RejectsSizesTheHeaderCannotHold)
{
    EXPECT_THROW(encodeTga(Image(0, 4)), std::invalid_argument);
    EXPECT_THROW(encodeTga(Image(70000, 1)), std::invalid_argument);
    Image mismatched(2, 2);
    mismatched.pixels.pop_back();
    EXPECT_THROW(encodeTga(mismatched), std::invalid_argument);
}

} // namespace

} // namespace tepple
