#include "install/InstallJournal.h"

#include "catalog/CatalogService.h"
#include "catalog/OperationsLog.h"
#include "install/FileOperations.h"
#include "support/FileSupport.h"
#include "support/HeldThreads.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/ReadOnlyFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;

namespace {

using InstallJournalTest = ScratchHomeTest;

const QString uuid = "0F8C2A4E-6B1D-4C3A-9E7F-2D5B8A1C4E6F";

// A journal file named as the engine names one, begun at the numbered millisecond of a day.
QString journalFile(int number, const QString& suffix = ".json") {
    return applicationSupportDirectory() +
           QString("/.install-journal-20261207000000%1-").arg(number, 3, 10, QChar('0')) + uuid +
           suffix;
}

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

void writeRecords(const QList<InstalledPackage>& records) {
    writeFile(installedRecordsFileURL(), encodeInstalledPackages(records));
}

// A journal as the engine writes one.
QByteArray journalOf(const QString& packageID, const std::optional<InstalledPackage>& previous,
                     const QStringList& staging, const QList<ItemMove>& moves,
                     bool recordsSaved = false) {
    const auto text = [](const std::optional<QString>& path) {
        return path ? QJsonValue(*path) : QJsonValue();
    };
    QJsonArray movesArray;
    for (const ItemMove& move : moves) {
        movesArray.append(QJsonObject{
            {"live", move.live}, {"staged", text(move.staged)}, {"aside", text(move.aside)}});
    }
    const QList<InstalledPackage> previousRecords =
        previous ? QList{*previous} : QList<InstalledPackage>{};
    return QJsonDocument(
               QJsonObject{
                   {"packageID", packageID},
                   {"operation", "install"},
                   {"toVersion", "2.0"},
                   {"previousRecord",
                    QJsonDocument::fromJson(encodeInstalledPackages(previousRecords)).array()},
                   {"staging", QJsonArray::fromStringList(staging)},
                   {"moves", movesArray},
                   {"recordsSaved", recordsSaved}})
        .toJson(QJsonDocument::Compact);
}

// A file that holds one byte more than a start reads of a journal, without data (sparse).
void writeJournalOverItsBound(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(maximumInstallJournalBytes + 1));
}

