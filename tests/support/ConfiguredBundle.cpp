#include "ConfiguredBundle.h"

#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace marlox::testing {

std::optional<QString> configuredBundleCopy(const QString& builtBundle, const QString& copyPath,
                                            const QVariantMap& settings) {
    const QString executableName = QStringLiteral("/Contents/MacOS/MarloxStudio");
    const QString executable = builtBundle + executableName;
    const QString copied = copyPath + executableName;
    const auto info = platform::readPropertyListFile(builtBundle + "/Contents/Info.plist");
    if (!info || !QDir().mkpath(copyPath + "/Contents/MacOS")) {
        return std::nullopt;
    }
    // A hard link, not a symbolic one, so that the executable finds its bundle in the copy; it is
    // cheaper than a copy, which serves where a link cannot cross file systems.
    const bool linked = ::link(QFile::encodeName(executable).constData(),
                               QFile::encodeName(copied).constData()) == 0;
    if (!linked && !QFile::copy(executable, copied)) {
        return std::nullopt;
    }
    QFile::link(builtBundle + "/Contents/Resources", copyPath + "/Contents/Resources");
    QVariantMap configured = info->toMap();
    configured.insert(settings);
    QFile file(copyPath + "/Contents/Info.plist");
    if (!file.open(QIODevice::WriteOnly) || file.write(platform::xmlPropertyList(configured)) < 0) {
        return std::nullopt;
    }
    return copied;
}

} // namespace marlox::testing
