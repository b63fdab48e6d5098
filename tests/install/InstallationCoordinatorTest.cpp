#include "install/InstallationCoordinator.h"

#include "catalog/InstalledPackageStore.h"
#include "install/InstallJournal.h"
#include "install/MotionTemplatesAccessService.h"
#include "support/FileSupport.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScreenServices.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;

namespace {

const QString glowID = "studio.marlox.glow";
const QString anotherOperation =
    "Another install/remove operation is currently running. Please wait until it finishes.";
const QStringList installedHistory = {"Installing...", "Installed"};

bool runMainLoopUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

QString startedLine(const PackageManifest& package) {
    return "Install started: package=" + package.id + ", version=" + package.version +
           ", type=" + rawValue(package.type);
}

QString succeededLine(const QString& id, const QString& path) {
    return "Install succeeded: package=" + id + ", path=" + path;
}

// The real services in a scratch home (see ScreenServices), a loopback server for downloads,
// and the coordinator's statuses and bulk progress as they were published.
class CoordinatorTest : public ScratchHomeTest {
protected:
    CoordinatorTest() { recordEvents(); }
    ~CoordinatorTest() override {
        if (heldPluginkit) {
            heldPluginkit->release();
        }
    }

    // Remakes the coordinator over an engine whose pluginkit's first call waits until released.
    void holdRegistration() {
        heldPluginkit.emplace(services.holdRegistration(home.filePath("held")));
        recordEvents();
    }
    void recordEvents() {
        const auto* published = coordinator.get();
        QObject::connect(published, &InstallationCoordinator::statusMessageByIDChanged, [=, this] {
            const auto& statuses = published->statusMessageByID();
            for (auto status = statuses.cbegin(); status != statuses.cend(); ++status) {
                QStringList& history = statusHistory[status.key()];
                if (history.isEmpty() || history.last() != status.value()) {
                    history.append(status.value());
                }
            }
        });
        QObject::connect(published, &InstallationCoordinator::bulkInstallProgressChanged,
                         [=, this] {
                             const auto& progress = published->bulkInstallProgress();
                             progressHistory.append(progress ? QString("%1/%2 %3")
                                                                   .arg(progress->current)
                                                                   .arg(progress->total)
                                                                   .arg(progress->packageName)
                                                             : "none");
                         });
    }
    bool settle() { return services.settle(); }
    bool installAndSettle(const PackageManifest& package) {
        return services.installAndSettle(package);
    }
    bool settleBulkRun() {
        return runMainLoopUntil([&] {
            return progressHistory.value(progressHistory.size() - 1) == "none" &&
                   coordinator->activePackageIDs().isEmpty();
        });
    }
    // What the user could see: the plug-in and template folders, the records, the registry.
    QStringList diskState() const {
        return treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/Movies")) +
               QStringList{QString::fromUtf8(readFile(installedRecordsFileURL()))} +
               registeredPluginLines();
    }
    // Glow served as a zip holding Payloads/Glow/Glow.pluginkit, whose version.txt holds the
    // version, with the archive's digest in the catalog.
    PackageManifest servedGlowPackage(const QString& version) {
        const QString zipPath = home.filePath("served/glow-" + version + ".zip");
        const QString bundle = home.filePath("served/" + version + "/Payloads/Glow/Glow.pluginkit");
        makeBundle(bundle, "studio.marlox.glow.plugin", version);
        writeFile(bundle + "/Contents/Resources/version.txt", version.toUtf8());
        zipTree(home.filePath("served/" + version), zipPath);
        server.setAnswer("/glow-" + version + ".zip", HttpAnswer{200, readFile(zipPath), {}, {}});
        PackageManifest package = namedPackage(glowID, "Glow", version);
        package.type = PackageType::filter;
        // Looked up inside the archive's single top-level folder.
        package.bundlePayloadPath = "Glow";
        package.downloadURL = server.url("/glow-" + version + ".zip").toString();
        package.sha256 = QString::fromLatin1(
            QCryptographicHash::hash(readFile(zipPath), QCryptographicHash::Sha256).toHex());
        return package;
    }
    // A folder where installed.json must be written, so that every save fails.
    static void makeRecordsUnsavable() {
        ASSERT_TRUE(QFile::remove(installedRecordsFileURL()));
        ASSERT_TRUE(QDir().mkpath(installedRecordsFileURL()));
    }
    // The record as "version type path [template paths]", once installed.json and the store agree.
    QString recordLine(const QString& id) const {
        EXPECT_EQ(readInstalledRecords(), store.installedByID());
        const auto saved = store.record(id);
        return saved ? saved->version + ' ' + rawValue(saved->packageType) + ' ' +
                           saved->installPath + " [" + saved->templateInstallPaths.join(", ") + ']'
                     : "none";
    }

