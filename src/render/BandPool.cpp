#include "render/BandPool.h"

#include <algorithm>

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
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            work_ = work;
            context_ = context;
            unfinished_ = bands_ - 1;
            ++job_;
        }
        started_.notify_all();
    }
    work(context, 0);
    if (bands_ > 1) {
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [this] { return unfinished_ == 0; });
    }
}

void BandPool::serve(int band)
{
    uint64_t done = 0;
    while (true) {
        Work work;
        void* context;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            started_.wait(lock, [&] { return stopping_ || job_ != done; });
            if (stopping_) return;
            done = job_;
            work = work_;
            context = context_;
        }
        work(context, band);
        bool last;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            last = --unfinished_ == 0;
        }
        if (last) finished_.notify_one();
    }
}
