#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
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

    // The future is not tied to the job: QtConcurrent's futures let a thread that waits on them
    // run a job that has not started yet itself, which would run it off this executor's thread,
    // beside the job that runs there.
    template <typename Function> auto run(Function&& function) {
        using Value = std::invoke_result_t<std::decay_t<Function>&>;
        auto promise = std::make_shared<QPromise<Value>>();
        auto job = std::make_shared<std::decay_t<Function>>(std::forward<Function>(function));
        QFuture<Value> future = promise->future();
        promise->start();
        m_pool.start([promise, job] {
            if constexpr (std::is_void_v<Value>) {
                (*job)();
            } else {
                promise->addResult((*job)());
            }
            promise->finish();
        });
        return future;
    }

    // Waits until every job given so far has finished.
    void waitForIdle() { m_pool.waitForDone(); }

private:
    QThreadPool m_pool;
};

} // namespace marlox::platform
