#include "platform/SerialExecutor.h"

#include <QSemaphore>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using marlox::platform::SerialExecutor;

TEST(SerialExecutorTest, RunsJobsOneAtATimeInOrderOffTheCallingThread) {
    SerialExecutor executor;
    std::vector<int> order;
    std::atomic<int> running = 0;
    std::atomic<int> overlaps = 0;
    QThread* caller = QThread::currentThread();
    std::atomic<bool> ranElsewhere = true;
    for (int job = 0; job < 200; ++job) {
        executor.run([&, job] {
            if (running.fetch_add(1) != 0) {
                ++overlaps;
            }
            ranElsewhere = ranElsewhere && QThread::currentThread() != caller;
            order.push_back(job);
            running.fetch_sub(1);
        });
    }
    executor.waitForIdle();
    ASSERT_EQ(order.size(), 200u);
    for (int job = 0; job < 200; ++job) {
        EXPECT_EQ(order[job], job);
    }
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_TRUE(ranElsewhere.load());
}

TEST(SerialExecutorTest, ReturnsTheJobsResultAsAFuture) {
    SerialExecutor executor;
    auto future = executor.run([] { return 42; });
    EXPECT_EQ(future.result(), 42);
}

TEST(SerialExecutorTest, WaitingOnAQueuedJobNeverRunsItOnTheWaitingThread) {
    // GIVEN a running job and a second one queued behind it
    SerialExecutor executor;
    std::atomic<bool> firstRunning = false;
    QSemaphore firstStarted;
    QSemaphore firstMayEnd;
    executor.run([&] {
        firstRunning = true;
        firstStarted.release();
        // Ends by itself after a while; a second job run beside it would end it at once.
        firstMayEnd.tryAcquire(1, 200);
        firstRunning = false;
    });
    firstStarted.acquire();
    auto second = executor.run([&] {
        const bool overlapped = firstRunning.load();
        firstMayEnd.release();
        return std::pair(QThread::currentThread(), overlapped);
    });

    // WHEN the caller waits for the second job's result
    const auto [thread, overlapped] = second.result();

    // THEN it ran on the executor's thread, after the first job
    EXPECT_NE(thread, QThread::currentThread());
    EXPECT_FALSE(overlapped);
}
