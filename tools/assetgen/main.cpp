// tepple-assets: makes the demo's eleven data files, or checks a folder of them.
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "Manifest.h"
#include "ReplacingFile.h"
#include "geometry/StandardStreams.h"
#include "media/DataFiles.h"

using namespace tepple;

namespace {

constexpr const char* usage =
    "Usage: tepple-assets FOLDER          make the demo's eleven data files in FOLDER (created if\n"
    "                                     missing), with a manifest of their sizes and checksums\n"
    "       tepple-assets --check FOLDER  say which data files in FOLDER are missing or damaged;\n"
    "                                     status 1 if any is\n";

// A termination signal ends the run at once, as by default, but first removes the temporary of
// a file being written: nothing is left half-written under its own name or a hidden one.
extern "C" void endOnSignal(int signal)
{
    removeTemporariesNow();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

int check(const std::string& folder)
{
    const std::vector<std::string> names(std::begin(dataFiles::all), std::end(dataFiles::all));
    std::vector<std::string> problems;
    try {
        problems = checkDataFolder(folder, names);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tepple-assets: cannot check %s: %s\n", folder.c_str(), error.what());
        return 1;
    }
    for (const std::string& problem : problems) std::fprintf(stderr, "tepple-assets: %s\n", problem.c_str());
    if (!problems.empty()) return 1;
    std::printf("tepple-assets: the %zu data files in %s are as the manifest lists them\n", names.size(),
                folder.c_str());
    return 0;
}

int generate(const std::string& folder)
{
    const auto start = std::chrono::steady_clock::now();
    try {
        writeAssets(folder, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "tepple-assets: " << error.what() << '\n';
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "tepple-assets: all files written in %.2f s\n", seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything is opened: a closed standard descriptor would be handed to the first file
    // or pipe opened, and messages meant for it written there.
    keepStandardStreamsOpen();
    // Past a file-size limit a write must fail with its reason, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(usage, stdout);
        return 0;
    }
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) std::signal(signal, endOnSignal);
    const bool checking = arguments.size() == 2 && arguments[0] == "--check";
    if ((checking && arguments[1].empty()) || (arguments.size() == 1 && arguments[0].empty())) {
        // Refused, not read as the root folder: a script's unset variable must not fill "/".
        std::fputs("tepple-assets: the folder name is empty\n", stderr);
        return 2;
    }
    if (checking) return check(arguments[1]);
    if (arguments.size() == 1 && arguments[0].rfind("-", 0) != 0) return generate(arguments[0]);
    std::fputs(usage, stderr);
    return 2;
}
