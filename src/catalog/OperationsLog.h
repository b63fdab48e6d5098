#pragma once

#include <QString>

namespace marlox::catalog {

// Appends "[<UTC time>] <message>\n" to Logs/operations.log of the support folder. Returns at once;
// the line is written on the log's own serial worker, and a line that cannot be written is
// dropped without a trace. The worker ends with the application object, once the utility threads
// and every line logged before have finished; a line logged later is written before log() returns.
void log(const QString& message);

// Removes the log file, after every line logged before it.
void clearOperationsLog();

// Waits until every line and clear requested so far is done. For tests and orderly shutdown.
void flushOperationsLog();

QString operationsLogFilePath();

// The time stamp of a log line: ISO 8601 in UTC with whole seconds, e.g. 2026-03-04T09:05:07Z.
QString operationsLogTimestamp();

} // namespace marlox::catalog
