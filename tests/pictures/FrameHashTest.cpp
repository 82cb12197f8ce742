// Every frame of the timeline guarded, not only the reference pictures: the whole run at 60 frames
// per second with star-field seed 1, and after each presented frame a hash of the picture shown,
// the depth buffer and the accumulation buffer, compared with the committed list
// tests/pictures/frame-hashes.txt. Any change to the arithmetic of any path, however small or
// however late in the run, shows here as the first frame that differs.
//
//   tepple_frame_hash_tests [--lanes W] [--threads T]   compare with the committed list
//   tepple_frame_hash_tests --write FILE                write the list of this build (to re-bless on purpose)
// --lanes draws W rows side by side (1 one at a time; 4, 8, 16 a lane set, skipped where this
// processor lacks it) and --threads uses T threads: the list is the same for every choice.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TimelineCapture.h"
#include "driver/Scenes.h"
#include "render/LaneWidth.h"

using namespace tepple;

namespace {

constexpr int hashFps = 60;
constexpr unsigned hashSeed = 1;

// From the command line: the lane width and threads the run draws with (0: the defaults).
int laneWidthOption = 0;
int threadsOption = 0;

std::string committedList() { return std::string(TEPPLE_SOURCE_DIR) + "/tests/pictures/frame-hashes.txt"; }

// 32 bits of a 64-bit multiply-xorshift hash over the bytes, four lanes at a time so that hashing
// five megabytes a frame stays well below the cost of drawing it. Not for adversaries: a regression
// that slips through must collide in every frame it touches.
uint32_t hashBytes(const void* data, size_t size)
{
    constexpr uint64_t multiplier = 0x9E3779B97F4A7C15ull;
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint64_t lane[4] = {1, 2, 3, 4};
    size_t at = 0;
    const auto mix = [](uint64_t& h, uint64_t word) {
        h = (h ^ word) * multiplier;
        h ^= h >> 29;
    };
    for (; at + 32 <= size; at += 32) {
        for (int j = 0; j < 4; ++j) {
            uint64_t word;
            std::memcpy(&word, bytes + at + 8 * j, sizeof word);
            mix(lane[j], word);
        }
    }
    for (; at < size; ++at) mix(lane[0], bytes[at]);
    uint64_t h = size;
    for (uint64_t l : lane) mix(h, l);
    return static_cast<uint32_t>(h >> 32);
}

struct FrameHashes {
    uint32_t picture = 0;
    uint32_t depth = 0;
    uint32_t accumulation = 0;

    bool operator==(const FrameHashes& other) const
    {
        return picture == other.picture && depth == other.depth && accumulation == other.accumulation;
    }
};

// One run of the whole timeline; visit(frame, hashes) after each presented frame.
template <class Visit>
void hashTimeline(Visit&& visit)
{
    CaptureSettings settings{hashFps, hashSeed, TEPPLE_RUN_DIR};
    settings.threads = threadsOption;
    settings.laneWidth = laneWidthOption;
    TimelineCapture run(settings);
    const Renderer& renderer = run.demo().objects().renderer;
    while (run.step()) {
        const std::vector<uint32_t>& picture = run.picture();
        FrameHashes hashes;
        hashes.picture = hashBytes(picture.data(), picture.size() * sizeof picture[0]);
        hashes.depth = hashBytes(renderer.depthBuffer(), renderer.pixelCount() * sizeof(double));
        hashes.accumulation = hashBytes(renderer.accumBuffer(), renderer.pixelCount() * sizeof(uint32_t));
        if (!visit(run.presentedFrame(), hashes)) return;
    }
}

std::vector<FrameHashes> readList(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path + ": cannot be read (write it with --write)");
    std::vector<FrameHashes> list;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') continue;
        unsigned frame = 0;
        FrameHashes hashes;
        if (std::sscanf(line.c_str(), "%u %" SCNx32 " %" SCNx32 " %" SCNx32, &frame, &hashes.picture, &hashes.depth,
                        &hashes.accumulation) != 4 ||
            frame != list.size()) {
            throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": expected frame " +
                                     std::to_string(list.size()) + " and three hexadecimal hashes");
        }
        list.push_back(hashes);
    }
    return list;
}

int writeList(const std::string& path)
{
    std::ostringstream out;
    out << "# frame, then hashes of the picture shown, the depth buffer and the accumulation buffer after\n"
           "# it: the whole timeline at "
        << hashFps << " frames per second, star-field seed " << hashSeed
        << ". Made by tepple_frame_hash_tests --write.\n";
    int frames = 0;
    hashTimeline([&](int frame, const FrameHashes& h) {
        char line[64];
        std::snprintf(line, sizeof line, "%d %08" PRIx32 " %08" PRIx32 " %08" PRIx32 "\n", frame, h.picture, h.depth,
                      h.accumulation);
        out << line;
        ++frames;
        return true;
    });
    const std::string temporary = path + ".partial";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file.flush()) {
            std::fprintf(stderr, "%s: cannot be written\n", temporary.c_str());
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot be replaced\n", path.c_str());
        std::remove(temporary.c_str());
        return 1;
    }
    std::printf("%s: %d frames\n", path.c_str(), frames);
    return 0;
}

std::string describeFrame(int frame)
{
    const double seconds = static_cast<double>(frame) / hashFps;
    const TimelineEntry* scene = sceneAt(seconds);
    return "frame " + std::to_string(frame) + " (" + std::to_string(seconds) + " s, " +
           (scene ? scene->name : "between scenes") + ")";
}

TEST(FrameHashes, EveryFrameOfTheTimelineMatchesTheCommittedList)
{
    if (laneWidthOption > 0 && resolvedLaneWidth(laneWidthOption) != laneWidthOption) {
        GTEST_SKIP() << "lane width " << laneWidthOption << " cannot run here: not in this build or not on this processor";
    }
    const std::vector<FrameHashes> expected = readList(committedList());
    ASSERT_EQ(static_cast<int>(expected.size()), TimelineCapture::frameCount(hashFps));
    int checked = 0;
    hashTimeline([&](int frame, const FrameHashes& actual) {
        if (frame >= static_cast<int>(expected.size())) {
            ADD_FAILURE() << "the run shows more frames than the list holds, from " << describeFrame(frame);
            return false;
        }
        const FrameHashes& wanted = expected[static_cast<size_t>(frame)];
        if (actual == wanted) {
            ++checked;
            return true;
        }
        std::string which;
        if (actual.picture != wanted.picture) which += " picture";
        if (actual.depth != wanted.depth) which += " depth";
        if (actual.accumulation != wanted.accumulation) which += " accumulation";
        ADD_FAILURE() << "first difference at " << describeFrame(frame) << ", in:" << which
                      << ". If the change is meant, re-bless with tepple_frame_hash_tests --write "
                      << committedList();
        return false;
    });
    EXPECT_EQ(checked, static_cast<int>(expected.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return writeList(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (option == "--lanes" && (value == 1 || value == 4 || value == 8 || value == 16)) {
            laneWidthOption = value;
        } else if (option == "--threads" && value >= 1 && value <= 30) {
            threadsOption = value;
        } else {
            std::fprintf(stderr, "usage: tepple_frame_hash_tests [--lanes 1|4|8|16] [--threads 1-30]\n");
            return 2;
        }
    }
    return RUN_ALL_TESTS();
}
