#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>

#include <chrono>
#include <optional>

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

// The future's result, awaited as awaitFuture does; nothing when it has not finished in time or
// was cancelled.
template <typename T>
std::optional<T> awaitedResult(const QFuture<T>& future,
                               std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    if (!awaitFuture(future, timeout) || future.resultCount() == 0) {
        return std::nullopt;
    }
    return future.result();
}

} // namespace marlox::testing
