// A program started with standard input or error closed must not hand those numbers to the files
// and pipes it opens: whatever it writes to standard error would land in them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "geometry/StandardStreams.h"

namespace tepple {

namespace {

bool isDevNull(int fd, const struct stat& devNull)
{
    struct stat seen {};
    return ::fstat(fd, &seen) == 0 && S_ISCHR(seen.st_mode) && seen.st_rdev == devNull.st_rdev;
}

// Run in a child, so the test's own descriptors are never touched; only calls that are safe
// after fork. The exit status says what went wrong.
int closedStreamsChild()
{
    struct stat devNull {}, output {}, outputAfter {};
    if (::stat("/dev/null", &devNull) != 0 || ::fstat(1, &output) != 0) return 10;
    ::close(0);
    ::close(2);
    keepStandardStreamsOpen();
    if (!isDevNull(0, devNull)) return 11;
    if (!isDevNull(2, devNull)) return 12;
    // Standard output, open all along, is left as it was.
    if (::fstat(1, &outputAfter) != 0 || outputAfter.st_ino != output.st_ino || outputAfter.st_dev != output.st_dev) {
        return 13;
    }
    if ((::fcntl(0, F_GETFL) & O_ACCMODE) != O_RDWR) return 14;
    // What is opened next (here a pipe, as a video encoder is fed) gets numbers above 2.
    int ends[2];
    if (::pipe(ends) != 0) return 15;
    if (ends[0] <= 2 || ends[1] <= 2) return 16;
    // Called again with all three open, it opens nothing: the lowest free number stays free.
    const int probe = ::open("/dev/null", O_RDONLY);
    ::close(probe);
    keepStandardStreamsOpen();
    return ::open("/dev/null", O_RDONLY) == probe ? 0 : 17;
}

} // namespace

TEST(StandardStreams, ClosedDescriptorsAreHeldOnDevNullSoNothingOpenedLaterTakesThem)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(closedStreamsChild());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: no /dev/null, 11/12: descriptor 0/2 not on /dev/null, "
                                         "13: standard output changed, 14: not read-write, 16: the pipe took 0-2, "
                                         "17: the second call opened something";
}

} // namespace tepple
