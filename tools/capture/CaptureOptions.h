#pragma once
// The command line of tepple-capture, parsed into a plain record. Parsing checks the form and
// range of every value; whether folders exist or can be written is checked by the caller.
#include <optional>
#include <string>
#include <vector>

namespace tepple {

struct CaptureOptions {
    int fps = 60;
    unsigned seed = 1;
    std::string dataFolder;            // the build's run folder unless given
    std::string outFolder = ".";
    std::vector<double> atTimes;       // --at, in the order given
    std::string framesFolder;          // --frames; empty: not wanted
    std::string contactSheet;          // --contact-sheet; empty: not wanted
    std::string video;                 // --video; empty: not wanted
    int width = 0;                     // of the --at and --frames pictures (4:3); 0: the picture's own
    int threads = 0;                   // --threads; 0: one per processor
    int scale = 1;                     // --scale: the demonstration drawn 640N x 480N
    bool help = false;

    // The width the --at and --frames pictures are written at.
    int pictureWidth() const { return width > 0 ? width : 640 * scale; }

    bool wantsOutput() const
    {
        return !atTimes.empty() || !framesFolder.empty() || !contactSheet.empty() || !video.empty();
    }
};

// Either options or a message saying what is wrong with the command line.
struct ParsedOptions {
    std::optional<CaptureOptions> options;
    std::string error;
};

// `arguments` excludes the program name. Options take their value as the next argument or after
// '=' (--fps=30). `defaultDataFolder` fills dataFolder when --data is not given.
ParsedOptions parseCaptureOptions(const std::vector<std::string>& arguments, const std::string& defaultDataFolder);

// Strict number parsing: the whole text must be the number. Empty on any error.
std::optional<long long> parseWholeNumber(const std::string& text);
std::optional<double> parseDecimal(const std::string& text);
// A comma-separated list of times in seconds, each from 0 to 150. Empty on any error.
std::optional<std::vector<double>> parseTimeList(const std::string& text);

// File names of the pictures: "t005.000.png" for the frame shown at 5 s (--at),
// "frame000300.png" for frame 300 (--frames).
std::string atPictureName(double seconds);
std::string framePictureName(int frame);

// The --help text.
std::string captureUsage();

} // namespace tepple