TEST_F(InstallJournalTest, ReplayRefusesAJournalNamingAnythingItsPackageDoesNotMake) {
    // GIVEN the user's own things, the records and the log, and an aside item outside
    const QString installRoot = installFolderPath();
    const QString support = applicationSupportDirectory();
    const QString ownTitles = home.filePath("home/Movies/Motion Templates.localized/"
                                            "Titles.localized/MyOwnTitles");
    const QString documents = home.filePath("home/Documents");
    writeFile(ownTitles + "/Title.moti", "the user's title");
    writeFile(support + "/installed.json", "[]");
    writeFile(support + "/Logs/operations.log", "");
    writeFile(installRoot + "/studio.marlox.other/other.txt", "another package");
    writeFile(documents + "/work.txt", "the user's work");
    writeFile(documents + "/.notes", "the user's notes");
    const QString homeAside = home.filePath("home/.marlox-aside-" + uuid);
    writeFile(homeAside + "/work.txt", "not the user's");
    // The studio's folder of a type folder is the application's, but not the folder itself, nor
    // one reached through a link.
    const QString library = home.filePath("home/Movies/Motion Templates.localized");
    writeFile(library + "/Titles.localized/Marlox Studio/Kinetic/Slide/Slide.moti", "slide");
    writeFile(documents + "/Marlox Studio/work.txt", "the user's work");
    ASSERT_TRUE(QFile::link(documents, library + "/Linked.localized"));
    const QString studio = library + "/Titles.localized/Marlox Studio";
    const QString linkedStudioItem = library + "/Linked.localized/Marlox Studio/work.txt";
    // Nor the studio's folder in a folder of the library that is no type folder the engine
    // writes into.
    const QString backup = library + "/Old Backups/Marlox Studio/Cat";
    writeFile(backup + "/Thing/notes.txt", "the user's backup");
    const QString staging = installRoot + "/.marlox-staging-" + uuid;
    const auto everything = [&] {
        return treeSnapshot(home.filePath("home/Movies")) + treeSnapshot(documents) +
               treeSnapshot(home.filePath("home/Applications")) + treeSnapshot(homeAside) +
               QStringList{readFile(support + "/installed.json"),
                           QFileInfo(support + "/Logs").isDir() ? "Logs" : "no Logs"};
    };
    const QStringList before = everything();
    const QString journal = journalFile(1);
    const QString glow = installRoot + "/glow";
    for (const auto& [bytes, named] : QList<std::pair<QByteArray, QString>>{
             {journalMoving(ownTitles, staging), ownTitles},
             {journalMoving(support + "/installed.json", staging), support + "/installed.json"},
             {journalMoving(support + "/Logs", staging), support + "/Logs"},
             {journalMoving(installRoot + "/studio.marlox.other", staging),
              installRoot + "/studio.marlox.other"},
             {journalMoving(documents, staging), documents},
             {journalMoving(studio, staging), studio},
             {journalMoving(linkedStudioItem, staging), linkedStudioItem},
             {journalMoving(glow, staging, documents), documents},
             {journalMoving(glow, staging, installRoot + "/glow-aside"),
              installRoot + "/glow-aside"},
             {journalMoving(glow, documents + "/.marlox-staging-" + uuid),
              documents + "/.marlox-staging-" + uuid},
             {journalMoving(glow, installRoot + "/.Marlox-Staging-" + uuid),
              installRoot + "/.Marlox-Staging-" + uuid},
             {journalMoving(glow, staging, homeAside), homeAside},
             {journalMoving(backup + "/Thing", backup + "/.marlox-staging-" + uuid),
              backup + "/.marlox-staging-" + uuid},
             {"{not json", ""},
         }) {
        SCOPED_TRACE(bytes.toStdString());
        clearOperationsLog();
        writeFile(journal, bytes);

        // WHEN the next start replays it
        settleAtStartUp(bundledRegistrar()).waitForFinished();

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

TEST_F(InstallJournalTest, AJournalOverItsBoundIsLoggedAndKeptAndTheStartGoesOn) {
    // GIVEN a journal one byte larger than any is read (a sparse file), and an older one beside it
    // whose staging folder a killed install left
    const QString support = applicationSupportDirectory();
    const QString tooLarge = journalFile(2);
    QDir().mkpath(support);
    QFile file(tooLarge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(maximumInstallJournalBytes + 1));
    file.close();
    const QString staging = installFolderPath() + "/.marlox-staging-" + uuid;
    writeFile(staging + "/file", "half a copy");
    const QString older = journalFile(1);
    writeFile(older, journalMoving(installFolderPath() + "/glow", staging));

    // WHEN the next start runs
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN the large journal stays as it was and one line says so, and the older one is settled
    EXPECT_EQ(QFileInfo(tooLarge).size(), maximumInstallJournalBytes + 1);
    EXPECT_FALSE(QFileInfo::exists(older));
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_EQ(
        loggedMessages(),
        (QStringList{"Install journal ignored: it is larger than 8 MiB and is kept: " + tooLarge,
                     "Install journal removed: " + staging}));
}

TEST_F(InstallJournalTest, AStartReadsTheNewestJournalsItMayAndLeavesTheRestAndTheAsidesToTheNext) {
    // GIVEN one journal more than a start reads, none readable, and an aside item and a staging
    // folder that no journal that is read names
    const QString support = applicationSupportDirectory();
    for (int journal = 0; journal <= maximumPendingInstallJournals; ++journal) {
        writeFile(journalFile(journal), "{not json");
    }
    const QString oldest = journalFile(0);
    const QString aside = installFolderPath() + "/.marlox-aside-" + uuid + "-1.0-glow";
    const QString staging = installFolderPath() + "/.marlox-staging-" + uuid;
    writeFile(aside + "/file", "glow 1.0");
    writeFile(staging + "/file", "half a copy");

    // WHEN the next start runs, THEN the oldest journal and the aside item wait, and the staging
    // folder, which no undoing needs, is gone
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_EQ(QDir(support).entryList({".install-journal-*"}, QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(oldest).fileName()});
    EXPECT_TRUE(QFileInfo::exists(aside));
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_EQ(loggedMessages().first(), "Install journals left for the next start: 1");

    // WHEN the start after it runs, THEN they are settled
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(oldest));
    EXPECT_FALSE(QFileInfo::exists(aside));
}

TEST_F(InstallJournalTest, JournalsWithOnlyDeletionsLeftTakeNoPlaceOfOthersAndHoldNothingBack) {
    // GIVEN more journals marked as settled than a start reads, each with a trash item left
    const QString installRoot = installFolderPath();
    for (int number = 1; number <= maximumPendingInstallJournals + 1; ++number) {
        const QString id = QFileInfo(journalFile(number)).fileName().mid(17, 54);
        writeFile(installRoot + "/.marlox-trash-" + id + "-0/file", "an old version");
        writeFile(journalFile(number, ".settled.json"),
                  journalOf("other", std::nullopt, {},
                            {{installRoot + "/other", std::nullopt, std::nullopt}}, true));
    }
    // AND, older, a killed first install of glow, and a staging folder no journal names
    const QString glow = installRoot + "/glow";
    writeFile(glow + "/version.txt", "1.0");
    writeFile(journalFile(0), journalMoving(glow, installRoot + "/.marlox-staging-" + uuid));
    const QString orphan = installRoot + "/.marlox-staging-" + QString(uuid).replace('0', 'A');
    writeFile(orphan + "/file", "half a copy");

    // WHEN the next start runs
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN the install is undone and the orphaned staging folder is gone
    EXPECT_FALSE(QFileInfo::exists(glow));
    EXPECT_FALSE(QFileInfo::exists(journalFile(0)));
    EXPECT_FALSE(QFileInfo::exists(orphan));
}

TEST_F(InstallJournalTest, AFileOnlyNamedLikeAJournalIsLoggedAtEachStartAndLeftAlone) {
    // GIVEN files named like journals but not as the engine names them, a link named as it
    // names one, and an unfinished save
    const QString support = applicationSupportDirectory();
    const QString oldShape = support + "/.install-journal-1.json";
    const QString lowerCase = journalFile(1).replace(uuid, uuid.toLower());
    const QString link = journalFile(3);
    writeFile(oldShape, journalMoving(installFolderPath() + "/glow", "staging"));
    writeFile(lowerCase, "{}");
    ASSERT_TRUE(QFile::link(oldShape, link));
    writeFile(support + "/." + QFileInfo(journalFile(2)).fileName() + ".saving-Ab12Cd",
              "half a save");

    // WHEN two starts run
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN each start logs each of the three once, saying why, and they stay
    const QString misnamed =
        "Install journal left alone, not being named as the application names one: ";
    const QStringList eachStart{"Install journal left alone, being a link: " + link,
                                misnamed + lowerCase, misnamed + oldShape};
    EXPECT_EQ(loggedMessages(), eachStart + eachStart);
    EXPECT_TRUE(QFileInfo::exists(oldShape));
    EXPECT_TRUE(QFileInfo::exists(lowerCase));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_F(InstallJournalTest, AJournalStaysUntilEverythingItNamesIsSettled) {
    // GIVEN a journal whose staging folder cannot be removed yet
    const QString installRoot = installFolderPath();
    const QString staging = installRoot + "/.marlox-staging-" + uuid;
    writeFile(staging + "/file", "being written");
    writeFile(journalFile(1), journalMoving(installRoot + "/glow", staging));
    {
        ReadOnlyFolder locked(installRoot);
        ASSERT_TRUE(locked.holds());

        // WHEN the next start replays it, THEN the journal stays, marked as having only
        // deletions left, and says why
        settleAtStartUp(bundledRegistrar()).waitForFinished();
        EXPECT_EQ(QDir(applicationSupportDirectory()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QFileInfo(journalFile(1, ".settled.json")).fileName()});
        EXPECT_EQ(loggedMessages().filter("Install journal"),
                  QStringList{"Install journal kept: an item it names is still there: " + staging});
    }

    // WHEN a later start can remove it, THEN the staging folder and the journal are gone
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(staging));
    EXPECT_EQ(QDir(applicationSupportDirectory()).entryList(QDir::Files | QDir::Hidden),
              QStringList());
}

TEST_F(InstallJournalTest, JournalsKeptForGoodDoNotHoldBackAnOlderOneFromBeingSettled) {
    // GIVEN glow 1.0's template recorded, and an update of it killed after its move aside: the
    // template is missing, its 1.0 copy aside and the staged 2.0 copy beside it
    const QString target = home.filePath("home/Movies/Motion Templates.localized") +
                           "/Generators.localized/Marlox Studio/Blur";
    const QString live = target + "/Fade";
    const QString staging = target + "/.marlox-staging-" + uuid;
    const QString aside = target + "/.marlox-aside-" + uuid + "-1.0-Fade";
    const InstalledPackage glow{"glow", "1.0", {}, PackageType::generator, {}, {live}};
    const QString installRoot = installFolderPath();
    for (const bool overTheirBound : {true, false}) {
        SCOPED_TRACE(overTheirBound ? "journals over their bound" : "journals left to delete");
        QDir(home.filePath("home")).removeRecursively();
        writeRecords({glow});
        writeFile(aside + "/Fade.moti", "1.0");
        writeFile(staging + "/Fade/Fade.moti", "2.0");
        writeFile(journalFile(0),
                  journalOf("glow", glow, {staging}, {{live, staging + "/Fade", aside}}));
        // AND eight newer journals that no start can close: too large to be read, or naming a
        // trash item that cannot be deleted
        for (int number = 1; number <= maximumPendingInstallJournals; ++number) {
            if (overTheirBound) {
                writeJournalOverItsBound(journalFile(number));
                continue;
            }
            const QString other = installRoot + "/other";
            const QString id = QFileInfo(journalFile(number)).fileName().mid(17, 54);
            writeFile(installRoot + "/.marlox-trash-" + id + "-0/file", "cannot go");
            writeFile(journalFile(number),
                      journalOf("other", std::nullopt, {},
                                {{other, std::nullopt,
                                  installRoot + "/.marlox-aside-" + uuid + "--other"}},
                                true));
        }
        ReadOnlyFolder locked(installRoot);
        ASSERT_TRUE(locked.holds());

        // WHEN the application starts a few times
        for (int start = 0; start < 3; ++start) {
            settleAtStartUp(bundledRegistrar()).waitForFinished();
        }

        // THEN the older update is undone: glow 1.0 is whole in its place, as recorded
        EXPECT_EQ(readFile(live + "/Fade.moti"), "1.0");
        EXPECT_FALSE(QFileInfo::exists(aside));
        EXPECT_FALSE(QFileInfo::exists(journalFile(0)));
    }
}

TEST_F(InstallJournalTest, WhileAJournalIsLeftUnreadOnlyTheItemsSetAsideWait) {
    // GIVEN glow 1.0 recorded, 2.0 in its place, and 1.0 aside beside it, named in either way
    const QString installRoot = installFolderPath();
    const QString glow = installRoot + "/glow";
    const QString staging = installRoot + "/.marlox-staging-" + uuid;
    const QString trash = installRoot + "/.marlox-trash-" + uuid;
    for (const QString& aside : {installRoot + "/.marlox-aside-" + uuid + "-1.0-glow",
                                 installRoot + "/.marlox-aside-" + uuid}) {
        SCOPED_TRACE(aside.toStdString());
        QDir(home.filePath("home")).removeRecursively();
        writeRecords({{"glow", "1.0", {}, PackageType::generator, glow, {}}});
        writeFile(glow + "/version.txt", "2.0");
        writeFile(aside + "/version.txt", "1.0");
        // AND a staging folder and a trash item a killed run left
        writeFile(staging + "/version.txt", "3.0");
        writeFile(trash + "/version.txt", "0.9");
        // AND a journal a start does not read, which may name them
        writeJournalOverItsBound(journalFile(1));

        // WHEN the next two starts run
        settleAtStartUp(bundledRegistrar()).waitForFinished();
        settleAtStartUp(bundledRegistrar()).waitForFinished();

        // THEN both copies and the journal stay as they were, and the staging folder and the
        // trash item, which no undoing needs, are gone
        EXPECT_EQ(readFile(aside + "/version.txt"), "1.0");
        EXPECT_EQ(readFile(glow + "/version.txt"), "2.0");
        EXPECT_EQ(QFileInfo(journalFile(1)).size(), maximumInstallJournalBytes + 1);
        EXPECT_FALSE(QFileInfo::exists(staging));
        EXPECT_FALSE(QFileInfo::exists(trash));
    }
}

TEST_F(InstallJournalTest, AStartRegistersNothingAJournalNamesOutsideThePackageFolders) {
    // GIVEN a plug-in bundle of the user's, and a killed first install whose journal says the
    // registry listed that bundle before, and that registering it is a step left to do
    const QString users = home.filePath("home/Documents/Other.pluginkit");
    makeBundle(users, "studio.marlox.other");
    const QString glow = installFolderPath() + "/glow";
    writeFile(glow + "/version.txt", "1.0");
    QJsonObject journal = QJsonDocument::fromJson(
                              journalMoving(glow, installFolderPath() + "/.marlox-staging-" + uuid))
                              .object();
    journal.insert("registrationsBefore",
                   QJsonArray{QJsonObject{{"path", users},
                                          {"identifier", "studio.marlox.other"},
                                          {"version", "1.0"},
                                          {"election", "use"}}});
    journal.insert("registryStepsLeft", QJsonArray{QJsonObject{{"step", "register"},
                                                               {"path", users},
                                                               {"identifier", ""},
                                                               {"version", ""},
                                                               {"election", ""}}});
    writeFile(journalFile(1), QJsonDocument(journal).toJson());

    // WHEN the next start undoes the install
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN the install is gone and the user's bundle was not registered
    EXPECT_FALSE(QFileInfo::exists(glow));
    EXPECT_EQ(registryFileLines(), QStringList());
}

TEST_F(InstallJournalTest, TheSweepNeverGoesThroughALinkInTheLibrary) {
    // GIVEN the user's folder holding items named as the engine names them, which the type folder
    // the engine writes generators into is a link to
    const QString library = home.filePath("home/Movies/Motion Templates.localized");
    const QString users = home.filePath("home/Documents/My Effects");
    writeFile(users + "/Marlox Studio/.marlox-trash-" + uuid + "/Glow.moti", "the user's");
    writeFile(users + "/Marlox Studio/Cat/.marlox-staging-" + uuid + "/Glow.moti", "the user's");
    QDir().mkpath(library);
    ASSERT_TRUE(QFile::link(users, library + "/Effects.localized"));
    // AND a trash item a killed run left in the install folder, so that the start sweeps
    const QString trash = installFolderPath() + "/.marlox-trash-" + uuid;
    writeFile(trash + "/file", "an old version");
    const QStringList before = treeSnapshot(users);

    // WHEN the next start runs
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN the trash item is gone, and nothing in the user's folder is touched or pruned
    EXPECT_FALSE(QFileInfo::exists(trash));
    EXPECT_EQ(treeSnapshot(users), before);
}

TEST_F(InstallJournalTest, TheSweepTakesOnlyTheNamesTheEngineMakesInTheFoldersItWritesInto) {
    // GIVEN glow recorded, a trash item a killed run left beside it, and the studio's templates
    // folder where the engine places generators
    const QString installRoot = installFolderPath();
    writeRecords({{"glow", "1.0", {}, PackageType::generator, installRoot + "/glow", {}}});
    writeFile(installRoot + "/glow/version.txt", "1.0");
    const QString trash = installRoot + "/.marlox-trash-" + uuid;
    writeFile(trash + "/version.txt", "0.9");
    const QString library = home.filePath("home/Movies/Motion Templates.localized");
    const QString studio = library + "/Generators.localized/Marlox Studio";
    // AND the user's folders whose names only look like the engine's, there and in a folder of
    // the library the engine never writes into, and in the support and cache folders
    QStringList usersOwn;
    for (const QString& name :
         QStringList{".Marlox-Trash-Notes", ".MARLOX-STAGING-MINE", ".Marlox-Aside-Mine",
                     ".marlox-trash-notes", ".marlox-staging-" + uuid.toLower(),
                     ".MARLOX-TRASH-" + uuid, ".marlox-aside-" + uuid + "x"}) {
        usersOwn.append({studio + "/" + name, studio + "/Blur/" + name, installRoot + "/" + name});
    }
    usersOwn.append({library + "/Old Backups/Marlox Studio/.marlox-aside-" + uuid + "-1.0-Glow",
                     applicationSupportDirectory() + "/.INSTALL-JOURNAL-notes.JSON",
                     cacheDirectory() + "/Payload-Stage-" + uuid,
                     cacheDirectory() + "/backup-notes"});
    for (const QString& path : usersOwn) {
        writeFile(path + "/notes.txt", "the user's");
    }
    const QStringList before = treeSnapshot(home.filePath("home"));

    // WHEN the next start runs
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN only the trash item is gone: nothing of the user's is touched, no folder pruned
    EXPECT_FALSE(QFileInfo::exists(trash));
    QStringList expected = before;
    expected.removeIf([&](const QString& line) {
        return line.startsWith(".local/share/MarloxStudio/Logs") ||
               line.contains(".marlox-trash-" + uuid);
    });
    QStringList after = treeSnapshot(home.filePath("home"));
    after.removeIf(
        [&](const QString& line) { return line.startsWith(".local/share/MarloxStudio/Logs"); });
    EXPECT_EQ(after, expected);
}

TEST_F(InstallJournalTest, AJournalAtTheReadBoundIsWrittenAndReadAndOnePastItIsRefused) {
    // GIVEN a journal whose file takes exactly what a start reads, its version filling the rest
    InstallJournal probe(InstallJournal::Operation::install, "glow", std::nullopt, "");
    ASSERT_FALSE(probe.write());
    const QStringList written = QDir(applicationSupportDirectory())
                                    .entryList({".install-journal-*"}, QDir::Files | QDir::Hidden);
    ASSERT_EQ(written.size(), 1);
    const qint64 rest = QFileInfo(applicationSupportDirectory() + "/" + written.first()).size();
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    InstallJournal atTheBound(InstallJournal::Operation::install, "glow", std::nullopt,
                              QString(maximumInstallJournalBytes - rest, 'x'));

    // WHEN it is written and the next start runs, THEN the start reads and settles it
    ASSERT_FALSE(atTheBound.write());
    clearOperationsLog();
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_EQ(loggedMessages().filter("Install journal"), QStringList());
    EXPECT_TRUE(QDir(applicationSupportDirectory())
                    .entryList({".install-journal-*"}, QDir::Files | QDir::Hidden)
                    .isEmpty());

    // WHEN a journal one byte larger is written, THEN it is refused and nothing is written
    InstallJournal past(InstallJournal::Operation::install, "glow", std::nullopt,
                        QString(maximumInstallJournalBytes - rest + 1, 'x'));
    const InstallFailure refused = past.write();
    ASSERT_TRUE(refused);
    EXPECT_EQ(description(*refused),
              "The operation moves too many items: its install journal would take 8.0 MiB, more "
              "than the 8 MiB a start reads. Nothing was changed.");
    EXPECT_TRUE(QDir(applicationSupportDirectory())
                    .entryList({".install-journal-*"}, QDir::Files | QDir::Hidden)
                    .isEmpty());
}

TEST_F(InstallJournalTest, APreviousVersionThatCannotBePutBackIsLogged) {
    // GIVEN glow 1.0 recorded, an update killed with 2.0 live and 1.0 aside, in a folder where
    // nothing can be renamed
    const QString installRoot = installFolderPath();
    const QString glow = installRoot + "/glow";
    const InstalledPackage recorded{"glow", "1.0", {}, PackageType::generator, glow, {}};
    writeRecords({recorded});
    const QString staging = installRoot + "/.marlox-staging-" + uuid;
    const QString aside = installRoot + "/.marlox-aside-" + uuid + "-1.0-glow";
    writeFile(glow + "/version.txt", "2.0");
    writeFile(aside + "/version.txt", "1.0");
    writeFile(journalFile(1), journalOf("glow", recorded, {staging}, {{glow, staging, aside}}));
    ReadOnlyFolder locked(installRoot);
    ASSERT_TRUE(locked.holds());

    // WHEN the next start undoes the update, THEN the log says that 1.0 could not be put back
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    const QStringList logged = loggedMessages().filter("Install journal could not put back: ");
    ASSERT_EQ(logged.size(), 1) << loggedMessages().join("\n").toStdString();
    EXPECT_TRUE(logged.first().contains(installRoot)) << logged.first().toStdString();
    EXPECT_EQ(readFile(aside + "/version.txt"), "1.0");
}

TEST_F(InstallJournalTest, AnItemNoJournalNamesIsSettledByWhatItsNameSays) {
    const QString installRoot = installFolderPath();
    const QString glow = installRoot + "/glow";
    const InstalledPackage recorded{"glow", "1.0", {}, PackageType::generator, glow, {}};
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
        settleAtStartUp(bundledRegistrar()).waitForFinished();

        // THEN the item is gone, its version back in place or removed, and that is logged
        EXPECT_FALSE(QFileInfo::exists(test.leftover));
        EXPECT_EQ(QFileInfo::exists(glow) ? readFile(glow + "/version.txt") : "nothing",
                  test.glowHolds);
        EXPECT_EQ(loggedMessages(), QStringList{test.logged});
    }
}

