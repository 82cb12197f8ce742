#include "driver/FrameLoop.h"

#include <algorithm>
#include <iterator>

#include "geometry/Vertex.h"
#include "render/PoolJobs.h"

namespace tepple {

namespace {

// 0.9 of each channel value: the product is a double and the cast truncates toward zero, so
// 0xFF becomes 0xE5 (229.5) and 0x80 becomes 0x73 (115.2). Built once: a look-up gives the same
// value as the multiply at a fraction of its cost.
struct DimTable {
    uint32_t channel[256];
    DimTable()
    {
        for (int c = 0; c < 256; ++c) channel[c] = static_cast<uint32_t>(static_cast<int>(0.9 * c));
    }
};
const DimTable dimTable;

// Keeps 0.9 of each channel; the byte above blue is dropped, as packing it would.
uint32_t dimmed(uint32_t colour)
{
    return (dimTable.channel[(colour >> 16) & 0xFF] << 16) | (dimTable.channel[(colour >> 8) & 0xFF] << 8) |
           dimTable.channel[colour & 0xFF];
}

// A scene that keeps its previous frame (the star trails) draws over it, dimmed, instead of over
// the background.
bool restoresBackground(double demoTime)
{
    const TimelineEntry* scene = sceneAt(demoTime);
    return !(scene && scene->keepsPreviousFrame);
}

// A frame of at least this many pixels, the 640 x 480 picture's 307,200 among them, is copied and
// dimmed by all the pool's threads: its rows are worth handing out. A smaller surface is done
// sooner by the calling thread alone.
constexpr size_t minPixelsForThreads = 300000;

// Runs pass(first, end) over the rows [0, rows) of `width` pixels, shared among the pool's threads
// if there is one and the frame is large enough.
template <class Pass>
void forRows(WorkerPool* pool, int rows, int width, Pass&& pass)
{
    if (rows <= 0) return;
    const size_t rowPixels = static_cast<size_t>(std::max(width, 1));
    const size_t minRows = (minPixelsForThreads + rowPixels - 1) / rowPixels;
    forItems(
        pool, static_cast<size_t>(rows),
        [&pass](size_t first, size_t end, int) { pass(static_cast<int>(first), static_cast<int>(end)); },
        minRows);
}

// Copies rows [first, end) of a surface onto the same rows of a surface of its size.
void copyRows(const Surface& source, Surface& target, int first, int end)
{
    const Area rows{0, first, source.width(), end};
    source.copy(target, rows, rows);
}

// Dims and dots one row of `width` pixels at `scale` N: in every group of 4N pixels the first N
// keep 0.9, the other 3N become 0, so that each N x N block of the larger picture is the pixel of
// the 640 x 480 one. A row whose length is not a multiple of 4N ends in a shorter group.
void dimAndDotRow(uint32_t* rowPixels, int width, int scale)
{
    const int group = 4 * scale;
    for (int groupStart = 0; groupStart < width; groupStart += group) {
        const int kept = std::min(groupStart + scale, width);
        for (int i = groupStart; i < kept; ++i) rowPixels[i] = dimmed(rowPixels[i]);
        std::fill(rowPixels + kept, rowPixels + std::min(groupStart + group, width), 0u);
    }
}

// The same with the scale fixed, so that a group's stores are unrolled instead of a short fill
// per group.
template <int Scale>
void dimAndDotRowAt(uint32_t* rowPixels, int width)
{
    constexpr int group = 4 * Scale;
    int groupStart = 0;
    for (; groupStart + group <= width; groupStart += group) {
        uint32_t* groupPixels = rowPixels + groupStart;
        for (int i = 0; i < Scale; ++i) groupPixels[i] = dimmed(groupPixels[i]);
        for (int i = Scale; i < group; ++i) groupPixels[i] = 0;
    }
    if (groupStart < width) dimAndDotRow(rowPixels + groupStart, width - groupStart, Scale);
}

// The fixed-scale rows by scale; other scales take the general row.
using DimRow = void (*)(uint32_t*, int);
constexpr DimRow dimRowsAt[] = {nullptr, dimAndDotRowAt<1>, dimAndDotRowAt<2>, dimAndDotRowAt<3>,
                                dimAndDotRowAt<4>};

} // namespace

bool copySameSize(Surface& source, Surface& destination, WorkerPool* pool)
{
    if (source.width() != destination.width()) return false;
    if (source.height() != destination.height()) return false;
    forRows(pool, source.height(), source.width(),
            [&](int first, int end) { copyRows(source, destination, first, end); });
    return true;
}

void dimAndDot(Surface& surface, WorkerPool* pool, int scale)
{
    scale = std::max(scale, 1);
    const int width = surface.width();
    uint32_t* pixels = surface.lock();
    const DimRow fixed = scale < static_cast<int>(std::size(dimRowsAt)) ? dimRowsAt[scale] : nullptr;
    forRows(pool, surface.height(), width, [width, pixels, scale, fixed](int first, int end) {
        for (int row = first; row < end; ++row) {
            uint32_t* rowPixels = pixels + static_cast<size_t>(row) * width;
            if (fixed != nullptr) {
                fixed(rowPixels, width);
            } else {
                dimAndDotRow(rowPixels, width, scale);
            }
        }
    });
}

void presentFrame(Console& console, Surface& screen, bool fadeTrails, bool clearNow, WorkerPool* pool,
                  int scale)
{
    // The console takes the picture before the dimming; the dimmed picture is seen only through
    // the frames the star scene draws over it.
    if (console.width() == screen.width() && console.height() == screen.height()) {
        // Shown from the screen itself: the console's pixel block would only be one more copy.
        console.show(screen.pixels());
    } else {
        // A console of another size gets the one whole-frame copy: it is copied or refused whole
        // (Surface::copy), where strips of rows could partly fit a smaller console.
        const Area whole{0, 0, screen.width(), screen.height()};
        screen.copy(console, whole, whole);
        console.update();
    }
    if (fadeTrails) {
        dimAndDot(screen, pool, scale);
    } else if (clearNow) {
        screen.clear();
    }
}

void FrameLoop::start()
{
    if (renderer != nullptr) renderer->setFrame(0);
    state = FrameState{};
    clearPending = false;
    timer.start();
}

FrameResult FrameLoop::step()
{
    if (console.key()) return FrameResult::KeyExit;

    state.demoTime = timer.time();
    state.frameDelta = timer.delta();
    // The background covers the whole screen, so a clear left from the last frame is needed only
    // when nothing is painted over it.
    const bool painted = restoresBackground(state.demoTime) && copySameSize(background, screen, pool);
    if (!painted && clearPending) screen.clear();
    clearPending = false;
    state.sceneClock += state.frameDelta;

    scenes.runScene(state, screen);
    if (renderer != nullptr) renderer->flush();

    // Checked after the scene so the last frame's clock reading is the one that ends the run;
    // that frame is never shown.
    if (state.demoTime > timelineEnd) return FrameResult::TimelineExit;

    presentFrame(console, screen, state.fadeTrails, false, pool, scale);
    if (renderer != nullptr) renderer->nextFrame();
    clearPending = !state.fadeTrails;
    return FrameResult::Presented;
}

} // namespace tepple
