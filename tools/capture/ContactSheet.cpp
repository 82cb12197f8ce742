#include "ContactSheet.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "BitmapFont.h"
#include "driver/Scenes.h"

namespace tepple {

namespace {

constexpr int thumbWidth = 320;
constexpr int thumbHeight = 240;
constexpr int margin = 8;
constexpr int textScale = 2;
constexpr int labelHeight = glyphHeight * textScale;
constexpr int labelGap = 4;
constexpr int cellHeight = labelHeight + labelGap + thumbHeight + margin;
constexpr uint32_t sheetColour = 0x00202020;
constexpr uint32_t titleColour = 0x00FFFFFF;
constexpr uint32_t labelColour = 0x00D0D0D0;

} // namespace

std::vector<SheetCell> contactSheetCells()
{
    std::vector<SheetCell> cells;
    for (const TimelineEntry& entry : sceneTimeline) {
        // The first scene's window opens at minus infinity; the clock starts at 0.
        const double start = std::max(entry.after, 0.0);
        for (int k = 1; k <= sheetColumns; ++k) {
            cells.push_back(SheetCell{entry.name, start + (entry.before - start) * k / (sheetColumns + 1)});
        }
    }
    return cells;
}

std::string cellLabel(const SheetCell& cell)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.2f s", cell.time);
    return cell.sceneName + "  " + time;
}

Picture composeContactSheet(const std::vector<SheetCell>& cells, const std::vector<Picture>& frames,
                          const std::string& title)
{
    if (cells.size() != frames.size()) throw std::invalid_argument("one frame is needed for every cell");
    const int rows = (static_cast<int>(cells.size()) + sheetColumns - 1) / sheetColumns;
    const int titleHeight = margin + labelHeight + 2 * margin;
    Picture sheet(margin + sheetColumns * (thumbWidth + margin), titleHeight + rows * cellHeight, sheetColour);
    drawText(sheet, margin, margin, title, titleColour, textScale);

    for (size_t i = 0; i < cells.size(); ++i) {
        const int column = static_cast<int>(i) % sheetColumns;
        const int row = static_cast<int>(i) / sheetColumns;
        const int left = margin + column * (thumbWidth + margin);
        const int top = titleHeight + row * cellHeight;
        drawText(sheet, left, top, cellLabel(cells[i]), labelColour, textScale);
        paste(sheet, resized(frames[i], thumbWidth, thumbHeight), left, top + labelHeight + labelGap);
    }
    return sheet;
}

} // namespace tepple
