#include "InstalledPackageStore.h"

#include "base/FileSystem.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/OperationsLog.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace marlox::catalog {
namespace {

const QString saveFailedPrefix = QStringLiteral("saveToDisk failed: ");

// The records as the file holds them, and with install paths of the older layout rewritten.
struct RecordsFile {
    QList<InstalledPackage> decoded;
    QList<InstalledPackage> migrated;
};

// Why the file cannot be used: it cannot be read or decoded, or it is too large to be read.
Result<RecordsFile, base::FileReadError> readRecordsFile(const QString& path) {
    const auto bytes = base::readWholeFile(path, maximumRecordsFileBytes);
    if (!bytes) {
        return bytes.error();
    }
    const auto decoded = decodeInstalledPackages(*bytes);
    if (!decoded) {
        return base::FileReadError{path, decoded.error().description()};
    }
    const QString legacyRoot = legacyInstallFolderPath();
    const QString currentRoot = installFolderPath();
    RecordsFile records{decoded.value(), decoded.value()};
    for (InstalledPackage& record : records.migrated) {
        record.installPath = migrateLegacyInstallPath(record.installPath, legacyRoot, currentRoot);
    }
    return records;
}

// A later record of the same id replaces an earlier one.
InstalledPackageMap byID(const QList<InstalledPackage>& records) {
    InstalledPackageMap map;
    for (const InstalledPackage& record : records) {
        map.insert(record.id, record);
    }
    return map;
}

} // namespace

std::optional<InstalledPackageMap> readInstalledRecords() {
    const QString path = installedRecordsFileURL();
    if (!base::somethingExistsAt(path)) {
        return InstalledPackageMap();
    }
    const auto records = readRecordsFile(path);
    if (!records) {
        return std::nullopt;
    }
    return byID(records->migrated);
}

QString migrateLegacyInstallPath(const QString& installPath, const QString& legacyRoot,
                                 const QString& currentRoot) {
    if (installPath == legacyRoot) {
        return currentRoot;
    }
    if (installPath.startsWith(legacyRoot + QLatin1Char('/'))) {
        return currentRoot + installPath.mid(legacyRoot.size());
    }
    return installPath;
}

InstalledPackageStore::InstalledPackageStore(QObject* parent) : QObject(parent) {
    load();
}

void InstalledPackageStore::setInstalledByID(const InstalledPackageMap& installedByID) {
    if (m_installedByID == installedByID) {
        return;
    }
    m_installedByID = installedByID;
    emit installedByIDChanged();
}

std::optional<InstalledPackage> InstalledPackageStore::record(const QString& id) const {
    const auto found = m_installedByID.constFind(id);
    if (found == m_installedByID.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

bool InstalledPackageStore::isPresentOnDisk(const QString& id) const {
    const auto found = m_installedByID.constFind(id);
    if (found == m_installedByID.constEnd()) {
        return false;
    }
    if (!found->installPath.isEmpty() && QFileInfo::exists(found->installPath)) {
        return true;
    }
    return std::any_of(found->templateInstallPaths.cbegin(), found->templateInstallPaths.cend(),
                       [](const QString& path) { return QFileInfo::exists(path); });
}

void InstalledPackageStore::load() {
    setInstalledByID({});
    const QString path = installedRecordsFileURL();
    if (ensureApplicationDirectories()) {
        // The file was not read, so no save may replace it before it has been kept aside.
        m_unreadFileInTheWay = base::somethingExistsAt(path);
        return;
    }
    if (!base::somethingExistsAt(path)) {
        return;
    }
    const auto records = readRecordsFile(path);
    if (records.hasValue()) {
        setInstalledByID(byID(records->migrated));
        // A failure is logged; the next save writes the rewritten paths.
        if (records->migrated != records->decoded) {
            (void)saveToDisk();
        }
    } else if (records.error().tooLarge) {
        // Not a file any version writes, but the records it holds may be recovered by hand: it
        // stays where it is until a save has to move it aside.
        m_unreadFileInTheWay = true;
        log(QStringLiteral("installed.json was not read, being larger than %1; it is kept "
                           "where it is: %2")
                .arg(base::mebibytesBoundText(maximumRecordsFileBytes))
                .arg(path));
    } else {
        moveUnreadableFileAside();
    }
}

bool InstalledPackageStore::moveUnreadableFileAside() {
    // The records in it may still be recovered by hand, so it is kept rather than overwritten.
    const QString path = installedRecordsFileURL();
    if (!base::somethingExistsAt(path)) {
        // Removed by hand meanwhile: nothing is left to keep.
        m_unreadFileInTheWay = false;
        return true;
    }
    const QString copy = base::unreadableCopyPath(path);
    if (!QDir().rename(path, copy)) {
        m_unreadFileInTheWay = true;
        log(QStringLiteral("installed.json could not be read and could not be moved aside: ") +
            path);
        return false;
    }
    m_unreadFileInTheWay = false;
    log(QStringLiteral("installed.json could not be read and was moved aside to ") + copy);
    return true;
}

std::optional<RecordsSaveError>
InstalledPackageStore::setInstalledByIDAndSave(const InstalledPackageMap& records) {
    const InstalledPackageMap before = m_installedByID;
    setInstalledByID(records);
    auto failure = saveToDisk();
    if (failure) {
        setInstalledByID(before);
    }
    return failure;
}

std::optional<RecordsSaveError> InstalledPackageStore::saveToDisk() {
    const auto refuse = [](const QString& reason) {
        log(saveFailedPrefix + reason);
        return std::optional(RecordsSaveError(reason));
    };
    QList<InstalledPackage> records = m_installedByID.values();
    sortByID(records);
    const QByteArray json = encodeInstalledPackages(records);
    // What the next start could not read would lose every record.
    if (json.size() > maximumRecordsFileBytes) {
        return refuse(QStringLiteral("The installed records would take %1 MiB, more than the %2 "
                                     "a start reads; installed.json was not changed.")
                          .arg(base::mebibytesText(json.size()))
                          .arg(base::mebibytesBoundText(maximumRecordsFileBytes)));
    }
    if (const auto failure = ensureApplicationDirectories()) {
        return refuse(failure->description());
    }
    const QString path = installedRecordsFileURL();
    if (m_unreadFileInTheWay && !moveUnreadableFileAside()) {
        return refuse(
            QStringLiteral("The unreadable file “%1” is kept and was not replaced.").arg(path));
    }
    if (const auto failure = base::saveWholeFile(path, json)) {
        return refuse(failure->description());
    }
    return std::nullopt;
}

std::optional<QString> InstalledPackageStore::bundleVersion(const QString& folderPath) {
    // Sorted by name, so that a folder holding several bundles always gives the same answer.
    const QStringList names =
        QDir(folderPath)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    const auto bundle = std::find_if(names.cbegin(), names.cend(), [](const QString& name) {
        return name.endsWith(QLatin1String(".app"), Qt::CaseSensitive);
    });
    if (bundle == names.cend()) {
        return std::nullopt;
    }
    const auto info = platform::readPropertyListFile(folderPath + QLatin1Char('/') + *bundle +
                                                     QLatin1String("/Contents/Info.plist"));
    if (!info || info->typeId() != QMetaType::QVariantMap) {
        return std::nullopt;
    }
    const QVariant version = info->toMap().value(QStringLiteral("CFBundleShortVersionString"));
    if (version.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return version.toString();
}

} // namespace marlox::catalog
