#include "PackageLists.h"

#include "screens/PackageUpdates.h"

#include <QHash>

#include <algorithm>

namespace marlox::app {
namespace {

bool isReinstallCandidate(const catalog::PackageManifest& package, bool recorded) {
    return package.type != catalog::PackageType::template_ && recorded;
}

} // namespace

QList<catalog::PackageManifest>
packagesWithUpdates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    // The same rule as the Updates screen's list and the Settings screen's count.
    return screens::availableUpdates(packages, installedByID);
}

PackageListCounts packageListCounts(const QList<catalog::PackageManifest>& packages,
                                    const catalog::InstalledPackageMap& installedByID) {
    // Found by hash: the records' map compares ids at every step, and ids share long prefixes.
    QHash<QString, const catalog::InstalledPackage*> records;
    records.reserve(installedByID.size());
    for (auto record = installedByID.cbegin(); record != installedByID.cend(); ++record) {
        records.insert(record.key(), &record.value());
    }
    PackageListCounts counts;
    for (const auto& package : packages) {
        const catalog::InstalledPackage* record = records.value(package.id);
        counts.packagesWithUpdates += screens::hasUpdate(package, record) ? 1 : 0;
        counts.reinstallCandidates += isReinstallCandidate(package, record != nullptr) ? 1 : 0;
    }
    return counts;
}

QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    QList<catalog::PackageManifest> candidates;
    std::copy_if(packages.cbegin(), packages.cend(), std::back_inserter(candidates),
                 [&](const auto& package) {
                     return isReinstallCandidate(package, installedByID.contains(package.id));
                 });
    return candidates;
}

} // namespace marlox::app
