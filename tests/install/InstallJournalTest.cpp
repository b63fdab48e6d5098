#include "install/InstallJournal.h"

#include "catalog/OperationsLog.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/ReadOnlyFolder.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;

namespace {

using InstallJournalTest = ScratchHomeTest;

// An install journal of the package glow that nothing was installed for before: undoing it
// removes the live path, since the staged copy it names is gone.
QByteArray journalMoving(const QString& live, const QString& staging,
                         const QString& aside = QString(), const QString& operation = "install") {
    const auto text = [](const QString& path) {
        return path.isEmpty() ? QString("null") : '"' + path + '"';
    };
    return QStringLiteral(R"({"packageID":"glow","operation":"%5","fromVersion":null,)"
                          R"("toVersion":"1.0","previousRecord":[],"staging":["%2"],)"
                          R"("moves":[{"live":"%1","staged":%3,"aside":%4}]})")
        .arg(live, staging, text(staging + "/glow"), text(aside), operation)
        .toUtf8();
}

TEST_F(InstallJournalTest, ReplayRefusesAJournalNamingAnythingItsPackageDoesNotMake) {
    // GIVEN the user's own things, the records, and an aside item outside
    const QString installRoot = installFolderPath();
    const QString support = applicationSupportDirectory();
    const QString ownTitles = home.filePath("home/Movies/Motion Templates.localized/"
                                            "Titles.localized/MyOwnTitles");
    const QString documents = home.filePath("home/Documents");
    writeFile(ownTitles + "/Title.moti", "the user's title");
    writeFile(support + "/installed.json", "[]");
    writeFile(installRoot + "/studio.marlox.other/other.txt", "another package");
    writeFile(documents + "/work.txt", "the user's work");
    writeFile(home.filePath("home/.marlox-aside-1/work.txt"), "not the user's");
    const QString staging = installRoot + "/.marlox-staging-1";
    const auto everything = [&] {
        return treeSnapshot(home.filePath("home/Movies")) + treeSnapshot(documents) +
               treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/.marlox-aside-1")) +
               QStringList{readFile(support + "/installed.json")};
    };
    const QStringList before = everything();
    const QString journal = support + "/.install-journal-1.json";
    const QString glow = installRoot + "/glow";
    for (const auto& [bytes, named] : QList<std::pair<QByteArray, QString>>{
             {journalMoving(ownTitles, staging), ownTitles},
             {journalMoving(support + "/installed.json", staging), support + "/installed.json"},
             {journalMoving(installRoot + "/studio.marlox.other", staging),
              installRoot + "/studio.marlox.other"},
             {journalMoving(glow, staging, documents), documents},
             {journalMoving(glow, staging, installRoot + "/glow-aside"),
              installRoot + "/glow-aside"},
             {journalMoving(glow, documents + "/.marlox-staging-1"),
              documents + "/.marlox-staging-1"},
             {journalMoving(glow, staging, home.filePath("home/.marlox-aside-1")),
              home.filePath("home/.marlox-aside-1")},
             {"{not json", ""},
         }) {
        SCOPED_TRACE(bytes.toStdString());
        clearOperationsLog();
        writeFile(journal, bytes);

        // WHEN the next start replays it
        replayInstallJournal();

        // THEN nothing is touched, the journal is gone, and one line names what was refused
        EXPECT_EQ(everything(), before);
        EXPECT_FALSE(QFileInfo::exists(journal));
        EXPECT_EQ(loggedMessages().filter("Install journal"),
                  QStringList{named.isEmpty()
                                  ? "Install journal ignored: it cannot be read: " + journal
                                  : "Install journal ignored: it names a path its package does "
                                    "not own: " +
                                        named});
    }
}

TEST_F(InstallJournalTest, AJournalStaysUntilEverythingItNamesIsSettled) {
    // GIVEN a journal whose staging folder cannot be removed yet
    const QString installRoot = installFolderPath();
    const QString staging = installRoot + "/.marlox-staging-1";
    writeFile(staging + "/file", "being written");
    const QString journal = applicationSupportDirectory() + "/.install-journal-1.json";
    writeFile(journal, journalMoving(installRoot + "/glow", staging));
    {
        ReadOnlyFolder locked(installRoot);
        ASSERT_TRUE(locked.holds());

        // WHEN the next start replays it, THEN the journal stays, and says why
        replayInstallJournal();
        EXPECT_TRUE(QFileInfo::exists(journal));
        EXPECT_EQ(loggedMessages().filter("Install journal"),
                  QStringList{"Install journal kept: an item it names is still there: " + staging});
    }

    // WHEN a later start can remove it, THEN the staging folder and the journal are gone
    replayInstallJournal();
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_FALSE(QFileInfo::exists(journal));
}

void writeRecords(const QList<InstalledPackage>& records) {
    writeFile(installedRecordsFileURL(), encodeInstalledPackages(records));
}

TEST_F(InstallJournalTest, AnItemNoJournalNamesIsSettledByWhatItsNameSays) {
    const QString installRoot = installFolderPath();
    const QString glow = installRoot + "/glow";
    const InstalledPackage recorded{"glow", "1.0", {}, PackageType::generator, glow, {}};
    const QString uuid = "0F8C2A4E-6B1D-4C3A-9E7F-2D5B8A1C4E6F";
    const QString asideOf10 = installRoot + "/.marlox-aside-" + uuid + "-1.0-glow";
    struct Case {
        const char* name;
        QString recordedVersion;
        QString leftover;
        bool liveThere;
        // What the install folder holds afterwards, and what the log says.
        QString glowHolds;
        QString logged;
    };
    for (const Case& test : {
             Case{"the recorded version, missing", "1.0", asideOf10, false, "1.0",
                  "Left-over item put back: " + glow},
             Case{"the recorded version, replaced", "1.0", asideOf10, true, "1.0",
                  "Left-over item put back: " + glow},
             Case{"a version no longer recorded", "1.1", asideOf10, true, "1.1",
                  "Left-over item removed: " + asideOf10},
             Case{"a version no record named", "1.0",
                  installRoot + "/.marlox-aside-" + uuid + "--glow", false, "nothing",
                  "Left-over item removed: " + installRoot + "/.marlox-aside-" + uuid + "--glow"},
             Case{"a name of earlier versions", "1.0", installRoot + "/.marlox-aside-" + uuid,
                  false, "nothing",
                  "Left-over item removed: " + installRoot + "/.marlox-aside-" + uuid},
             Case{"a staging folder", "1.0", installRoot + "/.marlox-staging-" + uuid, true, "1.1",
                  "Left-over item removed: " + installRoot + "/.marlox-staging-" + uuid},
         }) {
        SCOPED_TRACE(test.name);
        // GIVEN the records, and an item left beside the install folder with no journal
        QDir(installRoot).removeRecursively();
        clearOperationsLog();
        InstalledPackage record = recorded;
        record.version = test.recordedVersion;
        writeRecords({record});
        writeFile(test.leftover + "/version.txt", "1.0");
        if (test.liveThere) {
            writeFile(glow + "/version.txt", "1.1");
        }

        // WHEN the next start runs
        replayInstallJournal();

        // THEN the item is gone, its version back in place or removed, and that is logged
        EXPECT_FALSE(QFileInfo::exists(test.leftover));
        EXPECT_EQ(QFileInfo::exists(glow) ? readFile(glow + "/version.txt") : "nothing",
                  test.glowHolds);
        EXPECT_EQ(loggedMessages(), QStringList{test.logged});
    }
}

TEST_F(InstallJournalTest, ReplayRemovesWhatUnfinishedSavesAndWorkLeftAndKeepsTheRest) {
    // GIVEN the records, a records file kept aside as unreadable, what saves cut short left, and
    // the cache's work folders beside what it keeps
    const QString support = applicationSupportDirectory();
    const QString artifacts = cacheDirectory() + "/RemoteArtifacts/glow/1.0";
    writeFile(installedRecordsFileURL(), "[]");
    for (const QString name :
         {"installed.json.Ab12Cd", "installed.json.unreadable-2026-03-04T09:05:07Z",
          ".install-journal-1.json.xY98zW", "notes.json.Ab12Cd"}) {
        writeFile(support + "/" + name, "left over");
    }
    for (const QString path :
         {"payload-stage-1/a.zip", "payload-expand-2/a", "template-expand-3/b", "backup-4/c",
          "RemoteArtifacts/glow/1.0/.expanding-Ab12Cd/d", "thumbnails/e.png",
          "RemoteArtifacts/glow/1.0/payload.zip", "RemoteArtifacts/glow/1.0/expanded/f"}) {
        writeFile(cacheDirectory() + "/" + path, "left over");
    }

    // WHEN the next start replays the journal, THEN only what the saves and the work left is gone
    replayInstallJournal();
    EXPECT_EQ(QDir(support).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"installed.json", "installed.json.unreadable-2026-03-04T09:05:07Z",
                           "notes.json.Ab12Cd"}));
    EXPECT_EQ(QDir(cacheDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"RemoteArtifacts", "thumbnails"}));
    EXPECT_EQ(QDir(artifacts).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"expanded", "payload.zip"}));
}

} // namespace