    QString installFolder = installFolderPath();
    QString templatesFolder = motionTemplatesFolderPath();
    ScreenServices services{home};
    // Follows the coordinator the services remake.
    std::unique_ptr<InstallationCoordinator>& coordinator = services.coordinator;
    InstalledPackageStore& store = services.store;
    MotionTemplatesAccessService& templatesAccess = services.templatesAccess;
    std::optional<HeldTool> heldPluginkit;
    LoopbackHttpServer server;
    QMap<QString, QStringList> statusHistory;
    QStringList progressHistory;
};

} // namespace

TEST_F(CoordinatorTest, InstallsRegistersAndRecordsABuiltInPackageThenRemovesIt) {
    // GIVEN Countdown Pro, whose payload is a folder in the bundle
    const PackageManifest package = builtInPackage(countdownID);
    const QString startedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);

    // WHEN it is installed, THEN the payload folder is its install folder, it is recorded with
    // the time in ISO 8601 UTC, and the start and the success are logged
    ASSERT_TRUE(installAndSettle(package));
    const QString installPath = installFolder + "/" + countdownID;
    EXPECT_EQ(statusHistory.value(countdownID), installedHistory);
    EXPECT_EQ(recordLine(countdownID), "2.3.0 generator " + installPath + " []");
    const QString installedAt = store.record(countdownID)->installedAtISO8601;
    EXPECT_TRUE(
        QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)").match(installedAt).hasMatch())
        << installedAt.toStdString();
    EXPECT_GE(installedAt, startedAt);
    EXPECT_LE(installedAt, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    EXPECT_EQ(loggedMessages(),
              (QStringList{startedLine(package), succeededLine(countdownID, installPath)}));
    EXPECT_FALSE(coordinator->presentedErrorMessage());

    // WHEN it is removed, THEN it is in flight at once, then gone from disk and records
    coordinator->uninstall(countdownID);
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Removing...");
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Removed");
    EXPECT_FALSE(QFileInfo::exists(installPath));
    EXPECT_EQ(recordLine(countdownID), "none");
    EXPECT_EQ(loggedMessages(2),
              (QStringList{"Uninstall started: package=" + countdownID + ", path=" + installPath,
                           "Uninstall succeeded: package=" + countdownID}));
}

TEST_F(CoordinatorTest, RemoteUpdateReplacesTheFolderInPlaceAndAFailedOneKeepsThePrevious) {
    // GIVEN Glow 1.0 installed from a zip
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const QString installPath = installFolder + "/" + glowID;
    EXPECT_EQ(statusHistory.value(glowID), installedHistory);
    EXPECT_EQ(readFile(installPath + "/Glow.pluginkit/Contents/Resources/version.txt"), "1.0");
    EXPECT_EQ(recordLine(glowID), "1.0 filter " + installPath + " []");
    const auto previousRecord = store.record(glowID);
    const QStringList before = diskState();

    // WHEN the update to 1.1 fails its digest
    const PackageManifest update = servedGlowPackage("1.1");
    PackageManifest wrongDigest = update;
    wrongDigest.sha256 = QString(64, '0');
    const QString error = "Downloaded artifact checksum mismatch. Expected " + *wrongDigest.sha256 +
                          ", got " + *update.sha256 + ".";
    statusHistory.clear();
    const qsizetype seen = loggedMessages().size();
    ASSERT_TRUE(installAndSettle(wrongDigest));

    // THEN it is reported failed by name, and 1.0 stays recorded and on disk as it was
    EXPECT_EQ(statusHistory.value(glowID), (QStringList{"Installing...", "Failed"}));
    EXPECT_EQ(coordinator->presentedErrorMessage(), "Failed to install Glow: " + error);
    EXPECT_EQ(loggedMessages(seen),
              (QStringList{startedLine(update),
                           "Install failed: package=" + glowID + ", error=" + error}));
    EXPECT_EQ(store.record(glowID), previousRecord);
    EXPECT_EQ(diskState(), before);

    // WHEN 1.1 is installed over a folder that gained a file, THEN the folder holds 1.1 alone, at
    // the same path, with nothing migrated
    writeFile(installPath + "/stray.txt", "left over");
    ASSERT_TRUE(installAndSettle(update));
    EXPECT_EQ(readFile(installPath + "/Glow.pluginkit/Contents/Resources/version.txt"), "1.1");
    EXPECT_FALSE(QFileInfo::exists(installPath + "/stray.txt"));
    EXPECT_EQ(recordLine(glowID), "1.1 filter " + installPath + " []");
    EXPECT_TRUE(loggedMessages().filter("Previous install removed").isEmpty());
}