TEST_F(InstallJournalTest, PlantedAsideAndTrashLinksInAnOwnedFolderAreRemovedAndNeverFollowed) {
    // GIVEN glow 1.0 installed and recorded, and the user's documents
    const QString installRoot = installFolderPath();
    const QString glow = installRoot + "/glow";
    writeFile(glow + "/version.txt", "1.0");
    writeRecords({{"glow", "1.0", {}, PackageType::generator, glow, {}}});
    const QString documents = home.filePath("home/Documents");
    writeFile(documents + "/work.txt", "the user's work");
    const QStringList documentsBefore = treeSnapshot(documents);
    const QString library = home.filePath("home/Movies/Motion Templates.localized");
    const QString studio = library + "/Generators.localized/Marlox Studio";
    QDir().mkpath(library);
    for (const QString& folder : {installRoot, studio, studio + "/Kinetic"}) {
        SCOPED_TRACE(folder.toStdString());
        // AND in an owned folder, with no journal, links that point at the documents, named as
        // the aside item of glow 1.0 and as a trash item
        const QStringList links = {folder + "/.marlox-aside-" + uuid + "-1.0-glow",
                                   folder + "/.marlox-trash-" + uuid};
        QDir().mkpath(folder);
        for (const QString& link : links) {
            ASSERT_TRUE(QFile::link(documents, link));
        }

        // WHEN the next start runs
        settleAtStartUp(bundledRegistrar()).waitForFinished();

        // THEN the links and the library's folders they alone held are gone, and the install,
        // the library and the documents are as they were
        for (const QString& link : links) {
            EXPECT_FALSE(itemExists(link));
        }
        EXPECT_FALSE(QFileInfo::exists(library + "/Generators.localized"));
        EXPECT_TRUE(QFileInfo(library).isDir());
        EXPECT_EQ(
            QDir(installRoot)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList{"glow"});
        EXPECT_EQ(readFile(glow + "/version.txt"), "1.0");
        EXPECT_EQ(treeSnapshot(documents), documentsBefore);
    }
}

