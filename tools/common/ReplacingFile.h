#pragma once
// Output files that are never seen half-written. The bytes go to a hidden temporary file in the
// destination's own folder (so the final rename cannot cross file systems); only a complete file
// is renamed over the destination. On any failure, or when the object is dropped before commit(),
// the temporary is removed and whatever the destination held before is left as it was.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tepple {

// The message names the destination and the cause, e.g. "cannot write out/a.png: No space left
// on device".
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether commit() waits for the bytes and the rename to reach the disk (fsync of the file and of
// its folder). Long sequences of files a run can simply make again skip it: it costs a disk
// round trip per file.
enum class Durability { Synced, Unsynced };

class ReplacingFile {
public:
    // Checks the destination and creates the temporary beside it. The name itself is replaced: a
    // symbolic link there becomes the new file, and whatever it pointed to is never written (in
    // a shared folder a link may be another user's trap). Anything else already there must be a
    // regular file (a folder or a device such as /dev/full is refused, never replaced). The
    // folder must exist. Temporaries of the same destination left by a process that has died
    // (killed outright, its machine stopped) are removed. Throws OutputError.
    explicit ReplacingFile(const std::string& destination);
    // Removes the temporary unless commit() succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The destination, and the temporary, which ends in the destination's extension for programs
    // that choose a format by it (ffmpeg writes the video itself). The temporary is held locked
    // while this object lives, which tells a later run that it is not a leftover.
    const std::string& destination() const { return destination_; }
    const std::string& temporaryPath() const { return temporary_; }

    // Appends bytes. Throws OutputError on a failed or short write (a full disk, a size limit).
    void write(const void* bytes, size_t size);
    // Flushes, closes and renames the temporary over the destination. Throws OutputError, having
    // removed the temporary, when any step fails.
    void commit(Durability durability);

private:
    // Removes the temporary and throws OutputError with the cause `error` (an errno value).
    [[noreturn]] void fail(int error);
    // Takes the temporary off the list removeTemporariesNow() reads.
    void unlist();

    std::string shownName_; // as given, for messages
    std::string destination_;
    std::string temporary_;
    int descriptor_ = -1;
    int liveSlot_ = -1; // where removeTemporariesNow() finds the temporary; -1: not listed
    bool committed_ = false;
};

// Removes the temporaries of every ReplacingFile of this process that is not yet committed, with
// async-signal-safe calls only: for a handler of a termination signal that then ends the process.
void removeTemporariesNow();

// The whole of `bytes` as the destination's new content, through a ReplacingFile.
void replaceFile(const std::string& destination, const void* bytes, size_t size, Durability durability);
inline void replaceFile(const std::string& destination, const std::vector<uint8_t>& bytes, Durability durability)
{
    replaceFile(destination, bytes.data(), bytes.size(), durability);
}

// Throws OutputError when the destination could not be replaced: what the constructor checks,
// proved by making (and removing) a temporary. For checking every output before a long run.
void checkReplaceable(const std::string& destination);

} // namespace tepple
