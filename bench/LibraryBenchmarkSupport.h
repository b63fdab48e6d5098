#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QString>

namespace marlox::bench {

// A catalog of plug-ins and some templates with varied names, in the catalog service's name
// order, as the Plugins screen receives it.
QList<catalog::PackageManifest> generatedLibraryCatalog(int packageCount);

// Every seventh package installed, a third of those at an older version.
catalog::InstalledPackageMap
generatedInstalledRecords(const QList<catalog::PackageManifest>& packages);

} // namespace marlox::bench
