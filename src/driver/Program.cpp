#include "driver/Program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/DataFile.h"
#include "geometry/MeshFile.h"
#include "media/DataFiles.h"
#include "media/LoadFailure.h"
#include "media/Tga.h"

namespace tepple {

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
    std::fprintf(stderr, "tepple: %s\n", printable(what).c_str());
    std::fflush(stderr);
}

int printHelp(const char* program, const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (written) return 0;
    std::fprintf(stderr, "%s: cannot write the help: %s\n", program, std::strerror(errno));
    return 1;
}

std::string printable(const std::string& text)
{
    std::string shown;
    const auto hex = [&](unsigned char byte) {
        static const char digits[] = "0123456789abcdef";
        shown += "\\x";
        shown += digits[byte >> 4];
        shown += digits[byte & 15];
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\\') {
            shown += "\\\\";
        } else if (byte == 0x1B) {
            shown += "\\e";
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte == '\t') {
            shown += "\\t";
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            hex(byte);
        } else if (byte < 0x80) {
            shown += static_cast<char>(byte);
        } else {
            // A whole UTF-8 sequence is kept (names in other scripts stay readable); C1 controls
            // (U+0080 to U+009F, which terminals also obey) and broken sequences are not.
            const size_t length = byte >= 0xF0 && byte < 0xF5 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
            bool whole = length > 0 && i + length <= text.size() && byte < 0xF5;
            for (size_t k = 1; whole && k < length; ++k)
                whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            if (whole && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) whole = false;
            if (!whole) {
                hex(byte);
                continue;
            }
            shown.append(text, i, length);
            i += length - 1;
        }
    }
    return shown;
}

std::optional<int> settleStart(int argc, const char* const* argv, const std::string& programFolder,
                               std::string& dataFolder)
{
    if (argc > 1) {
        const bool help = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        if (help) {
            return printHelp("tepple",
                             "tepple takes no options: it plays its 150-second demonstration from the "
                             "data files beside it until any key is pressed or the window is closed.\n");
        }
        std::fprintf(stderr, "tepple: takes no options, but was given \"%s\" (tepple --help)\n",
                     printable(argv[1]).c_str());
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

} // namespace tepple
