#include "InstallJournal.h"

#include "FileOperations.h"
#include "InstallEngine.h"
#include "LeftoverItems.h"
#include "MotionTemplatesPlacement.h"
#include "OwnedPlaces.h"
#include "base/FileSystem.h"
#include "base/Result.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/JsonFields.h"
#include "catalog/OperationsLog.h"
#include "platform/BackgroundWork.h"
#include "platform/StandardFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <map>

namespace marlox::install {
namespace {

using catalog::InstalledPackage;

const QString journalPrefix = QStringLiteral(".install-journal-");
const QString journalSuffix = QStringLiteral(".json");
const QString recordsSavedKey = QStringLiteral("recordsSaved");

// What an atomic save leaves beside its file when the process dies before the final rename.
QRegularExpression unfinishedSaveOf(const QString& fileNamePattern) {
    return QRegularExpression(QLatin1Char('^') + fileNamePattern +
                              QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

QString operationName(InstallJournal::Operation operation) {
    return operation == InstallJournal::Operation::install ? QStringLiteral("install")
                                                           : QStringLiteral("remove");
}

QString removedLine(const QString& path) {
    return QStringLiteral("Install journal removed: ") + path;
}

QJsonValue optionalText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

// The pending journals, the newest first, so that later operations are undone before earlier
// ones.
QStringList pendingJournalFiles() {
    const QString folder = catalog::applicationSupportDirectory();
    QStringList names = QDir(folder).entryList({journalPrefix + QLatin1Char('*') + journalSuffix},
                                               QDir::Files | QDir::Hidden, QDir::Name);
    std::reverse(names.begin(), names.end());
    QStringList files;
    for (const QString& name : names) {
        files.append(folder + QLatin1Char('/') + name);
    }
    return files;
}

void removeUnfinishedSaves(const QString& folder, const QRegularExpression& pattern) {
    const QStringList names =
        QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (pattern.match(name).hasMatch()) {
            QFile::remove(folder + QLatin1Char('/') + name);
        }
    }
}

// The journals this process wrote and has not closed. They are its own, so once the records are
// saved they are finished as they are in memory; only a start reads journals from disk.
class OwnJournals {
public:
    static OwnJournals& instance() {
        static OwnJournals journals;
        return journals;
    }
    void keep(const QString& file, const InstallJournal& journal) {
        QMutexLocker lock(&m_mutex);
        m_journals.insert_or_assign(file, journal);
    }
    void drop(const QString& file) {
        QMutexLocker lock(&m_mutex);
        m_journals.erase(file);
    }
    void clear() {
        QMutexLocker lock(&m_mutex);
        m_journals.clear();
    }
    // Oldest first, as they were begun.
    QList<InstallJournal> all() const {
        QMutexLocker lock(&m_mutex);
        QList<InstallJournal> journals;
        for (const auto& [file, journal] : m_journals) {
            journals.append(journal);
        }
        return journals;
    }

private:
    mutable QMutex m_mutex;
    // Keyed by file name, which begins with the time the journal was begun.
    std::map<QString, InstallJournal> m_journals;
};

} // namespace

// Why a journal read at a start is not acted on. One too large to be read is kept where it is,
// for what it says may still be read by hand; any other is dropped.
struct RefusedJournal {
    QString reason;
    bool kept = false;
};

// Reads a journal left in the support folder; one that cannot be read, or that names anything no
// operation of its package makes, is refused with the reason.
class PendingInstallJournals {
public:
    static Result<InstallJournal, RefusedJournal> read(const QString& file,
                                                       const OwnedPlaces& own) {
        const RefusedJournal unreadable{QStringLiteral("it cannot be read: ") + file};
        const auto bytes = base::readWholeFile(file, maximumInstallJournalBytes);
        if (!bytes && bytes.error().tooLarge) {
            return RefusedJournal{QStringLiteral("it is larger than %1 MiB and is kept: %2")
                                      .arg(maximumInstallJournalBytes / (1024 * 1024))
                                      .arg(file),
                                  true};
        }
        const QJsonDocument document = bytes ? QJsonDocument::fromJson(*bytes) : QJsonDocument();
        if (!document.isObject()) {
            return unreadable;
        }
        const QJsonObject object = document.object();
        catalog::JsonFields fields(object, QLatin1String("Install journal"));
        InstallJournal journal;
        journal.m_file = file;
        journal.m_readAtStart = true;
        journal.m_packageID = fields.requiredString(QLatin1String("packageID"));
        const QString operation = fields.requiredString(QLatin1String("operation"));
        journal.m_newVersion = fields.optionalString(QLatin1String("toVersion"));
        journal.m_staging =
            fields.optionalStringList(QLatin1String("staging")).value_or(QStringList());
        // Journals of earlier versions do not say it.
        const QJsonValue recordsSaved = object.value(recordsSavedKey);
        journal.m_recordsSaved = recordsSaved.toBool(false);
        const auto previous = catalog::decodeInstalledPackages(
            QJsonDocument(object.value(QLatin1String("previousRecord")).toArray()).toJson());
        if (fields.failed() || !object.value(QLatin1String("previousRecord")).isArray() ||
            !object.value(QLatin1String("moves")).isArray() || !previous || previous->size() > 1 ||
            !(recordsSaved.isBool() || recordsSaved.isUndefined() || recordsSaved.isNull()) ||
            (operation != operationName(InstallJournal::Operation::install) &&
             operation != operationName(InstallJournal::Operation::remove))) {
            return unreadable;
        }
        journal.m_operation = operation == operationName(InstallJournal::Operation::install)
                                  ? InstallJournal::Operation::install
                                  : InstallJournal::Operation::remove;
        if (!previous->isEmpty()) {
            journal.m_previous = previous->first();
        }
        for (const QJsonValue& value : object.value(QLatin1String("moves")).toArray()) {
            // The fields are read from the object by reference, so it must outlive them.
            const QJsonObject moveObject = value.toObject();
            catalog::JsonFields fields(moveObject, QLatin1String("Install journal move"));
            const ItemMove move{fields.requiredString(QLatin1String("live")),
                                fields.optionalString(QLatin1String("staged")),
                                fields.optionalString(QLatin1String("aside"))};
            if (!value.isObject() || fields.failed()) {
                return unreadable;
            }
            journal.m_moves.append(move);
        }
        if (const auto foreign = pathNotItsPackages(journal, own)) {
            return RefusedJournal{QStringLiteral("it names a path its package does not own: ") +
                                  *foreign};
        }
        return journal;
    }

