// tepple-capture: the demonstration played offline, its pictures written to files.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "CaptureOptions.h"
#include "ContactSheet.h"
#include "Png.h"
#include "ProgressLine.h"
#include "TimelineCapture.h"
#include "VideoPipe.h"

namespace fs = std::filesystem;

namespace {

constexpr int usageStatus = 2;
constexpr int failureStatus = 1;

class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Relative output paths are taken inside the --out folder.
std::string inside(const std::string& outFolder, const std::string& path)
{
    return fs::path(path).is_absolute() ? path : (fs::path(outFolder) / path).string();
}

// Makes the folder if it is missing and checks that files can be made in it by making one: permission
// bits alone say yes to root for folders such as /proc, where the run would fail only at its end.
void requireWritableFolder(const std::string& folder, const char* what)
{
    std::error_code error;
    fs::create_directories(folder, error);
    const fs::path probe = fs::path(folder) / (".tepple-capture-probe-" + std::to_string(getpid()));
    bool writable = false;
    if (fs::is_directory(folder)) {
        std::ofstream file(probe, std::ios::binary);
        writable = static_cast<bool>(file << '\n') && static_cast<bool>(file.flush());
        file.close();
        fs::remove(probe, error);
    }
    if (!writable) {
        throw CaptureError(std::string(what) + " '" + folder + "' is not a folder that can be written");
    }
}

void requireWritableParent(const std::string& file, const char* what)
{
    const fs::path parent = fs::path(file).parent_path();
    requireWritableFolder(parent.empty() ? "." : parent.string(), what);
}

// Which frames the run must keep, and for what.
struct FramePlan {
    std::map<int, std::vector<double>> atTimes; // frame -> the --at times it answers
    std::map<int, std::vector<size_t>> cells;   // frame -> contact-sheet cells it fills
    bool everyFrame = false;                    // --frames or --video
    int lastFrame = 0;                          // the run may stop after this frame
};

FramePlan planFrames(const CaptureOptions& options, const TimelineCapture& capture,
                     const std::vector<SheetCell>& cells)
{
    FramePlan plan;
    for (double time : options.atTimes) plan.atTimes[capture.frameAt(time)].push_back(time);
    for (size_t i = 0; i < cells.size(); ++i) plan.cells[capture.frameAt(cells[i].time)].push_back(i);
    plan.everyFrame = !options.framesFolder.empty() || !options.video.empty();
    if (plan.everyFrame) {
        plan.lastFrame = TimelineCapture::frameCount(capture.fps()) - 1;
    } else {
        if (!plan.atTimes.empty()) plan.lastFrame = std::max(plan.lastFrame, plan.atTimes.rbegin()->first);
        if (!plan.cells.empty()) plan.lastFrame = std::max(plan.lastFrame, plan.cells.rbegin()->first);
    }
    return plan;
}

std::unique_ptr<VideoPipe> startVideo(const CaptureOptions& options, const std::string& ffmpeg)
{
    std::string audio = options.dataFolder + "/pelmoric.mp3";
    if (!fs::is_regular_file(audio)) {
        std::fprintf(stderr, "tepple-capture: no soundtrack at %s; the video will be silent\n", audio.c_str());
        audio.clear();
    }
    const std::string output = inside(options.outFolder, options.video);
    return std::make_unique<VideoPipe>(ffmpeg, ffmpegArguments(screenWidth, screenHeight, options.fps, audio, output),
                                       screenWidth, screenHeight);
}

int capture(const CaptureOptions& options)
{
    if (!fs::is_directory(options.dataFolder)) {
        throw CaptureError("data folder '" + options.dataFolder + "' not found (give the folder with --data DIR)");
    }
    requireWritableFolder(options.outFolder, "output folder");
    if (!options.framesFolder.empty()) requireWritableFolder(inside(options.outFolder, options.framesFolder), "frames folder");
    if (!options.contactSheet.empty()) requireWritableParent(inside(options.outFolder, options.contactSheet), "folder of the contact sheet");
    std::string ffmpeg;
    if (!options.video.empty()) {
        const char* path = std::getenv("PATH");
        const auto found = findOnPath("ffmpeg", path ? path : "");
        if (!found) throw CaptureError("--video needs ffmpeg, which is not on PATH; install it with: apt-get install ffmpeg");
        ffmpeg = *found;
        requireWritableParent(inside(options.outFolder, options.video), "folder of the video");
    }

    TimelineCapture run(CaptureSettings{options.fps, options.seed, options.dataFolder, options.threads});
    const std::vector<SheetCell> cells = options.contactSheet.empty() ? std::vector<SheetCell>{} : contactSheetCells();
    const FramePlan plan = planFrames(options, run, cells);
    std::vector<Picture> cellFrames(cells.size());
    std::unique_ptr<VideoPipe> video = options.video.empty() ? nullptr : startVideo(options, ffmpeg);

    ProgressLine progress(plan.lastFrame + 1, stderr);
    while (run.presentedFrame() < plan.lastFrame && run.step()) {
        const int frame = run.presentedFrame();
        const bool keep = plan.everyFrame || plan.atTimes.count(frame) || plan.cells.count(frame);
        if (keep) {
            const Picture shown = Picture::fromPixels(run.picture().data(), screenWidth, screenHeight);
            const Picture picture = options.width == screenWidth
                                        ? shown
                                        : resized(shown, options.width, options.width * screenHeight / screenWidth);
            if (auto at = plan.atTimes.find(frame); at != plan.atTimes.end()) {
                for (double time : at->second) writePngFile(inside(options.outFolder, atPictureName(time)), picture);
            }
            if (auto cell = plan.cells.find(frame); cell != plan.cells.end()) {
                for (size_t index : cell->second) cellFrames[index] = shown;
            }
            if (!options.framesFolder.empty()) {
                writePngFile((fs::path(inside(options.outFolder, options.framesFolder)) / framePictureName(frame)).string(),
                             picture);
            }
            if (video && !video->write(run.picture())) throw CaptureError("ffmpeg stopped reading frames");
        }
        progress.update(frame + 1);
    }
    progress.finish(run.presentedFrame() + 1);

    if (!cells.empty()) {
        const std::string title = "Tepple polygon engine   " + std::to_string(options.fps) + " fps, seed " +
                                  std::to_string(options.seed);
        writePngFile(inside(options.outFolder, options.contactSheet), composeContactSheet(cells, cellFrames, title));
    }
    if (video && video->finish() != 0) throw CaptureError("ffmpeg failed to make " + options.video);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = parseCaptureOptions(arguments, TEPPLE_RUN_DIR);
    if (!parsed.options) {
        std::fprintf(stderr, "tepple-capture: %s\n", parsed.error.c_str());
        return usageStatus;
    }
    if (parsed.options->help) {
        std::fputs(captureUsage().c_str(), stdout);
        return 0;
    }
    // A write to an ffmpeg that has quit must fail as an error, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return capture(*parsed.options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-capture: %s\n", error.what());
        return failureStatus;
    }
}