TEST_F(EngineTest, AnUpdateWhoseJournalWasCutInHalfIsUndoneByTheNamesOfItsItems) {
    // GIVEN version 1.0 installed and recorded
    makeBundle(payloadRoot + "/1.0/Glow.pluginkit", "", "1.0");
    makeBundle(payloadRoot + "/1.1/Glow.pluginkit", "", "1.1");
    const auto first = installed(package("glow", "1.0"));
    writeRecords({recordOf(package("glow", "1.0"), first)});
    const QStringList recorded = treeSnapshot(installRoot);

    // WHEN the update to 1.1 is in place but its record not yet saved, and its journal is cut in
    // half
    PackageManifest update = package("glow", "1.1");
    update.version = "1.1";
    ASSERT_TRUE(install(update, recordOf(package("glow", "1.0"), first)));
    cutPendingJournalInHalf();

    // THEN the next start puts the recorded version back, by the version the aside item's name
    // holds, and leaves nothing over
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_EQ(treeSnapshot(installRoot), recorded);
    EXPECT_TRUE(leftoverWorkFolders().isEmpty()) << leftoverWorkFolders().join(", ").toStdString();
}

TEST_F(EngineTest, AnUndoWhoseRegistryStepFailsLeavesItToTheNextStartAndNothingElse) {
    // GIVEN glow 1.0 installed and listed by the registry, then its update to 1.1 in place
    const QString identifier = "studio.marlox.glow.plugin";
    makeBundle(payloadRoot + "/1.0/Glow.pluginkit", identifier, "1.0");
    makeBundle(payloadRoot + "/1.1/Glow.pluginkit", identifier, "1.1");
    const PackageManifest first = package("glow", "1.0");
    const InstallResult installedFirst = installed(first);
    const QStringList firstFiles = treeSnapshot(installRoot);
    const QString plugin = canonicalPath(installedFirst.installPath + "/Glow.pluginkit");
    const auto listing = [&](const QString& version) {
        return ("+    " + identifier + "(" + version + ")\t" + uuid +
                "\t2026-01-01 10:00:00 +0000\t" + plugin + "\n")
            .toUtf8();
    };
    pluginkit.reply("-m", listing("1.0"));
    ASSERT_TRUE(install(package("glow", "1.1"), recordOf(first, installedFirst)));

    // WHEN its records cannot be saved, and the undo finds the registry refusing to register
    pluginkit.reply("-m", listing("1.1"));
    pluginkit.fail("-a", 1, "the registry is busy");
    rollBackInstallJournal(engine().registrar());

    // THEN 1.0 is back, and the step is logged and kept in a journal marked as settled
    EXPECT_EQ(treeSnapshot(installRoot), firstFiles);
    EXPECT_EQ(loggedMessages().filter("Install journal registry step left").size(), 1);
    EXPECT_TRUE(pendingJournal().endsWith(".settled.json"));

    // WHEN the next start finds the registry working THEN it registers 1.0 again, elected as it
    // was, and changes nothing else
    pluginkit.fail("-a", 0);
    const qsizetype callsBefore = pluginkit.calls().size();
    settleAtStartUp(engine().registrar()).waitForFinished();
    EXPECT_EQ(pluginkit.calls().mid(callsBefore),
              (QStringList{"-m -A -D -v", "-a " + plugin, "-e use -i " + identifier}));
    EXPECT_EQ(treeSnapshot(installRoot), firstFiles);
    EXPECT_TRUE(leftoverWorkFolders().isEmpty()) << leftoverWorkFolders().join(", ").toStdString();
}

