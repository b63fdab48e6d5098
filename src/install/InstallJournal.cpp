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
const QString settledSuffix = QStringLiteral(".settled.json");
const QString recordsSavedKey = QStringLiteral("recordsSaved");
const QString registrationsBeforeKey = QStringLiteral("registrationsBefore");
const QString registryStepsLeftKey = QStringLiteral("registryStepsLeft");

// A journal read from disk is trusted with no registration outside the package folders.
bool liesInInstallFolders(const QString& path) {
    const QStringList roots = OwnedPlaces::installRoots();
    return std::any_of(roots.cbegin(), roots.cend(),
                       [&](const QString& root) { return liesStrictlyInside(path, root); });
}

// The name of a journal file exactly as the engine makes it: its id, the time it was begun and an
// upper-case UUID, and whether it is marked as settled.
QString journalFileNamePattern() {
    return QRegularExpression::escape(journalPrefix) +
           QStringLiteral("(%1)(\\.settled)?").arg(journalIdPattern) +
           QRegularExpression::escape(journalSuffix);
}

const QRegularExpression& journalFileName() {
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern(journalFileNamePattern()));
    return name;
}

QString operationName(InstallJournal::Operation operation) {
    return operation == InstallJournal::Operation::install ? QStringLiteral("install")
                                                           : QStringLiteral("remove");
}

QJsonValue optionalText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

// A journal file a start found: its id, whether it is marked as settled and its size.
struct JournalFile {
    QString path;
    QString id;
    bool settled = false;
    qint64 size = 0;
};

// The journals in the support folder, each kind the newest first: those whose outcome is still
// to be reached, so that later operations are undone before earlier ones, and those with only
// deletions left. A file that only looks like a journal is logged and left alone.
struct JournalFiles {
    QList<JournalFile> toSettle;
    QList<JournalFile> settled;
};

JournalFiles pendingJournalFiles() {
    const QString folder = catalog::applicationSupportDirectory();
    JournalFiles files;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::Reversed);
    for (const QFileInfo& entry : entries) {
        const QRegularExpressionMatch name = journalFileName().match(entry.fileName());
        if (!name.hasMatch() || entry.isSymLink()) {
            if (entry.fileName().startsWith(journalPrefix)) {
                catalog::log((name.hasMatch()
                                  ? QStringLiteral("Install journal left alone, being a link: ")
                                  : QStringLiteral("Install journal left alone, not "
                                                   "being named as the application "
                                                   "names one: ")) +
                             entry.filePath());
            }
            continue;
        }
        const JournalFile file{entry.filePath(), name.captured(1), name.hasCaptured(2),
                               entry.size()};
        (file.settled ? files.settled : files.toSettle).append(file);
    }
    return files;
}

// The journals this process wrote and has not closed, as it last wrote them. They are its own, so
// once the records are saved they are finished as they are in memory; only a start reads journals
// from disk.
class OwnJournals {
public:
    static OwnJournals& instance() {
        static OwnJournals journals;
        return journals;
    }
    void keep(const QString& id, const InstallJournal& journal) {
        QMutexLocker lock(&m_mutex);
        m_journals.insert_or_assign(id, journal);
    }
    void drop(const QString& id) {
        QMutexLocker lock(&m_mutex);
        m_journals.erase(id);
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
    // Keyed by id, which begins with the time the journal was begun.
    std::map<QString, InstallJournal> m_journals;
};

} // namespace

