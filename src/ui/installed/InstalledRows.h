#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "catalog/InstalledPackageStore.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace marlox::ui {

// One card of the Installed screen: a record and the catalog package it stands for, if any.
struct InstalledRow {
    std::optional<catalog::PackageManifest> catalog;
    catalog::InstalledPackage installed;

    // The package's name, or the record's id when the catalog no longer lists it.
    QString title() const;
};

// Every record, by id, each joined to the catalog entry it stands for (catalog::RecordedEntries).
QList<InstalledRow> installedRows(const catalog::InstalledPackageMap& installedByID,
                                  const QList<catalog::PackageManifest>& packages);
// The same over the entries made once per catalog.
QList<InstalledRow> installedRows(const catalog::InstalledPackageMap& installedByID,
                                  const catalog::RecordedEntries& entries);

struct DetailBlock {
    QString title;
    QString value;

    bool operator==(const DetailBlock&) const = default;
};

// What a card shows, given the screen's switches and the coordinator's active set.
struct InstalledCard {
    QString id;
    QString title;
    QString versionText;
    bool expanded = false;

    QString detailsSymbol;
    QString detailsHelp;
    bool detailsEnabled = true;
    QString folderHelp;
    // One reveal per path, the plug-in folder first; empty paths are left out.
    QStringList revealPaths;
    // Repair is offered only for a record that matches a catalog package.
    bool showsRepair = false;
    // Repair and Remove, while no operation on this id runs.
    bool operationsEnabled = true;

    // Filled only when expanded.
    QString installedAtText;
    DetailBlock pluginFolder;
    QList<DetailBlock> templateBlocks;
    std::optional<QString> missingOnDiskMessage;

    bool operator==(const InstalledCard&) const = default;
};

struct InstalledCardContext {
    bool showAllDetails = false;
    QSet<QString> expandedPackageIDs;
    QSet<QString> activePackageIDs;
    // Asked only for expanded cards.
    std::function<bool(const QString& id)> isPresentOnDisk;
};

InstalledCard installedCard(const InstalledRow& row, const InstalledCardContext& context);

// The details button: removes the id when present, else adds it.
QSet<QString> toggledExpansion(QSet<QString> expandedPackageIDs, const QString& id);

namespace installedText {
inline const QString showAllDetailsKey = QStringLiteral("installed.showAllDetails");
inline const QString emptyState =
    QStringLiteral("No products installed yet. Open Plugins to install your first product.");
inline const QString repair = QStringLiteral("Repair");
inline const QString remove = QStringLiteral("Remove");
} // namespace installedText

} // namespace marlox::ui
