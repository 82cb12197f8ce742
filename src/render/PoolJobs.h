#pragma once
// The engine's side of a WorkerPool: the jobs it hands a pool, as callables, and how it cuts a count
// of items (vertices, triangles, rows) into pieces. Not installed: a program only makes a pool and
// lends it (WorkerPool.h); the engine's stages, the mesh draw and the demo's frame loop run jobs
// on it through this header, as do the pool's tests.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "render/WorkerPool.h"

namespace tepple {

struct PoolAccess {
    using PieceFunction = WorkerPool::PieceFunction;
    using BeforeStart = WorkerPool::BeforeStart;
    // WorkerPool::run: every piece once, the caller's thread among those that claim them.
    static void run(WorkerPool& pool, PieceFunction function, void* context, int pieces)
    {
        pool.run(function, context, pieces);
    }
    // A pool whose workers call beforeStart first (a test's stand-in for a thread the system refuses).
    static std::unique_ptr<WorkerPool> withBeforeStart(int threads, BeforeStart beforeStart)
    {
        return std::unique_ptr<WorkerPool>(new WorkerPool(threads, beforeStart));
    }
};

// Below this many vertices or triangles, handing them to other threads costs more than working them out
// on the caller's (a wake-up and a hand-over outweigh microseconds of work).
constexpr size_t minItemsForThreads = 256;
// A thread that starts late, or is interrupted, leaves its share to the others in pieces this small.
constexpr int piecesPerThread = 3;

// run() with a callable instead of a function and its context: body(piece, thread) for every piece.
template <class Body>
void forPieces(WorkerPool& pool, int pieces, Body& body)
{
    PoolAccess::run(
        pool, [](void* context, int piece, int thread) { (*static_cast<Body*>(context))(piece, thread); },
        &body, pieces);
}

// Runs body(begin, end, piece) over [0, count) cut into `pieces` contiguous ranges in order (piece k
// before piece k + 1); for work on independent items, whose results do not depend on the cut.
template <class Body>
void split(WorkerPool& pool, size_t count, int pieces, Body&& body)
{
    const uint64_t items = count, parts = static_cast<uint64_t>(pieces);
    auto range = [&](int piece, int) {
        const auto cut = [&](uint64_t at) { return static_cast<size_t>(items * at / parts); };
        const size_t begin = cut(piece), end = cut(piece + 1);
        if (begin < end) body(begin, end, piece);
    };
    forPieces(pool, pieces, range);
}

// How many ranges forItems cuts `count` items into: one below `minItems` items or with one thread, else
// piecesPerThread per thread.
inline int piecesFor(const WorkerPool& pool, size_t count, size_t minItems = minItemsForThreads)
{
    return pool.threads() > 1 && count >= minItems ? piecesPerThread * pool.threads() : 1;
}

// split(*pool, count, piecesFor(*pool, count, minItems), body), or body(0, count, 0) on this thread if there
// is no pool or one piece; items of another weight than a vertex (rows of pixels) pass their own minItems.
template <class Body>
void forItems(WorkerPool* pool, size_t count, Body&& body, size_t minItems = minItemsForThreads)
{
    const int pieces = pool != nullptr ? piecesFor(*pool, count, minItems) : 1;
    if (pieces > 1) {
        split(*pool, count, pieces, body);
    } else if (count > 0) {
        body(size_t{0}, count, 0);
    }
}

} // namespace tepple
