// The pool hands out pieces that any thread may claim, the caller's included, and a worker may
// wake long after its job was finished without it. Whatever the timing, every piece of every job
// must run exactly once, with the job's own work, before run returns.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "render/WorkerPool.h"

namespace {

// What one job's pieces see. A worker running a piece after run returned would touch a context
// already gone, which the sanitizer build reports.
struct Context {
    std::vector<std::atomic<int>>* runs; // per piece
    std::atomic<int>* badThread;
    std::atomic<int>* onWorkers;
    int threads;
    bool pause;
};

TEST(WorkerPool, EveryPieceOfEveryJobRunsOnceWithItsOwnWork)
{
    for (const int threads : {1, 2, 3}) {
        WorkerPool pool(threads);
        ASSERT_EQ(pool.threads(), threads);
        std::mt19937 random(7u + static_cast<unsigned>(threads));
        std::atomic<int> badThread{0}, onWorkers{0};
        for (int id = 0; id < 3000; ++id) {
            const int pieces = 1 + static_cast<int>(random() % 9);
            std::vector<std::atomic<int>> runs(static_cast<size_t>(pieces));
            Context context{&runs, &badThread, &onWorkers, threads, id % 500 == 0};
            pool.run(
                [](void* raw, int piece, int thread) {
                    const Context& c = *static_cast<const Context*>(raw);
                    if (thread < 0 || thread >= c.threads) ++*c.badThread;
                    if (thread != 0) ++*c.onWorkers;
                    // Now and then a long piece, so that the workers fall asleep and wake late.
                    if (c.pause) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    ++(*c.runs)[static_cast<size_t>(piece)];
                },
                &context, pieces);
            for (int piece = 0; piece < pieces; ++piece) {
                ASSERT_EQ(runs[static_cast<size_t>(piece)].load(), 1) << "threads " << threads << ", job " << id;
            }
        }
        EXPECT_EQ(badThread.load(), 0);
        if (threads == 1) {
            EXPECT_EQ(onWorkers.load(), 0);
        }
    }
}

TEST(WorkerPool, SplitCutsTheItemsIntoOrderedRangesThatCoverThemOnce)
{
    WorkerPool pool(2);
    for (const size_t count : {size_t{0}, size_t{1}, size_t{5}, size_t{1000}, size_t{1001}}) {
        std::vector<std::atomic<int>> seen(count);
        std::vector<size_t> begins(7, 0), ends(7, 0);
        pool.split(count, 7, [&](size_t begin, size_t end, int piece) {
            begins[static_cast<size_t>(piece)] = begin;
            ends[static_cast<size_t>(piece)] = end;
            for (size_t i = begin; i < end; ++i) ++seen[i];
        });
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(seen[i].load(), 1) << count << " items, item " << i;
        // Piece k's range ends where piece k + 1's begins (empty pieces are not called).
        size_t next = 0;
        for (size_t piece = 0; piece < 7; ++piece) {
            if (ends[piece] == 0) continue;
            EXPECT_EQ(begins[piece], next) << count << " items, piece " << piece;
            next = ends[piece];
        }
        EXPECT_EQ(next, count);
    }
}

} // namespace
