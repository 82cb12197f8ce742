#include "geometry/DataFile.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tepple {

namespace {

#ifdef _WIN32
// Windows' C library opens files in text mode unless told otherwise, which would turn CR LF into LF
// in a data file; it has no non-blocking opens (a pipe's open does not wait) and no close-on-exec
// flag, only one that keeps the descriptor from child processes.
constexpr int openFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
using FileMode = decltype(_stat::st_mode);
#else
constexpr int openFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
using FileMode = mode_t;
#endif

const char* kindOf(FileMode mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
#ifndef _WIN32
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
#endif
    return "something else";
}

std::FILE* refuse(int fd, std::string& whyNot, std::string reason)
{
    whyNot = std::move(reason);
    ::close(fd);
    return nullptr;
}

} // namespace

std::FILE* openDataFile(const std::string& path, std::string& whyNot)
{
    // Without O_NONBLOCK, opening a named pipe waits for a writer, possibly forever; the type can
    // only be checked race-free on the open descriptor, hence open first, then fstat.
    const int fd = ::open(path.c_str(), openFlags);
    if (fd < 0) {
        whyNot = std::strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) return refuse(fd, whyNot, std::strerror(errno));
    if (!S_ISREG(info.st_mode)) {
        return refuse(fd, whyNot, std::string("it is ") + kindOf(info.st_mode) + ", not a regular file");
    }
#ifndef _WIN32
    // Regular files ignore O_NONBLOCK, but the stream should not depend on that.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        return refuse(fd, whyNot, std::strerror(errno));
    }
#endif
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) return refuse(fd, whyNot, std::strerror(errno));
    return file;
}

} // namespace tepple
