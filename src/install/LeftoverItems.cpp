#include "LeftoverItems.h"

#include "FileOperations.h"
#include "ItemMoves.h"
#include "MotionTemplatesPlacement.h"
#include "catalog/Environment.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace marlox::install {
namespace {

// The work folders that earlier versions made directly in the cache: a prefix and an upper-case
// UUID.
const QStringList cacheWorkFolderPrefixes = {
    QStringLiteral("payload-stage-"), QStringLiteral("payload-expand-"),
    QStringLiteral("template-expand-"), QStringLiteral("backup-")};

bool isCacheWorkFolderName(const QString& name) {
    return std::any_of(
        cacheWorkFolderPrefixes.cbegin(), cacheWorkFolderPrefixes.cend(),
        [&](const QString& prefix) { return isPrefixedUpperCaseUuid(name, prefix); });
}

// The names of the items an operation works with beside the live paths.
bool isWorkItemName(const QString& name) {
    return isStagingItemName(name) || isAsideItemName(name) || isTrashItemName(name);
}

// The entries of a folder whose names the predicate takes, hidden ones included.
template <typename NamePredicate>
QStringList entriesNamed(const QString& folder, NamePredicate isTaken) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot)) {
        if (isTaken(name)) {
            paths.append(folder + QLatin1Char('/') + name);
        }
    }
    return paths;
}

// The live path an aside item goes back to; nothing when it is not to be put back.
std::optional<QString> liveToPutBack(const OwnedPlaces& own, const QString& folder,
                                     const QString& path) {
    const std::optional<AsideName> name = readAsideName(QFileInfo(path).fileName());
    // A name that does not say where it belongs, or points at a hidden item, cannot be put back.
    if (!name || name->liveName.startsWith(QLatin1Char('.')) || !name->heldVersion) {
        return std::nullopt;
    }
    const QString live = folder + QLatin1Char('/') + name->liveName;
    if (own.recordedVersionAt(live) != name->heldVersion) {
        return std::nullopt;
    }
    return live;
}

void settleAside(const OwnedPlaces& own, const QString& folder, const QString& path,
                 QList<PendingDeletion>& deletions) {
    const std::optional<QString> live = liveToPutBack(own, folder, path);
    // Out of the aside kind first, so that one cut short in its deletion is never put back; or
    // what took its place, which is not what the records say is there.
    const QString leaving = live.value_or(path);
    if (auto deletion = moveToTrash(leaving, trashPathBeside(leaving),
                                    live ? QString() : leftoverRemovalLine(path))) {
        deletions.append(*deletion);
    }
    if (!live) {
        return;
    }
    const InstallFailure failure = moveItem(path, *live);
    catalog::log(failure ? QStringLiteral("Left-over item could not be put back: ") +
                               description(*failure)
                         : QStringLiteral("Left-over item put back: ") + *live);
}

} // namespace

bool ownedFoldersHoldLeftoverItems() {
    const QStringList folders =
        OwnedPlaces::installRoots() + OwnedPlaces::studioTemplateFoldersOfAnyType();
    return std::any_of(folders.cbegin(), folders.cend(), [&](const QString& folder) {
        return !entriesNamed(folder, isWorkItemName).isEmpty();
    });
}

QList<PendingDeletion> settleLeftoverItems(const OwnedPlaces& own,
                                           const QSet<QString>& journaledItems,
                                           LeftoverAsides asides) {
    QList<PendingDeletion> deletions;
    for (const QString& folder : own.folders()) {
        for (const QString& path : entriesNamed(folder, isWorkItemName)) {
            if (journaledItems.contains(path)) {
                continue;
            }
            // A link may point anywhere; it never takes the place of anything. Staging and trash
            // items are never the only copy of anything.
            if (isAsideItemName(QFileInfo(path).fileName()) && !QFileInfo(path).isSymLink()) {
                if (asides == LeftoverAsides::settle) {
                    settleAside(own, folder, path, deletions);
                }
            } else {
                deletions.append({path, leftoverRemovalLine(path)});
            }
        }
    }
    return deletions;
}

void deleteLeftoverItems(const QList<PendingDeletion>& deletions) {
    deleteItems(deletions);
    for (const PendingDeletion& deletion : deletions) {
        for (const QString& pruned :
             pruneEmptiedLibraryFolders(deletion.path).value_or(QStringList())) {
            catalog::log(leftoverRemovalLine(pruned));
        }
    }
}

QList<PendingDeletion> abandonedCacheWorkFolders() {
    QList<PendingDeletion> deletions;
    for (const QString& path : entriesNamed(catalog::cacheDirectory(), isCacheWorkFolderName) +
                                   catalog::unfinishedExpansions()) {
        deletions.append({path, leftoverRemovalLine(path)});
    }
    return deletions;
}

} // namespace marlox::install
