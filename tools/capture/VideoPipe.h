#pragma once
// Raw frames piped into an ffmpeg process that encodes them as H.264 and muxes in the soundtrack.
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tepple {

// The full path of an executable named `program` in a folder of `searchPath` (a PATH value).
std::optional<std::string> findOnPath(const std::string& program, const std::string& searchPath);

// ffmpeg's arguments (without the program name) for 640 x 480-style 0x00RRGGBB frames on its
// standard input; an empty audioPath makes a silent video.
std::vector<std::string> ffmpegArguments(int width, int height, int fps, const std::string& audioPath,
                                         const std::string& outputPath);

// Whether ffmpeg decodes the whole of the audio file at `audioPath` without a single error. A
// file it cannot open, or one damaged part way, would otherwise stop the video or fill the
// terminal with decoder messages. An ffmpeg that cannot be run at all (not a program, a missing
// interpreter or library, killed) says nothing about the file: that is told apart, with why.
struct AudioCheck {
    bool decodes = false;
    bool ffmpegFailed = false;
    std::string problem; // when ffmpegFailed
};
AudioCheck ffmpegDecodesAudio(const std::string& ffmpegPath, const std::string& audioPath);

class VideoPipe {
public:
    // Starts ffmpeg, which is killed should this process die first. Throws std::runtime_error
    // when it cannot be started.
    VideoPipe(const std::string& ffmpegPath, const std::vector<std::string>& arguments, int width, int height);
    // Closes the pipe and waits for ffmpeg if finish() was not called.
    ~VideoPipe();
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;

    // One frame of width x height words. False once ffmpeg has stopped reading.
    bool write(const std::vector<uint32_t>& frame);
    // Ends the input and waits for ffmpeg; returns its exit status (-1 when it was killed).
    int finish();

private:
    int width_;
    int height_;
    int input_ = -1; // our end of ffmpeg's standard input
    pid_t child_ = -1;
};

} // namespace tepple
