#include "InstalledRows.h"

namespace marlox::ui {

using catalog::InstalledPackage;
using catalog::PackageManifest;

QString InstalledRow::title() const {
    return catalog ? catalog->name : installed.id;
}

QList<InstalledRow> installedRows(const catalog::InstalledPackageMap& installedByID,
                                  const QList<PackageManifest>& packages) {
    return installedRows(installedByID, catalog::RecordedEntries(packages));
}

QList<InstalledRow> installedRows(const catalog::InstalledPackageMap& installedByID,
                                  const catalog::RecordedEntries& entries) {
    QList<InstalledPackage> records = installedByID.values();
    catalog::sortByID(records);
    QList<InstalledRow> rows;
    rows.reserve(records.size());
    for (const InstalledPackage& record : records) {
        rows.append({entries.entryFor(record), record});
    }
    return rows;
}

namespace {

QStringList nonEmptyRevealPaths(const InstalledPackage& record) {
    QStringList paths;
    for (const QString& path : QStringList{record.installPath} + record.templateInstallPaths) {
        if (!path.isEmpty()) {
            paths.append(path);
        }
    }
    return paths;
}

QList<DetailBlock> motionTemplateBlocks(const InstalledRow& row) {
    const QString title = QStringLiteral("Motion Template");
    QList<DetailBlock> blocks;
    for (const QString& path : row.installed.templateInstallPaths) {
        blocks.append({title, path});
    }
    if (blocks.isEmpty() && row.catalog) {
        blocks.append(
            {title, row.catalog->hasMotionTemplatePayload()
                        ? QStringLiteral("Expected for this package, but not currently installed.")
                        : QStringLiteral("Not included in this package.")});
    }
    return blocks;
}

QString missingOnDiskMessage(const InstalledRow& row) {
    return row.catalog
               ? QStringLiteral(
                     "Missing on disk. Use Repair or Reinstall All Plugins from the toolbar.")
               : QStringLiteral(
                     "Missing on disk. This install record no longer matches a catalog package.");
}

} // namespace

InstalledCard installedCard(const InstalledRow& row, const InstalledCardContext& context) {
    const InstalledPackage& record = row.installed;
    InstalledCard card;
    card.id = record.id;
    card.title = row.title();
    card.versionText = QLatin1Char('v') + record.version;
    card.expanded = context.showAllDetails || context.expandedPackageIDs.contains(record.id);
    card.detailsSymbol =
        card.expanded ? QStringLiteral("info.circle.fill") : QStringLiteral("info.circle");
    card.detailsHelp =
        card.expanded ? QStringLiteral("Hide details") : QStringLiteral("Show details");
    card.detailsEnabled = !context.showAllDetails;
    card.folderHelp = record.templateInstallPaths.isEmpty()
                          ? QStringLiteral("Open plugin folder")
                          : QStringLiteral("Open plugin and template folders");
    card.revealPaths = nonEmptyRevealPaths(record);
    card.showsRepair = row.catalog.has_value();
    card.operationsEnabled = !context.activePackageIDs.contains(record.id);
    if (!card.expanded) {
        return card;
    }
    card.installedAtText = QStringLiteral("Installed: ") + record.installedAtISO8601;
    card.pluginFolder = {QStringLiteral("Plugin Folder"), record.installPath};
    card.templateBlocks = motionTemplateBlocks(row);
    if (!context.isPresentOnDisk(record.id)) {
        card.missingOnDiskMessage = missingOnDiskMessage(row);
    }
    return card;
}

QSet<QString> toggledExpansion(QSet<QString> expandedPackageIDs, const QString& id) {
    if (!expandedPackageIDs.remove(id)) {
        expandedPackageIDs.insert(id);
    }
    return expandedPackageIDs;
}

} // namespace marlox::ui
