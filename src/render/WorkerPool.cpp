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

namespace tepple {

namespace {
// About the time between two draw calls of a frame: long enough that a worker is still awake for the next
// call, short enough that a worker idle between frames soon leaves the core to others (a longer spin lets a
// spinning worker slow the caller's own work; docs/performance.md).
constexpr auto spinBudget = std::chrono::microseconds(25);

// A claim word: the job's number (high 32 bits), its number of pieces (16 bits) and the next piece to hand
// out (low 16 bits). A claim is one compare-and-swap from one snapshot of it, so a claim that succeeds is a
// piece of the job that is still running, never of the next one.
uint64_t jobOf(uint64_t claim) { return claim >> 32; }
int piecesOf(uint64_t claim) { return static_cast<int>((claim >> 16) & 0xFFFF); }
int pieceOf(uint64_t claim) { return static_cast<int>(claim & 0xFFFF); }
constexpr int maxPieces = 0xFFFF;
std::atomic<WorkerPool::ShortfallReport> shortfallReport{nullptr};
} // namespace

struct WorkerPool::Crew {
    // Workers 1 to count - 1, numbered without a gap; stops at the first that cannot start and keeps those
    // before it. Nothing may leave here half-made: an exception would destroy running threads and the
    // condition variables they wait on.
    void start(int count, BeforeStart beforeStart)
    {
        for (int thread = 1; thread < count; ++thread) {
            try {
                if (beforeStart != nullptr) beforeStart(thread);
                workers_.emplace_back([this, thread] { serve(thread); });
            } catch (const std::system_error&) {
                return;
            } catch (const std::bad_alloc&) {
                return;
            }
        }
    }
    // Stops and joins every worker; the pool then runs on the caller's thread alone.
    void stopWorkers()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        stopping_ = true;
        lock.unlock();
        jobReady_.notify_all();
        for (std::thread& worker : workers_) worker.join();
        workers_.clear();
        stopping_ = false;
    }
    // Spins until done() holds or the spin budget is spent, then sleeps until it holds. The mutex and the
    // condition variables serve only threads that stopped spinning: a thread counts itself in `sleeping`
    // under the mutex before it waits on `wake`, and the other side, after publishing, notifies whenever it
    // sees that.
    template <class Done>
    void waitUntil(Done&& done, std::condition_variable& wake, std::atomic<int>& sleeping)
    {
        for (const auto deadline = std::chrono::steady_clock::now() + spinBudget;;) {
            // No pause instruction: under a hypervisor a loop of pauses can make the host take the core away
            // (pause-loop exiting), and the thread then answers its next job late.
            for (int i = 0; i < 64; ++i) if (done()) return;
            if (std::chrono::steady_clock::now() >= deadline) break;
            // The thread waited for may share this core (the scheduler may wake a worker onto the core of
            // the thread that woke it); spinning would then hold it off for a whole time slice.
            std::this_thread::yield();
        }
        if (done()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        ++sleeping;
        wake.wait(lock, done);
        --sleeping;
    }
    // Claims and runs pieces of the job numbered `job` until none is left.
    void claimPieces(uint64_t job, int thread)
    {
        for (uint64_t claim = claim_.load(); jobOf(claim) == job && pieceOf(claim) < piecesOf(claim);) {
            if (!claim_.compare_exchange_weak(claim, claim + 1)) continue; // claim now holds the value found
            function_(context_, pieceOf(claim), thread);
            if (finished_.fetch_add(1) + 1 == piecesOf(claim) && thread != 0 && callerSleeping_.load() > 0) {
                const std::lock_guard<std::mutex> lock(mutex_);
                jobDone_.notify_one();
            }
            claim = claim_.load();
        }
    }
    void run(PieceFunction function, void* context, int pieces)
    {
        if (pieces <= 0 || workers_.empty() || pieces > maxPieces) {
            for (int piece = 0; piece < pieces; ++piece) function(context, piece, 0);
            return;
        }
        function_ = function;
        context_ = context;
        finished_.store(0);
        const uint64_t job = (jobOf(claim_.load()) + 1) & 0xFFFFFFFFu;
        claim_.store(job << 32 | static_cast<uint64_t>(pieces) << 16);
        // Sequentially consistent with a sleeper's own count-then-check: either it sees the new job before
        // it waits, or this sees it counted and wakes it.
        if (sleepers_.load() > 0) {
            const std::lock_guard<std::mutex> lock(mutex_);
            jobReady_.notify_all();
        }
        claimPieces(job, 0);
        waitUntil([this, pieces] { return finished_.load() == pieces; }, jobDone_, callerSleeping_);
    }
    void serve(int thread)
    {
        for (uint64_t seen = 0;;) {
            waitUntil([&] { return stopping_.load() || jobOf(claim_.load()) != seen; }, jobReady_, sleepers_);
            if (stopping_) return;
            seen = jobOf(claim_.load());
            claimPieces(seen, thread);
        }
    }

    std::vector<std::thread> workers_; // read and written by the caller's thread alone
    // Set while a caller's job runs. The hand-over above has room for one job at a time: a second
    // caller would overwrite the job being worked on, and the first would wait forever for pieces
    // that are never finished, so the second is refused instead.
    std::atomic<bool> busy_{false};
    // Each on a cache line of its own, away from the fields the caller writes per job, so a thread spinning
    // on one does not slow the others' writes.
    alignas(64) std::atomic<uint64_t> claim_{0};
    alignas(64) std::atomic<int> finished_{0}; // pieces of the current job finished
    // The job's function, written before claim_ announces the job. A claim succeeds only while the job is
    // unfinished, and the next job is written only after, so a claimer reads its own job.
    alignas(64) PieceFunction function_ = nullptr;
    void* context_ = nullptr;
    alignas(64) std::mutex mutex_;
    std::condition_variable jobReady_, jobDone_;
    std::atomic<int> sleepers_{0};       // workers waiting on jobReady_
    std::atomic<int> callerSleeping_{0}; // 1 while the caller waits on jobDone_
    std::atomic<bool> stopping_{false};
};

void WorkerPool::setShortfallReport(ShortfallReport report) { shortfallReport.store(report); }

WorkerPool::WorkerPool(int threads, BeforeStart beforeStart) : crew_(std::make_unique<Crew>())
{
    if (threads < 1 || threads > maxRenderThreads) {
        throw std::invalid_argument("WorkerPool: " + std::to_string(threads) + " threads, not 1 to " +
                                    std::to_string(maxRenderThreads));
    }
    crew_->workers_.reserve(static_cast<size_t>(threads - 1));
    crew_->start(threads, beforeStart);
    if (crew_->workers_.size() + 1 < static_cast<size_t>(threads)) {
        // A refused start means the address space or the process table is all but full, while the program
        // has still to allocate (and other processes to start): half the threads that did start are kept.
        const int keep = std::max(1, (1 + static_cast<int>(crew_->workers_.size())) / 2);
        crew_->stopWorkers();
        crew_->start(keep, beforeStart);
    }
    threads_ = 1 + static_cast<int>(crew_->workers_.size());
    const ShortfallReport report = shortfallReport.load();
    if (threads_ < threads && report != nullptr) report(threads_, threads);
}

WorkerPool::~WorkerPool() { crew_->stopWorkers(); }

void WorkerPool::run(PieceFunction function, void* context, int pieces)
{
    // Acquire and release: a caller taking the pool after another sees all that one wrote.
    if (crew_->busy_.exchange(true, std::memory_order_acquire)) {
        throw std::logic_error("WorkerPool: busy with another caller's job (a pool serves one caller at a "
                               "time, and a piece may not run a job of its own on it)");
    }
    struct Release {
        std::atomic<bool>& busy;
        ~Release() { busy.store(false, std::memory_order_release); }
    } release{crew_->busy_};
    crew_->run(function, context, pieces);
}

} // namespace tepple
