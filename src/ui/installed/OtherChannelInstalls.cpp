#include "OtherChannelInstalls.h"

#include "base/FileSystem.h"
#include "base/SafePath.h"

#include <algorithm>

namespace marlox::ui {

using catalog::InstalledPackage;
using catalog::PackageManifest;
using catalog::PackageType;

namespace {

const QString fallbackVersion = QStringLiteral("1.0.0");

bool isLookedFor(const PackageManifest& package) {
    // A catalog id such as "../../Documents" must never lead to a record whose removal deletes
    // what it points at.
    return package.type != PackageType::template_ && base::isSafePathComponent(package.id) &&
           !package.id.startsWith(QLatin1Char('.'));
}

} // namespace

QSet<QString> sharedFolderNames(const QString& sharedFolder) {
    // One listing instead of one existence test per package; hidden entries are not in it.
    const QStringList names = base::visibleEntryNames(sharedFolder).value_or(QStringList());
    return QSet<QString>(names.cbegin(), names.cend());
}

QList<FoundInstall> otherChannelInstalls(const QList<PackageManifest>& packages,
                                         const catalog::InstalledPackageMap& installedByID,
                                         const QString& sharedFolder) {
    return otherChannelInstalls(packages, installedByID, sharedFolder,
                                sharedFolderNames(sharedFolder));
}

QList<FoundInstall> otherChannelInstalls(const QList<PackageManifest>& packages,
                                         const catalog::InstalledPackageMap& installedByID,
                                         const QString& sharedFolder,
                                         const QSet<QString>& sharedFolderNames) {
    QList<FoundInstall> found;
    if (sharedFolderNames.isEmpty()) {
        return found;
    }
    // The listing first: it seldom holds the id, and a hash lookup is the cheapest test.
    for (const PackageManifest& package : packages) {
        if (sharedFolderNames.contains(package.id) && isLookedFor(package) &&
            !installedByID.contains(package.id)) {
            found.append({package, sharedFolder + QLatin1Char('/') + package.id});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& lhs, const auto& rhs) {
        return catalog::idOrderKey(lhs.catalog.id) < catalog::idOrderKey(rhs.catalog.id);
    });
    return found;
}

InstalledPackage adoptedRecord(const FoundInstall& found, const QDateTime& now) {
    return {found.catalog.id,
            catalog::InstalledPackageStore::bundleVersion(found.path).value_or(fallbackVersion),
            now.toUTC().toString(Qt::ISODate),
            found.catalog.type,
            found.path,
            {}};
}

void adoptAll(catalog::InstalledPackageStore& store, const QList<PackageManifest>& packages,
              const QString& sharedFolder, const QDateTime& now) {
    for (const FoundInstall& found :
         otherChannelInstalls(packages, store.installedByID(), sharedFolder)) {
        catalog::InstalledPackageMap records = store.installedByID();
        records.insert(found.catalog.id, adoptedRecord(found, now));
        // A record the file does not hold the next start would not know either; the failure is
        // logged.
        if (store.setInstalledByIDAndSave(records)) {
            return;
        }
    }
}

} // namespace marlox::ui
