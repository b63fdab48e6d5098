#include "SystemInformation.h"
#include "platform/Bundle.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>

namespace marlox::platform {
namespace {

// The firmware's fields are short; anything longer is not a model name.
constexpr qint64 machineModelReadLimit = 4096;

} // namespace

LocalSystemInformation::LocalSystemInformation(QStringList applicationFolders,
                                               QString machineModelFile)
    : m_applicationFolders(std::move(applicationFolders)),
      m_machineModelFile(std::move(machineModelFile)) {}

QStringList LocalSystemInformation::defaultApplicationFolders() {
    return {QStringLiteral("/Applications"), QDir::homePath() + QLatin1String("/Applications")};
}

QString LocalSystemInformation::operatingSystemVersion() const {
    return QSysInfo::prettyProductName();
}

std::optional<QVariantMap>
LocalSystemInformation::applicationInfo(const QString& bundleIdentifier) const {
    if (bundleIdentifier.isEmpty()) {
        return std::nullopt;
    }
    for (const QString& folder : m_applicationFolders) {
        const QStringList names = QDir(folder).entryList(
            {QStringLiteral("*.app")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            const auto bundle = Bundle::load(folder + QLatin1Char('/') + name);
            // The system matches bundle identifiers without regard to letter case.
            if (bundle &&
                bundle->bundleIdentifier().compare(bundleIdentifier, Qt::CaseInsensitive) == 0) {
                return bundle->infoDictionary();
            }
        }
    }
    return std::nullopt;
}

QString LocalSystemInformation::machineModel() const {
    QFile file(m_machineModelFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return decodeMachineModel(file.read(machineModelReadLimit));
}

QString decodeMachineModel(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end)).trimmed();
}

} // namespace marlox::platform
