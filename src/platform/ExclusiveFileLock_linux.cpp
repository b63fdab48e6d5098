#include "ExclusiveFileLock.h"
#include "base/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace marlox::platform {

namespace {

// Not waiting, for a pipe in its place would wait for a reader. Closed on exec: a program started
// from here may outlive this process (a browser the desktop opened) and must not hold the lock on
// after it.
constexpr int lockFileFlags = O_NONBLOCK | O_CLOEXEC;

// Readable by all, as it holds nothing: a later run by another user can still open it for reading.
constexpr mode_t lockFileMode = 0644;

// The lock file's descriptor (-1 when it could not be opened at all), and why it could not be
// opened for writing (0 when it was).
struct OpenedLockFile {
    int descriptor = -1;
    int writingError = 0;
};

// The refusals of writing that may still let the file be read: the user's permissions, a
// read-only file system, an immutable file.
bool refusesOnlyWriting(int error) {
    return error == EACCES || error == EROFS || error == EPERM;
}

// Open for writing too, though nothing is ever written: on a network home flock is a lock over
// the whole file, which only a descriptor open for writing may take. Where writing is refused,
// opened for reading, which a local file system locks all the same.
OpenedLockFile openForLocking(const QString& path) {
    // A folder that cannot be made shows as the open's error.
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    const int descriptor = ::open(name.constData(), O_RDWR | O_CREAT | lockFileFlags, lockFileMode);
    if (descriptor >= 0) {
        return {descriptor, 0};
    }
    const int writingError = errno;
    if (!refusesOnlyWriting(writingError)) {
        return {-1, writingError};
    }
    return {::open(name.constData(), O_RDONLY | lockFileFlags), writingError};
}

// Why a lock the system refused was not had; where the file could not be opened for writing, that
// comes first, for it tells more than a refusal of the lock on a descriptor open for reading.
FileLockError lockRefusal(const QString& path, const OpenedLockFile& file, int error) {
    if (error == EWOULDBLOCK) {
        return {QStringLiteral("The lock file “%1” is held by another process.").arg(path), true};
    }
    if (file.writingError != 0) {
        return {QStringLiteral("The lock file “%1” could not be opened for writing (%2), and open "
                               "for reading it could not be locked: %3.")
                    .arg(path, base::systemReason(file.writingError), base::systemReason(error)),
                false};
    }
    return {QStringLiteral("The lock file “%1” could not be locked: %2.")
                .arg(path, base::systemReason(error)),
            false};
}

} // namespace

Result<ExclusiveFileLock, FileLockError>
ExclusiveFileLock::take(const QString& path, std::chrono::milliseconds patience) {
    const OpenedLockFile file = openForLocking(path);
    if (file.descriptor < 0) {
        // Why writing was refused tells more than why reading was: on a read-only file system
        // the file may merely be missing.
        return FileLockError(QStringLiteral("The lock file “%1” could not be opened: %2.")
                                 .arg(path, base::systemReason(file.writingError)),
                             false);
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    // flock, not fcntl: a record lock goes as soon as anything in the process closes any
    // descriptor of the file. Asked again and again rather than waited for, so that the wait has
    // an end.
    int error = 0;
    for (;;) {
        if (::flock(file.descriptor, LOCK_EX | LOCK_NB) == 0) {
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
        ::close(file.descriptor);
        return lockRefusal(path, file, error);
    }
    return ExclusiveFileLock(file.descriptor);
}

ExclusiveFileLock::ExclusiveFileLock(ExclusiveFileLock&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)) {}

ExclusiveFileLock::~ExclusiveFileLock() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

} // namespace marlox::platform
