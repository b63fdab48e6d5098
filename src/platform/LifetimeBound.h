#pragma once

#include "platform/Continuation.h"

#include <QFuture>
#include <QObject>

#include <utility>

namespace marlox::platform {

// Runs `completion` on the owner's thread once the future has finished, with its result when it
// has one, unless the owner is gone by then: a screen that was left must not be touched by work
// it started.
template <typename T, typename Completion>
void whenFinished(QObject& owner, const QFuture<T>& future, Completion&& completion) {
    continueOn(owner, future, std::forward<Completion>(completion));
}

} // namespace marlox::platform
