#pragma once

#include "catalog/CatalogManifest.h"

#include <optional>

namespace marlox::testing {

// A minimal catalog package; its name is "Name of " + id unless one is given.
inline catalog::PackageManifest testPackage(const QString& id, const QString& version,
                                            std::optional<QString> downloadURL = std::nullopt,
                                            std::optional<QString> sha256 = std::nullopt) {
    catalog::PackageManifest package;
    package.id = id;
    package.name = QStringLiteral("Name of ") + id;
    package.category = QStringLiteral("Text & Layout");
    package.version = version;
    package.downloadURL = std::move(downloadURL);
    package.sha256 = std::move(sha256);
    return package;
}

} // namespace marlox::testing
