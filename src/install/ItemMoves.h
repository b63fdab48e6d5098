#pragma once

#include "InstallErrors.h"

#include <QList>
#include <QString>

#include <optional>

namespace marlox::install {

// Hidden names, so that no scan of the shared plug-in folder or the Motion Templates library ever
// takes a half-made or set-aside copy for a package.
inline const QString stagingPrefix = QStringLiteral(".marlox-staging-");
inline const QString asidePrefix = QStringLiteral(".marlox-aside-");

// A new hidden path in the folder: the prefix and a new upper-case UUID.
QString newHiddenPath(const QString& folder, const QString& prefix);

// One item an operation replaces by renames only. What is at `live` is kept under `aside`, a
// hidden name in the same folder (none when nothing was there), and the staged copy, when there
// is one, takes its place.
struct ItemMove {
    QString live;
    std::optional<QString> staged;
    std::optional<QString> aside;

    bool operator==(const ItemMove&) const = default;
};

// Gives every move whose live path holds something an aside path beside it.
void planAsides(QList<ItemMove>& moves);
// Renames every previous item aside, then every staged item into its place. A failure undoes
// what was done.
InstallFailure makeLive(const QList<ItemMove>& moves);
// Puts the previous items back where the new ones were placed. Every step looks at the disk
// first, so running it again after an interruption finishes the work.
void undoMoves(const QList<ItemMove>& moves);
// Deletes the previous items kept aside; a failure is logged and leaves the rest in place.
void discardAsides(const QList<ItemMove>& moves);

} // namespace marlox::install
