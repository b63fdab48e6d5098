#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"

#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::install {

// Where this application's operations put a package's items, as told by what the application
// keeps itself: the install folders, the installed records and the catalogs it has read; and the
// studio's own folder in the type folders of the Motion Templates library the engine writes into,
// which is the application's whatever a catalog says. One definition serves both what a start
// settles: a journal is checked against it and never trusted on its own, and items no journal
// names are looked for only there. Nothing in the library is reached through a link.
class OwnedPlaces {
public:
    // The records on disk, the built-in catalog and the cached copy of the remote one.
    static OwnedPlaces read();
    OwnedPlaces(catalog::InstalledPackageMap records,
                const QList<catalog::PackageManifest>& catalogPackages);

    // The install folder and the older one, where the packages' own folders lie.
    static QStringList installRoots();
    // The studio's folders in every type folder of the library, whether the engine writes there or
    // not: where a start looks for left-over items before it reads what tells it more.
    static QStringList studioTemplateFoldersOfAnyType();

    const catalog::InstalledPackageMap& records() const { return m_records; }
    // An install folder followed by the id, a template path the package's record names, or a
    // visible item directly inside a template folder of one of its catalog entries or anywhere
    // in a studio's templates folder.
    bool isLivePathOf(const QString& packageID, const QString& path) const;
    // Where the package's staging and aside items lie: beside the live paths above.
    bool isFolderOf(const QString& packageID, const QString& folder) const;
    // The version whose record names the live path, as its install folder or a template item;
    // nothing when no record names it.
    std::optional<QString> recordedVersionAt(const QString& live) const;
    // Those folders of every package, and the studio's templates folders in the type folders the
    // engine writes into: where a start settles items by their names.
    QStringList folders() const;
    // The studio's folder in a type folder the engine writes into, or a folder below it.
    bool isStudioTemplatesFolder(const QString& folder) const;

private:
    QStringList foldersOf(const QString& packageID) const;

    catalog::InstalledPackageMap m_records;
    QStringList m_installRoots;
    QMultiHash<QString, QString> m_catalogTemplateFolders;
    // Worked out once, for a start asks for them for every item of a package.
    QHash<QString, QSet<QString>> m_recordedTemplatePaths;
    QHash<QString, QString> m_versionAtLivePath;
    // The type folders of the library the engine writes into: the library's own, and the first
    // folder of every catalog's or record's template path whose second is the studio's.
    QStringList m_typeFolders;
};

} // namespace marlox::install
