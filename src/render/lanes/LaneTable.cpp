#include "render/lanes/LaneTable.h"

#include <vector>

#include "render/LaneWidth.h"

namespace tepple {

const std::array<LaneSet, laneSetCount>& laneSets()
{
#define TEPPLE_LANE_SET_ROW(name, width, instructions, runs, anyIndex) \
    LaneSet{width, instructions, static_cast<bool>(runs), anyIndex},
    // The processor's answers do not change while the program runs.
    static const std::array<LaneSet, laneSetCount> sets{{TEPPLE_EACH_LANE_SET(TEPPLE_LANE_SET_ROW)}};
#undef TEPPLE_LANE_SET_ROW
    return sets;
}

namespace {

constexpr bool narrowestFirst()
{
    int previous = 1;
#define TEPPLE_LANE_SET_WIDTH(name, width, ...) \
    if (width <= previous || width > maxLaneWidth) return false; \
    previous = width;
    TEPPLE_EACH_LANE_SET(TEPPLE_LANE_SET_WIDTH)
#undef TEPPLE_LANE_SET_WIDTH
    static_cast<void>(previous); // unread where the build holds no lane set
    return true;
}
static_assert(narrowestFirst(), "lane sets are listed narrowest first, each at most maxLaneWidth wide");

} // namespace

std::vector<int> laneWidthsAvailable()
{
    std::vector<int> widths{1};
    for (const LaneSet& set : laneSets()) {
        if (set.runsHere) widths.push_back(set.width);
    }
    return widths;
}

int resolvedLaneWidth(int requested)
{
    static const std::vector<int> available = laneWidthsAvailable();
    int chosen = 1;
    for (const int width : available) {
        if (requested <= 0 || width <= requested) chosen = width;
    }
    return chosen;
}

} // namespace tepple
