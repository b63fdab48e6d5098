#include "Quarantine.h"
#include "base/FileSystem.h"

#include <QFile>

#include <sys/xattr.h>

#include <cerrno>

namespace marlox::platform {

QString quarantineAttributeSystemName() {
    return QLatin1String("user.") + quarantineAttributeName;
}

std::optional<QString> removeQuarantineAttribute(const QString& path) {
    const QByteArray name = quarantineAttributeSystemName().toUtf8();
    if (::removexattr(QFile::encodeName(path).constData(), name.constData()) == 0) {
        return std::nullopt;
    }
    const int error = errno;
    // ENODATA: no such attribute; ENOTSUP: the file system keeps none. Neither leaves a quarantine.
    if (error == ENODATA || error == ENOTSUP) {
        return std::nullopt;
    }
    return base::systemReason(error);
}

} // namespace marlox::platform