// A journal read at a start whose renames are done, and what closing it settles: no outcome for a
// journal marked as settled.
struct SettledJournal {
    InstallJournal journal;
    std::optional<InstallJournal::Outcome> outcome;
    QList<PendingDeletion> deletions;
};

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
    // One larger than a journal may be is refused unread.
    static std::optional<RefusedJournal> refuseUnread(const JournalFile& file) {
        if (file.size <= maximumInstallJournalBytes) {
            return std::nullopt;
        }
        return tooLarge(file.path);
    }

    static Result<InstallJournal, RefusedJournal> read(const JournalFile& file,
                                                       const OwnedPlaces& own) {
        const RefusedJournal unreadable{QStringLiteral("it cannot be read: ") + file.path};
        const auto bytes = base::readWholeFile(file.path, maximumInstallJournalBytes);
        if (!bytes && bytes.error().tooLarge) {
            return tooLarge(file.path);
        }
        const QJsonDocument document = bytes ? QJsonDocument::fromJson(*bytes) : QJsonDocument();
        if (!document.isObject()) {
            return unreadable;
        }
        const QJsonObject object = document.object();
        catalog::JsonFields fields(object, QLatin1String("Install journal"));
        InstallJournal journal;
        journal.m_id = file.id;
        journal.m_settled = file.settled;
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
        if (object.contains(registrationsBeforeKey)) {
            journal.m_registrationsBefore = readRegistrations(object.value(registrationsBeforeKey));
            if (!journal.m_registrationsBefore) {
                return unreadable;
            }
        }
        if (object.contains(registryStepsLeftKey)) {
            const auto steps = decodeRegistrySteps(object.value(registryStepsLeftKey));
            if (!steps) {
                return unreadable;
            }
            std::copy_if(steps->cbegin(), steps->cend(),
                         std::back_inserter(journal.m_registryStepsLeft),
                         [](const RegistryStep& step) {
                             return liesInInstallFolders(step.registration.path);
                         });
        }
        if (const auto foreign = pathNotItsPackages(journal, own)) {
            return RefusedJournal{QStringLiteral("it names a path its package does not own: ") +
                                  *foreign};
        }
        return journal;
    }

    // The renames of the outcome the operation reached: finished once its records were saved,
    // else undone; none for a journal marked as settled, whose renames are all done, for the live
    // paths may hold what later operations put there. Answers what is left to delete; nothing
    // when the journal could not say that its records were saved, which leaves it to the next
    // start.
    static std::optional<SettledJournal> settle(const InstallJournal& journal,
                                                const catalog::InstalledPackageMap& records) {
        if (journal.m_settled) {
            return SettledJournal{journal, std::nullopt, journal.trashLeft()};
        }
        if (recordsWereSaved(journal, records)) {
            if (auto deletions = journal.renameToKeepNew()) {
                return SettledJournal{journal, InstallJournal::Outcome::keptNew, *deletions};
            }
            return std::nullopt;
        }
        return SettledJournal{journal, InstallJournal::Outcome::undone,
                              journal.renameBackToPrevious()};
    }

