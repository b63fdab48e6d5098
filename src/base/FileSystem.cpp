#include "FileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace marlox::base {

QString FileSystemError::description() const {
    return QStringLiteral("The folder “%1” could not be created.").arg(path);
}

QString FileReadError::description() const {
    return QStringLiteral("The file “%1” could not be read: %2").arg(path, reason);
}

QString FileSaveError::description() const {
    return QStringLiteral("The file “%1” could not be saved: %2").arg(path, reason);
}

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// What the system says of a save that failed. A folder that takes no new entry (one made
// immutable) is the reason, which Qt does not always give: linking the temporary file into it
// fails as an "Unknown error".
FileSaveError saveFailure(const QString& path, const QString& reason) {
    const QString folder = QFileInfo(path).absolutePath();
    if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) != 0) {
        return FileSaveError{path, QStringLiteral("its folder “%1” cannot be written: %2")
                                       .arg(folder, systemReason(errno))};
    }
    return FileSaveError{path, reason};
}

// Whether the file's bytes reached the disk. A file system that cannot sync (a pseudo one) keeps
// them all the same.
std::optional<int> syncFailure(int descriptor) {
    while (::fdatasync(descriptor) != 0) {
        if (errno == EINVAL || errno == EROFS || errno == ENOTSUP) {
            return std::nullopt;
        }
        if (errno != EINTR) {
            return errno;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<FileSaveError> saveWholeFile(const QString& path, const QByteArray& bytes) {
    // Unbuffered, so that a disk that refuses the bytes answers the write itself, with its
    // reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return saveFailure(path, file.errorString());
    }
    if (const auto reason = writeAll(file, bytes)) {
        file.cancelWriting();
        return saveFailure(path, *reason);
    }
    return commitWholeFile(file);
}

std::optional<QString> writeAll(QIODevice& device, const QByteArray& bytes) {
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = device.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) {
            return device.errorString();
        }
        written += count;
    }
    return std::nullopt;
}

std::optional<FileSaveError> commitWholeFile(QSaveFile& file) {
    const QString path = file.fileName();
    const auto cancel = [&](const QString& reason) {
        // The temporary file goes with the cancelled save.
        file.cancelWriting();
        return saveFailure(path, reason);
    };
    if (file.error() != QFileDevice::NoError) {
        return cancel(file.errorString());
    }
    if (!file.flush()) {
        return cancel(file.errorString());
    }
    if (const auto error = syncFailure(file.handle())) {
        return cancel(systemReason(*error));
    }
    if (!file.commit()) {
        return saveFailure(path, file.errorString());
    }
    return std::nullopt;
}

Result<QByteArray, FileReadError> readWholeFile(const QString& path, qint64 limit) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return FileReadError{path, file.errorString()};
    }
    QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit) {
        return FileReadError{path, {}, true};
    }
    if (file.error() != QFileDevice::NoError) {
        return FileReadError{path, file.errorString()};
    }
    return bytes;
}

QString mebibytesText(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / (1024 * 1024), 'f', 1);
}

QString mebibytesBoundText(qint64 bound) {
    return QString::number(bound / (1024 * 1024)) + QStringLiteral(" MiB");
}

QString unreadableCopyPath(const QString& path) {
    const QString base = path + QLatin1String(".unreadable-") +
                         QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    QString candidate = base;
    for (int attempt = 2; somethingExistsAt(candidate); ++attempt) {
        candidate = base + QLatin1Char('-') + QString::number(attempt);
    }
    return candidate;
}

QRegularExpression unfinishedSaveName(const QString& fileNamePattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(
        fileNamePattern + QStringLiteral("\\.") + temporaryNameSuffixPattern));
}

void removeUnfinishedSaves(const QString& folder, const QString& fileNamePattern) {
    const QRegularExpression name = unfinishedSaveName(fileNamePattern);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (name.match(entry.fileName()).hasMatch()) {
            // One that cannot be removed is harmless: it is never read.
            QFile::remove(entry.filePath());
        }
    }
}

std::optional<FileSystemError> createFolder(const QString& path) {
    if (QFileInfo(path).isDir() || QDir().mkpath(path)) {
        return std::nullopt;
    }
    return FileSystemError{path};
}

std::optional<QStringList> visibleEntryNames(const QString& folder) {
    DIR* directory = opendir(QFile::encodeName(folder).constData());
    if (directory == nullptr) {
        return std::nullopt;
    }
    QStringList names;
    bool failed = false;
    while (true) {
        errno = 0;
        const dirent* entry = readdir(directory);
        if (entry == nullptr) {
            failed = errno != 0;
            break;
        }
        if (entry->d_name[0] != '.') {
            names.append(QFile::decodeName(entry->d_name));
        }
    }
    closedir(directory);
    if (failed) {
        return std::nullopt;
    }
    return names;
}

bool somethingExistsAt(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void syncFolder(const QString& folder) {
    const int descriptor =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace marlox::base