TEST_F(CoordinatorTest, AToolsComplaintIsShownAndLoggedWithoutTheLineBreakItEndsWith) {
    // GIVEN a package served as an archive the expansion tool cannot read
    PackageManifest package = servedGlowPackage("1.0");
    const QByteArray notAZip = "not a zip archive";
    server.setAnswer("/glow-1.0.zip", HttpAnswer{200, notAZip, {}, {}});
    package.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(notAZip, QCryptographicHash::Sha256).toHex());

    // WHEN it is installed
    const qsizetype seen = loggedMessages().size();
    ASSERT_FALSE(installAndSettle(package));

    // THEN the alert and the log give the tool's complaint, without an empty line after it
    const QString shown = coordinator->presentedErrorMessage().value_or("");
    EXPECT_TRUE(shown.startsWith("Failed to install Glow: ditto: ")) << shown.toStdString();
    EXPECT_FALSE(shown.back().isSpace()) << shown.toStdString();
    marlox::catalog::flushOperationsLog();
    const QString log = QString::fromUtf8(readFile(marlox::catalog::operationsLogFilePath()));
    EXPECT_FALSE(log.contains("\n\n")) << log.toStdString();
    EXPECT_EQ(loggedMessages(seen).filter("Install failed").size(), 1);
}

TEST_F(CoordinatorTest, UpdateWhoseRecordsCannotBeSavedFailsAndPutsThePreviousVersionBack) {
    // GIVEN Glow 1.0 installed, saved and registered, then a folder where installed.json must be
    // written
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const auto recorded = store.record(glowID);
    const QStringList before = treeSnapshot(installFolder);
    const QStringList registeredBefore = registryFileLines();
    ASSERT_EQ(registeredBefore.size(), 1);
    makeRecordsUnsavable();

    // WHEN 1.1 is installed
    coordinator->install(servedGlowPackage("1.1"));
    ASSERT_TRUE(settle());

    // THEN the install failed and says why, the records still hold 1.0, which is in place and
    // registered as it was, and no journal is left for a start to settle
    EXPECT_EQ(statusHistory.value(glowID).last(), "Failed");
    EXPECT_TRUE(coordinator->presentedErrorMessage().value_or("").contains(
        "The file “" + installedRecordsFileURL() + "” could not be saved"))
        << coordinator->presentedErrorMessage().value_or("").toStdString();
    EXPECT_EQ(store.record(glowID), recorded);
    EXPECT_EQ(treeSnapshot(installFolder), before);
    EXPECT_EQ(registryFileLines(), registeredBefore);
    EXPECT_TRUE(QDir(applicationSupportDirectory())
                    .entryList({".install-journal-*"}, QDir::Files | QDir::Hidden)
                    .isEmpty());
}

TEST_F(CoordinatorTest, RemovalWhoseRecordsCannotBeSavedFailsAndKeepsThePackageRegistered) {
    // GIVEN Countdown installed, saved and registered, then a folder where installed.json must be
    // written
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const auto recorded = store.record(countdownID);
    const QStringList before = treeSnapshot(installFolder);
    const QStringList registeredBefore = registryFileLines();
    ASSERT_FALSE(registeredBefore.isEmpty());
    makeRecordsUnsavable();

    // WHEN it is removed
    coordinator->uninstall(countdownID);
    ASSERT_TRUE(settle());

    // THEN the removal failed and says why, and the package is recorded, in place and registered
    // as it was
    EXPECT_EQ(statusHistory.value(countdownID).last(), "Failed");
    EXPECT_TRUE(coordinator->presentedErrorMessage().value_or("").contains("could not be saved"))
        << coordinator->presentedErrorMessage().value_or("").toStdString();
    EXPECT_EQ(store.record(countdownID), recorded);
    EXPECT_EQ(treeSnapshot(installFolder), before);
    EXPECT_EQ(registryFileLines(), registeredBefore);
}

