#pragma once
// Output files that are never seen half-written. The bytes go to a hidden temporary file in the
// destination's own folder (so the final rename cannot cross file systems); only a complete file
// is renamed over the destination. On any failure, or when the object is dropped before commit(),
// the temporary is removed and whatever the destination held before is left as it was.
//
// What stands at the destination's name decides what writing it means:
// - nothing, or a regular file: replaced through a temporary, as above;
// - a stream (a named pipe, a character device such as a terminal or /dev/null, a socket), or a
//   symbolic link the system resolves to one, or to this process's own standard output or error
//   (/dev/stdout, /proc/self/fd/1): written through as the bytes come, as any program writing a
//   named file does. A stream cannot take back what it has been given: a failure part way leaves
//   the part already written;
// - a symbolic link to anything else, owned by this process's user: the link itself is replaced
//   by the new file, and whatever it pointed to is never written;
// - a symbolic link of another user's (in a shared folder it may be a trap), a folder, a block
//   device: refused, never replaced.
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

// Whether a stream at the destination may be written through. A file that is useless unless
// complete and seekable (a video, which its encoder writes itself) refuses streams.
enum class Streams { WrittenThrough, Refused };

// Whether commit() waits for the bytes and the rename to reach the disk (fsync of the file and of
// its folder). Long sequences of files a run can simply make again skip it: it costs a disk
// round trip per file.
enum class Durability { Synced, Unsynced };

class ReplacingFile {
public:
    // Checks the destination (see above) and creates the temporary beside it, or opens the stream.
    // The folder must exist. Temporaries of the same destination left by a process that has died
    // (killed outright, its machine stopped) are removed. A named pipe is opened once a reader
    // has it open: until then, and while a stream takes no bytes, the wait ends with OutputError
    // when a stop signal arrives (StopSignals.h). Throws OutputError.
    explicit ReplacingFile(const std::string& destination, Streams streams = Streams::WrittenThrough);
    // Removes the temporary unless commit() succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // The destination, and the temporary, which ends in the destination's extension for programs
    // that choose a format by it (ffmpeg writes the video itself). The temporary is held locked
    // while this object lives, which tells a later run that it is not a leftover. Its name is
    // shortened (keeping a hash of the destination's) where the destination's name is so long
    // that the additions would pass the system's limit. Empty when a stream is written through.
    const std::string& destination() const { return destination_; }
    const std::string& temporaryPath() const { return temporary_; }
    bool isStream() const { return stream_; }

    // Appends bytes. Throws OutputError on a failed or short write (a full disk, a size limit).
    void write(const void* bytes, size_t size);
    // Flushes, closes and renames the temporary over the destination (a stream is only closed).
    // Throws OutputError, having removed the temporary, when any step fails.
    void commit(Durability durability);

private:
    // Removes the temporary and throws OutputError with the cause `error` (an errno value).
    [[noreturn]] void fail(int error);
    // Takes the temporary off the list removeTemporariesNow() reads.
    void unlist();
    // Opens the stream at the destination, waiting for a named pipe's reader.
    void openStream(bool standardStream, int standardDescriptor);

    std::string shownName_; // as given, for messages
    std::string destination_;
    std::string temporary_;
    int descriptor_ = -1;
    int liveSlot_ = -1; // where removeTemporariesNow() finds the temporary; -1: not listed
    bool committed_ = false;
    bool stream_ = false;
};

// Removes the temporaries of every ReplacingFile of this process that is not yet committed, with
// async-signal-safe calls only: for a handler of a termination signal that then ends the process.
void removeTemporariesNow();

// The whole of `bytes` as the destination's new content, through a ReplacingFile.
void replaceFile(const std::string& destination, const void* bytes, size_t size, Durability durability);
inline void replaceFile(const std::string& destination, const std::vector<uint8_t>& bytes,
                        Durability durability)
{
    replaceFile(destination, bytes.data(), bytes.size(), durability);
}

// Throws OutputError when the destination could not be written: what the constructor checks,
// proved by making (and removing) a temporary. A stream is checked without being opened (a
// reader of a named pipe would see its end at the close). For checking every output before a
// long run.
void checkReplaceable(const std::string& destination, Streams streams = Streams::WrittenThrough);

} // namespace tepple