    // The renames of the outcome the operation reached: finished once its records were saved,
    // else undone. Answers what is left to delete; nothing when the journal could not say that
    // its records were saved, which leaves it to the next start.
    static std::optional<QList<PendingDeletion>>
    settle(const InstallJournal& journal, const catalog::InstalledPackageMap& records) {
        if (recordsWereSaved(journal, records)) {
            return journal.renameToKeepNew();
        }
        return journal.renameBackToPrevious();
    }

private:
    // The journal says so once they were. Before that, in the moment between the save and the
    // journal's saying so, the records file tells, where it no longer holds the record the
    // operation began with. A repair may leave it equal; then both outcomes leave that version
    // whole, since nothing kept aside goes before the journal says the records were saved.
    static bool recordsWereSaved(const InstallJournal& journal,
                                 const catalog::InstalledPackageMap& records) {
        if (journal.m_recordsSaved) {
            return true;
        }
        const auto found = records.constFind(journal.m_packageID);
        const std::optional<InstalledPackage> current =
            found == records.constEnd() ? std::nullopt : std::optional(*found);
        return current != journal.m_previous;
    }

    // Only what an operation of the package can have made: its install path, the template paths
    // its record or catalog entries name, and staging and aside items of our kinds beside those.
    static std::optional<QString> pathNotItsPackages(const InstallJournal& journal,
                                                     const OwnedPlaces& own) {
        const QString& packageID = journal.m_packageID;
        const auto hiddenOfKind = [](const QString& path, const QString& prefix) {
            return !hasDotComponent(path) && QFileInfo(path).fileName().startsWith(prefix);
        };
        for (const QString& staging : journal.m_staging) {
            if (!hiddenOfKind(staging, stagingPrefix) ||
                !own.isFolderOf(packageID, QFileInfo(staging).path())) {
                return staging;
            }
        }
        for (const ItemMove& move : journal.m_moves) {
            if (!own.isLivePathOf(packageID, move.live)) {
                return move.live;
            }
            if (move.aside && (!hiddenOfKind(*move.aside, asidePrefix) ||
                               QFileInfo(*move.aside).path() != QFileInfo(move.live).path())) {
                return move.aside;
            }
            // A plug-in's staging folder becomes its install folder whole; templates are staged
            // inside theirs.
            const auto fromStaging = [&](const QString& staging) {
                return QDir::cleanPath(*move.staged) == QDir::cleanPath(staging) ||
                       liesStrictlyInside(*move.staged, staging);
            };
            if (move.staged &&
                std::none_of(journal.m_staging.cbegin(), journal.m_staging.cend(), fromStaging)) {
                return move.staged;
            }
        }
        return std::nullopt;
    }
};

InstallJournal::InstallJournal(Operation operation, QString packageID,
                               std::optional<InstalledPackage> previous,
                               std::optional<QString> newVersion)
    : m_file(catalog::applicationSupportDirectory() + QLatin1Char('/') + journalPrefix +
             QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz")) +
             QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
             journalSuffix),
      m_operation(operation), m_packageID(std::move(packageID)), m_previous(std::move(previous)),
      m_newVersion(std::move(newVersion)) {}

InstallFailure InstallJournal::write() const {
    if (auto failure = save()) {
        return failure;
    }
    OwnJournals::instance().keep(m_file, *this);
    return std::nullopt;
}

InstallFailure InstallJournal::save() const {
    QJsonArray moves;
    for (const ItemMove& move : m_moves) {
        moves.append(QJsonObject{{QStringLiteral("live"), move.live},
                                 {QStringLiteral("staged"), optionalText(move.staged)},
                                 {QStringLiteral("aside"), optionalText(move.aside)}});
    }
    const QList<InstalledPackage> previous =
        m_previous ? QList<InstalledPackage>{*m_previous} : QList<InstalledPackage>{};
    const QJsonObject object{
        {QStringLiteral("packageID"), m_packageID},
        {QStringLiteral("operation"), operationName(m_operation)},
        {QStringLiteral("fromVersion"),
         optionalText(m_previous ? std::optional(m_previous->version) : std::nullopt)},
        {QStringLiteral("toVersion"), optionalText(m_newVersion)},
        {QStringLiteral("previousRecord"),
         QJsonDocument::fromJson(catalog::encodeInstalledPackages(previous)).array()},
        {QStringLiteral("staging"), QJsonArray::fromStringList(m_staging)},
        {QStringLiteral("moves"), moves},
        {recordsSavedKey, m_recordsSaved},
    };
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    if (auto failure = createFolder(QFileInfo(m_file).path())) {
        return failure;
    }
    // A temporary file synced to disk, then renamed over the journal: a journal is whole or
    // absent, and once the folder is synced too, it is there before any item moves.
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        return SystemError{QStringLiteral("Could not write the install journal “%1”: %2")
                               .arg(m_file, file.errorString())};
    }
    base::syncFolder(QFileInfo(m_file).path());
    return std::nullopt;
}

void InstallJournal::rollBack() const {
    close(renameBackToPrevious());
    // Undone or not, it is no more this process's to finish; a start decides what is left.
    OwnJournals::instance().drop(m_file);
}

void InstallJournal::finish() const {
    if (const auto deletions = renameToKeepNew()) {
        close(*deletions);
    } else {
        OwnJournals::instance().drop(m_file);
    }
}

QList<PendingDeletion> InstallJournal::renameBackToPrevious() const {
    QList<PendingDeletion> deletions;
    for (qsizetype index = m_moves.size() - 1; index >= 0; --index) {
        const ItemMove& move = m_moves.at(index);
        // What took the previous item's place, or the staged copy made live where nothing was.
        const bool placed =
            move.aside ? itemExists(*move.aside) : move.staged && !itemExists(*move.staged);
        // The live path is gone only where nothing was before; else the previous item takes it
        // again.
        if (auto deletion =
                moveToTrash(placed ? std::optional(move.live) : std::nullopt, trashPathOf(index),
                            move.aside ? QString() : removedLine(move.live))) {
            deletions.append(*deletion);
        }
        if (move.aside && itemExists(*move.aside) && !moveItem(*move.aside, move.live) &&
            m_readAtStart) {
            catalog::log(QStringLiteral("Install journal put back: ") + move.live);
        }
    }
    return deletions;
}

std::optional<QList<PendingDeletion>> InstallJournal::renameToKeepNew() const {
    if (!m_recordsSaved) {
        InstallJournal saved = *this;
        saved.m_recordsSaved = true;
        if (auto failure = saved.save()) {
            catalog::log(QStringLiteral("Install journal kept: ") + description(*failure));
            return std::nullopt;
        }
    }
    QList<PendingDeletion> deletions;
    for (qsizetype index = 0; index < m_moves.size(); ++index) {
        const ItemMove& move = m_moves.at(index);
        // A staged copy is whole once the moves are journaled; one that a crash kept from its
        // place is put there.
        if (move.staged && itemExists(*move.staged) && !itemExists(move.live)) {
            moveItem(*move.staged, move.live);
        }
        if (auto deletion = moveToTrash(move.aside, trashPathOf(index),
                                        removedLine(move.aside.value_or(move.live)))) {
            deletions.append(*deletion);
        }
    }
    return deletions;
}

QString InstallJournal::trashPathOf(qsizetype moveIndex) const {
    const QString name = QFileInfo(m_file).fileName();
    const QString journalID =
        name.mid(journalPrefix.size(), name.size() - journalPrefix.size() - journalSuffix.size());
    return trashPathBeside(m_moves.at(moveIndex).live,
                           journalID + QLatin1Char('-') + QString::number(moveIndex));
}

void InstallJournal::close(const QList<PendingDeletion>& deletions) const {
    // Only a journal read at a start tells what it removes; an operation's own outcome is its
    // log line.
    QList<PendingDeletion> told = deletions;
    for (PendingDeletion& deletion : told) {
        if (!m_readAtStart) {
            deletion.loggedAs.clear();
        }
    }
    deleteItems(told);
    for (const QString& staging : m_staging) {
        if (!itemExists(staging)) {
            continue;
        }
        removeQuietly(staging);
        // A tool killed with the process that ran it may still have made one last entry.
        if (itemExists(staging)) {
            removeQuietly(staging);
        }
        if (!itemExists(staging)) {
            logRemoval(staging);
        }
    }
    pruneEmptiedFolders();
    if (const auto left = unsettledItem()) {
        catalog::log(QStringLiteral("Install journal kept: an item it names is still there: ") +
                     *left);
        return;
    }
    // Last: until the journal is gone, the next start does all of this again.
    QFile::remove(m_file);
    OwnJournals::instance().drop(m_file);
}

void InstallJournal::logRemoval(const QString& path) const {
    if (m_readAtStart) {
        catalog::log(removedLine(path));
    }
}

std::optional<QString> InstallJournal::unsettledItem() const {
    for (const QString& staging : m_staging) {
        if (itemExists(staging)) {
            return staging;
        }
    }
    for (qsizetype index = 0; index < m_moves.size(); ++index) {
        const ItemMove& move = m_moves.at(index);
        if (move.aside && itemExists(*move.aside)) {
            return move.aside;
        }
        if (itemExists(trashPathOf(index))) {
            return trashPathOf(index);
        }
    }
    return std::nullopt;
}

QStringList InstallJournal::namedItems() const {
    QStringList items = m_staging;
    for (qsizetype index = 0; index < m_moves.size(); ++index) {
        const ItemMove& move = m_moves.at(index);
        items.append(move.live);
        if (move.aside) {
            items.append(*move.aside);
        }
        items.append(trashPathOf(index));
    }
    return items;
}

void InstallJournal::pruneEmptiedFolders() const {
    QStringList gone = m_staging;
    for (const ItemMove& move : m_moves) {
        if (!itemExists(move.live)) {
            gone.append(move.live);
        }
    }
    for (const QString& path : gone) {
        std::optional<QStringList> removed = pruneEmptiedLibraryFolders(path);
        if (!removed && m_operation == Operation::remove) {
            removed = InstallEngine::pruneEmptyDirectories(QFileInfo(QDir::cleanPath(path)).path(),
                                                           platform::userApplicationsFolder());
        }
        for (const QString& folder : removed.value_or(QStringList())) {
            logRemoval(folder);
        }
    }
}

namespace {

// What the start leaves to the background, in the order it runs: the journals to close, each
// deleting what its outcome left before it goes; the items no journal names; last the journals
// refused, so that until all is deleted a killed run leaves each journal for the next start.
struct StartUpSettling {
    QList<std::pair<InstallJournal, QList<PendingDeletion>>> journals;
    QStringList droppedJournals;
    QList<PendingDeletion> deletions;

