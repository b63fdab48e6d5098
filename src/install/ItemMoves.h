#pragma once

#include "InstallErrors.h"
#include "catalog/InstalledPackage.h"

#include <QList>
#include <QString>

#include <optional>

namespace marlox::install {

// Hidden names, so that no scan of the shared plug-in folder or the Motion Templates library ever
// takes a half-made or set-aside copy for a package.
inline const QString stagingPrefix = QStringLiteral(".marlox-staging-");
inline const QString asidePrefix = QStringLiteral(".marlox-aside-");
// What is on its way to deletion. An item is renamed to this kind before it is deleted, so that
// one cut short in the middle never reads as a whole one by its name: a start only removes it.
inline const QString trashPrefix = QStringLiteral(".marlox-trash-");

// A new staging path in the folder: the prefix and a new upper-case UUID. What a staging item
// holds is on its way in, never the only copy of anything.
QString newStagingPath(const QString& folder);
// Whether the name is one the engine gives a staging, aside or trash item, exactly: its prefix,
// its upper-case UUID and, for an aside or trash item, the rest in the shape the engine writes.
// Only such names are the application's; one that merely looks alike is the user's.
bool isStagingItemName(const QString& name);
bool isAsideItemName(const QString& name);
bool isTrashItemName(const QString& name);
// An upper-case UUID in its standard text form, as the engine and its journals write one.
inline const QString upperCaseUuidPattern =
    QStringLiteral("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
bool isUpperCaseUuid(QStringView text);
// The prefix followed by an upper-case UUID and nothing else: how the engine names the folders it
// works in.
bool isPrefixedUpperCaseUuid(const QString& name, const QString& prefix);
// A journal's id, which its file and its trash items carry: the time it was begun, to the
// millisecond, and an upper-case UUID.
inline const QString journalIdPattern = QStringLiteral("[0-9]{17}-") + upperCaseUuidPattern;
// The trash path beside the item: the prefix and the tag, which a journal derives from its own
// name so that a later start finds the item again; a new upper-case UUID without one.
QString trashPathBeside(const QString& item, const std::optional<QString>& tag = std::nullopt);

// What the name of an aside item says, so that a start can settle it without a journal.
struct AsideName {
    // The name of the live path beside it, where it goes back.
    QString liveName;
    // The version whose record named that live path when it was set aside; none when no record
    // named it.
    std::optional<QString> heldVersion;

    bool operator==(const AsideName&) const = default;
};
// ".marlox-aside-<UUID>-<held version, percent-encoded>-<live name>" beside the live path. When
// that is too long for the file system, ".marlox-aside-<UUID>" alone, as earlier versions named
// every aside item: only a journal then tells what it stands for.
QString newAsidePath(const QString& live, const std::optional<QString>& heldVersion);
// Nothing for a name that is no aside item's or that does not say what it stands for.
std::optional<AsideName> readAsideName(const QString& fileName);

// One item an operation replaces by renames only. What is at `live` is kept under `aside`, a
// hidden name in the same folder (none when nothing was there), and the staged copy, when there
// is one, takes its place.
struct ItemMove {
    QString live;
    std::optional<QString> staged;
    std::optional<QString> aside;

    bool operator==(const ItemMove&) const = default;
};

// Gives every move whose live path holds something an aside path beside it, naming the record's
// version where the record names that path.
void planAsides(QList<ItemMove>& moves, const std::optional<catalog::InstalledPackage>& record);
// An item to delete once it is out of the way, and the log line that says it is gone (none when
// the log says nothing).
struct PendingDeletion {
    QString path;
    QString loggedAs;

    bool operator==(const PendingDeletion&) const = default;
};
// What a start logs of an item it deletes: the journal that named it, or its name alone.
QString journalRemovalLine(const QString& path);
QString leftoverRemovalLine(const QString& path);
// Deletes each item; a failure is logged and leaves the rest to go on.
void deleteItems(const QList<PendingDeletion>& deletions);
// Renames the item, when it is there, to the trash path, and answers that for deletion when it
// is there, renamed now or by an earlier settling that was cut short. A rename that fails is
// logged and leaves the item where it is.
std::optional<PendingDeletion> moveToTrash(const QString& item, const QString& trash,
                                           const QString& loggedAs);
// The trash path for deletion when an earlier settling, cut short, left an item there.
std::optional<PendingDeletion> trashLeftAt(const QString& trash, const QString& loggedAs);

// Renames every previous item aside, then every staged item into its place; stops at the first
// failure, which the operation's journal then undoes.
InstallFailure makeLive(const QList<ItemMove>& moves);

} // namespace marlox::install
