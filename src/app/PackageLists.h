#pragma once

#include "base/DerivedOnce.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QString>

namespace marlox::app {

// The catalog's plug-ins installed at an older version than the catalog's, in catalog order.
// Templates and records of packages the catalog no longer lists never count.
QList<catalog::PackageManifest>
packagesWithUpdates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID);

// The catalog's plug-ins installed at any version, in catalog order; of an id the catalog lists
// twice, only the entry its record stands for (catalog::RecordedEntries).
QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID);

// How many packages each of the two lists holds, as the sidebar and the detail header show them.
struct PackageListCounts {
    qsizetype packagesWithUpdates = 0;
    qsizetype reinstallCandidates = 0;
};

PackageListCounts packageListCounts(const QList<catalog::PackageManifest>& packages,
                                    const catalog::InstalledPackageMap& installedByID);

// Kept by a window, so that the counts are worked out once per change of the catalog or the
// records, not at every redraw of the sidebar and the header.
using PackageListCountsCache = base::DerivedOnce<PackageListCounts, QList<catalog::PackageManifest>,
                                                 catalog::InstalledPackageMap>;

} // namespace marlox::app
