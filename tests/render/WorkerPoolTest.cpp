// The pool hands out pieces that any thread may claim, the caller's included, and a worker may
// wake long after its job was finished without it. Whatever the timing, every piece of every job
// must run exactly once, with the job's own work, before run returns.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "render/ThreadCount.h"
#include "render/WorkerPool.h"

namespace tepple {

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

// A thread the system refuses to start (a process limit, no room for its stack) must leave a pool
// that runs with some of the threads it could start (half, leaving the program room), tells how
// many, and ends cleanly: workers are stopped and joined, never left waiting on a pool that is gone.
std::atomic<int> reportedStarted{0}, reportedWanted{0};
int refusedThread = 0;

TEST(WorkerPool, RunsWithTheThreadsItCouldStartWhenAStartFails)
{
    WorkerPool::setShortfallReport([](int started, int wanted) {
        reportedStarted = started;
        reportedWanted = wanted;
    });
    for (const int refused : {1, 4, 7}) {
        const int kept = std::max(1, refused / 2);
        refusedThread = refused;
        reportedStarted = 0;
        reportedWanted = 0;
        {
            WorkerPool pool(8, [](int thread) {
                if (thread == refusedThread) {
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                }
            });
            ASSERT_EQ(pool.threads(), kept);
            EXPECT_EQ(reportedStarted.load(), kept);
            EXPECT_EQ(reportedWanted.load(), 8);
            std::atomic<int> badThread{0}, onWorkers{0};
            for (int id = 0; id < 200; ++id) {
                std::vector<std::atomic<int>> runs(8);
                // Long pieces now and then, so that the workers also sleep before the pool ends.
                Context context{&runs, &badThread, &onWorkers, kept, id % 50 == 0};
                pool.run(
                    [](void* raw, int piece, int thread) {
                        const Context& c = *static_cast<const Context*>(raw);
                        if (thread < 0 || thread >= c.threads) ++*c.badThread;
                        if (thread != 0) ++*c.onWorkers;
                        if (c.pause) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                        ++(*c.runs)[static_cast<size_t>(piece)];
                    },
                    &context, 8);
                for (auto& run : runs) ASSERT_EQ(run.load(), 1) << "refused thread " << refused << ", job " << id;
            }
            EXPECT_EQ(badThread.load(), 0);
            if (kept > 1) {
                EXPECT_GT(onWorkers.load(), 0) << "the workers kept never ran a piece";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // past the spin: the workers sleep
        }
    }
    // A pool that starts every thread says nothing.
    reportedWanted = 0;
    { WorkerPool pool(3); EXPECT_EQ(pool.threads(), 3); }
    EXPECT_EQ(reportedWanted.load(), 0);
    WorkerPool::setShortfallReport(nullptr);
}

TEST(ThreadCount, OnlyPlainDigitsFromOneToTheLimit)
{
    EXPECT_EQ(parseThreadCount("1"), 1);
    EXPECT_EQ(parseThreadCount("08"), 8);
    EXPECT_EQ(parseThreadCount(std::to_string(maxRenderThreads)), maxRenderThreads);
    for (const char* bad : {"", "0", "00", "31", "100", "003", " 3", "3 ", "+3", "-3", "3x", "0x3", "3.0", "\t3"}) {
        EXPECT_FALSE(parseThreadCount(bad)) << "'" << bad << "'";
    }
}

} // namespace

TEST(WorkerPool, ThreadCountsOutsideTheLimitAreRefusedNamingTheCount)
{
    for (const int threads : {0, -3, maxRenderThreads + 1}) {
        try {
            WorkerPool pool(threads);
            ADD_FAILURE() << threads << " threads were accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find(std::to_string(threads) + " threads"), std::string::npos);
        }
    }
}

namespace {

// A job that holds its pool until told to let go: its one piece says it has started, then waits.
struct Holder {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool released = false;

    static void piece(void* raw, int, int)
    {
        Holder& holder = *static_cast<Holder*>(raw);
        std::unique_lock<std::mutex> lock(holder.mutex);
        holder.started = true;
        holder.changed.notify_all();
        holder.changed.wait(lock, [&] { return holder.released; });
    }
};

void countPiece(void* raw, int piece, int)
{
    ++(*static_cast<std::vector<std::atomic<int>>*>(raw))[static_cast<size_t>(piece)];
}

bool namesTheBusyPool(const std::string& message)
{
    return message.find("busy with another caller's job") != std::string::npos;
}

// Each piece of the next job runs exactly once: the pool serves on as before.
void expectServes(WorkerPool& pool)
{
    std::vector<std::atomic<int>> runs(7);
    pool.run(countPiece, &runs, 7);
    for (const auto& run : runs) EXPECT_EQ(run.load(), 1);
}

} // namespace

// The pool has room for one job: a second caller while a job runs must be refused, never allowed
// to overwrite the job (which leaves its caller waiting forever) or race it. The held job keeps
// the first caller inside run until the second has been answered, so the order is fixed.
TEST(WorkerPool, ASecondCallerWhileAJobRunsIsRefused)
{
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        WorkerPool pool(threads);
        Holder holder;
        std::thread first([&] { pool.run(Holder::piece, &holder, 1); });
        {
            std::unique_lock<std::mutex> lock(holder.mutex);
            holder.changed.wait(lock, [&] { return holder.started; });
        }
        std::vector<std::atomic<int>> runs(5);
        std::string refusal;
        try {
            pool.run(countPiece, &runs, 5);
        } catch (const std::logic_error& error) {
            refusal = error.what();
        }
        {
            const std::lock_guard<std::mutex> lock(holder.mutex);
            holder.released = true;
        }
        holder.changed.notify_all();
        first.join();
        EXPECT_TRUE(namesTheBusyPool(refusal)) << "'" << refusal << "'";
        for (const auto& run : runs) EXPECT_EQ(run.load(), 0);
        expectServes(pool);
    }
}

// A piece that hands its own pool a job is a second caller too, and is refused the same way.
TEST(WorkerPool, AJobFromInsideAPieceOfTheSamePoolIsRefused)
{
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        WorkerPool pool(threads);
        struct Inner {
            WorkerPool* pool;
            std::vector<std::atomic<int>> runs = std::vector<std::atomic<int>>(4);
            std::string refusal;
        } inner{&pool};
        pool.run(
            [](void* raw, int, int) {
                Inner& in = *static_cast<Inner*>(raw);
                try {
                    in.pool->run(countPiece, &in.runs, 4);
                } catch (const std::logic_error& error) {
                    in.refusal = error.what();
                }
            },
            &inner, 1);
        EXPECT_TRUE(namesTheBusyPool(inner.refusal)) << "'" << inner.refusal << "'";
        for (const auto& run : inner.runs) EXPECT_EQ(run.load(), 0);
        expectServes(pool);
    }
}

} // namespace tepple
