#pragma once

#include <QProcessEnvironment>

namespace marlox::testing {

// The environment of a program run with a library of the tests loaded before the C library.
inline QProcessEnvironment environmentPreloading(const QString& library) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), library);
    // The sanitizers' runtime would otherwise insist on being loaded first.
    const QString options = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       (options.isEmpty() ? QString() : options + QLatin1Char(':')) +
                           QStringLiteral("verify_asan_link_order=0"));
    return environment;
}

// As on a home on a network file system, whose flock is a record lock over the whole file
// (RecordLockFlock.cpp).
inline QProcessEnvironment networkHomeLocksEnvironment() {
    return environmentPreloading(QStringLiteral(MARLOX_RECORD_LOCK_FLOCK));
}

// Killed at the rename of a file whose path holds the marker (KillAtRename.cpp).
inline QProcessEnvironment killedAtRenameEnvironment(const QString& marker) {
    QProcessEnvironment environment = environmentPreloading(QStringLiteral(MARLOX_KILL_AT_RENAME));
    environment.insert(QStringLiteral("MARLOX_KILL_AT_RENAME"), marker);
    return environment;
}

} // namespace marlox::testing
