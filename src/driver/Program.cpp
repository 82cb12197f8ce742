#include "driver/Program.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "geometry/MeshFile.h"

namespace {

// The texture loader's caption, so both start-up failures look alike.
constexpr const char* loadFailureCaption = "Hehe :-D";

void printError(const char* what)
{
    std::fprintf(stderr, "tepple: %s\n", what);
    std::fflush(stderr);
}

} // namespace

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
