// Output files of the tools: a destination holds either its old content or the whole new one,
// never a part, and nothing else is left in its folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ReplacingFile.h"

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

TEST_F(ReplacingFileTest, ALinkKeepsPointingAtTheFileItNames)
{
    fs::create_symlink(folder_ / "out.png", folder_ / "link.png");
    replaceFile((folder_ / "link.png").string(), std::vector<uint8_t>{'n', 'e', 'w'}, Durability::Unsynced);
    EXPECT_TRUE(fs::is_symlink(folder_ / "link.png"));
    EXPECT_EQ(contentOf(folder_ / "out.png"), "new");
}

} // namespace
