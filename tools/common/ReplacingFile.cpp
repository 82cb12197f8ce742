#include "ReplacingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace tepple {

namespace fs = std::filesystem;

namespace {

// Temporaries of one process differ by this count, of different processes by their ids.
std::atomic<unsigned> temporaryCount{0};

constexpr const char* partialMark = ".partial-";

// ".sheet.partial-4242-7.png" for "sheet.png": hidden, so globs and listings pass it by.
std::string temporaryName(const fs::path& destination)
{
    return "." + destination.stem().string() + partialMark + std::to_string(getpid()) + "-" +
           std::to_string(temporaryCount++) + destination.extension().string();
}

bool allDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// A temporary's name taken apart: the destination name it stands for and the id of the process
// that made it. False for any other name.
bool readTemporaryName(const std::string& name, std::string& destination, pid_t& maker)
{
    if (name.size() < 2 || name[0] != '.') return false;
    const size_t mark = name.rfind(partialMark);
    if (mark == std::string::npos || mark < 1) return false;
    const size_t numbers = mark + std::strlen(partialMark);
    const size_t dash = name.find('-', numbers);
    if (dash == std::string::npos) return false;
    const size_t extension = name.find('.', dash);
    const std::string pid = name.substr(numbers, dash - numbers);
    const size_t countEnd = extension == std::string::npos ? name.size() : extension;
    const std::string count = name.substr(dash + 1, countEnd - dash - 1);
    if (!allDigits(pid) || !allDigits(count) || pid.size() > 9) return false;
    destination = name.substr(1, mark - 1) + (extension == std::string::npos ? "" : name.substr(extension));
    maker = static_cast<pid_t>(std::stol(pid));
    return maker > 0;
}

// The temporaries found in each folder, by the destination they stand for: a folder is read once
// per process, as a frame sequence makes thousands of files in one.
std::mutex leftoversMutex;
std::map<std::string, std::map<std::string, std::vector<std::string>>> leftoversByFolder;

const std::map<std::string, std::vector<std::string>>& temporariesIn(const std::string& folder)
{
    const auto known = leftoversByFolder.find(folder);
    if (known != leftoversByFolder.end()) return known->second;
    std::map<std::string, std::vector<std::string>>& found = leftoversByFolder[folder];
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return found;
    while (const dirent* entry = readdir(listing)) {
        std::string destination;
        pid_t maker = 0;
        if (readTemporaryName(entry->d_name, destination, maker)) found[destination].push_back(entry->d_name);
    }
    closedir(listing);
    return found;
}

// A temporary is a leftover when the process named in it is not running here and no process holds
// its lock (which also covers a maker in another process namespace sharing the folder).
bool isLeftover(const std::string& path, pid_t maker)
{
    if (maker == getpid() || kill(maker, 0) == 0 || errno != ESRCH) return false;
    const int file = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) return false; // a link under a temporary's name is left alone
    struct stat info;
    const bool free = fstat(file, &info) == 0 && S_ISREG(info.st_mode) && flock(file, LOCK_EX | LOCK_NB) == 0;
    close(file);
    return free;
}

// Removes the leftover temporaries of `destination` (a killed run of any tool writing it).
void removeLeftovers(const fs::path& destination)
{
    const fs::path parent = destination.parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    const std::lock_guard<std::mutex> lock(leftoversMutex);
    const auto& found = temporariesIn(folder);
    const auto mine = found.find(destination.filename().string());
    if (mine == found.end()) return;
    for (const std::string& name : mine->second) {
        std::string ignored;
        pid_t maker = 0;
        const std::string path = (fs::path(folder) / name).string();
        if (readTemporaryName(name, ignored, maker) && isLeftover(path, maker)) unlink(path.c_str());
    }
    leftoversByFolder[folder].erase(destination.filename().string());
}

// The temporaries not yet committed, for removeTemporariesNow(), which may run in a signal handler
// on any thread: fixed slots, each claimed with one atomic exchange, its path written before it is
// marked live.
constexpr int liveSlots = 64;
struct LiveTemporary {
    std::atomic<int> state{0}; // 0 free, 1 being written, 2 live
    char path[4096];
};
LiveTemporary liveTemporaries[liveSlots];

int listTemporary(const std::string& path)
{
    if (path.size() >= sizeof liveTemporaries[0].path) return -1;
    for (int slot = 0; slot < liveSlots; ++slot) {
        int expected = 0;
        if (!liveTemporaries[slot].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(liveTemporaries[slot].path, path.c_str(), path.size() + 1);
        liveTemporaries[slot].state.store(2);
        return slot;
    }
    return -1; // more than liveSlots files at once: a later run removes what a signal leaves
}

} // namespace

void removeTemporariesNow()
{
    for (LiveTemporary& live : liveTemporaries) {
        if (live.state.load() == 2) unlink(live.path);
    }
}

ReplacingFile::ReplacingFile(const std::string& destination) : shownName_(destination), destination_(destination)
{
    struct stat info;
    if (lstat(destination_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw OutputError("cannot write " + shownName_ + ": it is a folder");
        if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
            throw OutputError("cannot write " + shownName_ + ": it is not a regular file");
        }
    }
    const fs::path path(destination_);
    removeLeftovers(path);
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
    // A new file no one else has open: the lock is granted (where file systems lock at all).
    flock(descriptor_, LOCK_EX | LOCK_NB);
    liveSlot_ = listTemporary(temporary_);
}

void ReplacingFile::unlist()
{
    if (liveSlot_ >= 0) liveTemporaries[liveSlot_].state.store(0);
    liveSlot_ = -1;
}

ReplacingFile::~ReplacingFile()
{
    unlist();
    if (descriptor_ >= 0) close(descriptor_);
    if (!committed_ && !temporary_.empty()) unlink(temporary_.c_str());
}

void ReplacingFile::fail(int error)
{
    unlist();
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
    // The rename replaces the name itself: a link there is replaced, the file it names untouched.
    if (rename(temporary_.c_str(), destination_.c_str()) != 0) fail(errno);
    unlist();
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

} // namespace tepple
