// tepple-render: a model file drawn into a PNG (or a turntable of them, or a video) by the
// software renderer, with no GPU and no display. See docs/render.md.
#include <stb_image_write.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ModelView.h"
#include "Png.h"
#include "ProgressLine.h"
#include "RenderOptions.h"
#include "ReplacingFile.h"
#include "VideoPipe.h"
#include "models/Model.h"

using namespace tepple;

namespace {

class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Clock = std::chrono::steady_clock;

// What the drawing process is doing, in a page it shares with the process that waits for it.
enum class Stage : int { Starting, Loading, Drawing };
volatile Stage* stage = nullptr;
void enter(Stage next)
{
    if (stage) *stage = next;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The PNG bytes of a shot: 8-bit RGB through the capture tool's encoder when it is opaque, RGBA
// when the background is transparent.
std::vector<uint8_t> pngOf(const Shot& shot, bool transparent)
{
    if (!transparent) {
        Picture picture = Picture::fromPixels(shot.colour.data(), shot.width, shot.height);
        return encodePng(picture, PngCompression::Fast);
    }
    std::vector<uint8_t> rgba(shot.colour.size() * 4);
    for (size_t i = 0; i < shot.colour.size(); ++i) {
        const uint32_t c = shot.colour[i];
        rgba[i * 4] = static_cast<uint8_t>(redOf(c));
        rgba[i * 4 + 1] = static_cast<uint8_t>(greenOf(c));
        rgba[i * 4 + 2] = static_cast<uint8_t>(blueOf(c));
        rgba[i * 4 + 3] = shot.alpha[i];
    }
    std::vector<uint8_t> bytes;
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<uint8_t>*>(context);
        out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &bytes, shot.width, shot.height, 4, rgba.data(), shot.width * 4)) {
        throw RenderError("the PNG encoder failed");
    }
    return bytes;
}

int run(const RenderOptions& options)
{
    const bool turn = options.turntable > 0;
    // Every output checked before the model is read: a mistake there costs no drawing.
    std::vector<std::string> pictures;
    if (!options.output.empty()) {
        for (int i = 0; i < (turn ? options.turntable : 1); ++i) {
            pictures.push_back(turn ? turntableName(options.output, i, options.turntable) : options.output);
        }
    }
    for (const std::string& name : pictures) checkReplaceable(name);
    std::string ffmpeg;
    if (!options.video.empty()) {
        const char* path = std::getenv("PATH");
        const auto found = findOnPath("ffmpeg", path ? path : "");
        if (!found) throw RenderError("--video needs ffmpeg, which is not on PATH (apt-get install ffmpeg)");
        ffmpeg = *found;
        checkReplaceable(options.video);
    }

    const Clock::time_point loadStart = Clock::now();
    enter(Stage::Loading);
    tepple::Model model = tepple::loadModel(options.model);
    tepple::giveNormals(model, options.normals);
    const double loading = secondsSince(loadStart);

    enter(Stage::Drawing);
    ModelView view(model, options);
    std::unique_ptr<ReplacingFile> videoFile;
    std::unique_ptr<VideoPipe> video;
    if (!options.video.empty()) {
        videoFile = std::make_unique<ReplacingFile>(options.video);
        video = std::make_unique<VideoPipe>(ffmpeg,
                                            ffmpegArguments(options.width, options.height, options.fps, "",
                                                            videoFile->temporaryPath()),
                                            options.width, options.height);
    }
    double drawing = 0, writing = 0;
    const int views = turn ? options.turntable : 1;
    ProgressLine progress(views, stderr);
    for (int i = 0; i < views; ++i) {
        const Clock::time_point drawStart = Clock::now();
        const Shot shot = view.draw(options.azimuth + (turn ? 360.0 * i / views : 0.0), options.elevation,
                                    turn, i + 1 == views);
        drawing += secondsSince(drawStart);
        const Clock::time_point writeStart = Clock::now();
        if (!pictures.empty()) {
            replaceFile(pictures[static_cast<size_t>(i)], pngOf(shot, options.transparent),
                        turn ? Durability::Unsynced : Durability::Synced);
        }
        if (video && !video->write(shot.colour)) throw RenderError("ffmpeg stopped reading frames");
        writing += secondsSince(writeStart);
        if (turn) progress.update(i + 1);
    }
    if (turn) progress.finish(views);
    if (video) {
        const Clock::time_point writeStart = Clock::now();
        if (video->finish() != 0) throw RenderError("ffmpeg failed to make " + options.video);
        videoFile->commit(Durability::Synced);
        writing += secondsSince(writeStart);
    }
    if (options.timings) {
        std::fprintf(stderr, "tepple-render: %zu triangles; loading %.3f s, drawing %.3f s, writing %.3f s\n",
                     model.triangleCount(), loading, drawing, writing);
    }
    return 0;
}

int drawAndWrite(const RenderOptions& options)
{
    try {
        return run(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tepple-render: %s: not enough memory to draw it\n", options.model.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-render: %s\n", error.what());
    }
    return 1;
}

volatile pid_t drawer = -1;

extern "C" void forwardSignal(int signal)
{
    if (drawer > 0) kill(drawer, signal);
}

extern "C" void stopNow(int signal)
{
    // Nothing half-written stays behind under a temporary name either.
    removeTemporariesNow();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The drawing runs in a process of its own. The parsers are libraries reading untrusted bytes: should
// one of them fault on a file, that process dies and this one reports the file in one line, as for
// any other damaged file, and removes what the drawing left half-written.
int drawInChild(const RenderOptions& options)
{
    void* page = mmap(nullptr, sizeof(Stage), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return drawAndWrite(options);
    stage = static_cast<volatile Stage*>(page);
    *stage = Stage::Starting;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return drawAndWrite(options);
    if (child == 0) {
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, stopNow);
        std::fflush(nullptr);
        _exit(drawAndWrite(options));
    }
    drawer = child;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, forwardSignal);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return 1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    const int signal = WTERMSIG(status);
    if (signal == SIGINT || signal == SIGTERM || signal == SIGHUP) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    // Checking an output removes the temporaries a dead process left for it (ReplacingFile.h).
    for (const std::string& name : {options.output, options.video}) {
        if (name.empty()) continue;
        try {
            if (options.turntable > 0 && name == options.output) {
                for (int i = 0; i < options.turntable; ++i)
                    checkReplaceable(turntableName(name, i, options.turntable));
            } else {
                checkReplaceable(name);
            }
        } catch (const std::exception&) {
        }
    }
    if (*stage == Stage::Loading) {
        std::fprintf(
            stderr, "tepple-render: %s: the file is damaged (its %s parser stopped on %s)\n",
            options.model.c_str(),
            [&] {
                ModelFormat format{};
                return tepple::modelFormatOf(options.model, format) ? tepple::modelFormatName(format)
                                                                    : "model";
            }(),
            strsignal(signal));
    } else {
        std::fprintf(stderr, "tepple-render: %s: drawing stopped on %s\n", options.model.c_str(),
                     strsignal(signal));
    }
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    RenderOptions options;
    try {
        options = parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "tepple-render: %s (see tepple-render --help)\n", error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(renderUsage(), stdout);
        return 0;
    }
    return drawInChild(options);
}
