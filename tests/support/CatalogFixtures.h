#pragma once

// Catalog packages, installed records and bundles made to order for the tests that read them.
#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "support/ScratchBundle.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

namespace marlox::testing {

// A package named "Name of <id>" with release notes "Notes of <id>" unless others are given.
inline catalog::PackageManifest
testPackage(const QString& id, catalog::PackageType type = catalog::PackageType::generator,
            const QString& version = QStringLiteral("1.0.0"),
            const std::optional<QString>& releaseNotes = std::nullopt) {
    catalog::PackageManifest package;
    package.id = id;
    package.name = QStringLiteral("Name of ") + id;
    package.type = type;
    package.category = QStringLiteral("Time & Counters");
    package.version = version;
    package.releaseNotes = releaseNotes.value_or(QStringLiteral("Notes of ") + id);
    return package;
}

// A package shown under that name.
inline catalog::PackageManifest namedPackage(const QString& id, const QString& name,
                                             const QString& version = QStringLiteral("1.0.0")) {
    catalog::PackageManifest package = testPackage(id, catalog::PackageType::generator, version);
    package.name = name;
    return package;
}

inline catalog::InstalledPackage
testRecord(const QString& id, const QString& version = QStringLiteral("1.0.0"),
           catalog::PackageType type = catalog::PackageType::generator,
           const QString& installPath = {}) {
    return {id, version, QStringLiteral("2026-01-02T03:04:05Z"), type, installPath, {}};
}

// The records keyed by id, as the store publishes them.
inline catalog::InstalledPackageMap recordsByID(const QList<catalog::InstalledPackage>& records) {
    catalog::InstalledPackageMap byID;
    for (const catalog::InstalledPackage& record : records) {
        byID.insert(record.id, record);
    }
    return byID;
}

// Generator records of the given versions, keyed by id.
inline catalog::InstalledPackageMap
recordsOfVersions(const QList<std::pair<QString, QString>>& versionsByID) {
    catalog::InstalledPackageMap byID;
    for (const auto& [id, version] : versionsByID) {
        byID.insert(id, testRecord(id, version));
    }
    return byID;
}

// Writes the built-in catalog to the file with each package changed as given; the change is
// handed the package's place in the catalog too.
inline void writeChangedBuiltInCatalog(
    const QString& file, const std::function<void(QJsonObject& package, qsizetype place)>& change) {
    QJsonObject root =
        QJsonDocument::fromJson(readFile(catalog::urlForResource("manifest", "json"))).object();
    QJsonArray packages;
    for (const QJsonValue& value : root.value("packages").toArray()) {
        QJsonObject package = value.toObject();
        change(package, packages.size());
        packages.append(package);
    }
    root.insert("packages", packages);
    writeFile(file, QJsonDocument(root).toJson());
}

inline QStringList idsOf(const QList<catalog::PackageManifest>& packages) {
    QStringList ids;
    for (const catalog::PackageManifest& package : packages) {
        ids.append(package.id);
    }
    return ids;
}

} // namespace marlox::testing
