#include "driver/Program.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/MeshFile.h"

namespace {

// The eleven data files the demo reads.
// LOCAL LIST: replace with the list in media/DataFiles.h once that header is on this branch.
constexpr const char* dataFileNames[] = {
    "Shape1.LSB",   "Shape4.LSB",   "Shape5.LSB",          "capsule.LSB",  "kelvo.LSB",    "mushroom/1.LSB",
    "mushroom/2.LSB", "flare.tga", "amuscaria.tga", "stone_version_1.tga", "pelmoric.mp3",
};

// Whether any data file is in `folder` ("" for the working folder). Present counts, whatever it
// is: a spoiled file is the loaders' to report, by name.
bool holdsDataFiles(const std::string& folder)
{
    for (const char* name : dataFileNames) {
        struct stat info;
        if (::lstat((folder.empty() ? std::string(name) : folder + "/" + name).c_str(), &info) == 0) return true;
    }
    return false;
}

std::string workingFolder()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

// The texture loader's caption, so both start-up failures look alike.
constexpr const char* loadFailureCaption = "Hehe :-D";

void printError(const char* what)
{
    std::fprintf(stderr, "tepple: %s\n", what);
    std::fflush(stderr);
}

} // namespace

std::optional<int> settleStart(int argc, const char* const* argv, const std::string& programFolder,
                               std::string& dataFolder)
{
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        if (help) {
            std::printf("tepple takes no options: it plays its 150-second demonstration from the data files "
                        "beside it until any key is pressed or the window is closed.\n");
            std::fflush(stdout);
            return 0;
        }
        std::fprintf(stderr, "tepple: takes no options, but was given \"%s\" (tepple --help)\n", argv[1]);
        std::fflush(stderr);
        return 2;
    }
    dataFolder.clear();
    if (holdsDataFiles("")) return std::nullopt;
    const std::string here = workingFolder();
    if (!programFolder.empty() && holdsDataFiles(programFolder)) {
        dataFolder = programFolder;
        std::fprintf(stderr,
                     "tepple: no data files in the current folder %s; reading them from the program's folder %s\n",
                     here.c_str(), programFolder.c_str());
        std::fflush(stderr);
        return std::nullopt;
    }
    const std::string where = programFolder == here
                                  ? "in " + here + " (the current folder and the program's)"
                                  : "in the current folder " + here + " nor in the program's folder " +
                                        (programFolder.empty() ? "(unknown)" : programFolder);
    std::fprintf(stderr,
                 "tepple: no data files (Shape1.LSB, flare.tga, pelmoric.mp3, ...) %s; build and start the demo "
                 "with ./scripts/run.sh\n",
                 where.c_str());
    std::fflush(stderr);
    return 1;
}

int runProgram(const DemoSetup& setup)
{
    std::optional<Demo> demo;
    try {
        demo.emplace(setup);
    } catch (const WindowError& error) {
        printError(error.what());
        return 1;
    } catch (const MeshError& error) {
        // Every console writes its messages on standard error as well as in any dialog it shows.
        setup.console.message(error.what(), loadFailureCaption, "");
        setup.console.close();
        return 1;
    } catch (const std::exception& error) {
        // Anything else (memory running out, say) still ends with a clear line, not an abort.
        printError(error.what());
        setup.console.close();
        return 1;
    }
    try {
        demo->run();
    } catch (const std::exception& error) {
        printError(error.what());
        return 1;
    }
    return 0;
}
