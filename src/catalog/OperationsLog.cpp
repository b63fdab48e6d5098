#include "OperationsLog.h"

#include "Environment.h"
#include "platform/SerialExecutor.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace marlox::catalog {
namespace {

// Named after the bundle identifier plus ".operation-logger", as the serial queue it stands for.
platform::SerialExecutor& operationsLogQueue() {
    static platform::SerialExecutor queue;
    return queue;
}

void appendToExistingFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    // ExistingOnly: an item that vanished or cannot be opened is never replaced by a new file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly)) {
        return;
    }
    file.write(bytes);
    file.close();
}

void writeNewFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

void writeOperationsLogLine(const QString& message) {
    if (ensureApplicationDirectories()) {
        return;
    }
    const QByteArray line = (QLatin1Char('[') + operationsLogTimestamp() + QLatin1String("] ") +
                             message + QLatin1Char('\n'))
                                .toUtf8();
    const QString path = operationsLogFilePath();
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        appendToExistingFile(path, line);
    } else {
        writeNewFile(path, line);
    }
}

} // namespace

QString operationsLogFilePath() {
    return logsDirectory() + QLatin1String("/operations.log");
}

QString operationsLogTimestamp() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

void log(const QString& message) {
    operationsLogQueue().run([message] { writeOperationsLogLine(message); });
}

void clearOperationsLog() {
    operationsLogQueue().run([] {
        const QString path = operationsLogFilePath();
        if (QFileInfo::exists(path)) {
            QFile::remove(path);
        }
    });
}

void flushOperationsLog() {
    operationsLogQueue().waitForIdle();
}

} // namespace marlox::catalog