TEST_F(CoordinatorTest, FirstInstallWhoseRecordsCannotBeSavedLeavesNothingRegistered) {
    // GIVEN another package installed and registered, then a folder where installed.json must be
    // written
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const QStringList registeredBefore = registryFileLines();
    makeRecordsUnsavable();

    // WHEN Glow is installed for the first time
    coordinator->install(servedGlowPackage("1.0"));
    ASSERT_TRUE(settle());

    // THEN it failed, its folder is gone, and the registry is as it was
    EXPECT_EQ(statusHistory.value(glowID).last(), "Failed");
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/" + glowID));
    EXPECT_EQ(registryFileLines(), registeredBefore);
}

TEST_F(CoordinatorTest, TemplatesInstallIsParkedUntilTheTemplatesFolderCanBePrepared) {
    // GIVEN a file where the Motion Templates folder must be
    ASSERT_TRUE(QDir(templatesFolder).removeRecursively());
    writeFile(templatesFolder, "not a folder");
    const PackageManifest package = builtInPackage(kineticTitlesID);

    // WHEN a plug-in package without templates is requested, THEN it installs without waiting
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    EXPECT_EQ(statusHistory.value(countdownID), installedHistory);
    EXPECT_FALSE(coordinator->pendingPermissionPackage());
    EXPECT_EQ(templatesAccess.accessState(), FolderAccessState::needsAccess);
    const qsizetype seen = loggedMessages().size();

    // WHEN the templates package is requested, or resumed while the folder still cannot be made,
    // THEN it is parked waiting for access and nothing starts
    coordinator->install(package);
    coordinator->resumePendingInstall();
    EXPECT_EQ(coordinator->statusMessageByID().value(kineticTitlesID), "Waiting for Access");
    EXPECT_EQ(coordinator->pendingPermissionPackage(), package);
    EXPECT_TRUE(coordinator->pendingPermissionNeedsTemplatesAccess());
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_EQ(loggedMessages(seen), QStringList{"Install paused for package=" + kineticTitlesID +
                                                ": awaiting sandbox folder approval."});

    // WHEN the folder is prepared from the overlay and the install resumed
    ASSERT_TRUE(QFile::remove(templatesFolder));
    ASSERT_FALSE(templatesAccess.revealTemplatesFolder());
    coordinator->resumePendingInstall();

    // THEN nothing is parked, and the templates are placed and recorded with no install folder
    EXPECT_FALSE(coordinator->pendingPermissionPackage());
    EXPECT_FALSE(coordinator->pendingPermissionNeedsTemplatesAccess());
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{kineticTitlesID});
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(kineticTitlesID),
              (QStringList{"Waiting for Access", "Installing...", "Installed"}));
    const QString placed = templatesFolder + "/Titles/Marlox Studio/KineticTitles";
    EXPECT_TRUE(QFileInfo(placed).isDir());
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/" + kineticTitlesID));
    EXPECT_EQ(recordLine(kineticTitlesID), "3.0.1 template  [" + placed + "]");
    EXPECT_EQ(loggedMessages(seen + 1),
              (QStringList{startedLine(package), succeededLine(kineticTitlesID, "")}));
}

TEST_F(CoordinatorTest, ReinstallAfterTheFolderMovedRemovesTheOldOneAndKeepsTheNewTemplates) {
    // GIVEN Frame Kit, a plug-in with templates, recorded at a folder it has since moved from
    const PackageManifest package = builtInPackage("studio.marlox.frame-kit");
    ASSERT_TRUE(installAndSettle(package));
    const QString installPath = installFolder + "/" + package.id;
    const QString oldPath = applicationSupportDirectory() + "/Plugins/" + package.id;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(oldPath).path()));
    ASSERT_TRUE(QDir().rename(installPath, oldPath));
    InstalledPackage moved = *store.record(package.id);
    moved.installPath = oldPath;
    store.setInstalledByID({{package.id, moved}});
    const qsizetype seen = loggedMessages().size();

    // WHEN it is reinstalled
    ASSERT_TRUE(installAndSettle(package));

    // THEN the old folder is gone, the new one recorded, and the templates just placed are kept
    EXPECT_EQ(coordinator->statusMessageByID().value(package.id), "Installed");
    EXPECT_FALSE(QFileInfo::exists(oldPath));
    EXPECT_TRUE(QFileInfo(installPath).isDir());
    EXPECT_EQ(recordLine(package.id), package.version + " generator " + installPath + " [" +
                                          moved.templateInstallPaths.join(", ") + "]");
    for (const QString& placed : moved.templateInstallPaths) {
        EXPECT_TRUE(QFileInfo(placed).isDir()) << placed.toStdString();
    }
    EXPECT_EQ(loggedMessages(seen), (QStringList{startedLine(package),
                                                 "Previous install removed during migration: "
                                                 "package=" +
                                                     package.id + ", path=" + oldPath,
                                                 succeededLine(package.id, installPath)}));
}