TEST_F(EngineTest, ARepairWhoseJournalSaysItsRecordsWereSavedIsFinishedThoughTheRecordIsEqual) {
    // GIVEN glow 1.0 installed and recorded, whose copy gained a stray file, and a repair whose
    // journal says its records were saved, which left the record as it was (the same version,
    // installed within the same second)
    makeBundle(payloadRoot + "/Glow/Glow.pluginkit", "");
    const PackageManifest glow = package("glow", "Glow");
    const InstalledPackage record = recordOf(glow, installed(glow));
    writeRecords({record});
    const QStringList whole = treeSnapshot(installRoot);
    writeFile(record.installPath + "/stray.txt", "not the package's");
    ASSERT_TRUE(install(glow, record));
    const QString journal = pendingJournal();
    QByteArray bytes = readFile(journal);
    ASSERT_TRUE(bytes.contains(R"("recordsSaved":false)"));
    writeFile(journal, bytes.replace(R"("recordsSaved":false)", R"("recordsSaved":true)"));

    // WHEN the next start settles it, THEN the repaired copy stays and the previous one goes
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    EXPECT_EQ(treeSnapshot(installRoot), whole);
    EXPECT_TRUE(leftoverWorkFolders().isEmpty()) << leftoverWorkFolders().join(", ").toStdString();
}

