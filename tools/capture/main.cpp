// tepple-capture: the demonstration played offline, its pictures written to files.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CaptureOptions.h"
#include "ContactSheet.h"
#include "PictureWriter.h"
#include "Png.h"
#include "ProgressLine.h"
#include "ReplacingFile.h"
#include "TimelineCapture.h"
#include "VideoPipe.h"
#include "driver/Program.h"
#include "geometry/StandardStreams.h"
#include "media/DataFiles.h"
#include "render/WorkerPool.h"

using namespace tepple;

namespace fs = std::filesystem;

namespace {

constexpr int usageStatus = 2;
constexpr int failureStatus = 1;

class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A request the command line makes that cannot be carried out as asked: status 2, like a bad option.
class RequestError : public CaptureError {
public:
    using CaptureError::CaptureError;
};

// SIGINT, SIGTERM or SIGHUP: the run stops at the next frame, through the same clean-up as a
// failure, so no temporary is left behind and no output appears half-written.
volatile std::sig_atomic_t stopSignal = 0;
extern "C" void requestStop(int signal) { stopSignal = signal; }

struct Stopped {
    int signal;
};

void stopIfAsked()
{
    if (stopSignal != 0) throw Stopped{stopSignal};
}

// Relative output paths are taken inside the --out folder.
std::string inside(const std::string& outFolder, const std::string& path)
{
    return fs::path(path).is_absolute() ? path : (fs::path(outFolder) / path).string();
}

// Makes the folder if it is missing and checks that files can be made in it by making one: permission
// bits alone say yes to root for folders such as /proc, where the run would fail only at its end.
void requireWritableFolder(const std::string& folder, const std::string& what)
{
    std::error_code error;
    fs::create_directories(folder, error);
    std::error_code ignored;
    if (!fs::is_directory(folder, ignored)) {
        throw CaptureError(what + " '" + folder + "' is not a folder that can be written" +
                           (error ? ": " + error.message() : ""));
    }
    try {
        checkReplaceable((fs::path(folder) / "tepple-capture-probe").string());
    } catch (const OutputError& problem) {
        // The probe's message ends in the cause (a read-only file system, a permission denied).
        const std::string message = problem.what();
        const size_t cause = message.rfind(": ");
        throw CaptureError(what + " '" + folder + "' is not a folder that can be written" +
                           (cause == std::string::npos ? "" : message.substr(cause)));
    }
}

// Every output file is checked before the first frame is rendered: made replaceable (its folder
// made if missing), so a folder or a device given as a file name fails at once, not after the run.
void requireWritableFile(const std::string& file, const std::string& what)
{
    const fs::path parent = fs::path(file).parent_path();
    std::error_code error;
    if (!parent.empty()) fs::create_directories(parent, error);
    try {
        checkReplaceable(file);
    } catch (const OutputError& problem) {
        throw CaptureError(what + ": " + problem.what());
    }
}

// Two outputs given one file would keep only the picture written last, with success reported for
// both: every output needs a name of its own, checked before the first frame. Names are compared
// with their folders resolved, so "./a.png" and "a.png" are one name; the folders exist by now.
void requireDistinctOutputs(const CaptureOptions& options, const std::string& framesFolder, int fps)
{
    const auto key = [](const std::string& path) {
        const fs::path given(path);
        const fs::path parent = given.parent_path().empty() ? fs::path(".") : given.parent_path();
        std::error_code error;
        fs::path folder = fs::weakly_canonical(parent, error);
        if (error) folder = fs::absolute(parent).lexically_normal();
        return (folder / given.filename()).string();
    };
    std::map<std::string, std::string> owners; // output -> the request it answers
    const auto claim = [&](const std::string& path, const std::string& request) {
        const auto [owner, added] = owners.emplace(key(path), request);
        if (!added) {
            throw RequestError(owner->second + " and " + request + " would both be written to " + path +
                               ": every picture needs a file of its own");
        }
    };
    for (size_t i = 0; i < options.atTimes.size(); ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "%.10g", options.atTimes[i]);
        claim(inside(options.outFolder, atPictureName(options.atTimes[i])), std::string("--at ") + time);
    }
    if (!options.contactSheet.empty()) claim(inside(options.outFolder, options.contactSheet), "--contact-sheet");
    if (!options.video.empty()) claim(inside(options.outFolder, options.video), "--video");
    if (framesFolder.empty()) return;
    // The frame sequence is too long to list: a name is checked against the pattern instead.
    const std::string sequence = key((fs::path(framesFolder) / "x").string());
    const int frames = TimelineCapture::frameCount(fps);
    for (const auto& [path, request] : owners) {
        if (fs::path(path).parent_path() != fs::path(sequence).parent_path()) continue;
        const std::string name = fs::path(path).filename().string();
        for (int frame = 0; frame < frames; ++frame) {
            if (framePictureName(frame) == name) {
                throw RequestError(request + " and --frames would both be written to " + path +
                                   ": every picture needs a file of its own");
            }
        }
    }
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

// The soundtrack to mux in, or empty for a silent video. A missing file and one ffmpeg cannot
// decode are met alike: one line saying so, and the video made without sound.
std::string soundtrackFor(const CaptureOptions& options, const std::string& ffmpeg)
{
    const std::string audio = (fs::path(options.dataFolder) / dataFiles::soundtrack).string();
    std::error_code error;
    if (!fs::is_regular_file(audio, error)) {
        std::fprintf(stderr, "tepple-capture: no soundtrack at %s; the video will be silent\n", audio.c_str());
        return "";
    }
    const AudioCheck check = ffmpegDecodesAudio(ffmpeg, audio);
    if (check.ffmpegFailed) throw CaptureError("cannot run " + ffmpeg + ": " + check.problem);
    if (!check.decodes) {
        std::fprintf(stderr,
                     "tepple-capture: the soundtrack %s is damaged (ffmpeg cannot decode it); the video will be silent\n",
                     audio.c_str());
        return "";
    }
    return audio;
}

int capture(const CaptureOptions& options)
{
    if (!fs::is_directory(options.dataFolder)) {
        throw CaptureError("data folder '" + options.dataFolder + "' not found (give the folder with --data DIR)");
    }
    requireWritableFolder(options.outFolder, "output folder");
    for (double time : options.atTimes) requireWritableFile(inside(options.outFolder, atPictureName(time)), "picture");
    const std::string framesFolder =
        options.framesFolder.empty() ? "" : inside(options.outFolder, options.framesFolder);
    if (!framesFolder.empty()) requireWritableFolder(framesFolder, "frames folder");
    if (!options.contactSheet.empty()) requireWritableFile(inside(options.outFolder, options.contactSheet), "contact sheet");
    std::string ffmpeg;
    if (!options.video.empty()) {
        const char* path = std::getenv("PATH");
        const auto found = findOnPath("ffmpeg", path ? path : "");
        if (!found) throw CaptureError("--video needs ffmpeg, which is not on PATH; install it with: apt-get install ffmpeg");
        ffmpeg = *found;
        requireWritableFile(inside(options.outFolder, options.video), "video");
    }
    requireDistinctOutputs(options, framesFolder, options.fps);

    TimelineCapture run(CaptureSettings{options.fps, options.seed, options.dataFolder, options.threads, options.scale});
    const int shownWidth = run.console().width(), shownHeight = run.console().height();
    const std::vector<SheetCell> cells = options.contactSheet.empty() ? std::vector<SheetCell>{} : contactSheetCells();
    const FramePlan plan = planFrames(options, run, cells);
    std::vector<Picture> cellFrames(cells.size());

    // ffmpeg writes the video under a temporary name; it takes the real one once ffmpeg succeeds.
    // (Declared first, so the pipe and ffmpeg are done with it before it is removed on a failure.)
    std::unique_ptr<ReplacingFile> videoFile;
    std::unique_ptr<VideoPipe> video;
    if (!options.video.empty()) {
        videoFile = std::make_unique<ReplacingFile>(inside(options.outFolder, options.video));
        const std::string audio = soundtrackFor(options, ffmpeg);
        video = std::make_unique<VideoPipe>(
            ffmpeg, ffmpegArguments(shownWidth, shownHeight, options.fps, audio, videoFile->temporaryPath()),
            shownWidth, shownHeight);
    }
    // Encoding a PNG costs several frames' drawing: one worker per core keeps both busy while the
    // queue, two pictures a worker, bounds the memory held.
    const int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    PictureWriter pictures(workers, 2 * static_cast<size_t>(workers));

    ProgressLine progress(plan.lastFrame + 1, stderr);
    while (run.presentedFrame() < plan.lastFrame && run.step()) {
        stopIfAsked();
        const int frame = run.presentedFrame();
        const bool keep = plan.everyFrame || plan.atTimes.count(frame) || plan.cells.count(frame);
        if (keep) {
            const Picture shown = Picture::fromPixels(run.picture().data(), shownWidth, shownHeight);
            if (auto at = plan.atTimes.find(frame); at != plan.atTimes.end()) {
                for (double time : at->second) {
                    pictures.submit(PictureJob{inside(options.outFolder, atPictureName(time)), shown, options.pictureWidth(),
                                               PngCompression::Compact, Durability::Synced});
                }
            }
            if (auto cell = plan.cells.find(frame); cell != plan.cells.end()) {
                for (size_t index : cell->second) cellFrames[index] = shown;
            }
            if (!framesFolder.empty()) {
                // A frame sequence is thousands of files that a failed run simply makes again: quick
                // to encode, and not synced one by one.
                pictures.submit(PictureJob{(fs::path(framesFolder) / framePictureName(frame)).string(), shown,
                                           options.pictureWidth(), PngCompression::Fast, Durability::Unsynced});
            }
            if (video && !video->write(run.picture())) {
                stopIfAsked();
                throw CaptureError("ffmpeg stopped reading frames");
            }
        }
        progress.update(frame + 1);
    }
    pictures.finish();
    progress.finish(run.presentedFrame() + 1);

    if (!cells.empty()) {
        const std::string title = "Tepple polygon engine   " + std::to_string(options.fps) + " fps, seed " +
                                  std::to_string(options.seed);
        writePngFile(inside(options.outFolder, options.contactSheet), composeContactSheet(cells, cellFrames, title));
    }
    if (video) {
        const int status = video->finish();
        stopIfAsked();
        if (status != 0) throw CaptureError("ffmpeg failed to make " + options.video);
        try {
            videoFile->commit(Durability::Synced);
        } catch (const OutputError& error) {
            throw CaptureError(std::string("video: ") + error.what());
        }
    }
    return 0;
}

// The build's run folder while it holds the data files; else, for an installed tool (P/bin), the
// installed data in P/share/tepple when it is there.
std::string defaultDataFolder()
{
    if (holdsDataFiles(TEPPLE_RUN_DIR)) return TEPPLE_RUN_DIR;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    const std::string installed = error ? std::string() : installedDataFolder(program.parent_path().string());
    return !installed.empty() && holdsDataFiles(installed) ? installed : TEPPLE_RUN_DIR;
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything is opened: a closed standard descriptor would be handed to the first file
    // or pipe opened, and messages meant for it written there.
    keepStandardStreamsOpen();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParsedOptions parsed = parseCaptureOptions(arguments, defaultDataFolder());
    if (!parsed.options) {
        std::fprintf(stderr, "tepple-capture: %s\n", parsed.error.c_str());
        return usageStatus;
    }
    if (parsed.options->help) {
        std::fputs(captureUsage().c_str(), stdout);
        return 0;
    }
    // Fewer drawing threads only slow the run: the pictures are the same for any number.
    WorkerPool::setShortfallReport([](int started, int wanted) {
        std::fprintf(stderr, "tepple-capture: could start only %d of %d drawing threads\n", started, wanted);
    });
    // A write to an ffmpeg that has quit, or past a file-size limit, must fail as an error with its
    // reason, not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::signal(SIGHUP, requestStop);
    try {
        return capture(*parsed.options);
    } catch (const Stopped& stopped) {
        std::fprintf(stderr, "\ntepple-capture: stopped by %s; no output was left half-written\n",
                     strsignal(stopped.signal));
        return 128 + stopped.signal;
    } catch (const RequestError& error) {
        std::fprintf(stderr, "tepple-capture: %s\n", error.what());
        return usageStatus;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-capture: %s\n", error.what());
        return failureStatus;
    }
}