TEST_F(CoordinatorTest, FinalCutProRunningBlocksEveryOperationAndChangesNothing) {
    // GIVEN Timecode Burn-In installed
    ASSERT_TRUE(installAndSettle(builtInPackage(timecodeID)));
    const QStringList before = diskState();
    const qsizetype seen = loggedMessages().size();
    const QString letterboxID = "studio.marlox.letterbox";

    // WHEN an install passes its guards, and then a real process named Final Cut Pro starts
    coordinator->install(builtInPackage(countdownID));
    auto host = std::make_unique<RunningHost>("Final Cut Pro");
    ASSERT_TRUE(host->isRunning());
    ASSERT_TRUE(settle());
    // and then an install, a removal and a bulk reinstall are requested
    coordinator->install(builtInPackage(filmGradeID));
    coordinator->uninstall(timecodeID);
    coordinator->installAll({builtInPackage(letterboxID), builtInPackage(kineticTitlesID)});
    QCoreApplication::processEvents();

    // THEN the engine's own check stopped the first, the guards the others, each as blocked; the
    // host is named for the overlay and the alert, and nothing on disk changed
    const auto& statuses = coordinator->statusMessageByID();
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Blocked"}));
    for (const QString& id : {filmGradeID, timecodeID, letterboxID}) {
        EXPECT_EQ(statuses.value(id), "Blocked") << id.toStdString();
    }
    EXPECT_FALSE(statuses.contains(kineticTitlesID));
    EXPECT_EQ(coordinator->blockingHostNames(), QStringList{"Final Cut Pro"});
    EXPECT_EQ(coordinator->presentedErrorMessage(),
              "Please close host apps before install/update/remove. Running: Final Cut Pro");
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_TRUE(progressHistory.isEmpty());
    EXPECT_EQ(loggedMessages(seen),
              (QStringList{startedLine(builtInPackage(countdownID)),
                           "Install blocked mid-operation for package=" + countdownID +
                               ": host app detected.",
                           "Install blocked for package=" + filmGradeID + ": host app is running.",
                           "Uninstall blocked for package=" + timecodeID + ": host app is running.",
                           "Bulk install blocked: host app is running."}));
    EXPECT_EQ(diskState(), before);

    // WHEN the host has quit and the install is asked again, THEN the host list empties and the
    // install goes ahead
    host.reset();
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    EXPECT_TRUE(coordinator->blockingHostNames().isEmpty());
    EXPECT_EQ(statuses.value(countdownID), "Installed");
}

TEST_F(CoordinatorTest, RemovalThatCannotPrepareTheInstallFolderFailsAndKeepsTheRecord) {
    // GIVEN Countdown Pro installed, then the Applications folder replaced by a file
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const QString recorded = recordLine(countdownID);
    const QString applications = home.filePath("home/Applications");
    ASSERT_TRUE(QDir().rename(applications, home.filePath("Applications-aside")));
    writeFile(applications, "not a folder");

    // WHEN it is removed, THEN it fails naming the package by its id, and the record stays
    coordinator->uninstall(countdownID);
    ASSERT_TRUE(settle());
    const QString error = "The folder “" + installFolder + "” could not be created.";
    EXPECT_EQ(statusHistory.value(countdownID),
              (QStringList{"Installing...", "Installed", "Removing...", "Failed"}));
    EXPECT_EQ(coordinator->presentedErrorMessage(),
              "Failed to remove package " + countdownID + ": " + error);
    EXPECT_EQ(loggedMessages(2),
              (QStringList{"Uninstall started: package=" + countdownID + ", path=" + installFolder +
                               "/" + countdownID,
                           "Uninstall failed: package=" + countdownID + ", error=" + error}));
    EXPECT_EQ(recordLine(countdownID), recorded);
}

