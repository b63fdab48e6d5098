#pragma once

// What most tests of this folder use, so that each file names only what is its own.
#include "catalog/CatalogManifest.h"
#include "catalog/Environment.h"
#include "support/FileSupport.h"
#include "support/LoggedMessages.h"
#include "support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

namespace marlox::testing {

// A minimal catalog package named "Name of <id>".
inline catalog::PackageManifest testPackage(const QString& id, const QString& version,
                                            std::optional<QString> downloadURL = std::nullopt,
                                            std::optional<QString> sha256 = std::nullopt) {
    catalog::PackageManifest package;
    package.id = id;
    package.name = "Name of " + id;
    package.category = "Text & Layout";
    package.version = version;
    package.downloadURL = std::move(downloadURL);
    package.sha256 = std::move(sha256);
    return package;
}

} // namespace marlox::testing
