#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "catalog/InstalledPackageStore.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

namespace marlox::ui {

// A catalog plug-in whose folder is in the shared plug-in folder without an installed record:
// installed through another channel.
struct FoundInstall {
    catalog::PackageManifest catalog;
    QString path;

    bool operator==(const FoundInstall&) const = default;
};

// The catalog's generators and filters without a record whose id names something in the shared
// folder, by id. Templates are never looked for, and an id that is not one plain, visible name
// is never looked up: the engine's own work folders there start with a dot.
QList<FoundInstall> otherChannelInstalls(const QList<catalog::PackageManifest>& packages,
                                         const catalog::InstalledPackageMap& installedByID,
                                         const QString& sharedFolder);
// The same over the visible names the shared folder held when it was listed.
QList<FoundInstall> otherChannelInstalls(const QList<catalog::PackageManifest>& packages,
                                         const catalog::InstalledPackageMap& installedByID,
                                         const QString& sharedFolder,
                                         const QSet<QString>& sharedFolderNames);
// The visible names in the shared folder; none when it cannot be listed.
QSet<QString> sharedFolderNames(const QString& sharedFolder);

// The record written for a found install: the version of its first application bundle, else
// "1.0.0", installed now, with no template paths.
catalog::InstalledPackage adoptedRecord(const FoundInstall& found, const QDateTime& now);

// Records every found install, saving the store once per package. It only writes records: no
// file in the shared folder is copied, registered or changed.
void adoptAll(catalog::InstalledPackageStore& store,
              const QList<catalog::PackageManifest>& packages, const QString& sharedFolder,
              const QDateTime& now);

namespace otherChannelText {
inline const QString title = QStringLiteral("Other Channel Installs Detected");
inline const QString adoptAll = QStringLiteral("Adopt All");
inline const QString explanation =
    QStringLiteral("These plugins already exist in the shared install folder, but they are not "
                   "tracked in the installed records yet.");
} // namespace otherChannelText

} // namespace marlox::ui
