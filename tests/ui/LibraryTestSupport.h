#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
#include "support/CatalogFixtures.h"
#include "support/QtPrinters.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::testing {

// A catalog package with the fields the Plugins screen reads.
inline catalog::PackageManifest
libraryPackage(const QString& id, const QString& name,
               catalog::PackageType type = catalog::PackageType::generator,
               const QString& category = QStringLiteral("Time & Counters"),
               const QString& version = QStringLiteral("1.0"),
               std::optional<QString> summary = std::nullopt) {
    catalog::PackageManifest package = testPackage(id, type, version);
    package.name = name;
    package.category = category;
    package.summary = std::move(summary);
    return package;
}

} // namespace marlox::testing
