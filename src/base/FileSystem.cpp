#include "FileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

namespace {

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

const QString unfinishedSaveInfix = QStringLiteral(".saving-");
constexpr int temporaryNameAttempts = 64;

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

// The file a save replaces: what a link in its place leads to, at most a few links deep.
QString saveTarget(const QString& path) {
    QFileInfo file(path);
    for (int depth = 0; depth < 32 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.isSymLink() ? path : file.filePath();
}

QString temporaryNameSuffix() {
    static const QLatin1String characters(
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString suffix;
    for (int count = 0; count < 6; ++count) {
        suffix += characters[QRandomGenerator::global()->bounded(int(characters.size()))];
    }
    return suffix;
}

QString unfinishedSavePath(const QString& target) {
    const QFileInfo file(target);
    return file.path() + QStringLiteral("/.") + file.fileName() + unfinishedSaveInfix +
           temporaryNameSuffix();
}

} // namespace

WholeFileSave::WholeFileSave(const QString& path) : m_path(path), m_target(saveTarget(path)) {}

WholeFileSave::~WholeFileSave() {
    cancel();
}

std::optional<FileSaveError> WholeFileSave::open() {
    const QByteArray target = nativePath(m_target);
    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        return saveFailure(m_path, QStringLiteral("it is a folder"));
    }
    if (exists && ::access(target.constData(), W_OK) != 0) {
        return saveFailure(m_path, QStringLiteral("the file is not writable"));
    }
    // Until the old file's permissions are copied, no one else may read the new bytes.
    const mode_t mode = exists ? 0600 : 0666;
    // Nameless until it is complete, so that a process killed while writing leaves nothing.
    m_descriptor = ::open(nativePath(QFileInfo(m_target).path()).constData(),
                          O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (m_descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without nameless files gets the temporary file by its name at once.
        for (int attempt = 0; m_descriptor < 0 && attempt < temporaryNameAttempts; ++attempt) {
            m_temporaryPath = unfinishedSavePath(m_target);
            m_descriptor = ::open(nativePath(m_temporaryPath).constData(),
                                  O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
            if (m_descriptor < 0 && errno != EEXIST) {
                break;
            }
        }
    }
    if (m_descriptor < 0) {
        const int error = errno;
        m_temporaryPath.clear();
        return saveFailure(m_path, systemReason(error));
    }
    if (exists) {
        ::fchmod(m_descriptor, old.st_mode & 07777);
    }
    m_file = std::make_unique<QFile>();
    m_file->open(m_descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered,
                 QFileDevice::DontCloseHandle);
    return std::nullopt;
}

QIODevice& WholeFileSave::device() {
    return *m_file;
}

std::optional<FileSaveError> WholeFileSave::commit() {
    if (!m_file) {
        return saveFailure(m_path, QStringLiteral("it was not opened"));
    }
    const auto fail = [&](const QString& reason) {
        cancel();
        return saveFailure(m_path, reason);
    };
    if (m_file->error() != QFileDevice::NoError) {
        return fail(m_file->errorString());
    }
    if (const auto error = syncFailure(m_descriptor)) {
        return fail(systemReason(*error));
    }
    if (m_temporaryPath.isEmpty()) {
        if (const auto failure = nameTheTemporaryFile()) {
            cancel();
            return failure;
        }
    }
    if (::rename(nativePath(m_temporaryPath).constData(), nativePath(m_target).constData()) != 0) {
        return fail(systemReason(errno));
    }
    m_temporaryPath.clear();
    cancel();
    syncFolder(QFileInfo(m_target).path());
    return std::nullopt;
}

std::optional<FileSaveError> WholeFileSave::nameTheTemporaryFile() {
    // A nameless file gets its name through the link the system keeps of each open descriptor.
    const QByteArray descriptorPath = "/proc/self/fd/" + QByteArray::number(m_descriptor);
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        const QString candidate = unfinishedSavePath(m_target);
        if (::linkat(AT_FDCWD, descriptorPath.constData(), AT_FDCWD,
                     nativePath(candidate).constData(), AT_SYMLINK_FOLLOW) == 0) {
            m_temporaryPath = candidate;
            return std::nullopt;
        }
        if (errno != EEXIST) {
            return saveFailure(m_path, systemReason(errno));
        }
    }
    return saveFailure(m_path, systemReason(EEXIST));
}

void WholeFileSave::cancel() {
    m_file.reset();
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    if (!m_temporaryPath.isEmpty()) {
        ::unlink(nativePath(m_temporaryPath).constData());
        m_temporaryPath.clear();
    }
}

std::optional<FileSaveError> saveWholeFile(const QString& path, const QByteArray& bytes) {
    WholeFileSave save(path);
    if (auto failure = save.open()) {
        return failure;
    }
    if (const auto reason = writeAll(save.device(), bytes)) {
        // The save, cancelled as it goes, leaves the file as it was.
        return saveFailure(path, *reason);
    }
    return save.commit();
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
        QStringLiteral("\\.") + fileNamePattern + QRegularExpression::escape(unfinishedSaveInfix) +
        temporaryNameSuffixPattern));
}

void removeUnfinishedSaves(const QString& folder, const QString& fileNamePattern) {
    const QRegularExpression name = unfinishedSaveName(fileNamePattern);
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : names) {
        const QByteArray path = nativePath(folder + QLatin1Char('/') + entry);
        struct stat status {};
        if (name.match(entry).hasMatch() && ::lstat(path.constData(), &status) == 0 &&
            S_ISREG(status.st_mode)) {
            // One that cannot be removed is harmless: it is never read.
            ::unlink(path.constData());
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
