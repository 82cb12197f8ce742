// The generator as a whole: the files it writes, their determinism and its error reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "Catalogue.h"
#include "RunFolder.h"
#include "media/DataFiles.h"

namespace tepple {

namespace {

// The eleven files the demo opens, by the names it uses.
const std::set<std::string> demoFiles(std::begin(dataFiles::all), std::end(dataFiles::all));

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        char pattern[] = "/tmp/tepple-assets-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) throw std::runtime_error("cannot make a temporary folder");
        path_ = made;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(AssetGenerator, CataloguesExactlyTheFilesTheDemoReads)
{
    std::set<std::string> names;
    for (const AssetFile& file : assetCatalogue()) EXPECT_TRUE(names.insert(file.name).second) << file.name;
    EXPECT_EQ(names, demoFiles);
}

// The build's run folder was filled by one run of the generator; a second run here must write
// the very same bytes, and report each file once.
TEST(AssetGenerator, ASecondRunWritesIdenticalBytes)
{
    TemporaryFolder folder;
    std::ostringstream progress;
    writeAssets(folder.path(), progress);
    for (const std::string& name : demoFiles) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> fresh = readBytes(folder.path() + "/" + name);
        ASSERT_FALSE(fresh.empty());
        EXPECT_TRUE(fresh == readBytes(runPath(name))) << "differs from the build's copy";
        EXPECT_NE(progress.str().find(name), std::string::npos);
    }
}

TEST(AssetGenerator, NamesTheFileItCannotWrite)
{
    TemporaryFolder folder;
    // A plain file where the output folder should be.
    const std::string blocked = folder.path() + "/not-a-folder";
    std::FILE* file = std::fopen(blocked.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    std::ostringstream progress;
    try {
        writeAssets(blocked, progress);
        FAIL() << "writing into a plain file succeeded";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("capsule.LSB"), std::string::npos) << error.what();
    }
}

} // namespace

} // namespace tepple
