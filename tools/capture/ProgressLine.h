#pragma once
// The progress of a long run on standard error: frames done of the total, the rate and the time
// left. On a terminal one line is rewritten in place; otherwise a line is written now and then.
#include <chrono>
#include <cstdio>
#include <string>

namespace tepple {

// "capture: frame 1234 of 9001 (13%), 410.2 frames/s, 19 s left". Before any time has passed the
// rate and time left are omitted.
std::string progressText(int done, int total, double elapsedSeconds);

class ProgressLine {
public:
    // Nothing is shown for the first second, so short runs stay quiet.
    ProgressLine(int total, FILE* stream);
    void update(int done);
    // Ends the line (if one was shown) with the final count.
    void finish(int done);

private:
    double elapsed() const;

    int total_;
    FILE* stream_;
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    double lastShown_ = 0.0;
};

} // namespace tepple
