#include "LeftoverItems.h"

#include "FileOperations.h"
#include "ItemMoves.h"
#include "catalog/Environment.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"

#include <QDir>

namespace marlox::install {
namespace {

// The work folders that earlier versions made directly in the cache.
const QStringList cacheWorkFolderPatterns = {
    QStringLiteral("payload-stage-*"), QStringLiteral("payload-expand-*"),
    QStringLiteral("template-expand-*"), QStringLiteral("backup-*")};

QStringList entriesMatching(const QString& folder, const QStringList& patterns) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList(
             patterns, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        paths.append(folder + QLatin1Char('/') + name);
    }
    return paths;
}

void removeLeftover(const QString& path) {
    if (auto failure = removeItem(path)) {
        catalog::log(QStringLiteral("Left-over item could not be removed: ") +
                     description(*failure));
    } else {
        catalog::log(QStringLiteral("Left-over item removed: ") + path);
    }
}

// The version a record gives the live path; nothing when no record names it.
std::optional<QString> recordedVersionAt(const OwnedPlaces& own, const QString& live) {
    for (const catalog::InstalledPackage& record : own.records()) {
        if (own.isLivePathOf(record.id, live) && (QDir::cleanPath(record.installPath) == live ||
                                                  record.templateInstallPaths.contains(live))) {
            return record.version;
        }
    }
    return std::nullopt;
}

void settleAside(const OwnedPlaces& own, const QString& folder, const QString& path) {
    const std::optional<AsideName> name = readAsideName(QFileInfo(path).fileName());
    // A name that does not say where it belongs, or points at a hidden item, cannot be put back.
    if (!name || name->liveName.startsWith(QLatin1Char('.'))) {
        removeLeftover(path);
        return;
    }
    const QString live = folder + QLatin1Char('/') + name->liveName;
    if (!name->heldVersion || recordedVersionAt(own, live) != name->heldVersion) {
        removeLeftover(path);
        return;
    }
    // What took its place is not what the records say is there.
    InstallFailure failure = itemExists(live) ? removeItem(live) : std::nullopt;
    if (!failure) {
        failure = moveItem(path, live);
    }
    catalog::log(failure ? QStringLiteral("Left-over item could not be put back: ") +
                               description(*failure)
                         : QStringLiteral("Left-over item put back: ") + live);
}

} // namespace

void settleLeftoverItems(const OwnedPlaces& own, const QSet<QString>& journaledItems) {
    for (const QString& folder : own.folders()) {
        for (const QString& path : entriesMatching(
                 folder, {stagingPrefix + QLatin1Char('*'), asidePrefix + QLatin1Char('*')})) {
            if (journaledItems.contains(path)) {
                continue;
            }
            if (QFileInfo(path).fileName().startsWith(stagingPrefix)) {
                removeLeftover(path);
            } else {
                settleAside(own, folder, path);
            }
        }
    }
}

void removeCacheWorkFolders() {
    for (const QString& path :
         entriesMatching(catalog::cacheDirectory(), cacheWorkFolderPatterns)) {
        removeLeftover(path);
    }
    catalog::removeUnfinishedExpansions();
}

} // namespace marlox::install
