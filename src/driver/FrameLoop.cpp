#include "driver/FrameLoop.h"

#include <algorithm>

#include "geometry/Vertex.h"
#include "pixels/FrameCounter.h"

namespace {

// Keeps 0.9 of each channel: the product is a double and the cast truncates toward zero, so
// 0xFF becomes 0xE5 (229.5) and 0x80 becomes 0x73 (115.2).
uint32_t dimmed(uint32_t colour)
{
    return packColour(static_cast<int>(0.9 * redOf(colour)), static_cast<int>(0.9 * greenOf(colour)),
                      static_cast<int>(0.9 * blueOf(colour)));
}

// A scene that keeps its previous frame (the star trails) draws over it, dimmed, instead of over
// the background.
bool restoresBackground(double demoTime)
{
    const TimelineEntry* scene = sceneAt(demoTime);
    return !(scene && scene->keepsPreviousFrame);
}

} // namespace

void copySameSize(Surface& source, Surface& destination)
{
    if (source.width() != destination.width()) return;
    if (source.height() != destination.height()) return;
    const Area whole{0, 0, source.width(), source.height()};
    source.copy(destination, whole, whole);
}

void dimAndDot(Surface& surface)
{
    const int width = surface.width();
    const int height = surface.height();
    uint32_t* pixels = surface.lock();
    for (int row = 0; row < height; ++row) {
        uint32_t* rowPixels = pixels + static_cast<size_t>(row) * width;
        for (int groupStart = 0; groupStart < width; groupStart += 4) {
            rowPixels[groupStart] = dimmed(rowPixels[groupStart]);
            // A row whose length is not a multiple of 4 ends in a shorter group.
            const int groupEnd = std::min(groupStart + 4, width);
            for (int column = groupStart + 1; column < groupEnd; ++column) rowPixels[column] = 0;
        }
    }
}

void presentFrame(Console& console, Surface& screen, bool fadeTrails)
{
    const Area whole{0, 0, screen.width(), screen.height()};
    screen.copy(console, whole, whole);
    if (fadeTrails) {
        dimAndDot(screen);
    } else {
        screen.clear();
    }
    // The console shows the copy taken before the dimming; the dimmed picture is seen only
    // through the frames the star scene draws over it.
    console.update();
    ++frameCounter;
}

void FrameLoop::start()
{
    frameCounter = 0;
    state = FrameState{};
    timer.start();
}

FrameResult FrameLoop::step()
{
    if (console.key()) return FrameResult::KeyExit;

    state.demoTime = timer.time();
    state.frameDelta = timer.delta();
    if (restoresBackground(state.demoTime)) copySameSize(background, screen);
    state.sceneClock += state.frameDelta;

    scenes.runScene(state, screen);

    // Checked after the scene so the last frame's clock reading is the one that ends the run;
    // that frame is never shown.
    if (state.demoTime > timelineEnd) return FrameResult::TimelineExit;

    presentFrame(console, screen, state.fadeTrails);
    return FrameResult::Presented;
}
