// The demonstration's pictures guarded: the timeline is rendered once, offline at 60 frames per
// second with star-field seed 1 from the generated data, and the frame shown at every reference
// time must equal its committed picture exactly. A mismatch leaves the actual, expected and
// difference pictures in the build's picture-failures folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "CaptureOptions.h"
#include "PictureDiff.h"
#include "PictureTimes.h"
#include "Png.h"
#include "TimelineCapture.h"
#include "driver/Scenes.h"

namespace {

constexpr int referenceFps = 60;
constexpr unsigned referenceSeed = 1;

std::string sourcePath(const std::string& name) { return std::string(TEPPLE_SOURCE_DIR) + "/tests/pictures/" + name; }

const std::vector<double>& referenceTimes()
{
    static const std::vector<double> times = readPictureTimes(sourcePath("times.txt"));
    return times;
}

// time -> the picture shown then, from one run of the timeline up to the last reference time.
const std::map<double, Picture>& renderedFrames()
{
    static const std::map<double, Picture> frames = [] {
        std::map<double, Picture> shown;
        TimelineCapture run(CaptureSettings{referenceFps, referenceSeed, TEPPLE_RUN_DIR});
        std::map<int, std::vector<double>> wanted;
        for (double time : referenceTimes()) wanted[run.frameAt(time)].push_back(time);
        while (!wanted.empty() && run.step()) {
            const auto due = wanted.find(run.presentedFrame());
            if (due == wanted.end()) continue;
            for (double time : due->second) {
                shown[time] = Picture::fromPixels(run.picture().data(), screenWidth, screenHeight);
            }
            wanted.erase(due);
        }
        return shown;
    }();
    return frames;
}

void keepFailure(const std::string& name, const Picture& expected, const Picture& actual)
{
    const std::filesystem::path folder = TEPPLE_PICTURE_FAILURES;
    std::filesystem::create_directories(folder);
    const std::string stem = (folder / name.substr(0, name.size() - 4)).string();
    writePngFile(stem + "-actual.png", actual);
    if (expected.width > 0) writePngFile(stem + "-expected.png", expected);
    const Picture difference = differencePicture(expected, actual);
    if (difference.width > 0) writePngFile(stem + "-difference.png", difference);
    std::printf("  pictures kept: %s-{actual,expected,difference}.png\n", stem.c_str());
}

TEST(PictureReference, TimesCoverEverySceneTwice)
{
    std::map<std::string, std::set<double>> perScene;
    for (double time : referenceTimes()) {
        const TimelineEntry* scene = sceneAt(time);
        ASSERT_NE(scene, nullptr) << "no scene runs at " << time << " s";
        perScene[scene->name].insert(time);
    }
    for (const TimelineEntry& entry : sceneTimeline) {
        EXPECT_GE(perScene[entry.name].size(), 2u) << entry.name << " needs at least two reference times";
    }
}

TEST(PictureReference, EveryFrameMatchesItsReferenceExactly)
{
    ASSERT_GE(referenceTimes().size(), 12u);
    std::error_code ignored;
    std::filesystem::remove_all(TEPPLE_PICTURE_FAILURES, ignored); // no stale pictures from an earlier run
    for (double time : referenceTimes()) {
        const std::string name = atPictureName(time);
        const auto rendered = renderedFrames().find(time);
        ASSERT_NE(rendered, renderedFrames().end()) << "the run ended before " << time << " s";
        const Picture& actual = rendered->second;
        Picture expected;
        try {
            expected = readPngFile(sourcePath("reference/" + name));
        } catch (const PngError& error) {
            ADD_FAILURE() << error.what() << " (make the references with scripts/bless-pictures.sh)";
            keepFailure(name, expected, actual);
            continue;
        }
        const PictureDifference difference = comparePictures(expected, actual);
        if (!difference.identical()) {
            ADD_FAILURE() << "frame at " << time << " s (" << name << "): " << difference.describe();
            keepFailure(name, expected, actual);
        }
    }
}

} // namespace
