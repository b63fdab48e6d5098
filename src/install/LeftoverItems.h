#pragma once

#include "OwnedPlaces.h"

#include <QSet>
#include <QString>

namespace marlox::install {

// Settles the staging and aside items beside the packages' live paths that no journal names, by
// what their names say: staging items and aside items that do not say what they stand for go; an
// aside item goes back to its live path while the records name that path with the version it
// holds, and goes otherwise. Each is logged.
void settleLeftoverItems(const OwnedPlaces& own, const QSet<QString>& journaledItems);

// Removes the work folders of the cache that a killed run left: those this and earlier versions
// made for copies, expansions and backups. Only at a start, when no operation runs.
void removeCacheWorkFolders();

} // namespace marlox::install