TEST_F(EngineTest, AStartUndoingAnOperationLogsAsRemovedOnlyWhatItRemoved) {
    makeBundle(payloadRoot + "/Glow/Glow.pluginkit", "");
    const PackageManifest glow = package("glow", "Glow");
    const QString live = installRoot + "/glow";
    struct Case {
        const char* name;
        bool recordedBefore;
        QStringList logged;
    };
    for (const Case& test : {
             Case{"a first install", false, {"Install journal removed: " + live}},
             Case{"a repair of the recorded version", true, {"Install journal put back: " + live}},
         }) {
        SCOPED_TRACE(test.name);
        // GIVEN glow installed by a run killed before its records were saved
        QDir(installRoot).removeRecursively();
        std::optional<InstalledPackage> previous;
        if (test.recordedBefore) {
            previous = recordOf(glow, installed(glow));
        }
        writeRecords(previous ? QList{*previous} : QList<InstalledPackage>{});
        ASSERT_TRUE(install(glow, previous));
        clearOperationsLog();

        // WHEN the next start undoes it
        settleAtStartUp(bundledRegistrar()).waitForFinished();

        // THEN the log names as removed only a folder that is gone, and the previous copy as put
        // back in its place
        EXPECT_EQ(itemExists(live), test.recordedBefore);
        EXPECT_EQ(loggedMessages(), test.logged);
    }
}

