#include "render/stages/TriangleLoop.h"

#include <algorithm>

namespace tepple {

void splitRows(const std::vector<TriangleCorners>& drawn, int strips, int height, StripCut& cut)
{
    // A triangle's set-up and edge walks weigh about as much as this many of its rows.
    constexpr int64_t setUpRows = 8;
    std::vector<int64_t>& cost = cut.rowCost;
    // Differences first (a covered run of rows is +1 at its top, -1 past its end), summed below.
    cost.assign(static_cast<size_t>(height) + 1, 0);
    for (const TriangleCorners& corners : drawn) {
        const int first = std::clamp<int32_t>(corners.topRow(), 0, height);
        const int end = std::clamp<int32_t>(corners.endRow(), 0, height);
        if (first >= end) continue;
        cost[static_cast<size_t>(first)] += 1;
        cost[static_cast<size_t>(end)] -= 1;
        cost[static_cast<size_t>(first)] += setUpRows;
        cost[static_cast<size_t>(first) + 1] -= setUpRows;
    }
    int64_t covering = 0;
    int64_t total = 0;
    for (int row = 0; row < height; ++row) {
        covering += cost[static_cast<size_t>(row)];
        total += covering;
        cost[static_cast<size_t>(row)] = total; // now the cost of rows [0, row]
    }

    cut.rows.assign(static_cast<size_t>(strips) + 1, height);
    cut.rows[0] = 0;
    int row = 0;
    for (int strip = 1; strip < strips; ++strip) {
        // The strip before ends with the first row by which its share of the cost is reached.
        const int64_t share = total * strip / strips;
        while (row < height && cost[static_cast<size_t>(row)] < share) ++row;
        cut.rows[static_cast<size_t>(strip)] = row;
    }
}

int64_t expectedCost(const std::vector<TriangleCorners>& drawn, int width, int height)
{
    constexpr int64_t setUpPixels = 16;
    int64_t cost = 0;
    for (const TriangleCorners& corners : drawn) {
        const int64_t rows = std::clamp<int64_t>(corners.endRow(), 0, height) -
                             std::clamp<int64_t>(corners.topRow(), 0, height);
        cost += setUpPixels + rows * std::min<int64_t>(corners.width() + 1, width) / 2;
    }
    return cost;
}

void drawFrameBin(CallScratch& scratch, WorkerPool& pool, const Viewport& viewport)
{
    FrameBin& bin = scratch.bin;
    if (bin.empty()) return;
    const int threads = pool.threads();
    splitRows(bin.rows, threads, viewport.height, scratch.strips);
    auto drawStrip = [&](int strip, int thread) {
        const int stripTop = scratch.strips.rows[static_cast<size_t>(strip)];
        const int stripEnd = scratch.strips.rows[static_cast<size_t>(strip) + 1];
        for (const std::unique_ptr<KeptCall>& call : bin.calls) call->drawStrip(scratch, thread, stripTop, stripEnd);
    };
    // Emptied whatever happens: a call kept is drawn once at most.
    struct Empty {
        FrameBin& bin;
        ~Empty() { bin.clear(); }
    } empty{bin};
    if (threads == 1) {
        drawStrip(0, 0);
        return;
    }
    forPieces(pool, threads, drawStrip);
}

} // namespace tepple
