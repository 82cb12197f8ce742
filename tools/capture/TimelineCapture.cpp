#include "TimelineCapture.h"

#include <cmath>
#include <stdexcept>

#include "driver/FrameLoop.h"

namespace tepple {

TimelineCapture::TimelineCapture(const CaptureSettings& settings) : fps_(settings.fps)
{
    if (fps_ < 1) throw std::invalid_argument("the frame rate must be at least 1");
    // The console doubles as the message sink: a missing texture is reported on standard error
    // and the run goes on, as the program does.
    DemoSetup setup{console_, clock_, console_, {}, settings.dataFolder, settings.seed, {}, settings.threads};
    setup.scale = settings.scale;
    setup.laneWidth = settings.laneWidth;
    demo_ = std::make_unique<Demo>(setup);
}

int TimelineCapture::frameCount(int fps)
{
    return static_cast<int>(timelineEnd) * fps + 1;
}

int TimelineCapture::frameAt(double seconds) const
{
    const int last = frameCount(fps_) - 1;
    if (!(seconds > 0.0)) return 0;
    const double frames = seconds * fps_ + 1e-6;
    if (frames >= last) return last;
    return static_cast<int>(std::floor(frames));
}

bool TimelineCapture::step()
{
    const int next = presented_ + 1;
    // Each time is formed from the frame number, not by summing steps, so no rounding drifts in.
    clock_.set(frameTime(next));
    if (demo_->step() != FrameResult::Presented) return false;
    presented_ = next;
    return true;
}

} // namespace tepple
