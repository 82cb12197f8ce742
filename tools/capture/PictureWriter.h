#pragma once
// PNG files encoded and written on worker threads while the caller renders the next frames.
// Encoding costs several times what drawing a frame does, so a frame sequence goes as fast as the
// workers together can encode. At most `capacity` pictures wait at once (submit() blocks while the
// queue is full), so memory stays bounded however slow the disk is.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Picture.h"
#include "Png.h"

namespace tepple {

struct PictureJob {
    std::string path;
    Picture picture;
    int width = 0; // written at this width, the height in proportion; 0 keeps the picture's size
    PngCompression compression = PngCompression::Compact;
    Durability durability = Durability::Synced;
};

class PictureWriter {
public:
    // `threads` of at least 1; as many as could be started when the system refuses some.
    // Throws std::runtime_error when it refuses every one.
    PictureWriter(int threads, size_t capacity);
    // Stops the workers. Pictures not yet written are dropped, never left half-written.
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    // Queues a picture. Once any picture has failed, throws that first failure instead (and the
    // pictures still waiting are dropped).
    void submit(PictureJob job);
    // Waits until every queued picture is written; throws the first failure, if any.
    void finish();

private:
    void work();
    void throwIfFailed();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PictureJob> queue_;
    size_t capacity_;
    int busy_ = 0;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

} // namespace tepple
