#include "driver/Program.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/DataFile.h"
#include "geometry/MeshFile.h"
#include "media/DataFiles.h"
#include "media/Tga.h"

namespace {

// Whether anything is at path, a dangling link too: the demo should then report that file, not go
// on looking elsewhere. Windows has no links that lstat tells apart.
bool somethingAt(const std::string& path)
{
    struct stat info;
#ifdef _WIN32
    return ::stat(path.c_str(), &info) == 0;
#else
    return ::lstat(path.c_str(), &info) == 0;
#endif
}

std::string workingFolder()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

} // namespace

bool holdsDataFiles(const std::string& folder)
{
    for (const char* name : dataFiles::all) {
        const std::string path = folder.empty() ? std::string(name) : folder + tepple::folderSeparator + name;
        if (somethingAt(path)) return true;
    }
    return false;
}

std::string installedDataFolder(const std::string& programFolder)
{
    const size_t slash = programFolder.rfind('/');
    return slash == std::string::npos ? std::string() : programFolder.substr(0, slash) + "/share/tepple";
}

void reportFailure(const char* what)
{
    std::fprintf(stderr, "tepple: %s\n", what);
    std::fflush(stderr);
}

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
                     "tepple: no data files in the current folder %s; reading them from the program's "
                     "folder %s\n",
                     here.c_str(), programFolder.c_str());
        std::fflush(stderr);
        return std::nullopt;
    }
    const std::string installed = installedDataFolder(programFolder);
    if (!installed.empty() && holdsDataFiles(installed)) {
        dataFolder = installed;
        std::fprintf(stderr,
                     "tepple: no data files in the current folder %s; reading them from the installed data "
                     "folder %s\n",
                     here.c_str(), installed.c_str());
        std::fflush(stderr);
        return std::nullopt;
    }
    std::string where = programFolder == here
                            ? "in " + here + " (the current folder and the program's)"
                            : "in the current folder " + here + " nor in the program's folder " +
                                  (programFolder.empty() ? "(unknown)" : programFolder);
    if (!installed.empty()) where += " nor in " + installed;
#ifdef _WIN32
    // The Windows demo comes packed with its data, never built where it runs.
    const char* remedy = "keep tepple.exe in the folder it came in, with its data files";
#else
    const char* remedy = "build and start the demo with ./scripts/run.sh";
#endif
    std::fprintf(stderr, "tepple: no data files (%s, %s, %s, ...) %s; %s\n", dataFiles::columnMesh,
                 dataFiles::flareTexture, dataFiles::soundtrack, where.c_str(), remedy);
    std::fflush(stderr);
    return 1;
}

std::unique_ptr<Demo> startProgram(const DemoSetup& setup)
{
    try {
        return std::make_unique<Demo>(setup);
    } catch (const WindowError& error) {
        reportFailure(error.what());
    } catch (const MeshError& error) {
        // Under the texture loader's caption, so both start-up failures look alike. Every console
        // writes its messages on standard error as well as in any dialog it shows.
        setup.console.message(error.what(), loadFailureCaption, "");
        setup.console.close();
    } catch (const std::exception& error) {
        // Anything else (memory running out, say) still ends with a clear line, not an abort.
        reportFailure(error.what());
        setup.console.close();
    }
    return nullptr;
}

int runProgram(const DemoSetup& setup)
{
    const std::unique_ptr<Demo> demo = startProgram(setup);
    if (!demo) return 1;
    try {
        demo->run();
    } catch (const std::exception& error) {
        reportFailure(error.what());
        return 1;
    }
    return 0;
}
