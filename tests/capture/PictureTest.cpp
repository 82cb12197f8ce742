// Picture helpers of the capture tool: shrinking, pasting, the built-in font and the contact
// sheet's layout.
#include <gtest/gtest.h>

#include <set>

#include "BitmapFont.h"
#include "ContactSheet.h"
#include "Picture.h"
#include "driver/Scenes.h"

namespace tepple {

namespace {

int litPixels(const Picture& picture, uint32_t colour)
{
    int count = 0;
    for (uint32_t pixel : picture.pixels) count += pixel == colour ? 1 : 0;
    return count;
}

TEST(PictureResize, HalvingAveragesEachTwoByTwoBlockRounded)
{
    Picture source(4, 2);
    source.pixels = {0x000000, 0x010203, 0xFF0000, 0xFF0000,
                     0x000000, 0x000000, 0x00FF00, 0x0000FF};
    const Picture half = resized(source, 2, 1);
    // Left block: (0 + 1 + 0 + 0) / 4 rounds to 0, (2) / 4 rounds to 1, (3) / 4 rounds to 1.
    EXPECT_EQ(half.pixels, (std::vector<uint32_t>{0x000101, 0x804040}));
}

TEST(PictureResize, UnevenFactorsCoverEverySourcePixelOnce)
{
    // 640 -> 256 (a factor of 2.5): every source column must land in exactly one output column,
    // so a picture of one colour stays that colour and no column is skipped.
    Picture source(640, 5, 0x00336699);
    const Picture shrunk = resized(source, 256, 2);
    EXPECT_EQ(litPixels(shrunk, 0x00336699), 256 * 2);
    Picture stripe(640, 1, 0);
    stripe.at(639, 0) = 0x00FFFFFF; // the last column must still count
    EXPECT_NE(resized(stripe, 256, 1).at(255, 0), 0u);
}

TEST(PictureResize, EnlargingRepeatsTheNearestPixel)
{
    Picture source(2, 1);
    source.pixels = {0x00AA0000, 0x000000BB};
    const Picture wide = resized(source, 4, 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(wide.at(0, y), 0x00AA0000u);
        EXPECT_EQ(wide.at(1, y), 0x00AA0000u);
        EXPECT_EQ(wide.at(2, y), 0x000000BBu);
        EXPECT_EQ(wide.at(3, y), 0x000000BBu);
    }
    EXPECT_EQ(resized(Picture(), 4, 4).pixels, std::vector<uint32_t>(16, 0));
}

TEST(PictureEdit, PasteAndFillClipAtTheEdges)
{
    Picture target(4, 4, 0);
    paste(target, Picture(3, 3, 0x00111111), 2, -1);
    EXPECT_EQ(litPixels(target, 0x00111111), 2 * 2);
    fillRect(target, -5, 3, 100, 100, 0x00222222);
    EXPECT_EQ(litPixels(target, 0x00222222), 4);
    fillRect(target, 0, 0, -3, 2, 0x00333333);
    EXPECT_EQ(litPixels(target, 0x00333333), 0);
}

TEST(BitmapFont, GlyphsAreDistinctAndUnknownCharactersShowABox)
{
    const std::string covered =
        " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.,:;-+=/()%_'#";
    std::set<std::vector<uint8_t>> shapes;
    for (char character : covered) {
        const Glyph glyph = glyphFor(character);
        shapes.insert(std::vector<uint8_t>(glyph.rows, glyph.rows + glyphHeight));
        for (uint8_t row : glyph.rows) EXPECT_LT(row, 1 << glyphWidth) << character;
    }
    EXPECT_EQ(shapes.size(), covered.size()) << "two characters share a shape";
    const Glyph box = glyphFor('~');
    EXPECT_EQ(box.rows[0], 0x1F);
    EXPECT_EQ(box.rows[3], 0x11);
}

TEST(BitmapFont, TextIsDrawnAtScaleAndClipped)
{
    EXPECT_EQ(textWidth("ab", 2), (2 * glyphAdvance - 1) * 2);
    EXPECT_EQ(textWidth("", 3), 0);
    Picture picture(40, 20, 0);
    drawText(picture, 1, 1, "I", 0x00FFFFFF, 2);
    // 'I' has 3 + 1 + 1 + 1 + 1 + 1 + 3 lit font pixels, each a 2 x 2 block.
    EXPECT_EQ(litPixels(picture, 0x00FFFFFF), 11 * 4);
    Picture tiny(3, 3, 0);
    drawText(tiny, -2, -2, "WWW", 0x00FFFFFF, 3); // must not write outside
    EXPECT_GT(litPixels(tiny, 0x00FFFFFF), 0);
}

TEST(ContactSheet, ThreeCellsInsideEveryScenesWindow)
{
    const std::vector<SheetCell> cells = contactSheetCells();
    ASSERT_EQ(cells.size(), 3 * std::size(sceneTimeline));
    for (const SheetCell& cell : cells) {
        const TimelineEntry* scene = sceneAt(cell.time);
        ASSERT_NE(scene, nullptr) << cell.time;
        EXPECT_EQ(cell.sceneName, scene->name);
    }
    EXPECT_EQ(cells.front().time, 11.25);
    EXPECT_EQ(cellLabel(cells.front()), "BounceScene  11.25 s");
}

TEST(ContactSheet, ThumbnailsSitUnderTheirLabelsInSceneRows)
{
    const std::vector<SheetCell> cells = {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}};
    std::vector<Picture> frames;
    for (uint32_t colour : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0x00FFFF00u}) frames.emplace_back(640, 480, colour);
    const Picture sheet = composeContactSheet(cells, frames, "title");
    // Four cells make two rows of three columns; each thumbnail is 320 x 240.
    EXPECT_EQ(litPixels(sheet, 0x00FF0000), 320 * 240);
    EXPECT_EQ(litPixels(sheet, 0x00FFFF00), 320 * 240);
    EXPECT_EQ(sheet.width, 8 + 3 * (320 + 8));
    // The fourth cell starts the second row, below the first.
    int firstRedRow = -1, firstYellowRow = -1;
    for (int y = 0; y < sheet.height && (firstRedRow < 0 || firstYellowRow < 0); ++y) {
        if (firstRedRow < 0 && sheet.at(8, y) == 0x00FF0000) firstRedRow = y;
        if (firstYellowRow < 0 && sheet.at(8, y) == 0x00FFFF00) firstYellowRow = y;
    }
    EXPECT_GT(firstYellowRow, firstRedRow + 240);
    EXPECT_THROW(composeContactSheet(cells, {}, "title"), std::invalid_argument);
}

} // namespace

} // namespace tepple
