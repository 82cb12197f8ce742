#pragma once
// A clock that moves only when told to, for the capture tool, the browser's fixed steps, tests and
// benchmarks. Not installed: a program of its own reads its own clock.
#include "pixels/Clock.h"

namespace tepple {

class ManualClock : public Clock {
public:
    double seconds() override { return now_; }
    void set(double seconds) { now_ = seconds; }
    void advance(double step) { now_ += step; }

private:
    double now_ = 0.0;
};

} // namespace tepple