private:
    static std::optional<QList<PluginRegistration>> readRegistrations(const QJsonValue& value) {
        if (!value.isArray()) {
            return std::nullopt;
        }
        QList<PluginRegistration> registrations;
        for (const QJsonValue& entry : value.toArray()) {
            const auto registration = decodeRegistration(entry);
            if (!registration) {
                return std::nullopt;
            }
            registrations.append(*registration);
        }
        return registrations;
    }

    static RefusedJournal tooLarge(const QString& file) {
        return RefusedJournal{QStringLiteral("it is larger than %1 and is kept: %2")
                                  .arg(base::mebibytesBoundText(maximumInstallJournalBytes))
                                  .arg(file),
                              true};
    }

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
        const auto namedAs = [](const QString& path, bool (*isKindName)(const QString&)) {
            return !hasDotComponent(path) && isKindName(QFileInfo(path).fileName());
        };
        for (const QString& staging : journal.m_staging) {
            if (!namedAs(staging, isStagingItemName) ||
                !own.isFolderOf(packageID, QFileInfo(staging).path())) {
                return staging;
            }
        }
        for (const ItemMove& move : journal.m_moves) {
            if (!own.isLivePathOf(packageID, move.live)) {
                return move.live;
            }
            if (move.aside && (!namedAs(*move.aside, isAsideItemName) ||
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
    : m_id(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmsszzz")) +
           QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()),
      m_operation(operation), m_packageID(std::move(packageID)), m_previous(std::move(previous)),
      m_newVersion(std::move(newVersion)) {}

QString InstallJournal::filePath() const {
    return catalog::applicationSupportDirectory() + QLatin1Char('/') + journalPrefix + m_id +
           (m_settled ? settledSuffix : journalSuffix);
}

InstallFailure InstallJournal::write() const {
    if (auto failure = save()) {
        return failure;
    }
    OwnJournals::instance().keep(m_id, *this);
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
    QJsonObject object{
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
    if (m_registrationsBefore) {
        QJsonArray registrations;
        for (const PluginRegistration& registration : *m_registrationsBefore) {
            registrations.append(encodeRegistration(registration));
        }
        object.insert(registrationsBeforeKey, registrations);
    }
    if (!m_registryStepsLeft.isEmpty()) {
        object.insert(registryStepsLeftKey, encodeRegistrySteps(m_registryStepsLeft));
    }
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    // What a start could not read it must never be left to settle.
    if (json.size() > maximumInstallJournalBytes) {
        return SystemError{
            QStringLiteral("The operation moves too many items: its install journal would take "
                           "%1 MiB, more than the %2 a start reads. Nothing was changed.")
                .arg(base::mebibytesText(json.size()))
                .arg(base::mebibytesBoundText(maximumInstallJournalBytes))};
    }
    const QString path = filePath();
    if (auto failure = createFolder(QFileInfo(path).path())) {
        return failure;
    }
    // A temporary file synced to disk, then renamed over the journal: a journal is whole or
    // absent, and once the folder is synced too, it is there before any item moves.
    if (const auto failure = base::saveWholeFile(path, json)) {
        return SystemError{QStringLiteral("Could not write the install journal “%1”: %2")
                               .arg(path, failure->reason)};
    }
    base::syncFolder(QFileInfo(path).path());
    return std::nullopt;
}

void InstallJournal::rollBack(const FxPlugRegistrar& registrar) const {
    close(registrar, Outcome::undone, renameBackToPrevious());
    // Undone or not, it is no more this process's to finish; a start decides what is left.
    OwnJournals::instance().drop(m_id);
}

void InstallJournal::finish(const FxPlugRegistrar& registrar) const {
    if (const auto deletions = renameToKeepNew()) {
        close(registrar, Outcome::keptNew, *deletions);
    } else {
        OwnJournals::instance().drop(m_id);
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
        const QString loggedAs = move.aside ? QString() : journalRemovalLine(move.live);
        if (auto deletion = placed ? moveToTrash(move.live, trashPathOf(index), loggedAs)
                                   : trashLeftAt(trashPathOf(index), loggedAs)) {
            deletions.append(*deletion);
        }
        if (move.aside && itemExists(*move.aside)) {
            putBack(*move.aside, move.live);
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
        // Its outcome is the records' now: no later undoing may take it back.
        if (!m_readAtStart) {
            OwnJournals::instance().keep(m_id, saved);
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
        const QString loggedAs = journalRemovalLine(move.aside.value_or(move.live));
        if (auto deletion = move.aside ? moveToTrash(*move.aside, trashPathOf(index), loggedAs)
                                       : trashLeftAt(trashPathOf(index), loggedAs)) {
            deletions.append(*deletion);
        }
    }
    return deletions;
}

void InstallJournal::noteRegistrationsBefore(const FxPlugRegistrar& registrar,
                                             const QStringList& identifiers) {
    // A registry that cannot be asked leaves the journal saying nothing of it, as an earlier
    // version's says nothing.
    const auto listed = registrar.registrations();
    if (!listed) {
        return;
    }
    QStringList livePaths;
    for (const ItemMove& move : m_moves) {
        livePaths.append(canonicalPath(move.live));
    }
    m_registrationsBefore.emplace();
    for (const PluginRegistration& registration : *listed) {
        const bool atLivePath =
            std::any_of(livePaths.cbegin(), livePaths.cend(), [&](const QString& live) {
                return registration.path == live ||
                       registration.path.startsWith(live + QLatin1Char('/'));
            });
        if (atLivePath ||
            (!registration.identifier.isEmpty() && identifiers.contains(registration.identifier))) {
            m_registrationsBefore->append(registration);
        }
    }
}

QList<RegistryStep> InstallJournal::registryStepsOf(Outcome outcome) const {
    const QList<PluginRegistration> restored =
        outcome == Outcome::undone ? registrationsToRestore() : QList<PluginRegistration>();
    const bool registryKnown = outcome == Outcome::undone && m_registrationsBefore;
    QList<RegistryStep> steps;
    for (qsizetype index = 0; index < m_moves.size(); ++index) {
        const ItemMove& move = m_moves.at(index);
        // Only a package's own folder is registered; templates hold no plug-ins of ours.
        if (templatesRootContaining(move.live)) {
            continue;
        }
        for (const QString& left : itemsThatLeft(index)) {
            for (const QString& plugin : FxPlugRegistrar::pluginsWithin(left)) {
                const QString live = canonicalPath(move.live + plugin.mid(left.size()));
                const bool registeredBefore = std::any_of(
                    restored.cbegin(), restored.cend(),
                    [&](const PluginRegistration& before) { return before.path == live; });
                if (registryKnown ? !registeredBefore : !isFolder(live)) {
                    steps.append({RegistryStep::Kind::unregister, {live, {}, {}, {}}});
                }
            }
        }
        // Not knowing what the registry listed, an undo registers what it put back, so that the
        // registry never names a version the disk does not hold.
        const bool putBack = move.aside && !itemExists(*move.aside) && isFolder(move.live);
        if (outcome == Outcome::undone && !m_registrationsBefore && putBack) {
            for (const QString& plugin : FxPlugRegistrar::pluginsWithin(move.live)) {
                const QString path = canonicalPath(plugin);
                if (liesInInstallFolders(path)) {
                    steps.append({RegistryStep::Kind::registerAgain, {path, {}, {}, {}}});
                }
            }
        }
    }
    for (const PluginRegistration& registration : restored) {
        steps.append({RegistryStep::Kind::restore, registration});
    }
    return steps;
}

QStringList InstallJournal::itemsThatLeft(qsizetype moveIndex) const {
    QStringList left;
    for (const std::optional<QString>& item :
         {std::optional(trashPathOf(moveIndex)), m_moves.at(moveIndex).aside}) {
        if (item && itemExists(*item)) {
            left.append(*item);
        }
    }
    return left;
}

QList<PluginRegistration> InstallJournal::registrationsToRestore() const {
    QList<PluginRegistration> restored;
    for (const PluginRegistration& registration :
         m_registrationsBefore.value_or(QList<PluginRegistration>())) {
        const bool trusted = !m_readAtStart || liesInInstallFolders(registration.path);
        if (trusted && isFolder(registration.path)) {
            restored.append(registration);
        }
    }
    return restored;
}

QString InstallJournal::trashPathOf(qsizetype moveIndex) const {
    return trashPathBeside(m_moves.at(moveIndex).live,
                           m_id + QLatin1Char('-') + QString::number(moveIndex));
}

QList<PendingDeletion> InstallJournal::trashLeft() const {
    QList<PendingDeletion> deletions;
    for (qsizetype index = 0; index < m_moves.size(); ++index) {
        if (auto deletion = trashLeftAt(trashPathOf(index), QString())) {
            deletions.append(*deletion);
        }
    }
    return deletions;
}

void InstallJournal::close(const FxPlugRegistrar& registrar, std::optional<Outcome> outcome,
                           const QList<PendingDeletion>& deletions) const {
    InstallJournal kept = *this;
    kept.m_registryStepsLeft =
        runRegistrySteps(registrar, m_registryStepsLeft, RegistryStepsFrom::earlierSettling);
    // While what left is still on disk: it tells which plug-ins went.
    if (outcome) {
        kept.m_registryStepsLeft +=
            runRegistrySteps(registrar, registryStepsOf(*outcome), RegistryStepsFrom::thisSettling);
    }
    // Keeping the outcome, the journal said first that the records were saved.
    kept.m_recordsSaved = m_recordsSaved || outcome == Outcome::keptNew;
    if (kept.m_registryStepsLeft != m_registryStepsLeft && !kept.keepRegistryStepsLeft(outcome)) {
        // Steps worked out now are lost with what they were worked out from: all stays for the
        // next start to settle again. Those left from earlier stay in the file.
        if (outcome) {
            return;
        }
        kept.m_registryStepsLeft = m_registryStepsLeft;
    }
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
        kept.keepForLaterStart(m_settled || hasOnlyDeletionsLeft());
        return;
    }
    if (!kept.m_registryStepsLeft.isEmpty()) {
        catalog::log(QStringLiteral("Install journal kept: registry steps are left to do: ") +
                     kept.keepForLaterStart(true));
        return;
    }
    // Last: until the journal is gone, the next start does all of this again.
    QFile::remove(filePath());
    OwnJournals::instance().drop(m_id);
}

bool InstallJournal::keepRegistryStepsLeft(std::optional<Outcome> outcome) const {
    // Saved under its name before it is marked, so that it is never there twice.
    if (auto failure = save()) {
        catalog::log((outcome ? QStringLiteral("Install journal kept as it was, for the next "
                                               "start to settle again: its registry steps left "
                                               "could not be saved: ")
                              : QStringLiteral("Install journal registry steps could not be "
                                               "kept: ")) +
                     description(*failure));
        if (outcome && !m_readAtStart) {
            OwnJournals::instance().keep(m_id, *this);
        }
        return false;
    }
    return true;
}

QString InstallJournal::keepForLaterStart(bool settled) const {
    if (settled && !m_settled) {
        if (auto marked = markSettled()) {
            return *marked;
        }
    } else if (!m_readAtStart) {
        OwnJournals::instance().keep(m_id, *this);
    }
    return filePath();
}

bool InstallJournal::hasOnlyDeletionsLeft() const {
    return std::none_of(m_moves.cbegin(), m_moves.cend(), [](const ItemMove& move) {
        return (move.aside && itemExists(*move.aside)) || (move.staged && itemExists(*move.staged));
    });
}

std::optional<QString> InstallJournal::markSettled() const {
    InstallJournal settled = *this;
    settled.m_settled = true;
    // A rename keeps it whole: the next start finds it under one name or the other.
    if (!QDir().rename(filePath(), settled.filePath())) {
        catalog::log(QStringLiteral("Install journal could not be marked as settled: ") +
                     filePath());
        return std::nullopt;
    }
    base::syncFolder(QFileInfo(filePath()).path());
    // A start deletes what is left; this process no longer finishes it.
    OwnJournals::instance().drop(m_id);
    return settled.filePath();
}

void InstallJournal::putBack(const QString& aside, const QString& live) const {
    if (const InstallFailure failure = moveItem(aside, live)) {
        catalog::log(QStringLiteral("Install journal could not put back: ") +
                     description(*failure));
    } else if (m_readAtStart) {
        catalog::log(QStringLiteral("Install journal put back: ") + live);
    }
}

void InstallJournal::logRemoval(const QString& path) const {
    if (m_readAtStart) {
        catalog::log(journalRemovalLine(path));
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
    QList<SettledJournal> journals;
    QStringList droppedJournals;
    QList<PendingDeletion> deletions;

    bool isEmpty() const {
        return journals.isEmpty() && droppedJournals.isEmpty() && deletions.isEmpty();
    }
    void run(const FxPlugRegistrar& registrar) const {
        for (const SettledJournal& settled : journals) {
            settled.journal.close(registrar, settled.outcome, settled.deletions);
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

// The journals of one kind a start reads: the newest as many as it may, none over the bound. Those
// it leaves are logged; answers whether any is left.
bool takeJournalsToRead(const QList<JournalFile>& files, QList<JournalFile>& toRead) {
    qsizetype taken = 0;
    qsizetype later = 0;
    bool leftUnread = false;
    for (const JournalFile& file : files) {
        if (const auto refused = PendingInstallJournals::refuseUnread(file)) {
            catalog::log(QStringLiteral("Install journal ignored: ") + refused->reason);
            leftUnread = true;
        } else if (taken == maximumPendingInstallJournals) {
            ++later;
        } else {
            toRead.append(file);
            ++taken;
        }
    }
    if (later > 0) {
        catalog::log(QStringLiteral("Install journals left for the next start: %1").arg(later));
    }
    return leftUnread || later > 0;
}

// Settles the journals left on disk in the order they are read; then what no journal names.
void settleJournalsAndLeftovers(StartUpSettling& settling) {
    const JournalFiles files = pendingJournalFiles();
    if (files.toSettle.isEmpty() && files.settled.isEmpty() && !ownedFoldersHoldLeftoverItems()) {
        return;
    }
    QList<JournalFile> toRead;
    // A journal whose outcome is still to be reached and that is left unread may need any item set
    // aside to undo its operation; one with only deletions left needs nothing.
    bool asidesHeld = takeJournalsToRead(files.toSettle, toRead);
    takeJournalsToRead(files.settled, toRead);
    const OwnedPlaces own = OwnedPlaces::read();
    QSet<QString> journaledItems;
    for (const JournalFile& file : toRead) {
        auto journal = PendingInstallJournals::read(file, own);
        if (!journal) {
            catalog::log(QStringLiteral("Install journal ignored: ") + journal.error().reason);
            if (!journal.error().kept) {
                settling.droppedJournals.append(file.path);
            } else if (!file.settled) {
                asidesHeld = true;
            }
            continue;
        }
        if (auto settled = PendingInstallJournals::settle(*journal, own.records())) {
            settling.journals.append(*settled);
        }
        for (const QString& item : journal->namedItems()) {
            journaledItems.insert(QDir::cleanPath(item));
        }
    }
    settling.deletions.append(settleLeftoverItems(
        own, journaledItems, asidesHeld ? LeftoverAsides::keep : LeftoverAsides::settle));
}

} // namespace

QFuture<void> settleAtStartUp(const FxPlugRegistrar& registrar) {
    // A settling begun earlier in this process ends first.
    waitForStartUpSettling();
    // At a start no journal is this process's own; what is on disk is all there is.
    OwnJournals::instance().clear();
    StartUpSettling settling;
    settleJournalsAndLeftovers(settling);
    base::removeUnfinishedSaves(QFileInfo(catalog::installedRecordsFileURL()).path(),
                                QStringLiteral("installed\\.json"));
    base::removeUnfinishedSaves(catalog::applicationSupportDirectory(), journalFileNamePattern());
    settling.deletions.append(abandonedCacheWorkFolders());
    if (settling.isEmpty()) {
        return QtFuture::makeReadyFuture();
    }
    const QFuture<void> future = QtConcurrent::run(
        platform::utilityThreadPool(), [settling, registrar] { settling.run(registrar); });
    StartUpSettlingInProgress::instance().set(future);
    return future;
}

void waitForStartUpSettling() {
    QFuture<void> future = StartUpSettlingInProgress::instance().get();
    future.waitForFinished();
}

void finishInstallJournal(const FxPlugRegistrar& registrar) {
    for (const InstallJournal& journal : OwnJournals::instance().all()) {
        journal.finish(registrar);
    }
}

void rollBackInstallJournal(const FxPlugRegistrar& registrar) {
    const QList<InstallJournal> journals = OwnJournals::instance().all();
    for (auto journal = journals.crbegin(); journal != journals.crend(); ++journal) {
        if (!journal->recordsSaved()) {
            journal->rollBack(registrar);
        }
    }
}

} // namespace marlox::install
