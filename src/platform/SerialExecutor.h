#pragma once

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace marlox::platform {

// Runs its jobs one at a time, in the order they were given, on a thread of its own. It stands
// in for an actor or a private serial queue: whatever a job touches is touched by one job at a
// time.
class SerialExecutor {
public:
    explicit SerialExecutor(QThread::Priority priority = QThread::InheritPriority) {
        m_pool.setMaxThreadCount(1);
        m_pool.setThreadPriority(priority);
    }
    ~SerialExecutor() { m_pool.waitForDone(); }

    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    template <typename Function> auto run(Function&& function) {
        return QtConcurrent::run(&m_pool, std::forward<Function>(function));
    }

    // Waits until every job given so far has finished.
    void waitForIdle() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};

} // namespace marlox::platform
