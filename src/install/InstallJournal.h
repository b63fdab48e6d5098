#pragma once

#include "FxPlugRegistrar.h"
#include "InstallErrors.h"
#include "ItemMoves.h"
#include "RegistrySteps.h"
#include "catalog/InstalledPackage.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::install {

// A journal names three paths for each item its operation moves: the first install of a package
// of 3,000 templates with long names takes 2.3 MB, and this leaves room for three times as many.
// A larger file is not read, and the engine refuses, before it changes anything, an operation
// whose journal would be larger; a start reads its journals on the main thread.
inline constexpr qint64 maximumInstallJournalBytes = 8 * 1024 * 1024;
// One operation runs at a time and every start settles the journals it finds, so one or two wait
// at most. A start reads this many of those whose outcome is still to be reached, the newest
// first, and as many again of those with only deletions left, which a start could not finish, so
// that these never take the places of the others; the rest wait for the next.
inline constexpr qsizetype maximumPendingInstallJournals = 8;

// What one install or removal is about to change on disk, kept in a small JSON file of its own in
// the application-support folder from before its first file is made until its outcome is final.
// A process that dies in between leaves the file behind, and the next start reads it and either
// finishes the operation or puts the previous version back.
class InstallJournal {
public:
    enum class Operation { install, remove };

    // A journal that is not written yet. `previous` is the package's record as it stood when the
    // operation began.
    InstallJournal(Operation operation, QString packageID,
                   std::optional<catalog::InstalledPackage> previous,
                   std::optional<QString> newVersion);

    // A folder the operation fills before making it live, removed whatever the outcome.
    void addStaging(const QString& folder) { m_staging.append(folder); }
    void setMoves(QList<ItemMove> moves) { m_moves = std::move(moves); }
    // Keeps what the registry lists, before the operation changes it, at or below the live paths
    // of the moves and for the plug-in identifiers given, wherever those lie: what an undo
    // registers again.
    void noteRegistrationsBefore(const FxPlugRegistrar& registrar, const QStringList& identifiers);
    const QList<ItemMove>& moves() const { return m_moves; }
    const QString& packageID() const { return m_packageID; }
    const std::optional<catalog::InstalledPackage>& previous() const { return m_previous; }
    // Whether it says that the records hold the operation's outcome.
    bool recordsSaved() const { return m_recordsSaved; }

    // Replaces the journal file as a whole, atomically. Until it is closed, the journal is this
    // process's own, which finishInstallJournal() finishes. A journal larger than a start reads is
    // refused and nothing is written.
    InstallFailure write() const;
    // Undoes the operation that failed: the previous items are put back, the new and the staged
    // ones go, and the registry lists what it listed before.
    void rollBack(const FxPlugRegistrar& registrar) const;
    // Keeps the outcome once the records are saved: the journal says so first, then the plug-ins
    // that left are unregistered, and the previous items kept aside and the staging folders go.
    void finish(const FxPlugRegistrar& registrar) const;
    // Every path it names: the staging folders, the live paths, the aside items and the trash
    // items these become on their way out.
    QStringList namedItems() const;
    // Which way the operation went, once its renames are done.
    enum class Outcome { keptNew, undone };
    // Makes the registry say what the disk now does (registryStepsOf()), unless the journal is
    // marked as settled, which it was before, and does the registry steps an earlier closing left;
    // the steps that failed are saved in the journal first, and where they cannot be, the journal
    // and all it names stay as they are for the next start. Then it deletes what the outcome left
    // and the staging folders, prunes the emptied folders, and removes the journal once nothing
    // it names is left to settle and no registry step is left to do; otherwise the next start
    // tries again, and where only deletions or registry steps are left, it marks the journal as
    // settled.
    void close(const FxPlugRegistrar& registrar, std::optional<Outcome> outcome,
               const QList<PendingDeletion>& deletions) const;

private:
    InstallJournal() = default;
    friend class PendingInstallJournals;

