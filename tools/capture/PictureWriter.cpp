#include "PictureWriter.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tepple {

PictureWriter::PictureWriter(int threads, size_t capacity) : capacity_(std::max<size_t>(capacity, 1))
{
    const int wanted = std::max(threads, 1);
    workers_.reserve(static_cast<size_t>(wanted));
    // The workers that started are enough (they only encode sooner together); none at all is an
    // error, thrown before anything could be left running.
    for (int i = 0; i < wanted; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error& error) {
            if (workers_.empty()) {
                throw std::runtime_error(std::string("cannot start a thread to write pictures: ") +
                                         error.code().message());
            }
            break;
        }
    }
}

PictureWriter::~PictureWriter()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void PictureWriter::throwIfFailed()
{
    if (failure_) std::rethrow_exception(failure_);
}

void PictureWriter::submit(PictureJob job)
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failure_ || queue_.size() < capacity_; });
    throwIfFailed();
    queue_.push_back(std::move(job));
    changed_.notify_all();
}

void PictureWriter::finish()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failure_ || (queue_.empty() && busy_ == 0); });
    throwIfFailed();
}

void PictureWriter::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        PictureJob job = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        changed_.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            const Picture& picture = job.picture;
            if (job.width > 0 && job.width != picture.width) {
                writePngFile(job.path, resized(picture, job.width, job.width * picture.height / picture.width),
                             job.compression, job.durability);
            } else {
                writePngFile(job.path, picture, job.compression, job.durability);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        --busy_;
        if (failure && !failure_) {
            // The run has failed: what is still waiting would only be thrown away later.
            failure_ = failure;
            queue_.clear();
        }
        changed_.notify_all();
    }
}

} // namespace tepple
