#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace marlox::screens {

// A package has an update when it is not a template, a record is kept for its id and the
// recorded version is older than the catalog's.
bool hasUpdate(const catalog::PackageManifest& package,
               const catalog::InstalledPackageMap& installedByID);
// The same with the package's record, or none.
bool hasUpdate(const catalog::PackageManifest& package, const catalog::InstalledPackage* record);

// The packages with an update, in the catalog's order.
QList<catalog::PackageManifest> availableUpdates(const QList<catalog::PackageManifest>& packages,
                                                 const catalog::InstalledPackageMap& installedByID);
qsizetype availableUpdateCount(const QList<catalog::PackageManifest>& packages,
                               const catalog::InstalledPackageMap& installedByID);

// "1 update available", else the count followed by " updates available".
QString updateCountText(qsizetype count);

// The summary when it has any text, else the release notes.
QString updateDescription(const catalog::PackageManifest& package);

// One package row of the Updates screen.
struct UpdateRow {
    catalog::PackageManifest package;
    // "Installed v" and the recorded version.
    QString installedPillTitle;
    QString latestPillTitle;
    QString description;
    // Only the package's own install in flight holds its button back.
    bool updateEnabled = true;

    bool operator==(const UpdateRow&) const = default;
};

// Everything the Updates screen shows, worked out afresh on every change.
struct UpdatesContent {
    // Empty shows the "No updates available." card instead of the header and rows.
    QList<UpdateRow> rows;
    QString countBadgeTitle;
    QString countText;
    // Any operation in flight holds "Update All" back.
    bool updateAllEnabled = true;

    bool operator==(const UpdatesContent&) const = default;
};

UpdatesContent updatesContent(const QList<catalog::PackageManifest>& packages,
                              const catalog::InstalledPackageMap& installedByID,
                              const QSet<QString>& activePackageIDs);

} // namespace marlox::screens
