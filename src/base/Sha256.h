#pragma once

#include "base/DescribedError.h"
#include "base/Result.h"

#include <QByteArray>
#include <QString>


namespace marlox::base {

// Each byte of the digest as two lower-case hexadecimal digits, in byte order, without
// separators: 64 characters for a SHA-256 digest.
QString sha256HexString(const QByteArray& digest);

struct FileDigestError : base::DescribedError {
    using DescribedError::DescribedError;
};

// The SHA-256 digest (32 bytes) of every byte of the file, read in large chunks so that an
// archive of any size costs a fixed amount of memory.
Result<QByteArray, FileDigestError> sha256OfFile(const QString& path);

} // namespace marlox::base