    // ".install-journal-<time>-<UUID>.json", with ".settled" before ".json" once only deletions
    // are left of its outcome.
    QString filePath() const;
    InstallFailure save() const;
    // The renames of each outcome, each answering what is left to delete. Every step looks at the
    // disk first, so doing it again after an interruption goes on where it stopped.
    QList<PendingDeletion> renameBackToPrevious() const;
    // Says first in the journal that the records are saved, unless it says so already, for
    // nothing kept aside may go before; nothing when it cannot.
    std::optional<QList<PendingDeletion>> renameToKeepNew() const;
    // Puts a previous item back at its live path; a failure is logged and leaves it aside.
    void putBack(const QString& aside, const QString& live) const;
    // Where the previous or the new item of a move goes on its way out: a trash item beside it
    // whose name the journal gives, so that a start finds it again.
    QString trashPathOf(qsizetype moveIndex) const;
    // A staging folder, an aside item or a trash item still on disk.
    std::optional<QString> unsettledItem() const;
    // Whether every rename of the outcome is done, so that only deletions are left: no aside
    // item to put back or delete and no staged item to put in place.
    bool hasOnlyDeletionsLeft() const;
    // What makes the registry say what the disk now does, worked out before what left is
    // deleted: a plug-in of an item that left is unregistered where no plug-in took its place,
    // or, after an undo, where the registry did not list it before; and after an undo, what it
    // listed before is registered again where the bundle is back. An undo whose journal does not
    // say what the registry listed registers again every plug-in it put back instead. Those a
    // journal read at a start names are registered again only inside the install folders.
    QList<RegistryStep> registryStepsOf(Outcome outcome) const;
    // Saves the journal with the registry steps left to do, before anything they were worked out
    // from goes; false, logged, when it cannot be saved (a full disk), which leaves the journal
    // on disk as it was: not marked as settled, so that a start settles it again.
    bool keepRegistryStepsLeft(std::optional<Outcome> outcome) const;
    // Keeps the journal for a later start, marked as settled when it is to be. Answers its file
    // as it then stands.
    QString keepForLaterStart(bool settled) const;
    // What is no longer at a move's live path: its trash item, and an aside item still there.
    QStringList itemsThatLeft(qsizetype moveIndex) const;
    // The registrations noted before the operation that an undo registers again.
    QList<PluginRegistration> registrationsToRestore() const;
    // What is left to delete of a journal marked as settled: its trash items.
    QList<PendingDeletion> trashLeft() const;
    // Renames the journal to its settled name, after which no start renames anything for it, and
    // answers that name; nothing, logged, when it cannot.
    std::optional<QString> markSettled() const;
    // The folders an install made or a removal emptied: in the Motion Templates library up to
    // the library, and for a removal up to the user's Applications folder.
    void pruneEmptiedFolders() const;
    // What a journal read at a start removes, the log tells.
    void logRemoval(const QString& path) const;

    // The time it was begun and a UUID: what its file and its trash items are named by.
    QString m_id;
    bool m_settled = false;
    Operation m_operation = Operation::install;
    QString m_packageID;
    std::optional<catalog::InstalledPackage> m_previous;
    std::optional<QString> m_newVersion;
    QStringList m_staging;
    QList<ItemMove> m_moves;
    // Nothing in a journal of an earlier version, which did not note them.
    std::optional<QList<PluginRegistration>> m_registrationsBefore;
    // What an earlier closing could not get the registry to do.
    QList<RegistryStep> m_registryStepsLeft;
    // Set once the records are saved with the operation's outcome, before anything kept aside is
    // deleted.
    bool m_recordsSaved = false;
    bool m_readAtStart = false;
};

// The start-up settling of what a killed run left, before the InstalledPackageStore is made. When
// there is nothing to settle (no journal, no staging, aside or trash item in the install folders
// or the studio's templates folders) it reads nothing more. Otherwise, for each operation that a
// crash interrupted, the newest first and as many as a start reads, it finishes the operation where
// its journal says the records were saved, or where the records no longer hold the record it began
// with; else it puts the previous version back. Of a journal marked as settled it only deletes the
// trash items. A journal that cannot be read, or that names a path no operation of its package
// makes, is logged and dropped without acting on it; one larger than a journal may be is logged
// and kept, unread; a file only named like one is logged and left alone. Then the staging, aside
// and trash items no journal names are settled by their names, in the places OwnedPlaces gives:
// while a journal whose outcome is still to be reached is left unread, the aside items wait, since
// it may need any of them to undo its operation; staging and trash items never hold anything
// needed. Last, the temporary files of unfinished saves of installed.json and of the journal are
// removed. Everything that happens here is a rename; the registry is made to say what the disk
// does, and the trees the settling and the cache's abandoned work folders leave to delete are
// deleted, and the templates folders they alone held pruned, on the pool of low-priority threads,
// which the returned future ends with. The engine's operations wait for it.
// The registrar makes the registry say what the settled disk says (see registryStepsOf()).
QFuture<void> settleAtStartUp(const FxPlugRegistrar& registrar);

// Blocks until the deletions the start left to the background have ended.
void waitForStartUpSettling();

// Once the records of the operations in flight are saved: keeps the outcome of the operations
// this process journaled, unregistering the plug-ins that left and deleting the previous versions
// kept aside. Runs off the main thread; it deletes whole trees.
void finishInstallJournal(const FxPlugRegistrar& registrar);

// Once the records of the operations in flight could not be saved: undoes those operations, the
// newest first, putting their previous versions and registrations back. Operations whose records
// were saved are left as they are. Runs off the main thread.
void rollBackInstallJournal(const FxPlugRegistrar& registrar);

} // namespace marlox::install
