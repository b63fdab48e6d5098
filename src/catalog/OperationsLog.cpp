#include "OperationsLog.h"

#include "Environment.h"
#include "base/FileSystem.h"
#include "platform/BackgroundWork.h"
#include "platform/SerialExecutor.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <functional>

namespace marlox::catalog {
namespace {

void stopOperationsLog();

// Named after the bundle identifier plus ".operation-logger", as the serial queue it stands for.
// Its worker must be idle before main returns: a line still being formatted while the static
// data of Qt's calendar is destroyed crashes the process. So it stops with the application
// object, and what is logged after that is written on the caller's thread.
class OperationsLogQueue {
public:
    static OperationsLogQueue& instance() {
        static OperationsLogQueue queue;
        return queue;
    }

    void run(std::function<void()> job) {
        QMutexLocker lock(&m_mutex);
        if (m_stopped) {
            job();
        } else {
            m_worker.run(std::move(job));
        }
    }
    void waitForIdle() { m_worker.waitForIdle(); }
    void stop() {
        {
            QMutexLocker lock(&m_mutex);
            m_stopped = true;
        }
        m_worker.waitForIdle();
    }

private:
    OperationsLogQueue() { qAddPostRoutine(stopOperationsLog); }

    QMutex m_mutex;
    bool m_stopped = false;
    platform::SerialExecutor m_worker;
};

void stopOperationsLog() {
    // The file work on the utility threads logs too, so it ends first.
    platform::utilityThreadPool()->waitForDone();
    OperationsLogQueue::instance().stop();
}

void appendToExistingFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    // ExistingOnly: an item that vanished or cannot be opened is never replaced by a new file.
    // Unbuffered: a line the disk takes only in part is known at once, and taken out again, so
    // that the next line does not go on from its middle.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly |
                   QIODevice::Unbuffered)) {
        return;
    }
    const qint64 sizeBefore = file.size();
    if (file.write(bytes) != bytes.size()) {
        file.resize(sizeBefore);
    }
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
        // A line that cannot be written is lost; the log never fails its caller.
        (void)base::saveWholeFile(path, line);
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
    OperationsLogQueue::instance().run([message] { writeOperationsLogLine(message); });
}

void clearOperationsLog() {
    OperationsLogQueue::instance().run([] {
        const QString path = operationsLogFilePath();
        if (QFileInfo::exists(path)) {
            QFile::remove(path);
        }
    });
}

void flushOperationsLog() {
    OperationsLogQueue::instance().waitForIdle();
}

} // namespace marlox::catalog
