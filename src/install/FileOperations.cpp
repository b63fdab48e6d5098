#include "FileOperations.h"

#include "base/FileSystem.h"
#include "platform/FileCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace marlox::install {
namespace {

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

SystemError systemError(const QString& action, const QString& path, int error) {
    return SystemError{
        QStringLiteral("Could not %1 “%2”: %3").arg(action, path, base::systemReason(error))};
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor() {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

std::vector<QByteArray> directoryNames(const QByteArray& folder, int* error) {
    std::vector<QByteArray> names;
    DIR* directory = ::opendir(folder.constData());
    if (directory == nullptr) {
        *error = errno;
        return names;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    *error = errno;
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

InstallFailure copyFile(const QString& sourcePath, const QString& destinationPath,
                        const struct stat& status) {
    Descriptor source(::open(encoded(sourcePath).constData(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) {
        return systemError(QStringLiteral("read"), sourcePath, errno);
    }
    Descriptor destination(::open(encoded(destinationPath).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (destination.get() < 0) {
        return systemError(QStringLiteral("create"), destinationPath, errno);
    }
    if (!platform::copyFileContents(source.get(), destination.get(), status.st_size)) {
        // The copy's destination is named: where it fails for want of room, that is the folder
        // that is full.
        return SystemError{QStringLiteral("Could not copy “%1” to “%2”: %3")
                               .arg(sourcePath, destinationPath, base::systemReason(errno))};
    }
    // The quarantine mark travels with the rest; the installer clears it afterwards.
    platform::copyExtendedAttributes(source.get(), destination.get());
    if (::fchmod(destination.get(), status.st_mode & 07777) != 0) {
        return systemError(QStringLiteral("set the permissions of"), destinationPath, errno);
    }
    const auto times = platform::accessAndModificationTimes(status);
    ::futimens(destination.get(), times.data());
    return std::nullopt;
}

InstallFailure copyLink(const QString& sourcePath, const QString& destinationPath,
                        const struct stat& status) {
    QByteArray target(status.st_size > 0 ? status.st_size + 1 : PATH_MAX, '\0');
    const ssize_t length =
        ::readlink(encoded(sourcePath).constData(), target.data(), target.size());
    if (length < 0) {
        return systemError(QStringLiteral("read the link"), sourcePath, errno);
    }
    target.truncate(length);
    if (::symlink(target.constData(), encoded(destinationPath).constData()) != 0) {
        return systemError(QStringLiteral("create the link"), destinationPath, errno);
    }
    const auto times = platform::accessAndModificationTimes(status);
    ::utimensat(AT_FDCWD, encoded(destinationPath).constData(), times.data(), AT_SYMLINK_NOFOLLOW);
    return std::nullopt;
}

InstallFailure copyEntry(const QString& sourcePath, const QString& destinationPath);

InstallFailure copyFolder(const QString& sourcePath, const QString& destinationPath,
                          const struct stat& status) {
    // Owner-writable while it fills; the folder's own permissions are set once it is complete, so
    // that a read-only folder can still be copied.
    if (::mkdir(encoded(destinationPath).constData(), S_IRWXU) != 0) {
        return systemError(QStringLiteral("create the folder"), destinationPath, errno);
    }
    int error = 0;
    const auto names = directoryNames(encoded(sourcePath), &error);
    if (error != 0) {
        return systemError(QStringLiteral("list"), sourcePath, error);
    }
    for (const QByteArray& name : names) {
        const QString child = QFile::decodeName(name);
        if (auto failure = copyEntry(sourcePath + QLatin1Char('/') + child,
                                     destinationPath + QLatin1Char('/') + child)) {
            return failure;
        }
    }
    Descriptor source(::open(encoded(sourcePath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Descriptor destination(
        ::open(encoded(destinationPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (source.get() >= 0 && destination.get() >= 0) {
        platform::copyExtendedAttributes(source.get(), destination.get());
        const auto times = platform::accessAndModificationTimes(status);
        ::futimens(destination.get(), times.data());
    }
    if (::chmod(encoded(destinationPath).constData(), status.st_mode & 07777) != 0) {
        return systemError(QStringLiteral("set the permissions of"), destinationPath, errno);
    }
    return std::nullopt;
}

InstallFailure copyEntry(const QString& sourcePath, const QString& destinationPath) {
    struct stat status {};
    if (::lstat(encoded(sourcePath).constData(), &status) != 0) {
        return systemError(QStringLiteral("read"), sourcePath, errno);
    }
    if (S_ISLNK(status.st_mode)) {
        return copyLink(sourcePath, destinationPath, status);
    }
    if (S_ISDIR(status.st_mode)) {
        return copyFolder(sourcePath, destinationPath, status);
    }
    if (S_ISREG(status.st_mode)) {
        return copyFile(sourcePath, destinationPath, status);
    }
    return SystemError{QStringLiteral("Could not copy “%1”: it is neither a file, a folder nor a "
                                      "symbolic link.")
                           .arg(sourcePath)};
}

bool removeTree(const QByteArray& path, int* error) {
    struct stat status {};
    if (::lstat(path.constData(), &status) != 0) {
        *error = errno;
        return errno == ENOENT;
    }
    if (!S_ISDIR(status.st_mode)) {
        if (::unlink(path.constData()) != 0) {
            *error = errno;
            return false;
        }
        return true;
    }
    // A folder copied read-only must still be emptied.
    if ((status.st_mode & S_IRWXU) != S_IRWXU) {
        ::chmod(path.constData(), (status.st_mode & 07777) | S_IRWXU);
    }
    const auto names = directoryNames(path, error);
    if (*error != 0) {
        return false;
    }
    for (const QByteArray& name : names) {
        if (!removeTree(path + '/' + name, error)) {
            return false;
        }
    }
    if (::rmdir(path.constData()) != 0) {
        *error = errno;
        return false;
    }
    return true;
}

QStringList pathComponents(const QString& path) {
    return path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

} // namespace

bool itemExists(const QString& path) {
    return !path.isEmpty() && base::somethingExistsAt(path);
}

bool isFolder(const QString& path) {
    struct stat status {};
    return !path.isEmpty() && ::stat(encoded(path).constData(), &status) == 0 &&
           S_ISDIR(status.st_mode);
}

QStringList enumerateTree(const QString& root, bool includeHidden) {
    QStringList items;
    int error = 0;
    for (const QByteArray& name : directoryNames(encoded(root), &error)) {
        if (!includeHidden && name.startsWith('.')) {
            continue;
        }
        const QString path = root + QLatin1Char('/') + QFile::decodeName(name);
        items.append(path);
        struct stat status {};
        if (::lstat(encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode)) {
            items.append(enumerateTree(path, includeHidden));
        }
    }
    return items;
}

InstallResultOr<QStringList> visibleEntries(const QString& folder) {
    std::optional<QStringList> names = base::visibleEntryNames(folder);
    if (!names) {
        return InstallError(SystemError{QStringLiteral("Could not list “%1”.").arg(folder)});
    }
    names->sort();
    QStringList entries;
    for (const QString& name : *names) {
        entries.append(folder + QLatin1Char('/') + name);
    }
    return entries;
}

InstallFailure createFolder(const QString& path) {
    if (auto failure = base::createFolder(path)) {
        return SystemError{failure->description()};
    }
    return std::nullopt;
}

InstallFailure copyItem(const QString& source, const QString& destination) {
    if (itemExists(destination)) {
        return systemError(QStringLiteral("copy to"), destination, EEXIST);
    }
    auto failure = copyEntry(source, destination);
    if (failure) {
        // Never leave half a copy behind.
        int ignored = 0;
        removeTree(encoded(destination), &ignored);
    }
    return failure;
}

InstallFailure moveItem(const QString& source, const QString& destination) {
    if (itemExists(destination)) {
        return systemError(QStringLiteral("move to"), destination, EEXIST);
    }
    if (::rename(encoded(source).constData(), encoded(destination).constData()) == 0) {
        return std::nullopt;
    }
    if (errno != EXDEV) {
        return systemError(QStringLiteral("move"), source, errno);
    }
    // Another volume: copy, then remove the original.
    if (auto failure = copyItem(source, destination)) {
        return failure;
    }
    return removeItem(source);
}

InstallFailure removeItem(const QString& path) {
    int error = 0;
    if (!removeTree(encoded(path), &error)) {
        return systemError(QStringLiteral("remove"), path, error);
    }
    return std::nullopt;
}

InstallFailure moveReplacing(const QString& source, const QString& destination) {
    if (itemExists(destination)) {
        if (auto failure = removeItem(destination)) {
            return failure;
        }
    }
    return moveItem(source, destination);
}

void removeQuietly(const QString& path) {
    removeItem(path);
}

QString canonicalPath(const QString& path) {
    const QString cleaned = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Resolve the longest existing part; what does not exist yet cannot be a link.
    QString existing = cleaned;
    QStringList missing;
    while (!existing.isEmpty()) {
        const QString resolved = QFileInfo(existing).canonicalFilePath();
        if (!resolved.isEmpty()) {
            missing.prepend(resolved == QLatin1String("/") ? QString() : resolved);
            const QString joined = missing.join(QLatin1Char('/'));
            return joined.isEmpty() ? QStringLiteral("/") : joined;
        }
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0) {
            break;
        }
        missing.prepend(existing.mid(slash + 1));
        existing.truncate(slash);
    }
    return cleaned;
}

bool hasDotComponent(const QString& path) {
    const QStringList components = pathComponents(path);
    return components.contains(QLatin1String(".")) || components.contains(QLatin1String(".."));
}

bool liesStrictlyInside(const QString& path, const QString& root) {
    if (!QDir::isAbsolutePath(path) || !QDir::isAbsolutePath(root) || hasDotComponent(path)) {
        return false;
    }
    // The item itself may be a link pointing anywhere; what matters is the folder it sits in.
    const QFileInfo item(QDir::cleanPath(path));
    if (item.fileName().isEmpty()) {
        return false;
    }
    const QString folder = canonicalPath(item.path());
    const QString resolvedRoot = canonicalPath(root);
    return folder == resolvedRoot ||
           folder.startsWith(resolvedRoot == QLatin1String("/") ? resolvedRoot
                                                                : resolvedRoot + QLatin1Char('/'));
}

bool resolvesInside(const QString& path, const QString& root) {
    const QString resolvedRoot = canonicalPath(root);
    const QString resolvedPath = canonicalPath(path);
    const QString prefix =
        resolvedRoot == QLatin1String("/") ? resolvedRoot : resolvedRoot + QLatin1Char('/');
    return resolvedPath.size() > prefix.size() && resolvedPath.startsWith(prefix);
}

bool reachedWithoutLinks(const QString& path, const QString& root) {
    if (!QDir::isAbsolutePath(path) || hasDotComponent(path)) {
        return false;
    }
    const QString cleanedRoot = QDir::cleanPath(root);
    const QString cleaned = QDir::cleanPath(path);
    if (!cleaned.startsWith(cleanedRoot + QLatin1Char('/'))) {
        return false;
    }
    // Each step down from the root, a dangling link too; below the first step that is not there,
    // nothing can be a link yet.
    QString current = cleanedRoot;
    for (const QString& component :
         cleaned.mid(cleanedRoot.size() + 1).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        current += QLatin1Char('/') + component;
        const QFileInfo step(current);
        if (step.isSymLink()) {
            return false;
        }
        if (!step.exists()) {
            return true;
        }
    }
    return true;
}

} // namespace marlox::install
