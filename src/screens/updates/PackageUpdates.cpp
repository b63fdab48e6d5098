#include "PackageUpdates.h"

#include "base/VersionComparison.h"

#include <algorithm>

namespace marlox::screens {

using catalog::InstalledPackageMap;
using catalog::PackageManifest;

bool hasUpdate(const PackageManifest& package, const InstalledPackageMap& installedByID) {
    const auto record = installedByID.constFind(package.id);
    return hasUpdate(package, record != installedByID.cend() ? &*record : nullptr);
}

bool hasUpdate(const PackageManifest& package, const catalog::InstalledPackage* record) {
    return package.type != catalog::PackageType::template_ && record &&
           base::compareVersions(record->version, package.version) < 0;
}

QList<PackageManifest> availableUpdates(const QList<PackageManifest>& packages,
                                        const InstalledPackageMap& installedByID) {
    QList<PackageManifest> updates;
    std::copy_if(packages.cbegin(), packages.cend(), std::back_inserter(updates),
                 [&](const PackageManifest& package) { return hasUpdate(package, installedByID); });
    return updates;
}

qsizetype availableUpdateCount(const QList<PackageManifest>& packages,
                               const InstalledPackageMap& installedByID) {
    return std::count_if(packages.cbegin(), packages.cend(), [&](const PackageManifest& package) {
        return hasUpdate(package, installedByID);
    });
}

QString updateCountText(qsizetype count) {
    return count == 1 ? QStringLiteral("1 update available")
                      : QStringLiteral("%1 updates available").arg(count);
}

QString updateDescription(const PackageManifest& package) {
    return package.summary && !package.summary->isEmpty() ? *package.summary : package.releaseNotes;
}

UpdatesContent updatesContent(const QList<PackageManifest>& packages,
                              const InstalledPackageMap& installedByID,
                              const QSet<QString>& activePackageIDs) {
    UpdatesContent content;
    for (const PackageManifest& package : availableUpdates(packages, installedByID)) {
        // Every listed package has a record: the rule asks for one.
        content.rows.append(
            {package, QStringLiteral("Installed v") + installedByID.value(package.id).version,
             QStringLiteral("Latest v") + package.version, updateDescription(package),
             !activePackageIDs.contains(package.id)});
    }
    content.countBadgeTitle = QString::number(content.rows.size());
    content.countText = updateCountText(content.rows.size());
    content.updateAllEnabled = activePackageIDs.isEmpty();
    return content;
}

} // namespace marlox::screens
