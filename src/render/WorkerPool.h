#pragma once
// The worker threads the renderer shares its work with: started once, then handed one job at a time. A job is
// a number of independent pieces (strips of rows, ranges of vertices) that the threads claim one by one, the
// calling thread too, until none is left. Nothing is allocated per job.
//
// The caller never waits for a worker to wake: a worker that wakes late finds the pieces taken and the job
// done. It waits only for pieces a worker has claimed and is still working on. A frame hands out many small
// jobs in quick succession, so both sides spin a little before they sleep; the spin is bounded, so idle
// workers sleep and a busy machine loses little.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tepple {

class WorkerPool {
public:
    // function(context, piece, thread): piece in [0, pieces), thread in [0, threads()), 0 being the caller's.
    using PieceFunction = void (*)(void* context, int piece, int thread);
    // Called before each worker starts, with its number; a test makes it throw to stand for a thread the
    // system refuses.
    using BeforeStart = void (*)(int thread);
    // Told when a pool starts fewer threads than asked: how many it runs (the caller's included) and how many
    // were asked for. Set for the pools made afterwards; null (the default) says nothing.
    using ShortfallReport = void (*)(int started, int wanted);
    static void setShortfallReport(ShortfallReport report);

    // `threads` threads in all, 1 to maxRenderThreads (ThreadCount.h): the caller's own and threads - 1
    // workers. Throws std::invalid_argument, naming the count, outside that range. Starting a thread can fail
    // (a process limit, no address space left for its stack): the pool then runs with half the threads it did
    // start (leaving the program room to go on), threads() says how many, and the shortfall report is told.
    explicit WorkerPool(int threads, BeforeStart beforeStart = nullptr);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;
    int threads() const { return threads_; }

    // Runs function for every piece, each exactly once, on whichever thread claims it, and returns once all
    // have finished. More than 65,535 pieces run on the calling thread alone. A pool serves one caller at a
    // time: a call while another caller's job is running, or from a piece of a job on this pool, throws
    // std::logic_error, running nothing and leaving the running job as it was.
    void run(PieceFunction function, void* context, int pieces);

    // run() with a callable instead of a function and its context: body(piece, thread) for every piece.
    template <class Body>
    void forPieces(int pieces, Body& body)
    {
        run([](void* context, int piece, int thread) { (*static_cast<Body*>(context))(piece, thread); },
            &body, pieces);
    }

    // Runs body(begin, end, piece) over [0, count) cut into `pieces` contiguous ranges in order (piece k
    // before piece k + 1); for work on independent items, whose results do not depend on the cut.
    template <class Body>
    void split(size_t count, int pieces, Body&& body)
    {
        const uint64_t items = count, parts = static_cast<uint64_t>(pieces);
        auto range = [&](int piece, int) {
            const auto cut = [&](uint64_t at) { return static_cast<size_t>(items * at / parts); };
            const size_t begin = cut(piece), end = cut(piece + 1);
            if (begin < end) body(begin, end, piece);
        };
        forPieces(pieces, range);
    }

    // How many ranges forItems cuts `count` items into: one below `minItems` items or with one thread, else
    // piecesPerThread per thread.
    int piecesFor(size_t count, size_t minItems = minItemsForThreads) const
    {
        return threads_ > 1 && count >= minItems ? piecesPerThread * threads_ : 1;
    }
    // Below this many vertices or triangles, handing them to other threads costs more than working them out
    // on the caller's (a wake-up and a hand-over outweigh microseconds of work).
    static constexpr size_t minItemsForThreads = 256;
    // A thread that starts late, or is interrupted, leaves its share to the others in pieces this small.
    static constexpr int piecesPerThread = 3;

private:
    struct Crew; // the threads, their hand-over of jobs and their sleeping (WorkerPool.cpp)
    int threads_;
    std::unique_ptr<Crew> crew_;
};

// pool->split(count, pool->piecesFor(count, minItems), body), or body(0, count, 0) on this thread if there is
// no pool or one piece; items of another weight than a vertex (rows of pixels) pass their own minItems.
template <class Body>
void forItems(WorkerPool* pool, size_t count, Body&& body, size_t minItems = WorkerPool::minItemsForThreads)
{
    const int pieces = pool != nullptr ? pool->piecesFor(count, minItems) : 1;
    if (pieces > 1) {
        pool->split(count, pieces, body);
    } else if (count > 0) {
        body(size_t{0}, count, 0);
    }
}

} // namespace tepple