TEST_F(CoordinatorTest, SecondRequestWhileOneRunsIsRefusedARepeatedOneIgnoredAndEventsFlow) {
    // GIVEN a record of Film Grade, and the registration of the engine held
    holdRegistration();
    store.setInstalledByID(
        {{filmGradeID, {filmGradeID, "2.1.0", {}, {}, installFolder + "/" + filmGradeID, {}}}});

    // WHEN Countdown Pro is requested, and in the same turn another install and a bulk reinstall
    coordinator->install(builtInPackage(countdownID));
    coordinator->install(builtInPackage(timecodeID));
    coordinator->installAll({builtInPackage(timecodeID)});

    // THEN the accepted one holds its place before its work began: both others are refused
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(
        loggedMessages(),
        (QStringList{"Install blocked for package=" + timecodeID + ": another operation is active.",
                     "Bulk install blocked: another operation is active."}));

    // WHEN, while it runs, an event is posted and the same package asked again, THEN the event is
    // handled, and the request changes and logs nothing
    ASSERT_TRUE(runMainLoopUntil([&] { return heldPluginkit->isHeld(); }));
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return handled; }));
    coordinator->setPresentedErrorMessage(std::nullopt);
    const qsizetype seen = loggedMessages().size();
    coordinator->install(builtInPackage(countdownID));
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(statusHistory.value(countdownID), QStringList{"Installing..."});
    EXPECT_FALSE(store.record(countdownID));
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(loggedMessages(seen).isEmpty());

    // WHEN a removal is asked, THEN it is refused too, and no other status is ever set
    coordinator->uninstall(filmGradeID);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(loggedMessages(seen), QStringList{"Uninstall blocked for package=" + filmGradeID +
                                                ": another operation is active."});
    EXPECT_EQ(coordinator->statusMessageByID().keys(), QStringList{countdownID});

    // WHEN the held install is let go, THEN it alone completes
    heldPluginkit->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(countdownID), installedHistory);
    EXPECT_FALSE(QFileInfo::exists(installFolder + "/" + timecodeID));
    EXPECT_TRUE(store.record(filmGradeID));
}

TEST_F(CoordinatorTest, BulkReinstallGoesInOrderWithProgressSkipsTemplatesAndRefusesRequests) {
    // GIVEN a request made the moment the first package of a bulk run is done
    bool requested = false;
    QObject::connect(coordinator.get(), &InstallationCoordinator::activePackageIDsChanged, [&] {
        const auto& progress = coordinator->bulkInstallProgress();
        if (!requested && coordinator->activePackageIDs().isEmpty() && progress &&
            progress->current == 1) {
            requested = true;
            coordinator->install(builtInPackage(kineticTitlesID));
        }
    });
    const QList<PackageManifest> plugins = {builtInPackage(countdownID), builtInPackage(timecodeID),
                                            builtInPackage(filmGradeID)};

    // WHEN three plug-in packages and a template package are reinstalled, and an install is
    // asked in the same turn
    coordinator->installAll(
        {plugins.at(0), builtInPackage(kineticTitlesID), plugins.at(1), plugins.at(2)});
    coordinator->install(builtInPackage(kineticTitlesID));
    ASSERT_TRUE(settleBulkRun());

    // THEN progress counts the plug-in packages by name, then clears
    EXPECT_EQ(progressHistory,
              (QStringList{"1/3 Countdown Pro", "2/3 Timecode Burn-In", "3/3 Film Grade", "none"}));
    // and each is installed, one after the other, while both requests were refused and the
    // template package left untouched
    ASSERT_TRUE(requested);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    const QString refused =
        "Install blocked for package=" + kineticTitlesID + ": another operation is active.";
    QStringList expectedLog{refused};
    for (const PackageManifest& package : plugins) {
        EXPECT_EQ(statusHistory.value(package.id), installedHistory);
        EXPECT_NE(recordLine(package.id), "none");
        expectedLog << startedLine(package)
                    << succeededLine(package.id, installFolder + "/" + package.id);
    }
    expectedLog.insert(3, refused);
    EXPECT_EQ(loggedMessages(), expectedLog);
    EXPECT_FALSE(coordinator->statusMessageByID().contains(kineticTitlesID));
    EXPECT_EQ(recordLine(kineticTitlesID), "none");
}
