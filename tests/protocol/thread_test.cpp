#include "protocol/thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "support/log_capture.h"
#include "support/wait_until.h"

namespace
{
// Logs once, then idles until asked to stop.
class CLoggingThread : public CThread
{
public:
    CLoggingThread() : CThread(2, "test_thread") {}
    ~CLoggingThread() override { Stop(); }

    std::atomic<int> m_loops{0};

protected:
    int Execute() override
    {
        wxLogError("message from %s", GetName());
        while (!TestDestroy())
        {
            ++m_loops;
            wxThread::Sleep(1);
        }
        return 7;
    }
};

TEST(Thread, LogsToTheStartingThreadsTargetWithoutWaitingForAFlush)
{
    orvtest::LogCapture log;
    CLoggingThread thread;
    ASSERT_TRUE(thread.Start());
    // No flush of the main thread happens here: the message must arrive by itself.
    EXPECT_TRUE(log.WaitFor("message from test_thread")) << log.Dump();
    thread.Stop();
}

TEST(Thread, StopEndsTheLoop)
{
    CLoggingThread thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(orvtest::WaitUntil([&] { return thread.m_loops.load() > 0; }));
    thread.Stop();
    EXPECT_TRUE(thread.IsStopRequested());
    EXPECT_FALSE(thread.IsAlive());
}

TEST(Thread, StopIsHarmlessBeforeStartAndWhenRepeated)
{
    CLoggingThread never;
    never.Stop();
    EXPECT_TRUE(never.IsStopRequested());

    CLoggingThread twice;
    ASSERT_TRUE(twice.Start());
    twice.Stop();
    twice.Stop();
    EXPECT_FALSE(twice.IsAlive());
}

TEST(Thread, StartsOnlyOnce)
{
    CLoggingThread thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
}
}  // namespace
