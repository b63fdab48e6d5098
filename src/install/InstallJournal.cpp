#include "InstallJournal.h"

#include "FileOperations.h"
#include "InstallEngine.h"
#include "MotionTemplatesPlacement.h"
#include "base/SafePath.h"
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
#include <QRegularExpression>
#include <QSaveFile>
#include <QUuid>

#include <algorithm>
#include <functional>

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

} // namespace

// Reads the journals left in the support folder; one that cannot be read, or that names anything
// the engine would not touch itself, is logged and dropped without acting on it.
class PendingInstallJournals {
public:
    static void forEach(const std::function<void(const InstallJournal&)>& settle) {
        for (const QString& file : pendingJournalFiles()) {
            QString refusal;
            const std::optional<InstallJournal> journal = read(file, refusal);
            if (!journal) {
                catalog::log(QStringLiteral("Install journal ignored: ") + refusal);
                QFile::remove(file);
                continue;
            }
            settle(*journal);
        }
    }

private:
    static std::optional<InstallJournal> read(const QString& file, QString& refusal) {
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
        if (const auto outside = pathOutsideTheInstallFolders(journal)) {
            refusal = QStringLiteral("it names a path outside the install folders: ") + *outside;
            return std::nullopt;
        }
        return journal;
    }

    // The engine's own names only: staging and aside folders of its hidden kinds, staged items
    // inside a staging folder, and every path inside the folders a removal may touch.
    static std::optional<QString> pathOutsideTheInstallFolders(const InstallJournal& journal) {
        const auto hiddenOfKind = [](const QString& path, const QString& prefix) {
            return InstallEngine::isRemovableRecordedPath(path) &&
                   QFileInfo(path).fileName().startsWith(prefix);
        };
        for (const QString& staging : journal.m_staging) {
            if (!hiddenOfKind(staging, stagingPrefix)) {
                return staging;
            }
        }
        for (const ItemMove& move : journal.m_moves) {
            if (!InstallEngine::isRemovableRecordedPath(move.live)) {
                return move.live;
            }
            if (move.aside && (!hiddenOfKind(*move.aside, asidePrefix) ||
                               QFileInfo(*move.aside).path() != QFileInfo(move.live).path())) {
                return move.aside;
            }
            const auto inStaging = [&](const QString& staging) {
                return base::isPathWithin(*move.staged, staging);
            };
            if (move.staged &&
                (!InstallEngine::isRemovableRecordedPath(*move.staged) ||
                 std::none_of(journal.m_staging.cbegin(), journal.m_staging.cend(), inStaging))) {
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
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        return SystemError{QStringLiteral("Could not write the install journal “%1”: %2")
                               .arg(m_file, file.errorString())};
    }
    return std::nullopt;
}

void InstallJournal::rollBack() const {
    undoMoves(m_moves);
    close();
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
    }
    pruneEmptiedFolders();
    // Last: until the journal is gone, the next start does all of this again.
    QFile::remove(m_file);
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
    // Records that cannot be read are what the store will start from too: none.
    const catalog::InstalledPackageMap records =
        catalog::readInstalledRecords().value_or(catalog::InstalledPackageMap());
    PendingInstallJournals::forEach([&](const InstallJournal& journal) {
        const auto found = records.constFind(journal.packageID());
        const std::optional<InstalledPackage> current =
            found == records.constEnd() ? std::nullopt : std::optional(*found);
        if (current == journal.previous()) {
            journal.rollBack();
        } else {
            journal.finish();
        }
    });
    removeUnfinishedSaves(QFileInfo(catalog::installedRecordsFileURL()).path(),
                          unfinishedSaveOf(QStringLiteral("installed\\.json")));
    removeUnfinishedSaves(
        catalog::applicationSupportDirectory(),
        unfinishedSaveOf(QRegularExpression::escape(journalPrefix) + QStringLiteral(".*\\.json")));
}

void finishInstallJournal() {
    PendingInstallJournals::forEach([](const InstallJournal& journal) { journal.finish(); });
}

} // namespace marlox::install
