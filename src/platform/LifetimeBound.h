#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <utility>

namespace marlox::platform {

// Runs `completion` on the owner's thread once the future has finished, unless the owner is gone
// by then: a screen that was left must not be touched by work it started. (Qt's continuations
// with a context want that context alive when the future ends.)
template <typename T, typename Completion>
void whenFinished(QObject& owner, const QFuture<T>& future, Completion&& completion) {
    auto* watcher = new QFutureWatcher<T>(&owner);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &owner,
                     [watcher, completion = std::forward<Completion>(completion)]() mutable {
                         watcher->deleteLater();
                         completion();
                     });
    watcher->setFuture(future);
}

} // namespace marlox::platform
