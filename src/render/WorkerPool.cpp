#include "render/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "render/ThreadCount.h"

namespace {
// About the time between two draw calls of a frame: long enough that a worker is still awake for
// the next call, short enough that a worker idle between frames soon leaves the core to others
// (a longer spin lets a spinning worker slow the caller's own work; docs/performance.md).
constexpr auto spinBudget = std::chrono::microseconds(25);

// A claim word: the job's number (high 32 bits), its number of pieces (16 bits) and the next
// piece to hand out (low 16 bits). A claimer decides from one snapshot of it, so a claim that
// succeeds is a piece of the job that is still running, never of the next one.
uint64_t jobOf(uint64_t claim) { return claim >> 32; }
int piecesOf(uint64_t claim) { return static_cast<int>((claim >> 16) & 0xFFFF); }
int pieceOf(uint64_t claim) { return static_cast<int>(claim & 0xFFFF); }
} // namespace

// What a pool is made of: the worker threads and the words they hand jobs over with.
class WorkerCrew {
public:
    using Work = WorkerPool::Work;
    WorkerCrew(int threads, WorkerPool::BeforeStart beforeStart);
    ~WorkerCrew();
    void run(Work work, void* context, int pieces);

    // Stops and joins every worker; the pool then runs on the caller's thread alone.
    void stopWorkers();
    void serve(int thread);
    // Claims and runs pieces of the job numbered `job` until none is left.
    void work(uint64_t job, int thread);
    // Spins until done() holds or the spin budget is spent; true when it holds.
    template <class Done>
    static bool spinUntil(Done&& done);

    int threads_;
    std::vector<std::thread> workers_;
    // claim_ holds the current job's number, its number of pieces and the next piece to hand
    // out, so a claim is one compare-and-swap that fails once the job has changed.
    // Each on a cache line of its own, away from the fields the caller writes per job, so a
    // thread spinning on one does not slow the others' writes.
    alignas(64) std::atomic<uint64_t> claim_{0};
    alignas(64) std::atomic<int> finished_{0}; // pieces of the current job finished
    // The job's work, written before claim_ announces the job. A claim succeeds only while the
    // job is unfinished, and the next job is written only after, so a claimer reads its own job.
    alignas(64) Work work_ = nullptr;
    void* context_ = nullptr;
    // The mutex and the condition variables serve only threads that stopped spinning: a thread
    // counts itself in sleepers_ (or sets callerSleeping_) under the mutex before it waits, and
    // the other side, after publishing, notifies whenever it sees that.
    alignas(64) std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable jobDone_;
    std::atomic<int> sleepers_{0};
    std::atomic<bool> callerSleeping_{false};
    std::atomic<bool> stopping_{false};
};

template <class Done>
bool WorkerCrew::spinUntil(Done&& done)
{
    const auto deadline = std::chrono::steady_clock::now() + spinBudget;
    while (true) {
        for (int i = 0; i < 64; ++i) {
            // No pause instruction: under a hypervisor a loop of pauses can make the host take
            // the core away (pause-loop exiting), and the thread then answers its next job late.
            if (done()) return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) return done();
        // The thread waited for may share this core (the scheduler may wake a worker onto the
        // core of the thread that woke it); spinning would then hold it off for a whole time
        // slice.
        std::this_thread::yield();
    }
}

namespace {
std::atomic<WorkerPool::ShortfallReport> shortfallReport{nullptr};
} // namespace

void WorkerPool::setShortfallReport(ShortfallReport report) { shortfallReport.store(report); }

WorkerCrew::WorkerCrew(int threads, WorkerPool::BeforeStart beforeStart) : threads_(threads)
{
    const int wanted = threads_;
    workers_.reserve(static_cast<size_t>(wanted - 1));
    // Workers 1 to count - 1, numbered without a gap; stops at the first that cannot start and
    // keeps those before it. Nothing may leave here half-made: an exception would destroy running
    // threads and the condition variables they wait on.
    const auto start = [&](int count) {
        for (int thread = 1; thread < count; ++thread) {
            try {
                if (beforeStart != nullptr) beforeStart(thread);
                workers_.emplace_back([this, thread] { serve(thread); });
            } catch (const std::system_error&) {
                return false;
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        return true;
    };
    if (!start(wanted)) {
        // A refused start means the address space or the process table is all but full, while the
        // program has still to allocate (and other processes to start): half the threads that did
        // start are given back.
        const int keep = std::max(1, (1 + static_cast<int>(workers_.size())) / 2);
        stopWorkers();
        start(keep);
    }
    // The workers never read threads_.
    threads_ = 1 + static_cast<int>(workers_.size());
    const WorkerPool::ShortfallReport report = shortfallReport.load();
    if (threads_ < wanted && report != nullptr) report(threads_, wanted);
}

void WorkerCrew::stopWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    stopping_ = false;
}

WorkerCrew::~WorkerCrew() { stopWorkers(); }

void WorkerCrew::work(uint64_t job, int thread)
{
    uint64_t claim = claim_.load();
    while (jobOf(claim) == job && pieceOf(claim) < piecesOf(claim)) {
        if (!claim_.compare_exchange_weak(claim, claim + 1)) continue; // claim now holds the current value
        const int pieces = piecesOf(claim);
        work_(context_, pieceOf(claim), thread);
        if (finished_.fetch_add(1) + 1 == pieces && thread != 0 && callerSleeping_.load()) {
            const std::lock_guard<std::mutex> lock(mutex_);
            jobDone_.notify_one();
        }
        claim = claim_.load();
    }
}

void WorkerCrew::run(Work work, void* context, int pieces)
{
    if (pieces <= 0) return;
    if (threads_ == 1 || pieces > WorkerPool::maxPieces) {
        for (int piece = 0; piece < pieces; ++piece) work(context, piece, 0);
        return;
    }
    work_ = work;
    context_ = context;
    finished_.store(0);
    const uint64_t job = (jobOf(claim_.load()) + 1) & 0xFFFFFFFFu;
    claim_.store(job << 32 | static_cast<uint64_t>(pieces) << 16);
    // Sequentially consistent with a sleeper's own count-then-check: either it sees the new job
    // before it waits, or this sees it counted and wakes it.
    if (sleepers_.load() > 0) {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobReady_.notify_all();
    }
    this->work(job, 0);
    const auto finished = [this, pieces] { return finished_.load() == pieces; };
    if (!spinUntil(finished)) {
        std::unique_lock<std::mutex> lock(mutex_);
        callerSleeping_ = true;
        jobDone_.wait(lock, finished);
        callerSleeping_ = false;
    }
}

void WorkerCrew::serve(int thread)
{
    uint64_t seen = 0;
    while (true) {
        const auto newJob = [&] { return stopping_.load() || jobOf(claim_.load()) != seen; };
        if (!spinUntil(newJob)) {
            std::unique_lock<std::mutex> lock(mutex_);
            ++sleepers_;
            jobReady_.wait(lock, newJob);
            --sleepers_;
        }
        if (stopping_) return;
        seen = jobOf(claim_.load());
        work(seen, thread);
    }
}

WorkerPool::WorkerPool(int threads, BeforeStart beforeStart)
{
    if (threads < 1 || threads > maxRenderThreads) {
        throw std::invalid_argument("WorkerPool: " + std::to_string(threads) + " threads, not 1 to " +
                                    std::to_string(maxRenderThreads));
    }
    crew_ = std::make_unique<WorkerCrew>(threads, beforeStart);
    threads_ = crew_->threads_;
}

WorkerPool::~WorkerPool() = default;

void WorkerPool::run(Work work, void* context, int pieces) { crew_->run(work, context, pieces); }
