#include "render/BandPool.h"

#include <algorithm>
#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TEPPLE_SPIN_PAUSE() _mm_pause()
#else
#define TEPPLE_SPIN_PAUSE() ((void)0)
#endif

namespace {
// About the time between two draw calls of a frame: long enough that a worker is still awake for
// the next call, short enough that a worker idle between frames soon leaves the core to others.
constexpr auto spinBudget = std::chrono::microseconds(50);
} // namespace

template <class Done>
bool BandPool::spinUntil(Done&& done)
{
    const auto deadline = std::chrono::steady_clock::now() + spinBudget;
    while (true) {
        for (int i = 0; i < 64; ++i) {
            if (done()) return true;
            TEPPLE_SPIN_PAUSE();
        }
        if (std::chrono::steady_clock::now() >= deadline) return done();
    }
}

BandPool::BandPool(int bands) : bands_(std::max(bands, 1))
{
    workers_.reserve(static_cast<size_t>(bands_ - 1));
    for (int band = 1; band < bands_; ++band) workers_.emplace_back([this, band] { serve(band); });
}

BandPool::~BandPool()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    started_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void BandPool::run(Work work, void* context)
{
    if (bands_ > 1) {
        work_ = work;
        context_ = context;
        unfinished_.store(bands_ - 1);
        job_.fetch_add(1);
        // Sequentially consistent with the sleeper's own count-then-check: either it sees the new
        // job before it waits, or this sees it counted and wakes it.
        if (sleepers_.load() > 0) {
            const std::lock_guard<std::mutex> lock(mutex_);
            started_.notify_all();
        }
    }
    work(context, 0);
    if (bands_ > 1) {
        const auto finished = [this] { return unfinished_.load() == 0; };
        if (!spinUntil(finished)) {
            std::unique_lock<std::mutex> lock(mutex_);
            mainSleeping_ = true;
            finished_.wait(lock, finished);
            mainSleeping_ = false;
        }
    }
}

void BandPool::serve(int band)
{
    uint64_t done = 0;
    while (true) {
        const auto newJob = [&] { return stopping_.load() || job_.load() != done; };
        if (!spinUntil(newJob)) {
            std::unique_lock<std::mutex> lock(mutex_);
            ++sleepers_;
            started_.wait(lock, newJob);
            --sleepers_;
        }
        if (stopping_) return;
        done = job_.load();
        work_(context_, band);
        if (unfinished_.fetch_sub(1) == 1 && mainSleeping_.load()) {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_.notify_one();
        }
    }
}
