#pragma once

#include <QProcessEnvironment>

namespace marlox::testing {

// The environment of a program run as on a home on a network file system, whose flock is a
// record lock over the whole file (RecordLockFlock.cpp).
inline QProcessEnvironment networkHomeLocksEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(MARLOX_RECORD_LOCK_FLOCK));
    // The sanitizers' runtime would otherwise insist on being loaded first.
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       (options.isEmpty() ? QString() : options + QLatin1Char(':')) +
                           QStringLiteral("verify_asan_link_order=0"));
    return environment;
}

} // namespace marlox::testing
