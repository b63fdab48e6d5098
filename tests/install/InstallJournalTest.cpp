#include "install/InstallJournal.h"

#include "catalog/OperationsLog.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;

namespace {

using InstallJournalTest = ScratchHomeTest;

QByteArray journalMoving(const QString& live, const QString& aside, const QString& staging) {
    return QStringLiteral(R"({"packageID":"glow","operation":"install","fromVersion":null,)"
                          R"("toVersion":"1.0","previousRecord":[],"staging":["%3"],)"
                          R"("moves":[{"live":"%1","staged":null,"aside":"%2"}]})")
        .arg(live, aside, staging)
        .toUtf8();
}

TEST_F(InstallJournalTest, ReplayIgnoresAJournalNamingAnyPathOutsideTheInstallFolders) {
    // GIVEN the user's own folders, and beside them what a journal would rename over them
    const QString documents = home.filePath("home/Documents");
    writeFile(documents + "/work.txt", "the user's work");
    writeFile(home.filePath("home/.marlox-aside-1/work.txt"), "not the user's");
    const QString installRoot = installFolderPath();
    writeFile(installRoot + "/.marlox-aside-2/glow.txt", "an aside copy");
    const QString journal = applicationSupportDirectory() + "/.install-journal-1.json";
    const QString good = installRoot + "/.marlox-staging-1";
    for (const auto& [bytes, named] : QList<std::pair<QByteArray, QString>>{
             {journalMoving(documents, home.filePath("home/.marlox-aside-1"), good), documents},
             {journalMoving(installRoot + "/glow", documents, good), documents},
             {journalMoving(installRoot + "/glow", installRoot + "/.marlox-aside-2", documents),
              documents},
             {journalMoving(installRoot + "/glow", installRoot + "/glow-aside", good),
              installRoot + "/glow-aside"},
             {"{not json", ""},
         }) {
        SCOPED_TRACE(bytes.toStdString());
        clearOperationsLog();
        writeFile(journal, bytes);

        // WHEN the next start replays it
        replayInstallJournal();

        // THEN nothing moves, the journal is gone, and one line names what was refused
        EXPECT_EQ(readFile(documents + "/work.txt"), "the user's work");
        EXPECT_TRUE(QFileInfo::exists(installRoot + "/.marlox-aside-2/glow.txt"));
        EXPECT_FALSE(QFileInfo::exists(journal));
        EXPECT_EQ(loggedMessages(),
                  QStringList{named.isEmpty()
                                  ? "Install journal ignored: it cannot be read: " + journal
                                  : "Install journal ignored: it names a path "
                                    "outside the install folders: " +
                                        named});
    }
}

TEST_F(InstallJournalTest, ReplayRemovesUnfinishedSavesAndKeepsAnUnreadableRecordsFile) {
    // GIVEN the records, a records file kept aside as unreadable, and what saves cut short left
    const QString support = applicationSupportDirectory();
    writeFile(installedRecordsFileURL(), "[]");
    for (const QString name :
         {"installed.json.Ab12Cd", "installed.json.unreadable-2026-03-04T09:05:07Z",
          ".install-journal-1.json.xY98zW", "notes.json.Ab12Cd"}) {
        writeFile(support + "/" + name, "left over");
    }

    // WHEN the next start replays the journal, THEN only what the saves left is gone
    replayInstallJournal();
    EXPECT_EQ(QDir(support).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"installed.json", "installed.json.unreadable-2026-03-04T09:05:07Z",
                           "notes.json.Ab12Cd"}));
}

} // namespace
