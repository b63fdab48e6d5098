#include "ItemMoves.h"

#include "FileOperations.h"
#include "catalog/OperationsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

namespace marlox::install {
namespace {

// What the file systems the items live on allow for one name, in bytes.
constexpr qsizetype fileNameLimit = 255;
constexpr qsizetype uuidLength = 36;

QString newUuidText() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QString> versionHeldAt(const QString& live,
                                     const std::optional<catalog::InstalledPackage>& record) {
    if (record && !record->version.isEmpty() &&
        (record->installPath == live || record->templateInstallPaths.contains(live))) {
        return record->version;
    }
    return std::nullopt;
}

} // namespace

bool isUpperCaseUuid(QStringView text) {
    static const QRegularExpression uuid(QRegularExpression::anchoredPattern(upperCaseUuidPattern));
    return uuid.match(text).hasMatch();
}

bool isPrefixedUpperCaseUuid(const QString& name, const QString& prefix) {
    return name.startsWith(prefix) && isUpperCaseUuid(QStringView(name).mid(prefix.size()));
}

bool isStagingItemName(const QString& name) {
    return isPrefixedUpperCaseUuid(name, stagingPrefix);
}

bool isAsideItemName(const QString& name) {
    return name.startsWith(asidePrefix) &&
           (isUpperCaseUuid(QStringView(name).mid(asidePrefix.size())) || readAsideName(name));
}

bool isTrashItemName(const QString& name) {
    // A journal's trash items carry its time, its UUID and the number of the move.
    static const QRegularExpression tag(QRegularExpression::anchoredPattern(
        QStringLiteral("%1-[0-9]+|%2").arg(journalIdPattern, upperCaseUuidPattern)));
    return name.startsWith(trashPrefix) &&
           tag.match(QStringView(name).mid(trashPrefix.size())).hasMatch();
}

QString newStagingPath(const QString& folder) {
    return folder + QLatin1Char('/') + stagingPrefix + newUuidText();
}

QString trashPathBeside(const QString& item, const std::optional<QString>& tag) {
    return QFileInfo(QDir::cleanPath(item)).path() + QLatin1Char('/') + trashPrefix +
           tag.value_or(newUuidText());
}

QString newAsidePath(const QString& live, const std::optional<QString>& heldVersion) {
    const QFileInfo item(live);
    const QString plain = asidePrefix + newUuidText();
    // The separator is escaped in the version, so the first one after it ends the version.
    const QString telling =
        plain + QLatin1Char('-') +
        QString::fromLatin1(QUrl::toPercentEncoding(heldVersion.value_or(QString()), {}, "-")) +
        QLatin1Char('-') + item.fileName();
    const bool fits = QFile::encodeName(telling).size() <= fileNameLimit;
    return item.path() + QLatin1Char('/') + (fits ? telling : plain);
}

std::optional<AsideName> readAsideName(const QString& fileName) {
    if (!fileName.startsWith(asidePrefix)) {
        return std::nullopt;
    }
    const QString rest = fileName.mid(asidePrefix.size());
    if (rest.size() < uuidLength + 3 || rest.at(uuidLength) != QLatin1Char('-') ||
        !isUpperCaseUuid(QStringView(rest).left(uuidLength))) {
        return std::nullopt;
    }
    const qsizetype versionEnd = rest.indexOf(QLatin1Char('-'), uuidLength + 1);
    if (versionEnd < 0 || versionEnd + 1 >= rest.size()) {
        return std::nullopt;
    }
    const QString version =
        QUrl::fromPercentEncoding(rest.mid(uuidLength + 1, versionEnd - uuidLength - 1).toLatin1());
    return AsideName{rest.mid(versionEnd + 1),
                     version.isEmpty() ? std::nullopt : std::optional(version)};
}

void planAsides(QList<ItemMove>& moves, const std::optional<catalog::InstalledPackage>& record) {
    for (ItemMove& move : moves) {
        if (!move.aside && itemExists(move.live)) {
            move.aside = newAsidePath(move.live, versionHeldAt(move.live, record));
        }
    }
}

QString journalRemovalLine(const QString& path) {
    return QStringLiteral("Install journal removed: ") + path;
}

QString leftoverRemovalLine(const QString& path) {
    return QStringLiteral("Left-over item removed: ") + path;
}

void deleteItems(const QList<PendingDeletion>& deletions) {
    for (const PendingDeletion& deletion : deletions) {
        if (auto failure = removeItem(deletion.path)) {
            catalog::log(description(*failure));
        } else if (!deletion.loggedAs.isEmpty()) {
            catalog::log(deletion.loggedAs);
        }
    }
}

std::optional<PendingDeletion> moveToTrash(const QString& item, const QString& trash,
                                           const QString& loggedAs) {
    if (itemExists(item)) {
        if (auto failure = moveItem(item, trash)) {
            catalog::log(description(*failure));
        }
    }
    return trashLeftAt(trash, loggedAs);
}

std::optional<PendingDeletion> trashLeftAt(const QString& trash, const QString& loggedAs) {
    if (!itemExists(trash)) {
        return std::nullopt;
    }
    return PendingDeletion{trash, loggedAs};
}

InstallFailure makeLive(const QList<ItemMove>& moves) {
    for (const ItemMove& move : moves) {
        if (move.aside) {
            if (auto failure = moveItem(move.live, *move.aside)) {
                return failure;
            }
        }
    }
    for (const ItemMove& move : moves) {
        if (move.staged) {
            if (auto failure = moveItem(*move.staged, move.live)) {
                return failure;
            }
        }
    }
    return std::nullopt;
}

} // namespace marlox::install
