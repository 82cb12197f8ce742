#include "geometry/StandardStreams.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tepple {

namespace {

// Whether standard descriptor fd (0, 1 or 2) is closed.
bool isClosed(int fd)
{
#ifdef _WIN32
    // The C library opens its standard descriptors on the handles the process was started with;
    // where a handle is missing, the number is free.
    static const DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
    const HANDLE handle = ::GetStdHandle(handles[fd]);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
#else
    return ::fcntl(fd, F_GETFD) == -1 && errno == EBADF;
#endif
}

#ifdef _WIN32
constexpr const char* nullDevice = "NUL";
#else
constexpr const char* nullDevice = "/dev/null";
#endif

} // namespace

void keepStandardStreamsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (!isClosed(fd)) continue;
        // The lowest free number is taken, which is this one: those below it are open by now.
        const int opened = ::open(nullDevice, O_RDWR);
        if (opened < 0) return;
        if (opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace tepple
