#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QString>

#include <chrono>

namespace marlox::platform {

// Why a lock was not taken: another holder has it, or the system's reason it could not be.
struct FileLockError : base::DescribedError {
    FileLockError(QString description, bool heldElsewhere)
        : DescribedError(std::move(description)), heldElsewhere(heldElsewhere) {}

    bool heldElsewhere = false;
};

// An exclusive lock on a file, held while the object lives. The system keeps it for this process
// alone and releases it when the process ends however it ends, so nothing is guessed from process
// ids or file contents; no child process inherits it. The file is only the lock's name: it is
// never read, written nor removed, for a holder that removed it would let a later one lock a new
// file while an earlier one still held the old.
class ExclusiveFileLock {
public:
    // Takes the lock, waiting at most `patience` for another holder to let it go, and making the
    // file (readable by all) and its folder when missing. A file that cannot be opened for writing
    // (another user's, on a read-only file system) is locked open for reading.
    static Result<ExclusiveFileLock, FileLockError> take(const QString& path,
                                                         std::chrono::milliseconds patience = {});

    ExclusiveFileLock(ExclusiveFileLock&& other) noexcept;
    ExclusiveFileLock& operator=(ExclusiveFileLock&& other) = delete;
    ~ExclusiveFileLock();

private:
    explicit ExclusiveFileLock(int descriptor) : m_descriptor(descriptor) {}

    int m_descriptor = -1;
};

} // namespace marlox::platform
