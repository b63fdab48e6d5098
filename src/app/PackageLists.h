#pragma once

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

// The catalog's plug-ins installed at any version, in catalog order.
QList<catalog::PackageManifest>
reinstallCandidates(const QList<catalog::PackageManifest>& packages,
                    const catalog::InstalledPackageMap& installedByID);

} // namespace marlox::app
