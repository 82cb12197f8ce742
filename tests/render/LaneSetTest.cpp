// Every lane set this processor runs, against the one-row arithmetic (LaneSetChecks.h). The sets
// it cannot run are named in the output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "render/LaneWidth.h"

namespace tepple {

std::string sse2LaneSetProblems();
std::string neonLaneSetProblems();
std::string avx2LaneSetProblems();
std::string avx512LaneSetProblems();

TEST(LaneSets, EachMatchesTheOneRowArithmeticAtTheEdges)
{
    const std::vector<int> available = laneWidthsAvailable();
    // Read by scripts/cross-test.sh, which draws the frame hashes at each.
    std::printf("lane widths here:");
    for (const int width : available) std::printf(" %d", width);
    std::printf("\n");
    const struct {
        int width;
        std::string (*problems)();
    } sets[] = {
#if defined(__SSE2__)
        {4, &sse2LaneSetProblems},
#endif
#if defined(__aarch64__)
        {4, &neonLaneSetProblems},
#endif
#if defined(TEPPLE_WIDE_LANES)
        {8, &avx2LaneSetProblems},
        {16, &avx512LaneSetProblems},
#endif
    };
    int checked = 0;
    for (const auto& set : sets) {
        if (std::find(available.begin(), available.end(), set.width) == available.end()) {
            std::printf("lane width %d cannot run here: not on this processor\n", set.width);
            continue;
        }
        EXPECT_EQ(set.problems(), "") << "lane width " << set.width;
        ++checked;
    }
#if (defined(__SSE2__) || defined(__aarch64__)) && !defined(TEPPLE_NO_LANE_SETS)
    EXPECT_GE(checked, 1);
#endif
}

} // namespace tepple
