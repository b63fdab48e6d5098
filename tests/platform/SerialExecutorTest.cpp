#include "platform/SerialExecutor.h"

#include <QSemaphore>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <vector>

using namespace marlox::platform;

TEST(SerialExecutorTest, RunsJobsOneAtATimeInOrderOffTheCallingThread) {
    SerialExecutor executor;
    QThread* const caller = QThread::currentThread();
    std::vector<int> order;
    std::vector<int> expected(200);
    std::iota(expected.begin(), expected.end(), 0);
    std::atomic<int> running = 0;
    std::atomic<bool> overlapped = false;
    std::atomic<bool> ranOnCaller = false;
    for (int job = 0; job < 200; ++job) {
        executor.run([&, job] {
            overlapped = overlapped || running.fetch_add(1) != 0;
            ranOnCaller = ranOnCaller || QThread::currentThread() == caller;
            order.push_back(job);
            running.fetch_sub(1);
        });
    }
    executor.waitForIdle();
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(overlapped || ranOnCaller);
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
