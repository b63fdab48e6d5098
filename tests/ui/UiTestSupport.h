#pragma once

#include "catalog/CatalogManifest.h"

#include <QString>

namespace marlox::testing {

// A catalog package with the fields the screens read; the rest left at their defaults.
inline catalog::PackageManifest
screenPackage(const QString& id, catalog::PackageType type = catalog::PackageType::generator,
              const QString& version = QStringLiteral("1.0.0"),
              const QString& releaseNotes = QStringLiteral("Notes.")) {
    catalog::PackageManifest package;
    package.id = id;
    package.name = QStringLiteral("Name of ") + id;
    package.type = type;
    package.category = QStringLiteral("Time & Counters");
    package.version = version;
    package.releaseNotes = releaseNotes;
    return package;
}

} // namespace marlox::testing
