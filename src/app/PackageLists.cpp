#include "PackageLists.h"

#include "screens/updates/PackageUpdates.h"

#include <QHash>

namespace marlox::app {
namespace {

// Found by hash: the records' map compares ids at every step, and ids share long prefixes.
QHash<QString, const catalog::InstalledPackage*>
recordsByID(const catalog::InstalledPackageMap& installedByID) {
    QHash<QString, const catalog::InstalledPackage*> records;
    records.reserve(installedByID.size());
    for (auto record = installedByID.cbegin(); record != installedByID.cend(); ++record) {
        records.insert(record.key(), &record.value());
    }
    return records;
}

// A recorded plug-in is reinstalled as the entry its record stands for: of an id the catalog
// lists twice only that one, since both would go into the one folder of the id.
bool isReinstallCandidate(const catalog::RecordedEntries& entries, qsizetype index,
                          const catalog::PackageManifest& package,
                          const catalog::InstalledPackage* record) {
    return package.type != catalog::PackageType::template_ && record &&
           entries.indexFor(*record) == index;
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
    const auto records = recordsByID(installedByID);
    const catalog::RecordedEntries entries(packages);
    PackageListCounts counts;
    for (qsizetype index = 0; index < packages.size(); ++index) {
        const auto& package = packages.at(index);
        const catalog::InstalledPackage* record = records.value(package.id);
        counts.packagesWithUpdates += screens::hasUpdate(package, record) ? 1 : 0;
        counts.reinstallCandidates += isReinstallCandidate(entries, index, package, record) ? 1 : 0;
    }
    return counts;
}

QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID) {
    const auto records = recordsByID(installedByID);
    const catalog::RecordedEntries entries(packages);
    QList<catalog::PackageManifest> candidates;
    for (qsizetype index = 0; index < packages.size(); ++index) {
        const auto& package = packages.at(index);
        if (isReinstallCandidate(entries, index, package, records.value(package.id))) {
            candidates.append(package);
        }
    }
    return candidates;
}

} // namespace marlox::app
