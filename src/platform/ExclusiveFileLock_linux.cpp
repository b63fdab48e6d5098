#include "ExclusiveFileLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace marlox::platform {

namespace {

// Open for writing too, though nothing is ever written: on a network home flock is a lock over
// the whole file, which only a descriptor open for writing may take. Not waiting, for a pipe in
// its place would wait for a reader. Closed on exec: a program started from here may outlive this
// process (a browser the desktop opened) and must not hold the lock on after it.
int openForLocking(const QString& path) {
    // A folder that cannot be made shows as the open's error.
    QDir().mkpath(QFileInfo(path).path());
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC,
                  0600);
}

} // namespace

Result<ExclusiveFileLock, FileLockError>
ExclusiveFileLock::take(const QString& path, std::chrono::milliseconds patience) {
    const int descriptor = openForLocking(path);
    if (descriptor < 0) {
        const int error = errno;
        return FileLockError(QStringLiteral("The lock file “%1” could not be opened: %2.")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(error))),
                             false);
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    // flock, not fcntl: a record lock goes as soon as anything in the process closes any
    // descriptor of the file. Asked again and again rather than waited for, so that the wait has
    // an end.
    int error = 0;
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            error = 0;
            break;
        }
        error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        QThread::msleep(10);
    }
    if (error != 0) {
        ::close(descriptor);
        if (error == EWOULDBLOCK) {
            return FileLockError(
                QStringLiteral("The lock file “%1” is held by another process.").arg(path), true);
        }
        return FileLockError(QStringLiteral("The lock file “%1” could not be locked: %2.")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(error))),
                             false);
    }
    return ExclusiveFileLock(descriptor);
}

ExclusiveFileLock::ExclusiveFileLock(ExclusiveFileLock&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)) {}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

} // namespace marlox::platform
