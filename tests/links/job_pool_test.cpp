#include "links/job_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "support/log_capture.h"
#include "support/wait_until.h"

namespace
{
using Work = CJobPool::Work;

// Works that each note their thread and then wait until all of them have started: run one after the other, the
// first would give up (false) after its wait.
class Rendezvous
{
public:
    explicit Rendezvous(int count) : m_count(count) {}

    std::vector<Work> Works()
    {
        std::vector<Work> works;
        for (int i = 0; i < m_count; ++i)
        {
            works.push_back([this] {
                {
                    std::lock_guard<std::mutex> guard(m_lock);
                    m_threads.insert(std::this_thread::get_id());
                }
                ++m_started;
                return orvtest::WaitUntil([this] { return m_started.load() >= m_count; },
                                          std::chrono::milliseconds(2000));
            });
        }
        return works;
    }
    std::set<std::thread::id> Threads()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_threads;
    }
    void Reset() { m_started = 0; }

private:
    const int m_count;
    std::atomic<int> m_started{0};
    std::mutex m_lock;
    std::set<std::thread::id> m_threads;
};

TEST(JobPool, EveryWorkRunsOnItsOwnThreadAtTheSameTimeAndTheCallerCarriesOne)
{
    CJobPool pool;
    Rendezvous rendezvous(3);
    std::vector<Work> works = rendezvous.Works();
    EXPECT_TRUE(pool.RunAll(works));
    const std::set<std::thread::id> threads = rendezvous.Threads();
    EXPECT_EQ(threads.size(), 3u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 1u);
    EXPECT_EQ(pool.GetWorkerCount(), 2u);
}

TEST(JobPool, AnActionReusesTheWorkersOfTheLastOne)
{
    CJobPool pool;
    Rendezvous first(3);
    std::vector<Work> works = first.Works();
    ASSERT_TRUE(pool.RunAll(works));
    Rendezvous second(3);
    works = second.Works();
    ASSERT_TRUE(pool.RunAll(works));
    EXPECT_EQ(second.Threads(), first.Threads());
    EXPECT_EQ(pool.GetWorkerCount(), 2u);
}

TEST(JobPool, EveryWorkRunsAndTheActionSucceedsOnlyWhenAllDo)
{
    const std::vector<std::vector<bool>> cases = {
        {true}, {false}, {true, true, true}, {false, true, true}, {true, true, false}, {}};
    CJobPool pool;
    for (const std::vector<bool>& results : cases)
    {
        std::atomic<int> ran{0};
        std::vector<Work> works;
        bool expected = true;
        for (bool result : results)
        {
            works.push_back([&ran, result] {
                ++ran;
                return result;
            });
            expected = expected && result;
        }
        EXPECT_EQ(pool.RunAll(works), expected) << results.size() << " works";
        EXPECT_EQ(ran.load(), static_cast<int>(results.size()));
    }
}

// A parked worker must not keep the log target of an earlier action: each job logs where its caller logs now.
TEST(JobPool, AJobLogsToTheLogTargetOfItsCaller)
{
    CJobPool pool;
    for (int round = 0; round < 2; ++round)
    {
        orvtest::LogCapture log;
        std::vector<Work> works;
        for (int job = 0; job < 3; ++job)
        {
            works.push_back([round, job] {
                wxLogError("round %d job %d", round, job);
                return true;
            });
        }
        ASSERT_TRUE(pool.RunAll(works));
        for (int job = 0; job < 3; ++job)
            EXPECT_EQ(log.Count("round " + std::to_string(round) + " job " + std::to_string(job)), 1) << log.Dump();
    }
}

TEST(JobPool, ShutdownEndsTheWorkersAndTheNextActionStartsNewOnes)
{
    CJobPool pool;
    Rendezvous rendezvous(2);
    std::vector<Work> works = rendezvous.Works();
    ASSERT_TRUE(pool.RunAll(works));
    pool.Shutdown();
    EXPECT_EQ(pool.GetWorkerCount(), 0u);
    rendezvous.Reset();
    EXPECT_TRUE(pool.RunAll(works));
    EXPECT_EQ(pool.GetWorkerCount(), 1u);
}

// A job that carries out an action of its own gets threads of its own instead of waiting for busy ones.
TEST(JobPool, AnActionInsideAJobDoesNotWaitForBusyWorkers)
{
    CJobPool pool;
    Rendezvous inner(3);
    std::vector<Work> innerWorks = inner.Works();
    std::vector<Work> works = {[] { return true; }, [&] { return pool.RunAll(innerWorks); }};
    EXPECT_TRUE(pool.RunAll(works));
    EXPECT_EQ(inner.Threads().size(), 3u);
    EXPECT_EQ(pool.GetWorkerCount(), 3u);
}
}  // namespace
