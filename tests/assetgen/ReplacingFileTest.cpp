// Output files of the tools: a destination holds either its old content or the whole new one,
// never a part, and nothing else is left in its folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>
#include <utility>

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
    // Another user's link, in a shared folder perhaps: neither followed nor replaced (only root
    // can give a link away to try it).
    const fs::path foreignLink = folder_ / "foreign.png";
    fs::create_symlink(folder_ / "out.png", foreignLink);
    const bool foreign = lchown(foreignLink.c_str(), 65534, 65534) == 0;
    std::vector<std::pair<std::string, Streams>> refused = {{folder_.string(), Streams::WrittenThrough},
                                                            {missingFolder, Streams::WrittenThrough},
                                                            {"/dev/null", Streams::Refused}};
    if (foreign) refused.emplace_back(foreignLink.string(), Streams::WrittenThrough);
    for (const auto& [destination, streams] : refused) {
        SCOPED_TRACE(destination);
        try {
            checkReplaceable(destination, streams);
            ADD_FAILURE() << "accepted";
        } catch (const OutputError& error) {
            EXPECT_NE(std::string(error.what()).find(destination), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_symlink(foreignLink));
    EXPECT_EQ(contentOf(folder_ / "out.png"), "old content");
}

TEST_F(ReplacingFileTest, ALinkAtTheNameIsReplacedAndWhatItNamedIsUntouched)
{
    // A link at an output's name may lead out of the folder: the output takes the name, and the
    // file the link named keeps its bytes and its mode.
    fs::create_symlink(folder_ / "out.png", folder_ / "link.png");
    fs::permissions(folder_ / "out.png", fs::perms::owner_read | fs::perms::owner_write);
    replaceFile((folder_ / "link.png").string(), std::vector<uint8_t>{'n', 'e', 'w'}, Durability::Unsynced);
    EXPECT_FALSE(fs::is_symlink(folder_ / "link.png"));
    EXPECT_EQ(contentOf(folder_ / "link.png"), "new");
    EXPECT_EQ(contentOf(folder_ / "out.png"), "old content");
    EXPECT_EQ(fs::status(folder_ / "out.png").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A link to a device is the device's name: written through, the link kept.
    fs::create_symlink("/dev/null", folder_ / "null.png");
    replaceFile((folder_ / "null.png").string(), std::vector<uint8_t>{'x'}, Durability::Unsynced);
    EXPECT_TRUE(fs::is_symlink(folder_ / "null.png"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ReplacingFileTest, AStreamAtTheNameOrBehindALinkGetsTheBytesAsTheyCome)
{
    // A named pipe whose reader comes after the writer has started waiting, as a viewer started
    // second would; then the same through a link to the pipe.
    const fs::path pipe = folder_ / "pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, folder_ / "to-pipe.png");
    for (const fs::path& name : {pipe, folder_ / "to-pipe.png"}) {
        SCOPED_TRACE(name);
        std::string received;
        std::thread reader([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            received = contentOf(pipe);
        });
        std::vector<uint8_t> bytes(300000);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
        checkReplaceable(name.string());
        replaceFile(name.string(), bytes, Durability::Synced);
        reader.join();
        EXPECT_EQ(received, std::string(bytes.begin(), bytes.end()));
        EXPECT_TRUE(fs::is_fifo(pipe));
    }
    EXPECT_EQ(entriesIn(folder_), 3u) << "a temporary was made for a stream";
}

TEST_F(ReplacingFileTest, ANameNearTheSystemsLimitStillGetsATemporary)
{
    // 250 bytes, valid on its own; the temporary's additions must not push it past 255.
    const std::string name = std::string(246, 'n') + ".png";
    const fs::path folder = folder_ / "long";
    fs::create_directories(folder);
    const pid_t child = fork();
    if (child == 0) {
        // A temporary of the same name left by a process that then died.
        try {
            ReplacingFile left((folder / name).string());
            _exit(fs::path(left.temporaryPath()).filename().string().size() <= 255 ? 0 : 1);
        } catch (...) {
            _exit(2);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // The child's destructor did not run (_exit): its temporary is a leftover.
    ASSERT_EQ(entriesIn(folder), 1u);
    replaceFile((folder / name).string(), std::vector<uint8_t>{'l'}, Durability::Synced);
    EXPECT_EQ(contentOf(folder / name), "l");
    EXPECT_EQ(entriesIn(folder), 1u) << "the dead process's temporary was left";
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
                                           ".out.partial-" + dead + "-2.png",
                                           ".other.partial-" + dead + "-0.png"}));
}

} // namespace

} // namespace tepple
