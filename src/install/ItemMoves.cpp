#include "ItemMoves.h"

#include "FileOperations.h"
#include "catalog/OperationsLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
        QUuid::fromString(rest.left(uuidLength)).isNull()) {
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

void deleteItems(const QList<PendingDeletion>& deletions) {
    for (const PendingDeletion& deletion : deletions) {
        if (auto failure = removeItem(deletion.path)) {
            catalog::log(description(*failure));
        } else if (!deletion.loggedAs.isEmpty()) {
            catalog::log(deletion.loggedAs);
        }
    }
}

std::optional<PendingDeletion> moveToTrash(const std::optional<QString>& item, const QString& trash,
                                           const QString& loggedAs) {
    if (item && itemExists(*item)) {
        if (auto failure = moveItem(*item, trash)) {
            catalog::log(description(*failure));
        }
    }
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
