#pragma once

#include "catalog/OperationsLog.h"
#include "support/FileSupport.h"

#include <QStringList>

namespace marlox::testing {

// The operations log's messages after the first `from`, without their time stamps, once every
// queued line is in.
inline QStringList loggedMessages(qsizetype from = 0) {
    catalog::flushOperationsLog();
    QStringList messages;
    const QString text =
        QString::fromUtf8(contentsOf(catalog::operationsLogFilePath()).value_or(""));
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        messages.append(line.section("] ", 1));
    }
    return messages.mid(from);
}

} // namespace marlox::testing
