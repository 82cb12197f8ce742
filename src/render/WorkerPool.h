#pragma once
// The worker threads the renderer shares its work with: started once, then handed one job at a time. A job is
// a number of independent pieces (strips of rows, ranges of vertices) that the threads claim one by one, the
// calling thread too, until none is left. Nothing is allocated per job.
//
// The caller never waits for a worker to wake: a worker that wakes late finds the pieces taken and the job
// done. It waits only for pieces a worker has claimed and is still working on. A frame hands out many small
// jobs in quick succession, so both sides spin a little before they sleep; the spin is bounded, so idle
// workers sleep and a busy machine loses little.
#include <memory>

namespace tepple {

// The most threads a pool may have: the demonstration's 480 rows cut into one strip per thread stay
// 16 rows high or more.
constexpr int maxRenderThreads = 30;

// A pool is lent to one renderer at a time (Renderer::setPool); the jobs it runs are the engine's
// own business (render/PoolJobs.h).
class WorkerPool {
public:
    // Told when a pool starts fewer threads than asked: how many it runs (the caller's included) and how many
    // were asked for. Set for the pools made afterwards; null (the default) says nothing.
    using ShortfallReport = void (*)(int started, int wanted);
    static void setShortfallReport(ShortfallReport report);

    // `threads` threads in all, 1 to maxRenderThreads: the caller's own and threads - 1 workers. Throws
    // std::invalid_argument, naming the count, outside that range. Starting a thread can fail (a process
    // limit, no address space left for its stack): the pool then runs with half the threads it did start
    // (leaving the program room to go on), threads() says how many, and the shortfall report is told.
    explicit WorkerPool(int threads) : WorkerPool(threads, nullptr) {}
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    int threads() const { return threads_; }

private:
    friend struct PoolAccess; // the engine's side of a pool: render/PoolJobs.h

    // function(context, piece, thread): piece in [0, pieces), thread in [0, threads()), 0 being the caller's.
    using PieceFunction = void (*)(void* context, int piece, int thread);
    // Called before each worker starts, with its number; a test makes it throw to stand for a thread the
    // system refuses.
    using BeforeStart = void (*)(int thread);
    WorkerPool(int threads, BeforeStart beforeStart);

    // Runs function for every piece, each exactly once, on whichever thread claims it, and returns once all
    // have finished. More than 65,535 pieces run on the calling thread alone. A pool serves one caller at a
    // time: a call while another caller's job is running, or from a piece of a job on this pool, throws
    // std::logic_error, running nothing and leaving the running job as it was.
    void run(PieceFunction function, void* context, int pieces);

    struct Crew; // the threads, their hand-over of jobs and their sleeping (WorkerPool.cpp)
    int threads_;
    std::unique_ptr<Crew> crew_;
};

} // namespace tepple
