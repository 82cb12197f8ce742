// Output files of the tools: a destination holds either its old content or the whole new one,
// never a part, and nothing else is left in its folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "ReplacingFile.h"

namespace tepple {

namespace {

namespace fs = std::filesystem;

std::string contentOf(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

size_t entriesIn(const fs::path& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ReplacingFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("tepple-replacing-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        std::ofstream(folder_ / "out.png", std::ios::binary) << "old content";
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

TEST_F(ReplacingFileTest, TheDestinationChangesOnlyWhenTheWholeFileIsCommitted)
{
    const std::string destination = (folder_ / "out.png").string();
    {
        ReplacingFile file(destination);
        file.write("new ", 4);
        EXPECT_EQ(contentOf(destination), "old content") << "visible before the commit";
        EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), folder_);
        EXPECT_EQ(fs::path(file.temporaryPath()).extension(), ".png");
        // Dropped without commit, as when a later write fails or the run is stopped.
    }
    EXPECT_EQ(contentOf(destination), "old content");
    EXPECT_EQ(entriesIn(folder_), 1u) << "the temporary was left behind";

    ReplacingFile file(destination);
    file.write("new ", 4);
    file.write("content", 7);
    file.commit(Durability::Synced);
    EXPECT_EQ(contentOf(destination), "new content");
    EXPECT_EQ(entriesIn(folder_), 1u);
}

TEST_F(ReplacingFileTest, FoldersAndDevicesAreRefusedNotReplaced)
{
    const std::string missingFolder = (folder_ / "none" / "x").string();
    for (const std::string& destination : {folder_.string(), std::string("/dev/null"), missingFolder}) {
        SCOPED_TRACE(destination);
        try {
            checkReplaceable(destination);
            ADD_FAILURE() << "accepted";
        } catch (const OutputError& error) {
            EXPECT_NE(std::string(error.what()).find(destination), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ReplacingFileTest, ALinkAtTheNameIsReplacedAndWhatItNamedIsUntouched)
{
    // A link at an output's name may lead out of the folder, or be planted by another user: the
    // output takes the name, and the file the link named keeps its bytes and its mode.
    fs::create_symlink(folder_ / "out.png", folder_ / "link.png");
    fs::permissions(folder_ / "out.png", fs::perms::owner_read | fs::perms::owner_write);
    replaceFile((folder_ / "link.png").string(), std::vector<uint8_t>{'n', 'e', 'w'}, Durability::Unsynced);
    EXPECT_FALSE(fs::is_symlink(folder_ / "link.png"));
    EXPECT_EQ(contentOf(folder_ / "link.png"), "new");
    EXPECT_EQ(contentOf(folder_ / "out.png"), "old content");
    EXPECT_EQ(fs::status(folder_ / "out.png").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A link to a folder or a device is a name like any other.
    fs::create_symlink("/dev/null", folder_ / "null.png");
    replaceFile((folder_ / "null.png").string(), std::vector<uint8_t>{'x'}, Durability::Unsynced);
    EXPECT_EQ(contentOf(folder_ / "null.png"), "x");
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ReplacingFileTest, ATerminationHandlerRemovesTheTemporariesBeingWritten)
{
    // What a tool's SIGTERM or SIGHUP handler calls before the process ends by the signal.
    ReplacingFile first((folder_ / "out.png").string());
    ReplacingFile second((folder_ / "other.png").string());
    first.write("part", 4);
    ASSERT_TRUE(fs::exists(first.temporaryPath()));
    removeTemporariesNow();
    EXPECT_FALSE(fs::exists(first.temporaryPath()));
    EXPECT_FALSE(fs::exists(second.temporaryPath()));
    EXPECT_EQ(contentOf(folder_ / "out.png"), "old content");
    EXPECT_EQ(entriesIn(folder_), 1u);
}

TEST_F(ReplacingFileTest, TemporariesOfTheSameOutputLeftByADeadProcessAreRemoved)
{
    // A folder of its own: the tool reads a folder's temporaries once per process.
    const fs::path folder = folder_ / "leftovers";
    fs::create_directories(folder);
    // A process id that is certainly not running: a child that has ended and been waited for.
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string dead = std::to_string(child);
    const std::string running = std::to_string(getppid());
    for (const std::string& name : {".out.partial-" + dead + "-0.png", ".out.partial-" + dead + "-1.png",
                                    ".out.partial-" + running + "-0.png", ".out.partial-" + dead + "-2.png",
                                    ".other.partial-" + dead + "-0.png"}) {
        std::ofstream(folder / name) << "partial";
    }
    // Locked: a process elsewhere (another container sharing the folder) is still writing it.
    const int held = open((folder / (".out.partial-" + dead + "-2.png")).c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    replaceFile((folder / "out.png").string(), std::vector<uint8_t>{'n'}, Durability::Unsynced);
    close(held);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder)) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"out.png", ".out.partial-" + running + "-0.png",
                                           ".out.partial-" + dead + "-2.png", ".other.partial-" + dead + "-0.png"}));
}

} // namespace

} // namespace tepple
