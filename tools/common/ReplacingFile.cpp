#include "ReplacingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Temporaries of one process differ by this count, of different processes by their ids.
std::atomic<unsigned> temporaryCount{0};

std::string followLinks(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    // Renaming over the link itself would replace the link, not the file it stands for.
    std::error_code error;
    const fs::path target = fs::weakly_canonical(path, error);
    return error ? path : target.string();
}

// ".sheet.partial-4242-7.png" for "sheet.png": hidden, so globs and listings pass it by.
std::string temporaryName(const fs::path& destination)
{
    return "." + destination.stem().string() + ".partial-" + std::to_string(getpid()) + "-" +
           std::to_string(temporaryCount++) + destination.extension().string();
}

} // namespace

ReplacingFile::ReplacingFile(const std::string& destination)
    : shownName_(destination), destination_(followLinks(destination))
{
    struct stat info;
    if (stat(destination_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw OutputError("cannot write " + shownName_ + ": it is a folder");
        if (!S_ISREG(info.st_mode)) throw OutputError("cannot write " + shownName_ + ": it is not a regular file");
    }
    const fs::path path(destination_);
    while (descriptor_ < 0) {
        temporary_ = (path.parent_path() / temporaryName(path)).string();
        // Created with 0666 so the umask decides the final file's permissions, as for any new file.
        descriptor_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor_ < 0 && errno != EEXIST) {
            const int error = errno;
            temporary_.clear();
            throw OutputError("cannot write " + shownName_ + ": " + std::strerror(error));
        }
    }
}

ReplacingFile::~ReplacingFile()
{
    if (descriptor_ >= 0) close(descriptor_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

void ReplacingFile::fail(int error)
{
    if (descriptor_ >= 0) close(descriptor_);
    descriptor_ = -1;
    unlink(temporary_.c_str());
    temporary_.clear();
    throw OutputError("cannot write " + shownName_ + ": " + std::strerror(error));
}

void ReplacingFile::write(const void* bytes, size_t size)
{
    if (descriptor_ < 0) throw OutputError("cannot write " + shownName_ + ": the file is already closed");
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t written = ::write(descriptor_, next, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) fail(errno);
        next += written;
        size -= static_cast<size_t>(written);
    }
}

void ReplacingFile::commit(Durability durability)
{
    if (descriptor_ < 0) throw OutputError("cannot write " + shownName_ + ": the file is already closed");
    if (durability == Durability::Synced && fsync(descriptor_) != 0) fail(errno);
    const int closed = close(descriptor_);
    descriptor_ = -1;
    // A failing close can be the first report of a failed write (on network file systems).
    if (closed != 0) fail(errno);
    if (rename(temporary_.c_str(), destination_.c_str()) != 0) fail(errno);
    committed_ = true;
    if (durability == Durability::Synced) {
        // The rename is an entry of the folder: it reaches the disk with the folder's own sync.
        // A folder that cannot be synced (some file systems refuse) still holds the whole file.
        const fs::path parent = fs::path(destination_).parent_path();
        const int folder = open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            fsync(folder);
            close(folder);
        }
    }
}

void replaceFile(const std::string& destination, const void* bytes, size_t size, Durability durability)
{
    ReplacingFile file(destination);
    file.write(bytes, size);
    file.commit(durability);
}

void checkReplaceable(const std::string& destination)
{
    ReplacingFile probe(destination);
}
