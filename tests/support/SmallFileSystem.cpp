#include "SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace marlox::testing {

SmallFileSystem::SmallFileSystem(QString folder, qint64 sizeBytes)
    : m_folder(std::move(folder)), m_filler(m_folder + QStringLiteral("/.filler")) {
    QDir().mkpath(m_folder);
    const bool holdsItems = !QDir(m_folder).isEmpty(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
    const QString before = m_folder + QStringLiteral(".before-mount");
    if (holdsItems && (!QDir().rename(m_folder, before) || !QDir().mkdir(m_folder))) {
        m_unavailable = QStringLiteral("what %1 holds cannot be set aside").arg(m_folder);
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_unavailable = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (holdsItems) {
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), before + QStringLiteral("/."),
                                                 m_folder});
        QDir(before).removeRecursively();
    }
}

SmallFileSystem::~SmallFileSystem() {
    if (!m_unavailable) {
        // Detached, so that a file a child process still holds open keeps nothing mounted.
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
}

void SmallFileSystem::fill(qint64 leftBytes) {
    const int descriptor = ::open(QFile::encodeName(m_filler).constData(),
                                  O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return;
    }
    // Smaller and smaller writes, down to a byte, until nothing more goes in.
    const std::vector<char> zeros(64 * 1024, 0);
    for (size_t chunk = zeros.size(); chunk > 0; chunk /= 2) {
        while (::write(descriptor, zeros.data(), chunk) == ssize_t(chunk)) {
        }
    }
    if (leftBytes > 0) {
        const off_t size = ::lseek(descriptor, 0, SEEK_END);
        ::ftruncate(descriptor, size > leftBytes ? size - leftBytes : 0);
    }
    ::close(descriptor);
}

void SmallFileSystem::makeRoom() {
    QFile::remove(m_filler);
}

qint64 SmallFileSystem::freeBytes() const {
    struct statvfs status {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &status) != 0) {
        return -1;
    }
    return qint64(status.f_bavail) * qint64(status.f_frsize);
}

std::optional<QString> SmallFileSystem::makeReadOnly() {
    // A remount keeps what the file system holds, and flags left out would be cleared.
    if (::mount(nullptr, QFile::encodeName(m_folder).constData(), nullptr,
                MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) != 0) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    return std::nullopt;
}

} // namespace marlox::testing
