#pragma once
// The worker threads the triangle paths split the screen among: started once, then handed one
// job at a time, each band of rows to its own thread. Nothing is allocated per job.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class BandPool {
public:
    using Work = void (*)(void* context, int band);

    // `bands` threads in all: the caller's own and bands - 1 workers (at least one band).
    explicit BandPool(int bands);
    ~BandPool();
    BandPool(const BandPool&) = delete;
    BandPool& operator=(const BandPool&) = delete;

    int bands() const { return bands_; }

    // Runs work(context, band) for every band, band 0 on the calling thread, and returns once all
    // have finished. Not re-entrant.
    void run(Work work, void* context);

private:
    void serve(int band);

    int bands_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable started_;
    std::condition_variable finished_;
    uint64_t job_ = 0;   // counts the jobs handed out; a worker runs each new value once
    int unfinished_ = 0; // workers still on the current job
    bool stopping_ = false;
    Work work_ = nullptr;
    void* context_ = nullptr;
};

// A BandPool held by value, so that what holds it can be copied: a copy starts threads of its
// own, as many as the original has.
class BandPoolHandle {
public:
    explicit BandPoolHandle(int bands = 1) : pool_(std::make_unique<BandPool>(bands)) {}
    BandPoolHandle(const BandPoolHandle& other) : BandPoolHandle(other.pool_->bands()) {}
    BandPoolHandle& operator=(const BandPoolHandle& other)
    {
        if (other.pool_->bands() != pool_->bands()) pool_ = std::make_unique<BandPool>(other.pool_->bands());
        return *this;
    }

    BandPoolHandle(BandPoolHandle&&) noexcept = default;
    BandPoolHandle& operator=(BandPoolHandle&&) noexcept = default;

    BandPool& operator*() const { return *pool_; }
    BandPool* operator->() const { return pool_.get(); }

private:
    std::unique_ptr<BandPool> pool_;
};
