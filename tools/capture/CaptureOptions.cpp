#include "CaptureOptions.h"

#include "driver/Demo.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "driver/FrameLoop.h"
#include "render/ThreadCount.h"

namespace tepple {

namespace {

constexpr int maxFps = 1000;
constexpr int minWidth = 16;
constexpr int maxWidth = 2560;

// Splits "--name=value" into name and value; a plain "--name" leaves the value empty.
struct Spelling {
    std::string name;
    std::optional<std::string> value;
};

Spelling splitSpelling(const std::string& argument)
{
    const size_t equals = argument.find('=');
    if (argument.rfind("--", 0) != 0 || equals == std::string::npos) return Spelling{argument, std::nullopt};
    return Spelling{argument.substr(0, equals), argument.substr(equals + 1)};
}

bool takesValue(const std::string& name)
{
    return name == "--fps" || name == "--seed" || name == "--data" || name == "--out" || name == "--at" ||
           name == "--frames" || name == "--contact-sheet" || name == "--video" || name == "--width" ||
           name == "--threads" || name == "--scale";
}

// Stores one option's value; returns the error message, empty when the value is good.
std::string apply(CaptureOptions& options, const std::string& name, const std::string& value)
{
    if (value.empty()) return name + " needs a value";
    if (name == "--fps") {
        const auto fps = parseWholeNumber(value);
        if (!fps || *fps < 1 || *fps > maxFps) {
            return "--fps wants a whole number of frames per second from 1 to " + std::to_string(maxFps) +
                   ", not '" + value + "'";
        }
        options.fps = static_cast<int>(*fps);
    } else if (name == "--seed") {
        const auto seed = parseWholeNumber(value);
        if (!seed || *seed < 0 || *seed > 4294967295LL) {
            return "--seed wants a whole number from 0 to 4294967295, not '" + value + "'";
        }
        options.seed = static_cast<unsigned>(*seed);
    } else if (name == "--threads") {
        const auto threads = parseThreadCount(value);
        if (!threads) {
            return "--threads wants a whole number from 1 to " + std::to_string(maxRenderThreads) + ", not '" + value +
                   "'";
        }
        options.threads = *threads;
    } else if (name == "--scale") {
        const auto scale = parseDemoScale(value);
        if (!scale) return "--scale wants a whole number from 1 to " + std::to_string(maxDemoScale) + ", not '" + value + "'";
        options.scale = *scale;
    } else if (name == "--width") {
        const auto width = parseWholeNumber(value);
        if (!width || *width < minWidth || *width > maxWidth) {
            return "--width wants a whole number of pixels from " + std::to_string(minWidth) + " to " +
                   std::to_string(maxWidth) + ", not '" + value + "'";
        }
        options.width = static_cast<int>(*width);
    } else if (name == "--at") {
        const auto times = parseTimeList(value);
        if (!times) return "--at wants times in seconds from 0 to 150 separated by commas, not '" + value + "'";
        options.atTimes.insert(options.atTimes.end(), times->begin(), times->end());
    } else if (name == "--data") {
        options.dataFolder = value;
    } else if (name == "--out") {
        options.outFolder = value;
    } else if (name == "--frames") {
        options.framesFolder = value;
    } else if (name == "--contact-sheet") {
        options.contactSheet = value;
    } else if (name == "--video") {
        options.video = value;
    }
    return "";
}

} // namespace

std::optional<long long> parseWholeNumber(const std::string& text)
{
    if (text.empty() || text.size() > 18) return std::nullopt;
    size_t start = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (start == text.size()) return std::nullopt;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::optional<double> parseDecimal(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    // Plain decimal notation only: no hexadecimal, exponents, "inf" or "nan", no spaces.
    bool digits = false;
    bool point = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else if (!((c == '-' || c == '+') && i == 0)) {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    if (errno != 0 || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::vector<double>> parseTimeList(const std::string& text)
{
    std::vector<double> times;
    size_t start = 0;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto time = parseDecimal(item);
        if (!time || *time < 0.0 || *time > timelineEnd) return std::nullopt;
        // -0 is the time 0, named as such (not "t-00.000.png").
        times.push_back(*time + 0.0);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return times;
}

ParsedOptions parseCaptureOptions(const std::vector<std::string>& arguments, const std::string& defaultDataFolder)
{
    CaptureOptions options;
    options.dataFolder = defaultDataFolder;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const Spelling spelling = splitSpelling(arguments[i]);
        if (spelling.name == "--help" || spelling.name == "-h") {
            if (spelling.value) return ParsedOptions{std::nullopt, "--help takes no value"};
            options.help = true;
            continue;
        }
        if (!takesValue(spelling.name)) {
            return ParsedOptions{std::nullopt, "unknown option '" + arguments[i] + "' (see --help)"};
        }
        std::string value;
        if (spelling.value) {
            value = *spelling.value;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return ParsedOptions{std::nullopt, spelling.name + " needs a value"};
        }
        const std::string error = apply(options, spelling.name, value);
        if (!error.empty()) return ParsedOptions{std::nullopt, error};
    }
    if (!options.help && !options.wantsOutput()) {
        return ParsedOptions{std::nullopt,
                             "nothing to capture: give --at, --frames, --contact-sheet or --video (see --help)"};
    }
    return ParsedOptions{options, ""};
}

std::string atPictureName(double seconds)
{
    char name[32];
    std::snprintf(name, sizeof name, "t%07.3f.png", seconds);
    return name;
}

std::string framePictureName(int frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame%06d.png", frame);
    return name;
}

std::string captureUsage()
{
    return "Usage: tepple-capture [options]\n"
           "Plays the demonstration offline, with no window and no sound, and writes what the\n"
           "window would have shown.\n"
           "\n"
           "  --fps N                frames per second of demonstration time (default 60)\n"
           "  --seed N               star-field seed (default 1)\n"
           "  --data DIR             folder with the demo's data files (default: the build's run folder)\n"
           "  --out DIR              folder for the pictures (default: the current folder); relative\n"
           "                         paths below are taken inside it\n"
           "  --at T1,T2,...         a PNG of the frame shown at each time (seconds, 0 to 150)\n"
           "  --frames DIR           a PNG of every frame\n"
           "  --contact-sheet FILE   one PNG with three labelled thumbnails of every scene\n"
           "  --video FILE           an MP4 of the whole run with the soundtrack (needs ffmpeg)\n"
           "  --width N              width of the --at and --frames pictures (default: the picture's\n"
           "                         own, 640 x the scale; the height keeps the 4:3 shape)\n"
           "  --scale N              draw the demonstration at 640N x 480N, N from 1 to 4 (default 1):\n"
           "                         the same pictures, sharper, for every output\n"
           "  --threads N            threads to draw with (default: one per processor; the pictures\n"
           "                         are the same for any number)\n"
           "  --help                 this text\n"
           "\n"
           "Pictures taken with --at are named after their time to the millisecond (t005.000.png).\n"
           "Every output needs a file of its own: two that would share a name (times that round\n"
           "alike, a contact sheet named like a picture or a frame) stop the run before the first\n"
           "frame with status 2. An output replaces whatever has its name, a symbolic link\n"
           "included; the file a link pointed to is left as it was.\n";
}

} // namespace tepple
