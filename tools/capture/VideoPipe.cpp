#include "VideoPipe.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace tepple {

std::optional<std::string> findOnPath(const std::string& program, const std::string& searchPath)
{
    size_t start = 0;
    while (start <= searchPath.size()) {
        const size_t colon = searchPath.find(':', start);
        std::string folder = searchPath.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + program;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return std::nullopt;
}

std::vector<std::string> ffmpegArguments(int width, int height, int fps, const std::string& audioPath,
                                         const std::string& outputPath)
{
    // 0x00RRGGBB words in memory are the bytes blue, green, red, unused: ffmpeg's "bgr0".
    std::vector<std::string> arguments = {"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                                          "-pixel_format", "bgr0", "-video_size",
                                          std::to_string(width) + "x" + std::to_string(height), "-framerate",
                                          std::to_string(fps), "-i", "-"};
    if (!audioPath.empty()) arguments.insert(arguments.end(), {"-i", audioPath, "-map", "0:v", "-map", "1:a"});
    arguments.insert(arguments.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18"});
    // The soundtrack runs longer than the timeline: the video's end ends the file.
    if (!audioPath.empty()) arguments.insert(arguments.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
    arguments.push_back(outputPath);
    return arguments;
}

AudioCheck ffmpegDecodesAudio(const std::string& ffmpegPath, const std::string& audioPath)
{
    // -xerror ends the decoding at the first damaged frame; what ffmpeg says is not needed.
    std::vector<std::string> arguments = {ffmpegPath, "-nostdin", "-loglevel", "quiet", "-xerror", "-i",
                                          audioPath,  "-map",     "0:a:0",    "-f",    "null", "-"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        const int mode = stream == STDIN_FILENO ? O_RDONLY : O_WRONLY;
        posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", mode, 0);
    }
    pid_t child = -1;
    const int failure = posix_spawn(&child, ffmpegPath.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    AudioCheck check;
    if (failure != 0) {
        check.ffmpegFailed = true;
        check.problem = std::strerror(failure);
        return check;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            check.ffmpegFailed = true;
            check.problem = std::strerror(errno);
            return check;
        }
    }
    // 126 and 127 are what a shell or the dynamic loader answer when the program cannot run.
    if (WIFSIGNALED(status)) {
        check.ffmpegFailed = true;
        check.problem = std::string("killed by ") + strsignal(WTERMSIG(status));
    } else if (WIFEXITED(status) && (WEXITSTATUS(status) == 126 || WEXITSTATUS(status) == 127)) {
        check.ffmpegFailed = true;
        check.problem = "it could not start (status " + std::to_string(WEXITSTATUS(status)) + ")";
    } else {
        check.decodes = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return check;
}

VideoPipe::VideoPipe(const std::string& ffmpegPath, const std::vector<std::string>& arguments, int width, int height)
    : width_(width), height_(height)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    // The child tells why exec failed through this pipe; a successful exec closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        close(ends[0]);
        close(ends[1]);
        throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(error));
    }

    std::vector<char*> argv;
    std::string programName = ffmpegPath;
    argv.push_back(programName.data());
    std::vector<std::string> owned = arguments;
    for (std::string& argument : owned) argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    child_ = fork();
    if (child_ == 0) {
        // Only async-signal-safe calls here: the parent has other threads. ffmpeg dies with the
        // capture, even a capture killed outright, rather than finish a video no one will keep.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (dup2(ends[0], STDIN_FILENO) < 0) _exit(127);
        execve(ffmpegPath.c_str(), argv.data(), environ);
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        _exit(127);
    }
    const int forkError = errno;
    close(ends[0]);
    close(report[1]);
    if (child_ < 0) {
        close(ends[1]);
        close(report[0]);
        child_ = -1;
        throw std::runtime_error("cannot start " + ffmpegPath + ": " + std::strerror(forkError));
    }
    int execError = 0;
    ssize_t got;
    while ((got = read(report[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        close(ends[1]);
        int status = 0;
        while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
        }
        child_ = -1;
        throw std::runtime_error("cannot start " + ffmpegPath + ": " + std::strerror(execError));
    }
    input_ = ends[1];
}

VideoPipe::~VideoPipe()
{
    if (child_ != -1) finish();
}

bool VideoPipe::write(const std::vector<uint32_t>& frame)
{
    if (input_ < 0 || frame.size() != static_cast<size_t>(width_) * height_) return false;
    const char* bytes = reinterpret_cast<const char*>(frame.data());
    size_t left = frame.size() * sizeof(uint32_t);
    while (left > 0) {
        const ssize_t written = ::write(input_, bytes, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false; // ffmpeg has gone (EPIPE, with SIGPIPE ignored by the caller)
        bytes += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

int VideoPipe::finish()
{
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (child_ == -1) return -1;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0) {
        if (errno != EINTR) {
            child_ = -1;
            return -1;
        }
    }
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace tepple
