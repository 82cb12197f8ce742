#include "driver/Program.h"

#include <cstdio>
#include <exception>

#include "geometry/MeshFile.h"

namespace {

// The texture loader's caption, so both start-up failures look alike.
constexpr const char* loadFailureCaption = "Hehe :-D";

} // namespace

void reportFailure(const char* what)
{
    std::fprintf(stderr, "tepple: %s\n", what);
    std::fflush(stderr);
}

std::unique_ptr<Demo> startProgram(const DemoSetup& setup)
{
    try {
        return std::make_unique<Demo>(setup);
    } catch (const WindowError& error) {
        reportFailure(error.what());
    } catch (const MeshError& error) {
        // Every console writes its messages on standard error as well as in any dialog it shows.
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
