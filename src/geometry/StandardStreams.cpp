#include "geometry/StandardStreams.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace tepple {

void keepStandardStreamsOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is taken, which is this one: those below it are open by now.
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened < 0) return;
        if (opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}

} // namespace tepple
