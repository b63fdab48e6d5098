#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>

#include <chrono>

namespace marlox::testing {

// Runs this thread's event loop until the future has finished, so that continuations queued to
// this thread get to run. False when it has not finished in time.
template <typename T>
bool awaitFuture(const QFuture<T>& future,
                 std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    loop.exec();
    return future.isFinished();
}

} // namespace marlox::testing
