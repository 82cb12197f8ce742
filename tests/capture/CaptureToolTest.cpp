// The capture tool's plumbing: the progress line, finding ffmpeg and feeding it frames.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ProgressLine.h"
#include "VideoPipe.h"

namespace tepple {

namespace {

// Ignores SIGPIPE for one test, as the tool does for its whole run.
class IgnoreBrokenPipes {
public:
    IgnoreBrokenPipes() : previous_(std::signal(SIGPIPE, SIG_IGN)) {}
    ~IgnoreBrokenPipes() { std::signal(SIGPIPE, previous_); }

private:
    void (*previous_)(int);
};

std::string tempFolder(const std::string& name)
{
    const auto folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder.string();
}

TEST(CaptureProgress, SaysDoneTotalRateAndTimeLeft)
{
    EXPECT_EQ(progressText(0, 9001, 0.0), "capture: frame 0 of 9001 (0%)");
    EXPECT_EQ(progressText(1000, 9001, 2.0), "capture: frame 1000 of 9001 (11%), 500.0 frames/s, 17 s left");
    EXPECT_EQ(progressText(9001, 9001, 30.0), "capture: frame 9001 of 9001 (100%), 300.0 frames/s, 0 s left");
}

TEST(CaptureVideo, FfmpegIsLookedUpAlongThePath)
{
    const std::string folder = tempFolder("tepple-path");
    const std::string program = folder + "/ffmpeg";
    std::ofstream(program) << "#!/bin/sh\n";
    EXPECT_FALSE(findOnPath("ffmpeg", "/no/such:" + folder)) << "found without the execute bit";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    EXPECT_EQ(findOnPath("ffmpeg", "/no/such:" + folder), program);
    EXPECT_FALSE(findOnPath("ffmpeg", "/no/such"));
    EXPECT_FALSE(findOnPath("ffmpeg", ""));
    std::filesystem::create_directories(folder + "/dir/ffmpeg");
    EXPECT_FALSE(findOnPath("ffmpeg", folder + "/dir")) << "a folder is not a program";
    std::filesystem::remove_all(folder);
}

TEST(CaptureVideo, ArgumentsDescribeTheFramesAndMuxTheSoundtrack)
{
    const std::vector<std::string> withSound = ffmpegArguments(640, 480, 60, "/d/pelmoric.mp3", "out.mp4");
    const std::string joined = [&] {
        std::string text;
        for (const std::string& argument : withSound) text += argument + " ";
        return text;
    }();
    EXPECT_NE(joined.find("-f rawvideo -pixel_format bgr0 -video_size 640x480 -framerate 60 -i - "), std::string::npos);
    EXPECT_NE(joined.find("-i /d/pelmoric.mp3 -map 0:v -map 1:a"), std::string::npos);
    EXPECT_NE(joined.find("-shortest"), std::string::npos);
    EXPECT_EQ(withSound.back(), "out.mp4");
    const std::vector<std::string> silent = ffmpegArguments(640, 480, 30, "", "out.mp4");
    EXPECT_EQ(std::count(silent.begin(), silent.end(), "-i"), 1);
    EXPECT_EQ(std::count(silent.begin(), silent.end(), "-shortest"), 0);
}

TEST(CaptureVideo, FramesReachTheEncodersInputByteForByte)
{
    const std::string folder = tempFolder("tepple-pipe");
    const std::string received = folder + "/received";
    {
        VideoPipe pipe("/bin/sh", {"-c", "cat > '" + received + "'"}, 2, 1);
        EXPECT_TRUE(pipe.write({0x00112233, 0x00445566}));
        EXPECT_FALSE(pipe.write({0x00112233})) << "a frame of the wrong size was sent";
        EXPECT_EQ(pipe.finish(), 0);
    }
    std::ifstream file(received, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x33, 0x22, 0x11, 0x00, 0x66, 0x55, 0x44, 0x00}));
    std::filesystem::remove_all(folder);
}

TEST(CaptureVideo, AnEncoderThatQuitsIsReportedNotFatal)
{
    IgnoreBrokenPipes guard;
    VideoPipe pipe("/bin/sh", {"-c", "exit 3"}, 640, 480);
    const std::vector<uint32_t> frame(640 * 480, 0);
    bool accepted = true;
    // The pipe buffer takes a frame or so before the closed reader shows.
    for (int i = 0; i < 50 && accepted; ++i) accepted = pipe.write(frame);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(pipe.finish(), 3);
}

TEST(CaptureVideo, AProgramThatCannotStartThrows)
{
    EXPECT_THROW(VideoPipe("/no/such/ffmpeg", {}, 2, 1), std::runtime_error);
}

} // namespace

} // namespace tepple
