#include "platform/sdl/SdlEnvironment.h"

#ifdef _WIN32
#include <windows.h>

namespace tepple {

void prepareSdlEnvironment()
{
    // Windows reports some failures (a drive without its disk, a crash) in a dialog of its own that
    // waits for a click; the demo reports its failures on standard error like any console program.
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                   SEM_NOOPENFILEERRORBOX);
}

} // namespace tepple

#else
#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace tepple {

namespace {

// A folder of our own for per-session files: owned by us, a real folder, no one else's to read.
bool isPrivateFolder(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 0077) == 0;
}

// XDG_RUNTIME_DIR is set by a desktop session. Without one (a plain console, ssh, a test), the
// Wayland client library complains on standard error as SDL probes for a Wayland display. The
// convention for such programs is a private replacement folder: the session's usual place when
// it exists, else one made in the temporary folder.
void provideRuntimeFolder()
{
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current != nullptr && current[0] == '/') return;
    const std::string uid = std::to_string(::getuid());
    const std::string usual = "/run/user/" + uid;
    if (isPrivateFolder(usual)) {
        ::setenv("XDG_RUNTIME_DIR", usual.c_str(), 1);
        return;
    }
    const char* temporary = std::getenv("TMPDIR");
    const std::string own = std::string(temporary != nullptr && temporary[0] == '/' ? temporary : "/tmp") +
                            "/tepple-runtime-" + uid;
    ::mkdir(own.c_str(), 0700);
    if (isPrivateFolder(own)) ::setenv("XDG_RUNTIME_DIR", own.c_str(), 1);
}

// ALSA's library writes a line on standard error for every step of a failed probe: eight lines
// for a machine without a sound card, which the music player already reports in one.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

} // namespace

void prepareSdlEnvironment()
{
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    provideRuntimeFolder();
    // SDL loads the same libasound, so the handler holds for its sound driver too.
    snd_lib_error_set_handler(ignoreAlsaMessage);
}

} // namespace tepple
#endif
