#include "InstallJournal.h"

#include "FileOperations.h"
#include "InstallEngine.h"
#include "LeftoverItems.h"
#include "MotionTemplatesPlacement.h"
#include "OwnedPlaces.h"
#include "base/FileSystem.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/JsonFields.h"
#include "catalog/OperationsLog.h"
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

#include <algorithm>
#include <map>

namespace marlox::install {
namespace {

using catalog::InstalledPackage;

const QString journalPrefix = QStringLiteral(".install-journal-");
const QString journalSuffix = QStringLiteral(".json");

// What an atomic save leaves beside its file when the process dies before the final rename.
QRegularExpression unfinishedSaveOf(const QString& fileNamePattern) {
    return QRegularExpression(QLatin1Char('^') + fileNamePattern +
                              QStringLiteral("\\.[A-Za-z0-9]{6}$"));
}

QString operationName(InstallJournal::Operation operation) {
    return operation == InstallJournal::Operation::install ? QStringLiteral("install")
                                                           : QStringLiteral("remove");
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

// Reads a journal left in the support folder; one that cannot be read, or that names anything no
// operation of its package makes, is refused with the reason.
class PendingInstallJournals {
public:
    static std::optional<InstallJournal> read(const QString& file, const OwnedPlaces& own,
                                              QString& refusal) {
        refusal = QStringLiteral("it cannot be read: ") + file;
        QFile input(file);
        if (!input.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        const QJsonDocument document = QJsonDocument::fromJson(input.readAll());
        if (!document.isObject()) {
            return std::nullopt;
        }
        const QJsonObject object = document.object();
        catalog::JsonFields fields(object, QLatin1String("Install journal"));
        InstallJournal journal;
        journal.m_file = file;
        journal.m_packageID = fields.requiredString(QLatin1String("packageID"));
        const QString operation = fields.requiredString(QLatin1String("operation"));
        journal.m_newVersion = fields.optionalString(QLatin1String("toVersion"));
        journal.m_staging =
            fields.optionalStringList(QLatin1String("staging")).value_or(QStringList());
        const auto previous = catalog::decodeInstalledPackages(
            QJsonDocument(object.value(QLatin1String("previousRecord")).toArray()).toJson());
        if (fields.failed() || !object.value(QLatin1String("previousRecord")).isArray() ||
            !object.value(QLatin1String("moves")).isArray() || !previous || previous->size() > 1 ||
            (operation != operationName(InstallJournal::Operation::install) &&
             operation != operationName(InstallJournal::Operation::remove))) {
            return std::nullopt;
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
                return std::nullopt;
            }
            journal.m_moves.append(move);
        }
        if (const auto foreign = pathNotItsPackages(journal, own)) {
            refusal = QStringLiteral("it names a path its package does not own: ") + *foreign;
            return std::nullopt;
        }
        return journal;
    }

private:
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
            const auto inStaging = [&](const QString& staging) {
                return liesStrictlyInside(*move.staged, staging);
            };
            if (move.staged &&
                std::none_of(journal.m_staging.cbegin(), journal.m_staging.cend(), inStaging)) {
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
    OwnJournals::instance().keep(m_file, *this);
    return std::nullopt;
}

void InstallJournal::rollBack() const {
    undoMoves(m_moves);
    close();
    // Undone or not, it is no more this process's to finish; a start decides what is left.
    OwnJournals::instance().drop(m_file);
}

void InstallJournal::finish() const {
    // A staged copy is whole once the moves are journaled; one that a crash kept from its place
    // is put there.
    for (const ItemMove& move : m_moves) {
        if (move.staged && itemExists(*move.staged) && !itemExists(move.live)) {
            moveItem(*move.staged, move.live);
        }
    }
    discardAsides(m_moves);
    close();
}

void InstallJournal::close() const {
    for (const QString& staging : m_staging) {
        removeQuietly(staging);
        // A tool killed with the process that ran it may still have made one last entry.
        if (itemExists(staging)) {
            removeQuietly(staging);
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

std::optional<QString> InstallJournal::unsettledItem() const {
    for (const QString& staging : m_staging) {
        if (itemExists(staging)) {
            return staging;
        }
    }
    for (const ItemMove& move : m_moves) {
        if (move.aside && itemExists(*move.aside)) {
            return move.aside;
        }
    }
    return std::nullopt;
}

QStringList InstallJournal::namedItems() const {
    QStringList items = m_staging;
    for (const ItemMove& move : m_moves) {
        items.append(move.live);
        if (move.aside) {
            items.append(*move.aside);
        }
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
        const QString parent = QFileInfo(QDir::cleanPath(path)).path();
        if (const auto library = templatesRootContaining(path)) {
            InstallEngine::pruneEmptyDirectories(parent, *library);
        } else if (m_operation == Operation::remove) {
            InstallEngine::pruneEmptyDirectories(parent, platform::userApplicationsFolder());
        }
    }
}

void replayInstallJournal() {
    // At a start no journal is this process's own; what is on disk is all there is.
    OwnJournals::instance().clear();
    const OwnedPlaces own = OwnedPlaces::read();
    QSet<QString> stillJournaled;
    for (const QString& file : pendingJournalFiles()) {
        QString refusal;
        const std::optional<InstallJournal> journal =
            PendingInstallJournals::read(file, own, refusal);
        if (!journal) {
            catalog::log(QStringLiteral("Install journal ignored: ") + refusal);
            QFile::remove(file);
            continue;
        }
        const auto found = own.records().constFind(journal->packageID());
        const std::optional<InstalledPackage> current =
            found == own.records().constEnd() ? std::nullopt : std::optional(*found);
        if (current == journal->previous()) {
            journal->rollBack();
        } else {
            journal->finish();
        }
        if (QFileInfo::exists(file)) {
            for (const QString& item : journal->namedItems()) {
                stillJournaled.insert(QDir::cleanPath(item));
            }
        }
    }
    settleLeftoverItems(own, stillJournaled);
    removeUnfinishedSaves(QFileInfo(catalog::installedRecordsFileURL()).path(),
                          unfinishedSaveOf(QStringLiteral("installed\\.json")));
    removeUnfinishedSaves(
        catalog::applicationSupportDirectory(),
        unfinishedSaveOf(QRegularExpression::escape(journalPrefix) + QStringLiteral(".*\\.json")));
    removeCacheWorkFolders();
}

void finishInstallJournal() {
    for (const InstallJournal& journal : OwnJournals::instance().all()) {
        journal.finish();
    }
}

} // namespace marlox::install
