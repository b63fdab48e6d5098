#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>

#include <memory>
#include <type_traits>

namespace marlox::platform {

template <typename T, typename Function> struct ContinuationResult {
    using type = std::invoke_result_t<Function&, const T&>;
};
template <typename Function> struct ContinuationResult<void, Function> {
    using type = std::invoke_result_t<Function&>;
};

// Continues a future on the context's thread with its result (nothing for a void future), as
// `future.then(&context, function)` does, but safe when the context goes first: Qt 6.4 then
// asserts, or posts to an object being destroyed. With the context gone, or the future
// cancelled, the function never runs and the future answered is cancelled.
template <typename T, typename Function>
auto continueOn(QObject& context, const QFuture<T>& future, Function function) {
    using Result = typename ContinuationResult<T, Function>::type;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> continued = promise->future();
    promise->start();
    // The watcher dies with the context, and with it the promise, which cancels its future.
    auto* watcher = new QFutureWatcher<T>(&context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &context,
                     [watcher, promise, future, function = std::move(function)]() mutable {
                         watcher->deleteLater();
                         if (future.isCanceled()) {
                             promise->future().cancel();
                         } else if constexpr (std::is_void_v<T> && std::is_void_v<Result>) {
                             function();
                         } else if constexpr (std::is_void_v<T>) {
                             promise->addResult(function());
                         } else if constexpr (std::is_void_v<Result>) {
                             function(future.result());
                         } else {
                             promise->addResult(function(future.result()));
                         }
                         promise->finish();
                     });
    watcher->setFuture(future);
    return continued;
}

} // namespace marlox::platform
