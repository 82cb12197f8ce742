#pragma once
// The worker threads the triangle paths split the screen among: started once, then handed one
// job at a time, each band of rows to its own thread. Nothing is allocated per job.
//
// A frame hands out many small jobs in quick succession (one per draw call), so both sides wait
// for each other by spinning a little before they sleep: waking a sleeping thread costs more
// than a small job. The spin is bounded, so idle workers sleep and a busy machine loses little.
#include <atomic>
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

    // Runs body(begin, end, band) over [0, count) cut into one contiguous piece per band, in band
    // order, each on its band's thread; for work on independent items (vertices), whose results do not depend on
    // the cut.
    template <class Body>
    void split(size_t count, Body&& body)
    {
        struct Job {
            Body& body;
            size_t count;
            int pieces;
        } job{body, count, bands_};
        run(
            [](void* context, int band) {
                const Job& j = *static_cast<const Job*>(context);
                const auto cut = [&j](int piece) {
                    return static_cast<size_t>(static_cast<uint64_t>(j.count) * static_cast<uint64_t>(piece) /
                                               static_cast<uint64_t>(j.pieces));
                };
                const size_t begin = cut(band);
                const size_t end = cut(band + 1);
                if (begin < end) j.body(begin, end, band);
            },
            &job);
    }

private:
    void serve(int band);
    // Spins until done() holds or the spin budget is spent; true when it holds.
    template <class Done>
    static bool spinUntil(Done&& done);

    int bands_;
    std::vector<std::thread> workers_;
    // The mutex and the condition variables serve only threads that stopped spinning: a thread
    // counts itself in sleepers_ (or mainSleeping_) under the mutex before it waits, and the other
    // side, after publishing, notifies whenever it sees such a count.
    std::mutex mutex_;
    std::condition_variable started_;
    std::condition_variable finished_;
    std::atomic<uint64_t> job_{0};  // counts the jobs handed out; a worker runs each new value once
    std::atomic<int> unfinished_{0}; // workers still on the current job
    std::atomic<int> sleepers_{0};   // workers waiting on started_
    std::atomic<bool> mainSleeping_{false};
    std::atomic<bool> stopping_{false};
    Work work_ = nullptr;  // written before job_ is advanced, read after it is seen
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
