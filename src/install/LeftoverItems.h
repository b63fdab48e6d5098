#pragma once

#include "ItemMoves.h"
#include "OwnedPlaces.h"

#include <QList>
#include <QSet>
#include <QString>

namespace marlox::install {

// Whether an install folder or a studio's templates folder holds a staging, aside or trash item:
// what a start looks for before it reads what settling needs.
bool ownedFoldersHoldLeftoverItems();

// Whether aside items are settled by their names, or wait for a journal left unread.
enum class LeftoverAsides { settle, keep };

// Settles the staging, aside and trash items beside the packages' live paths that no journal
// names, by what their names say: an aside item goes back to its live path while the records name
// that path with the version it holds and it is no symbolic link; every other item goes. Each is
// logged. What goes is first renamed out of the aside kind; answers what is left to delete.
QList<PendingDeletion> settleLeftoverItems(const OwnedPlaces& own,
                                           const QSet<QString>& journaledItems,
                                           LeftoverAsides asides);

// Deletes the items, then prunes the folders of the Motion Templates library that they alone
// held, as a removal does.
void deleteLeftoverItems(const QList<PendingDeletion>& deletions);

// The work folders of the cache that a killed run left: those this and earlier versions made for
// copies, expansions and backups. Only at a start, when no operation runs.
QList<PendingDeletion> abandonedCacheWorkFolders();

} // namespace marlox::install