    bool isEmpty() const {
        return journals.isEmpty() && droppedJournals.isEmpty() && deletions.isEmpty();
    }
    void run() const {
        for (const auto& [journal, journalDeletions] : journals) {
            journal.close(journalDeletions);
        }
        deleteLeftoverItems(deletions);
        for (const QString& file : droppedJournals) {
            QFile::remove(file);
        }
    }
};

class StartUpSettlingInProgress {
public:
    static StartUpSettlingInProgress& instance() {
        static StartUpSettlingInProgress settling;
        return settling;
    }
    void set(const QFuture<void>& future) {
        QMutexLocker lock(&m_mutex);
        m_future = future;
    }
    QFuture<void> get() const {
        QMutexLocker lock(&m_mutex);
        return m_future;
    }

private:
    mutable QMutex m_mutex;
    QFuture<void> m_future;
};

// Settles the journals left on disk, the newest first, so that later operations are undone
// before earlier ones; then what no journal names.
void settleJournalsAndLeftovers(StartUpSettling& settling) {
    QStringList files = pendingJournalFiles();
    if (files.isEmpty() && !ownedFoldersHoldLeftoverItems()) {
        return;
    }
    const qsizetype waiting = std::max<qsizetype>(files.size() - maximumPendingInstallJournals, 0);
    if (waiting > 0) {
        files.resize(maximumPendingInstallJournals);
        catalog::log(QStringLiteral("Install journals left for the next start: %1").arg(waiting));
    }
    const OwnedPlaces own = OwnedPlaces::read();
    QSet<QString> journaledItems;
    for (const QString& file : files) {
        auto journal = PendingInstallJournals::read(file, own);
        if (!journal) {
            catalog::log(QStringLiteral("Install journal ignored: ") + journal.error().reason);
            if (!journal.error().kept) {
                settling.droppedJournals.append(file);
            }
            continue;
        }
        if (const auto deletions = PendingInstallJournals::settle(*journal, own.records())) {
            settling.journals.append({*journal, *deletions});
        }
        for (const QString& item : journal->namedItems()) {
            journaledItems.insert(QDir::cleanPath(item));
        }
    }
    // A journal left unread may name any item, so those wait with it.
    if (waiting == 0) {
        settling.deletions.append(settleLeftoverItems(own, journaledItems));
    }
}

} // namespace

QFuture<void> settleAtStartUp() {
    // A settling begun earlier in this process ends first.
    waitForStartUpSettling();
    // At a start no journal is this process's own; what is on disk is all there is.
    OwnJournals::instance().clear();
    StartUpSettling settling;
    settleJournalsAndLeftovers(settling);
    removeUnfinishedSaves(QFileInfo(catalog::installedRecordsFileURL()).path(),
                          unfinishedSaveOf(QStringLiteral("installed\\.json")));
    removeUnfinishedSaves(
        catalog::applicationSupportDirectory(),
        unfinishedSaveOf(QRegularExpression::escape(journalPrefix) + QStringLiteral(".*\\.json")));
    settling.deletions.append(abandonedCacheWorkFolders());
    if (settling.isEmpty()) {
        return QtFuture::makeReadyFuture();
    }
    const QFuture<void> future =
        QtConcurrent::run(platform::utilityThreadPool(), [settling] { settling.run(); });
    StartUpSettlingInProgress::instance().set(future);
    return future;
}

void waitForStartUpSettling() {
    QFuture<void> future = StartUpSettlingInProgress::instance().get();
    future.waitForFinished();
}

void finishInstallJournal() {
    for (const InstallJournal& journal : OwnJournals::instance().all()) {
        journal.finish();
    }
}

} // namespace marlox::install
