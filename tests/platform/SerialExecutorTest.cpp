#include "platform/SerialExecutor.h"

#include <QSemaphore>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

using namespace marlox::platform;

TEST(SerialExecutorTest, RunsJobsOneAtATimeInOrderOffTheCallingThread) {
    SerialExecutor executor;
    std::vector<int> order;
    std::atomic<int> running = 0;
    // Set when a job starts beside another or on the caller's thread.
    std::atomic<bool> misplaced = false;
    for (int job = 0; job < 200; ++job) {
        executor.run([&, job, caller = QThread::currentThread()] {
            misplaced = misplaced || running++ != 0 || QThread::currentThread() == caller;
            order.push_back(job);
            --running;
        });
    }
    executor.waitForIdle();
    EXPECT_TRUE(order.size() == 200 && std::ranges::is_sorted(order));
    EXPECT_FALSE(misplaced);
}

TEST(SerialExecutorTest, WaitingOnAQueuedJobNeverRunsItOnTheWaitingThread) {
    // GIVEN a running job and a second one queued behind it
    SerialExecutor executor;
    std::atomic<bool> firstRunning = false;
    QSemaphore firstStarted, firstMayEnd;
    executor.run([&] {
        firstRunning = true;
        firstStarted.release();
        // Ends by itself after a while; a second job run beside it would end it at once.
        firstMayEnd.tryAcquire(1, 200);
        firstRunning = false;
    });
    firstStarted.acquire();
    auto second = executor.run([&] {
        const bool overlapped = firstRunning;
        firstMayEnd.release();
        return std::pair(QThread::currentThread(), overlapped);
    });

    // WHEN the caller waits for the second job's result
    const auto [thread, overlapped] = second.result();

    // THEN it ran on the executor's thread, after the first job
    EXPECT_NE(thread, QThread::currentThread());
    EXPECT_FALSE(overlapped);
}
