#pragma once

#include "InstallErrors.h"
#include "ItemMoves.h"
#include "catalog/InstalledPackage.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::install {

// What one install or removal is about to change on disk, kept in a small JSON file of its own in
// the application-support folder from before its first file is made until its outcome is final.
// A process that dies in between leaves the file behind, and the next start reads it and either
// finishes the operation or puts the previous version back.
class InstallJournal {
public:
    enum class Operation { install, remove };

    // A journal that is not written yet. `previous` is the package's record as it stood when the
    // operation began; the records then tell whether the operation was completed.
    InstallJournal(Operation operation, QString packageID,
                   std::optional<catalog::InstalledPackage> previous,
                   std::optional<QString> newVersion);

    // A folder the operation fills before making it live, removed whatever the outcome.
    void addStaging(const QString& folder) { m_staging.append(folder); }
    void setMoves(QList<ItemMove> moves) { m_moves = std::move(moves); }
    const QList<ItemMove>& moves() const { return m_moves; }
    const QString& packageID() const { return m_packageID; }
    const std::optional<catalog::InstalledPackage>& previous() const { return m_previous; }

    // Replaces the journal file as a whole, atomically. Until it is closed, the journal is this
    // process's own, which finishInstallJournal() finishes.
    InstallFailure write() const;
    // Undoes the operation: the previous items are put back, the new and the staged ones go.
    void rollBack() const;
    // Keeps the outcome: the previous items kept aside and the staging folders go.
    void finish() const;
    // Every path it names: the staging folders, the live paths and the aside items.
    QStringList namedItems() const;

private:
    InstallJournal() = default;
    // What both outcomes end with: the staging folders and the emptied folders go, and the
    // journal once nothing it names is left to settle; otherwise the next start tries again.
    void close() const;
    // A staging folder or an aside item still on disk.
    std::optional<QString> unsettledItem() const;
    // The folders an install made or a removal emptied: in the Motion Templates library up to
    // the library, and for a removal up to the user's Applications folder.
    void pruneEmptiedFolders() const;
    friend class PendingInstallJournals;

    QString m_file;
    Operation m_operation = Operation::install;
    QString m_packageID;
    std::optional<catalog::InstalledPackage> m_previous;
    std::optional<QString> m_newVersion;
    QStringList m_staging;
    QList<ItemMove> m_moves;
};

// The entry point of start-up. It must run before the InstalledPackageStore is made: for every
// operation that a crash interrupted, the records file decides: where it still holds the record
// the operation began with, the previous version is put back; otherwise the operation is
// finished. A journal that cannot be read, or that names a path no operation of its package
// makes, is logged and dropped without acting on it. Then the staging and aside items no journal
// names are settled by their names, and the temporary files of unfinished saves of installed.json
// and of the journal and the cache's abandoned work folders are removed.
void replayInstallJournal();

// Once the records of the operations in flight are saved: keeps the outcome of the operations
// this process journaled, deleting the previous versions kept aside. Runs off the main thread; it
// deletes whole trees.
void finishInstallJournal();

} // namespace marlox::install
