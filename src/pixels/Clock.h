#pragma once

namespace tepple {

// Time for the demonstration: clocks, which give monotonic seconds from wherever their back end
// reads them (SDL, the browser, or a manual setting), and the timer, which turns one clock's
// readings into time since start and time between frames. Nothing here reads a real clock itself.

// A monotonic source of seconds; the timer reads it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() = 0;
};

// The demonstration clock.
class Timer {
public:
    explicit Timer(Clock& clock) : clock_(clock) {}
    // Time counts from here; the first delta after start is measured from here too.
    void start();
    // Seconds since start (0 before start).
    double time();
    // Seconds since the previous delta reading (or since start).
    double delta();

private:
    Clock& clock_;
    bool started_ = false;
    double startSeconds_ = 0.0;
    double lastDeltaSeconds_ = 0.0;
};

} // namespace tepple
