#include "catalog/OperationsLog.h"

#include "CatalogTestSupport.h"
#include "support/SmallFileSystem.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentMap>

#include <ctime>

using namespace marlox::catalog;
using namespace marlox::testing;

namespace {

// The log's lines, empty ones included, once every queued line is written.
QStringList logLines() {
    flushOperationsLog();
    QString text = QString::fromUtf8(readFile(operationsLogFilePath()));
    EXPECT_TRUE(text.endsWith('\n'));
    text.chop(1);
    return text.split('\n');
}

using OperationsLogTest = ScratchHomeTest;

TEST_F(OperationsLogTest, LinesCarryTheUtcTimeInWholeSecondsAndTheMessageUnchanged) {
    // GIVEN a local time zone far from UTC
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Pacific/Kiritimati");
    tzset();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);

    // WHEN a line is logged and cleared, and a plain, an empty and a multi-line message follow
    log("cleared");
    clearOperationsLog();
    for (const char* message : {"Install started: package=a", "", "first\nsecond"}) {
        log(message);
    }
    const QStringList lines = logLines();
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
    qputenv("TZ", zone);
    tzset();

    // THEN the clear came after the line before it, and each line starts with the UTC time
    const QRegularExpression stamped(R"(^\[(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)Z\] (.*)$)");
    QStringList messages;
    for (const QString& line : lines) {
        const auto match = stamped.match(line);
        messages.append(match.hasMatch() ? match.captured(2) : "unstamped " + line);
        const QDateTime stamp = QDateTime::fromString(match.captured(1) + 'Z', Qt::ISODate);
        EXPECT_TRUE(!match.hasMatch() || (stamp >= before && stamp <= after)) << line.toStdString();
    }
    EXPECT_EQ(messages,
              QStringList({"Install started: package=a", "", "first", "unstamped second"}));
}

TEST_F(OperationsLogTest, LinesFromManyThreadsArriveWholeAndInEachThreadsOrder) {
    QList<int> threads = {0, 1, 2, 3, 4, 5, 6, 7};
    QtConcurrent::blockingMap(threads, [](const int& thread) {
        for (int index = 0; index < 125; ++index) {
            log(QString("thread=%1 index=%2 ").arg(thread).arg(index) + QString(40, 'x'));
        }
    });
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1000);
    QList<int> nextIndex(threads.size(), 0);
    const QRegularExpression whole(
        R"(^\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ\] thread=(\d) index=(\d+) x{40}$)");
    for (const QString& line : lines) {
        const auto parts = whole.match(line);
        ASSERT_TRUE(parts.hasMatch()) << line.toStdString();
        EXPECT_EQ(parts.captured(2).toInt(), nextIndex[parts.captured(1).toInt()]++);
    }
}

TEST_F(OperationsLogTest, ALogThatCannotBeWrittenLosesTheLineAndNothingElse) {
    // A folder where the file should be cannot be opened for writing, even by root.
    const std::pair<QString, bool> cases[] = {
        {operationsLogFilePath(), true},
        {applicationSupportDirectory(), false},
    };
    for (const auto& [blocker, isFolder] : cases) {
        SCOPED_TRACE(blocker.toStdString());
        // GIVEN a folder or a file in the way of the log
        QDir(blocker).removeRecursively();
        const QString kept = isFolder ? blocker + "/keep" : blocker;
        writeFile(kept, "kept");

        // WHEN a line is logged
        log("lost");
        flushOperationsLog();

        // THEN what was in the way is left as it was, the next line once it is gone arrives, and
        // a clear removes the file
        EXPECT_EQ(readFile(kept), QByteArray("kept"));
        isFolder ? QDir(blocker).removeRecursively() : QFile::remove(blocker);
        log("next");
        const QStringList lines = logLines();
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(lines[0].endsWith("] next"));
        clearOperationsLog();
        flushOperationsLog();
        EXPECT_FALSE(QFileInfo::exists(operationsLogFilePath()));
    }
}

TEST_F(OperationsLogTest, ALineAFullDiskTakesOnlyInPartIsTakenOutAgain) {
    // GIVEN the log on a small file system, one line in it, then the disk filled to the brim
    SmallFileSystem disk(logsDirectory());
    MARLOX_SKIP_WITHOUT(disk);
    log("first");
    flushOperationsLog();
    disk.fill();

    // WHEN a line longer than the room left in the file's last block is logged, and then, once
    // room is made, another
    log(QString(20000, 'x'));
    flushOperationsLog();
    disk.makeRoom();
    log("after");

    // THEN the log holds the whole lines only, nothing of the long one
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("] first"));
    EXPECT_TRUE(lines[1].endsWith("] after"));
    EXPECT_FALSE(lines[1].contains("xx")) << lines[1].left(80).toStdString();
}

TEST_F(OperationsLogTest, EveryQueuedLineIsWrittenBeforeTheApplicationObjectGoes) {
    // GIVEN a program that queues many lines and lets its application object go at once
    QProcess program;
    program.start(MARLOX_LOG_AT_EXIT_PATH, {"5000"});

    // WHEN it ends, THEN the log held every line once the application object was gone, and the
    // process exited normally
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.readAllStandardOutput().trimmed(), "5001");
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
}

TEST_F(OperationsLogTest, LinesATestLeftAtItsEndStayOutOfTheHomeTheTestsWereStartedIn) {
    // GIVEN a test program whose test logs a burst of lines and ends without waiting for them,
    // started in this test's scratch home as though it were the user's
    QProcess program;
    program.start(MARLOX_LINES_LEFT_PATH, {});

    // WHEN it ends THEN it passed, and none of the lines reached that home
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(marlox::catalog::operationsLogFilePath()));
}

} // namespace
