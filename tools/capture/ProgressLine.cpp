#include "ProgressLine.h"

#include <unistd.h>

#include <cmath>

namespace tepple {

namespace {

// A terminal line is redrawn a few times a second; a log gets a line every ten seconds.
constexpr double terminalInterval = 0.25;
constexpr double logInterval = 10.0;
constexpr double quietStart = 1.0;

} // namespace

std::string progressText(int done, int total, double elapsedSeconds)
{
    const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
    std::string text = "capture: frame " + std::to_string(done) + " of " + std::to_string(total) + " (" +
                       std::to_string(percent) + "%)";
    if (elapsedSeconds > 0.0 && done > 0) {
        const double rate = done / elapsedSeconds;
        const double left = (total - done) / rate;
        char tail[64];
        std::snprintf(tail, sizeof tail, ", %.1f frames/s, %.0f s left", rate, std::ceil(left));
        text += tail;
    }
    return text;
}

ProgressLine::ProgressLine(int total, FILE* stream)
    : total_(total), stream_(stream), terminal_(isatty(fileno(stream)) == 1), start_(std::chrono::steady_clock::now())
{
}

double ProgressLine::elapsed() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void ProgressLine::update(int done)
{
    const double now = elapsed();
    if (now < quietStart) return;
    if (shown_ && now - lastShown_ < (terminal_ ? terminalInterval : logInterval)) return;
    const std::string text = progressText(done, total_, now);
    if (terminal_) {
        // Pad over the remains of a longer previous line.
        std::fprintf(stream_, "\r%-72s", text.c_str());
    } else {
        std::fprintf(stream_, "%s\n", text.c_str());
    }
    std::fflush(stream_);
    shown_ = true;
    lastShown_ = now;
}

void ProgressLine::finish(int done)
{
    if (!shown_) return;
    const std::string text = progressText(done, total_, elapsed());
    if (terminal_) {
        std::fprintf(stream_, "\r%-72s\n", text.c_str());
    } else {
        std::fprintf(stream_, "%s\n", text.c_str());
    }
    std::fflush(stream_);
}

} // namespace tepple
