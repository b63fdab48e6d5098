#include "UserOwnership.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace marlox::platform {

QString currentUserID() {
    return QString::number(::geteuid());
}

std::optional<QString> privateFolder(const QString& path, bool makeWhenMissing) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(encoded.constData(), &status) != 0) {
        if (!makeWhenMissing || ::mkdir(encoded.constData(), S_IRWXU) != 0 ||
            ::lstat(encoded.constData(), &status) != 0) {
            return std::nullopt;
        }
    }
    // Anyone may have made it first, as a link or a folder others can enter: then it is not ours.
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        return std::nullopt;
    }
    return path;
}

bool belongsToCurrentUser(const QString& path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 &&
           status.st_uid == ::geteuid();
}

bool peerIsCurrentUser(qintptr socketDescriptor) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    return ::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                        &length) == 0 &&
           credentials.uid == ::geteuid();
}

} // namespace marlox::platform
