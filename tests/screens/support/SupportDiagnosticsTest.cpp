#include "screens/support/SupportDiagnostics.h"

#include "SupportTestSupport.h"
#include "support/ScratchHome.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace marlox::screens;
using namespace marlox::testing;

namespace {

QByteArray numberedLines(int first, int last, const QByteArray& ending = "\n") {
    QByteArray lines;
    for (int line = first; line <= last; ++line) {
        lines += "line " + QByteArray::number(line) + ending;
    }
    return lines;
}

TEST(HostAppVersionTest, ShortVersionWithBuildInParenthesesWhenBothHoldText) {
    const std::pair<QVariantMap, std::optional<QString>> cases[] = {
        {{{"CFBundleShortVersionString", "10.8"}, {"CFBundleVersion", "412.1"}}, "10.8 (412.1)"},
        {{{"CFBundleShortVersionString", "10.8"}}, "10.8"},
        {{{"CFBundleShortVersionString", "10.8"}, {"CFBundleVersion", ""}}, "10.8"},
        {{{"CFBundleShortVersionString", "10.8"}, {"CFBundleVersion", 412}}, "10.8"},
        {{{"CFBundleShortVersionString", ""}, {"CFBundleVersion", "412"}}, ""},
        {{{"CFBundleVersion", "412"}}, std::nullopt},
        {{{"CFBundleShortVersionString", 5.8}}, std::nullopt},
    };
    for (const auto& [info, expected] : cases) {
        EXPECT_EQ(hostAppVersionText(info), expected);
    }
}

TEST(DetectedSystemInfoTest, FillsWhatTheSystemKnowsAndKeepsTheRest) {
    // GIVEN a system that knows Motion and the model, but not Final Cut Pro
    FixedSystemInformation system;
    system.systemVersion = " Version 14.2 (Build 23C64) ";
    system.applications.insert("com.apple.motionapp",
                               {{"CFBundleShortVersionString", "5.8"}, {"CFBundleVersion", "412"}});
    const SystemInfoFields typed{"5.0", "10.7 typed", "typed os", "typed model"};

    // WHEN the fields are refreshed THEN the system version is always replaced
    EXPECT_EQ(
        refreshedSystemInfo(typed, system),
        SystemInfoFields({"5.8 (412)", "10.7 typed", "14.2 (Build 23C64)", "Studio Tower 3"}));

    // AND a system that knows nothing else leaves the typed values
    system.applications.clear();
    system.model.clear();
    system.systemVersion = "Debian GNU/Linux 12 (bookworm)";
    EXPECT_EQ(
        refreshedSystemInfo(typed, system),
        SystemInfoFields({"5.0", "10.7 typed", "Debian GNU/Linux 12 (bookworm)", "typed model"}));
}

TEST(LogExcerptTest, KeepsTheLastFiftyPiecesBetweenAnyLineBreaks) {
    const QString lineSeparator(QChar(0x2028)), paragraphSeparator(QChar(0x2029));
    const std::pair<QByteArray, std::optional<QString>> cases[] = {
        {numberedLines(1, 60), QString::fromLatin1(numberedLines(12, 60))},
        {numberedLines(1, 49), QString::fromLatin1(numberedLines(1, 49))},
        // a carriage return and a line feed are two breaks with an empty piece between them
        {numberedLines(1, 30, "\r\n"), "\n" + QString::fromLatin1(numberedLines(7, 30, "\n\n"))},
        {"a\x0b"
         "b\x0c"
         "c\xc2\x85"
         "d" +
             (lineSeparator + "e" + paragraphSeparator).toUtf8(),
         "a\nb\nc\nd\ne\n"},
        {"", ""},
        {"no break", "no break"},
        {"bad \xff byte\n", std::nullopt},
        {"overlong \xc0\xaf slash", std::nullopt},
        {"surrogate \xed\xa0\x80 half", std::nullopt},
        {"cut \xe2\x80", std::nullopt},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(logExcerpt(bytes), expected) << bytes.left(40).toStdString();
    }
}

using LogFileTest = ScratchHomeTest;

TEST_F(LogFileTest, ReadsOnlyTheTailOfALargeLogFromTheFirstWholeLine) {
    // GIVEN a log of about 3 MB whose cut falls inside a two-byte character, with a byte that is
    // no UTF-8 far before the cut
    const QString path = home.filePath("operations.log");
    QByteArray head = "\xff" + numberedLines(1, 150000, " é\n");
    const QByteArray tail = numberedLines(150001, 200000, " é\n");
    while (static_cast<unsigned char>(head[head.size() - (logExcerptReadLimit - tail.size())]) !=
           0xa9) {
        head.append('x');
    }
    writeFile(path, head + tail);

    // WHEN it is read THEN the excerpt is the whole file's
    EXPECT_EQ(readLogExcerpt(path), logExcerpt(numberedLines(199951, 200000, " é\n")));
}

TEST_F(LogFileTest, TheTailReadStartsAfterItsFirstBreakOfAnyKindWhereverItFalls) {
    const QString path = home.filePath("operations.log");
    const QByteArray tail = "[2026-12-08T10:00:00Z] last\n";
    for (const char lineBreak : {'\n', '\v', '\f', '\r'}) {
        for (qsizetype offset = 0; offset < 17; ++offset) {
            SCOPED_TRACE(testing::Message() << int(lineBreak) << " at " << offset);
            // GIVEN a log whose read part holds its first break `offset` bytes in, after bytes
            // that lie near the breaks' values
            const QByteArray read = QByteArray(offset, '\x0e') + lineBreak + tail;
            writeFile(path, QByteArray(logExcerptReadLimit, '\t') +
                                QByteArray(logExcerptReadLimit - read.size(), '\x09') + read);
            // WHEN it is read THEN the excerpt begins after that break
            EXPECT_EQ(readLogExcerpt(path), logExcerpt(tail));
        }
    }
}

TEST_F(LogFileTest, ALongLastLineIsReadFromItsFirstWholeCharacter) {
    // GIVEN one line of two-byte characters longer than what is read, the cut inside one
    const QString path = home.filePath("operations.log");
    writeFile(path, QByteArray("é").repeated(logExcerptReadLimit) + "y");
    // THEN the excerpt starts at the next whole character
    EXPECT_EQ(readLogExcerpt(path), QString("é").repeated(logExcerptReadLimit / 2 - 1) + "y");
}

TEST_F(LogFileTest, AMissingFolderOrPipeLogReadsAsNothingWithoutWaiting) {
    QDir().mkpath(home.filePath("folder.log"));
    ASSERT_EQ(mkfifo(QFile::encodeName(home.filePath("pipe.log")).constData(), 0600), 0);
    for (const QString name : {"missing.log", "folder.log", "pipe.log"}) {
        EXPECT_EQ(readLogExcerpt(home.filePath(name)), std::nullopt) << name.toStdString();
    }
}

} // namespace
