#pragma once
// The demonstration run offline: the very start-up and timeline of the program, on the headless
// console with a clock that advances by exactly 1/fps seconds per frame, so every run with the
// same frame rate, star-field seed and data gives the same pictures.
#include <memory>
#include <string>
#include <vector>

#include "driver/Demo.h"
#include "pixels/HeadlessConsole.h"
#include "pixels/PixelToolkit.h"
#include "pixels/ManualClock.h"

namespace tepple {

struct CaptureSettings {
    int fps = 60;            // frames per second of demonstration time; at least 1
    unsigned seed = 1;       // star-field seed
    std::string dataFolder;  // where the eleven data files are
    int threads = 0;         // renderer threads; 0: one per processor (the pictures are the same)
    int scale = 1;           // the demonstration drawn 640N x 480N
    int laneWidth = 0;       // rows drawn side by side; 0: the widest the processor has (the pictures are the same)
};

class TimelineCapture {
public:
    // Runs the whole start-up (no music: the headless run is silent). Throws what Demo's
    // start-up throws, and std::invalid_argument for a frame rate below 1.
    explicit TimelineCapture(const CaptureSettings& settings);

    // Frame n is drawn at demoTime n / fps: frame 0 at the instant the timer starts. Frames up to
    // and including the one at exactly 150 s are shown, so a run shows 150 x fps + 1 frames.
    static int frameCount(int fps);
    double frameTime(int frame) const { return static_cast<double>(frame) / fps_; }
    // The frame on show at `seconds`: the last one drawn at or before it, counting a time within
    // a millionth of a frame of a frame's own time as that frame (so 45.2 at 60 fps is frame
    // 2712 despite rounding). Clamped to the frames of a run.
    int frameAt(double seconds) const;

    // Runs the next frame. True when it was presented; false once the run has ended.
    bool step();
    // Index of the frame last presented; -1 before the first.
    int presentedFrame() const { return presented_; }
    // The picture of the frame last presented, as the window would have shown it.
    const std::vector<uint32_t>& picture() const { return console_.lastFrame(); }
    int fps() const { return fps_; }

    Demo& demo() { return *demo_; }
    const HeadlessConsole& console() const { return console_; }

private:
    int fps_;
    int presented_ = -1;
    HeadlessConsole console_;
    ManualClock clock_;
    std::unique_ptr<Demo> demo_;
};

} // namespace tepple