TEST_F(EngineTest, AStartTellsWhatAJournalRemovesAndPrunesFoldersHoldingOnlyTheSystemsMarkers) {
    // GIVEN glow's plug-in and templates, which the catalog lists, removed by a run killed once
    // its record was gone; the type folder holds the system's marker, the category folder a
    // .DS_Store, and the install folder a note of the user's
    PackageManifest glow = package("glow", "Glow");
    glow.motionTemplatePayloadPath = "Titles/Glow Title";
    makeBundle(payloadRoot + "/Glow/Glow.pluginkit", "");
    writeFile(payloadRoot + "/Titles/Glow Title/Title.moti", "title");
    writeFile(CatalogService::remoteManifestCachePath(),
              encodeCatalogManifest({"1", "now", {glow}}));
    const InstallResult result = installed(glow, std::nullopt, templatesRoot);
    const QString types = templatesRoot + "/Generators.localized";
    writeFile(types + "/.localized", "");
    writeFile(types + "/Marlox Studio/Blur/.DS_Store", "");
    writeFile(installRoot + "/.notes", "the user's");
    ASSERT_FALSE(engine().uninstall(recordOf(glow, result)));
    writeRecords({});
    clearOperationsLog();

    // WHEN the next start settles it
    settleAtStartUp(bundledRegistrar()).waitForFinished();

    // THEN the items and the folders that held only markers are gone, each named in the log, and
    // the install folder keeps the user's note
    EXPECT_FALSE(QFileInfo::exists(types));
    EXPECT_EQ(QDir(installRoot).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{".notes"});
    const QRegularExpression uuid("[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}");
    EXPECT_EQ(
        loggedMessages().replaceInStrings(uuid, "<UUID>"),
        (QStringList{"Install journal removed: " + installRoot + "/.marlox-aside-<UUID>-1.0.0-glow",
                     "Install journal removed: " + types +
                         "/Marlox Studio/Blur/.marlox-aside-<UUID>-1.0.0-Glow Title",
                     "Install journal removed: " + types + "/Marlox Studio/Blur",
                     "Install journal removed: " + types + "/Marlox Studio",
                     "Install journal removed: " + types}));
}

