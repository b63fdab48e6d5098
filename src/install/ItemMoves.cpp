#include "ItemMoves.h"

#include "FileOperations.h"
#include "catalog/OperationsLog.h"

#include <QFileInfo>
#include <QUuid>

namespace marlox::install {

QString newHiddenPath(const QString& folder, const QString& prefix) {
    return folder + QLatin1Char('/') + prefix +
           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

void planAsides(QList<ItemMove>& moves) {
    for (ItemMove& move : moves) {
        if (!move.aside && itemExists(move.live)) {
            move.aside = newHiddenPath(QFileInfo(move.live).path(), asidePrefix);
        }
    }
}

InstallFailure makeLive(const QList<ItemMove>& moves) {
    InstallFailure failure;
    for (const ItemMove& move : moves) {
        if (!failure && move.aside) {
            failure = moveItem(move.live, *move.aside);
        }
    }
    for (const ItemMove& move : moves) {
        if (!failure && move.staged) {
            failure = moveItem(*move.staged, move.live);
        }
    }
    if (failure) {
        undoMoves(moves);
    }
    return failure;
}

void undoMoves(const QList<ItemMove>& moves) {
    for (auto move = moves.crbegin(); move != moves.crend(); ++move) {
        if (move->aside) {
            if (itemExists(*move->aside)) {
                removeQuietly(move->live);
                moveItem(*move->aside, move->live);
            }
        } else if (move->staged && !itemExists(*move->staged)) {
            // Nothing was there before, and the staged copy has been made live.
            removeQuietly(move->live);
        }
    }
}

void discardAsides(const QList<ItemMove>& moves) {
    for (const ItemMove& move : moves) {
        if (!move.aside || !itemExists(*move.aside)) {
            continue;
        }
        if (auto failure = removeItem(*move.aside)) {
            catalog::log(QStringLiteral("Could not remove the previous version kept at ") +
                         *move.aside + QLatin1String(": ") + description(*failure));
        }
    }
}

} // namespace marlox::install
