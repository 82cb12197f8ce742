#pragma once
// One picture of the whole demonstration: three labelled thumbnails of every scene, a row per
// scene in timeline order.
#include <string>
#include <vector>

#include "Picture.h"

namespace tepple {

struct SheetCell {
    std::string sceneName;
    double time; // seconds on the demonstration clock
};

constexpr int sheetColumns = 3;

// Three cells per scene, at a quarter, half and three quarters of its window, scene by scene.
std::vector<SheetCell> contactSheetCells();

// Lays out one thumbnail per cell (shrunk to half size) under a label naming its scene and time,
// with `title` across the top. `frames` holds a full-size picture for each cell, in cell order.
// Throws std::invalid_argument when the counts differ.
Picture composeContactSheet(const std::vector<SheetCell>& cells, const std::vector<Picture>& frames,
                          const std::string& title);

// "BounceScene  11.25 s": the label drawn over a cell.
std::string cellLabel(const SheetCell& cell);

} // namespace tepple