TEST_F(InstallJournalTest, TheStartLeavesTheDeletionOfALeftOverTreeToTheBackground) {
    // GIVEN a staging folder a killed run left, and every low-priority thread busy
    const QString staging = installFolderPath() + "/.marlox-staging-" + uuid;
    writeFile(staging + "/Glow.pluginkit/Contents/Info.plist", "half a copy");
    HeldThreads utilityThreads;

    // WHEN the next start runs, THEN it returns before the folder is deleted, which happens once
    // a thread is free
    QFuture<void> settling = settleAtStartUp(bundledRegistrar());
    EXPECT_TRUE(QFileInfo::exists(staging));
    utilityThreads.letGo();
    settling.waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(staging));
}

TEST_F(InstallJournalTest, ReplayRemovesWhatUnfinishedSavesAndWorkLeftAndKeepsTheRest) {
    // GIVEN the records, a records file kept aside as unreadable, the user's copies of it, what
    // saves cut short left, and the cache's work folders beside what it keeps
    const QString support = applicationSupportDirectory();
    const QString artifacts = cacheDirectory() + "/RemoteArtifacts/glow/1.0";
    writeFile(installedRecordsFileURL(), "[]");
    const QStringList kept{"installed.json.unreadable-2026-03-04T09:05:07Z",
                           "installed.json.backup", "installed.json.before",
                           "installed.json.Ab12Cd", ".notes.json.saving-Ab12Cd"};
    for (const QString& name :
         kept + QStringList{".installed.json.saving-Ab12Cd",
                            "." + QFileInfo(journalFile(1)).fileName() + ".saving-xY98zW"}) {
        writeFile(support + "/" + name, "left over");
    }
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(support + "/.installed.json.saving-Pipe01").constData(), 0600),
        0);
    for (const QString& path : QStringList{
             "payload-stage-" + uuid + "/a.zip", "payload-expand-" + uuid + "/a",
             "template-expand-" + uuid + "/b", "backup-" + uuid + "/c",
             "RemoteArtifacts/glow/1.0/.expanding-Ab12Cd/d", "thumbnails/e.png",
             "RemoteArtifacts/glow/1.0/payload.zip", "RemoteArtifacts/glow/1.0/expanded/f"}) {
        writeFile(cacheDirectory() + "/" + path, "left over");
    }

    // WHEN the next start replays the journal, THEN only what the saves and the work left is gone
    settleAtStartUp(bundledRegistrar()).waitForFinished();
    QStringList expected = kept + QStringList{"installed.json", ".installed.json.saving-Pipe01"};
    expected.sort();
    QStringList left = QDir(support).entryList(QDir::Files | QDir::Hidden | QDir::System);
    left.sort();
    EXPECT_EQ(left, expected);
    EXPECT_EQ(QDir(cacheDirectory()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"RemoteArtifacts", "thumbnails"}));
    EXPECT_EQ(QDir(artifacts).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"expanded", "payload.zip"}));
}

} // namespace
