#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>

namespace marlox::install {

// Where this application's operations put a package's items, as told by what the application
// keeps itself: the install folders, the installed records and the catalogs it has read; and the
// studio's own folder in each type folder of the Motion Templates library, which is the
// application's whatever a catalog says. A journal is checked against it and never trusted on
// its own.
class OwnedPlaces {
public:
    // The records on disk, the built-in catalog and the cached copy of the remote one.
    static OwnedPlaces read();
    OwnedPlaces(catalog::InstalledPackageMap records,
                const QList<catalog::PackageManifest>& catalogPackages);

    // The install folder and the older one, where the packages' own folders lie.
    static QStringList installRoots();
    // The studio's own folders in the type folders of the Motion Templates library as they are
    // on disk, and the folders directly inside them: where its templates lie, in a category
    // folder or not. A fixed depth, so that finding them reads a few folders, never the user's
    // whole library; links are left out.
    static QStringList studioTemplateFolders();

    const catalog::InstalledPackageMap& records() const { return m_records; }
    // An install folder followed by the id, a template path the package's record names, or a
    // visible item directly inside a template folder of one of its catalog entries or anywhere
    // in a studio's templates folder.
    bool isLivePathOf(const QString& packageID, const QString& path) const;
    // Where the package's staging and aside items lie: beside the live paths above.
    bool isFolderOf(const QString& packageID, const QString& folder) const;
    // Those folders of every package, and the studio's templates folders.
    QStringList folders() const;

private:
    QStringList foldersOf(const QString& packageID) const;

    catalog::InstalledPackageMap m_records;
    QStringList m_installRoots;
    QMultiHash<QString, QString> m_catalogTemplateFolders;
};

} // namespace marlox::install
