#include "catalog/OperationsLog.h"

#include "catalog/Environment.h"
#include "platform/PropertyList.h"
#include "support/ScratchHome.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using marlox::testing::readFile;
using marlox::testing::ScratchHomeTest;
using marlox::testing::writeFile;

namespace {

const QRegularExpression
    linePattern(QStringLiteral(R"(^\[(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2})Z\] (.*)$)"));

QStringList logLines() {
    flushOperationsLog();
    QString text = QString::fromUtf8(readFile(operationsLogFilePath()));
    EXPECT_TRUE(text.endsWith('\n'));
    text.chop(1);
    return text.split('\n');
}

class OperationsLogTest : public ScratchHomeTest {};

TEST_F(OperationsLogTest, FirstLineCreatesTheFileInUtcWithWholeSeconds) {
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    log("Install started: package=a");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    const auto match = linePattern.match(lines[0]);
    ASSERT_TRUE(match.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(match.captured(2), "Install started: package=a");
    QDateTime stamp = QDateTime::fromString(match.captured(1), Qt::ISODate);
    stamp.setTimeSpec(Qt::UTC);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, QDateTime::currentDateTimeUtc().addSecs(1));
    EXPECT_TRUE(operationsLogFilePath().startsWith(applicationSupportDirectory() + "/Logs/"));
}

TEST_F(OperationsLogTest, EmptyAndMultiLineMessagesAreWrittenUnchanged) {
    log("");
    log("first\nsecond");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("Z] ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("Z] first"));
    EXPECT_EQ(lines[2], "second");
}

TEST_F(OperationsLogTest, LinesFromManyThreadsArriveWholeAndInEachThreadsOrder) {
    constexpr int threads = 8;
    constexpr int perThread = 125;
    QList<QFuture<void>> writers;
    for (int thread = 0; thread < threads; ++thread) {
        writers.append(QtConcurrent::run([thread] {
            for (int index = 0; index < perThread; ++index) {
                log(QStringLiteral("thread=%1 index=%2 %3")
                        .arg(thread)
                        .arg(index)
                        .arg(QString(40, 'x')));
            }
        }));
    }
    for (auto& writer : writers) {
        writer.waitForFinished();
    }
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), threads * perThread);
    QList<int> nextIndex(threads, 0);
    const QRegularExpression message(QStringLiteral(R"(^thread=(\d+) index=(\d+) x{40}$)"));
    for (const QString& line : lines) {
        const auto whole = linePattern.match(line);
        ASSERT_TRUE(whole.hasMatch()) << line.toStdString();
        const auto parts = message.match(whole.captured(2));
        ASSERT_TRUE(parts.hasMatch()) << line.toStdString();
        const int thread = parts.captured(1).toInt();
        EXPECT_EQ(parts.captured(2).toInt(), nextIndex[thread]++);
    }
}

TEST_F(OperationsLogTest, ClearRemovesTheFileAfterEarlierLinesAndTheNextLineStartsAgain) {
    clearOperationsLog();
    log("one");
    clearOperationsLog();
    log("two");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("] two"));
    clearOperationsLog();
    flushOperationsLog();
    EXPECT_FALSE(QFileInfo::exists(operationsLogFilePath()));
}

TEST_F(OperationsLogTest, AnUnwritableLogLosesTheLineAndIsNotReplaced) {
    // A folder where the file should be cannot be opened for writing, even by root.
    QDir().mkpath(operationsLogFilePath());
    writeFile(operationsLogFilePath() + "/keep", "kept");
    log("lost");
    flushOperationsLog();
    EXPECT_TRUE(QFileInfo(operationsLogFilePath()).isDir());
    EXPECT_EQ(readFile(operationsLogFilePath() + "/keep"), QByteArray("kept"));

    QDir(operationsLogFilePath()).removeRecursively();
    log("kept");
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(OperationsLogTest, SupportFolderThatCannotBeMadeDropsTheLine) {
    writeFile(applicationSupportDirectory(), "a file where the support folder goes");
    log("dropped");
    flushOperationsLog();
    EXPECT_EQ(readFile(applicationSupportDirectory()),
              QByteArray("a file where the support folder goes"));
}

TEST_F(OperationsLogTest, DeveloperBuildLogsIntoTheDeveloperFolder) {
    writeFile(home.filePath("Dev.app/Contents/Info.plist"),
              marlox::platform::xmlPropertyList({{"CFBundleIdentifier", "a.b.developer"}}));
    marlox::platform::Bundle::setMainBundlePath(home.filePath("Dev.app"));
    log("dev");
    flushOperationsLog();
    EXPECT_TRUE(operationsLogFilePath().contains("/MarloxStudioDeveloper/Logs/"));
    EXPECT_TRUE(QFileInfo::exists(operationsLogFilePath()));
}

} // namespace
