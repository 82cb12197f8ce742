// Pictures written on worker threads: every one submitted is on disk, whole, once finish()
// returns, and a failure on a worker reaches the caller naming its file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "PictureWriter.h"

namespace tepple {

namespace {

namespace fs = std::filesystem;

// Each picture differs from the others and is asymmetric, so a swapped or half-written one shows.
Picture numbered(int number)
{
    Picture picture(40, 30);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.at(x, y) = static_cast<uint32_t>(number) << 16 | static_cast<uint32_t>(x * 6) << 8 |
                               static_cast<uint32_t>(y * 8);
        }
    }
    return picture;
}

class PictureWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("tepple-writer-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(int number) const { return (folder_ / ("p" + std::to_string(number) + ".png")).string(); }

    fs::path folder_;
};

TEST_F(PictureWriterTest, EveryPictureIsWrittenWholeBeforeFinishReturns)
{
    constexpr int count = 40;
    {
        // Fewer places in the queue than pictures, so submit() has to wait for the workers.
        PictureWriter writer(2, 3);
        for (int i = 0; i < count; ++i) {
            const int width = i % 4 == 0 ? 20 : 0; // some shrunk on the way, as --width does
            writer.submit(PictureJob{path(i), numbered(i), width, PngCompression::Fast, Durability::Unsynced});
        }
        writer.finish();
        for (int i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            const Picture written = readPngFile(path(i));
            const Picture expected = i % 4 == 0 ? resized(numbered(i), 20, 15) : numbered(i);
            EXPECT_EQ(written.width, expected.width);
            EXPECT_EQ(written.pixels, expected.pixels);
        }
    }
    // Nothing but the pictures: no temporary was left beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), count);
}

TEST_F(PictureWriterTest, AFailureOnAWorkerReachesTheCaller)
{
    PictureWriter writer(2, 2);
    const std::string blocked = (folder_ / "no-such-folder" / "p.png").string();
    writer.submit(PictureJob{blocked, numbered(1), 0, PngCompression::Fast, Durability::Unsynced});
    try {
        // The failure surfaces at a later submit or at the latest in finish().
        for (int i = 0; i < 20; ++i) {
            writer.submit(PictureJob{path(i), numbered(i), 0, PngCompression::Fast, Durability::Unsynced});
        }
        writer.finish();
        FAIL() << "the failed picture went unreported";
    } catch (const PngError& error) {
        EXPECT_NE(std::string(error.what()).find(blocked), std::string::npos) << error.what();
    }
}

} // namespace

} // namespace tepple
