#pragma once

#include "UiTestSupport.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
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
    catalog::PackageManifest package = screenPackage(id, type, version);
    package.name = name;
    package.category = category;
    package.summary = std::move(summary);
    return package;
}

// Installed records of the given versions, keyed by id.
inline catalog::InstalledPackageMap
installedRecords(const QList<std::pair<QString, QString>>& versionsByID) {
    catalog::InstalledPackageMap records;
    for (const auto& [id, version] : versionsByID) {
        records.insert(id, {id, version, {}, catalog::PackageType::generator, {}, {}});
    }
    return records;
}

inline QStringList idsOf(const QList<catalog::PackageManifest>& packages) {
    QStringList ids;
    for (const catalog::PackageManifest& package : packages) {
        ids.append(package.id);
    }
    return ids;
}

} // namespace marlox::testing
