#include "platform/SerialExecutor.h"

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
