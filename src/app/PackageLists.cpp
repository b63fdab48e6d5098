#include "PackageLists.h"

#include "screens/PackageUpdates.h"

namespace marlox::app {

QList<catalog::PackageManifest>
packagesWithUpdates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    // The same rule as the Updates screen's list and the Settings screen's count.
    return screens::availableUpdates(packages, installedByID);
}

QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    QList<catalog::PackageManifest> candidates;
    for (const auto& package : packages) {
        if (package.type != catalog::PackageType::template_ && installedByID.contains(package.id)) {
            candidates.append(package);
        }
    }
    return candidates;
}

} // namespace marlox::app
