#include "InstallTestSupport.h"
#include "install/InstallationCoordinator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::PackageManifest;

namespace {

const QString hostAlert =
    "Please close host apps before install/update/remove. Running: Final Cut Pro";
const QString anotherOperation =
    "Another install/remove operation is currently running. Please wait until it finishes.";

// Lets queued work that a request may have scheduled run.
void runQueuedWork() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

class CoordinatorGuardsTest : public CoordinatorTest {
protected:
    // The log lines written since `seen` lines were read.
    QStringList logSince(qsizetype seen) const { return logMessages().mid(seen); }

    // The engine's pluginkit held on its first call.
    std::unique_ptr<HeldTool> holdRegistration() {
        auto held = std::make_unique<HeldTool>(home.filePath("held"),
                                               marlox::platform::pluginkitToolPath());
        InstallTools tools = InstallTools::systemDefaults();
        tools.pluginkit = held->path();
        makeCoordinator(tools);
        return held;
    }
};

} // namespace

TEST_F(CoordinatorGuardsTest, FinalCutProRunningBlocksEveryOperationAndChangesNothing) {
    // GIVEN Timecode Burn-In installed
    ASSERT_TRUE(installAndSettle(builtInPackage(timecodeID)));
    const QStringList before = diskState();
    const qsizetype seen = logMessages().size();
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
    runQueuedWork();

    // THEN the engine's own check stopped the first, the guards the others, each as blocked; the
    // host is named for the overlay and the alert
    const auto& statuses = coordinator->statusMessageByID();
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Blocked"}));
    for (const QString& id : {filmGradeID, timecodeID, letterboxID}) {
        EXPECT_EQ(statuses.value(id), "Blocked") << id.toStdString();
    }
    EXPECT_FALSE(statuses.contains(kineticTitlesID));
    EXPECT_EQ(coordinator->blockingHostNames(), QStringList{"Final Cut Pro"});
    EXPECT_EQ(coordinator->presentedErrorMessage(), hostAlert);
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_TRUE(progressHistory.isEmpty());
    EXPECT_EQ(
        logSince(seen),
        (QStringList{"Install started: package=" + countdownID + ", version=2.3.0, type=generator",
                     "Install blocked mid-operation for package=" + countdownID +
                         ": host app detected.",
                     "Install blocked for package=" + filmGradeID + ": host app is running.",
                     "Uninstall blocked for package=" + timecodeID + ": host app is running.",
                     "Bulk install blocked: host app is running."}));
    // and nothing on disk changed
    EXPECT_EQ(diskState(), before);

    // WHEN the host has quit and the install is asked again
    host.reset();
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));

    // THEN the host list is emptied and the install goes ahead
    EXPECT_TRUE(coordinator->blockingHostNames().isEmpty());
    EXPECT_EQ(statuses.value(countdownID), "Installed");
}

TEST_F(CoordinatorGuardsTest, FailedUpdateKeepsThePreviousRecordAndFiles) {
    // GIVEN Glow 1.0 installed from the server, and 1.1 served
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const auto previousRecord = store.record(glowID);
    ASSERT_TRUE(previousRecord);
    const QStringList before = diskState();
    const StubTool failingDitto(home.filePath("tools"), "ditto");
    failingDitto.fail("-x", 9, "ditto: archive is damaged");
    const PackageManifest update = servedGlowPackage("1.1");
    PackageManifest wrongDigest = update;
    wrongDigest.sha256 = QString(64, '0');
    struct Case {
        PackageManifest update;
        QString archiveTool;
        QString error;
    };
    for (const Case& test : {
             Case{wrongDigest, marlox::platform::dittoToolPath(),
                  "Downloaded artifact checksum mismatch. Expected " + *wrongDigest.sha256 +
                      ", got " + *update.sha256 + "."},
             Case{update, failingDitto.path(), "ditto: archive is damaged"},
         }) {
        SCOPED_TRACE(test.error.toStdString());
        makeCoordinator(InstallTools::systemDefaults(), test.archiveTool);
        statusHistory.clear();
        const qsizetype seen = logMessages().size();

        // WHEN the update to 1.1 fails
        ASSERT_TRUE(installAndSettle(test.update));

        // THEN it is reported as failed, by name, and nothing is left in flight
        EXPECT_EQ(statusHistory.value(glowID), (QStringList{"Installing...", "Failed"}));
        EXPECT_EQ(coordinator->presentedErrorMessage(), "Failed to install Glow: " + test.error);
        EXPECT_EQ(logSince(seen),
                  (QStringList{"Install started: package=" + glowID + ", version=1.1, type=filter",
                               "Install failed: package=" + glowID + ", error=" + test.error}));
        EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
        // and version 1.0 stays recorded and on disk as it was
        EXPECT_EQ(store.record(glowID), previousRecord);
        EXPECT_EQ(diskState(), before);
    }
}

TEST_F(CoordinatorGuardsTest, RemovalThatCannotPrepareTheInstallFolderFailsAndKeepsTheRecord) {
    // GIVEN Countdown Pro installed, then the Applications folder replaced by a file
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const auto record = store.record(countdownID);
    const QString applications = home.filePath("home/Applications");
    ASSERT_TRUE(QDir().rename(applications, home.filePath("Applications-aside")));
    writeFile(applications, "not a folder");

    // WHEN it is removed
    coordinator->uninstall(countdownID);
    ASSERT_TRUE(settle());

    // THEN the removal fails, naming the package by its id, and the record stays
    const QString error = "The folder “" + installFolder() + "” could not be created.";
    EXPECT_EQ(statusHistory.value(countdownID),
              (QStringList{"Installing...", "Installed", "Removing...", "Failed"}));
    EXPECT_EQ(coordinator->presentedErrorMessage(),
              "Failed to remove package " + countdownID + ": " + error);
    EXPECT_EQ(logMessages().last(),
              "Uninstall failed: package=" + countdownID + ", error=" + error);
    EXPECT_EQ(store.record(countdownID), record);
    EXPECT_EQ(savedRecord(countdownID), record);
}

TEST_F(CoordinatorGuardsTest, SecondRequestWhileOneRunsIsRefusedAndARepeatedOneIgnored) {
    // GIVEN a record of Film Grade, and the registration of the engine held
    const auto held = holdRegistration();
    store.setInstalledByID(
        {{filmGradeID, {filmGradeID, "2.1.0", {}, {}, installFolder() + "/" + filmGradeID, {}}}});

    // WHEN Countdown Pro is requested, and in the same turn another install and a bulk reinstall
    coordinator->install(builtInPackage(countdownID));
    coordinator->install(builtInPackage(timecodeID));
    coordinator->installAll({builtInPackage(timecodeID)});

    // THEN what was accepted holds its place before its work began: both are refused at once
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages(), (QStringList{"Install blocked for package=" + timecodeID +
                                              ": another operation is active.",
                                          "Bulk install blocked: another operation is active."}));

    // WHEN, while it runs, the same package is asked again
    ASSERT_TRUE(held->waitUntilHeld());
    coordinator->setPresentedErrorMessage(std::nullopt);
    const qsizetype seen = logMessages().size();
    coordinator->install(builtInPackage(countdownID));

    // THEN nothing changes and nothing is logged
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(statusHistory.value(countdownID), QStringList{"Installing..."});
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(logSince(seen).isEmpty());

    // WHEN a removal is asked, THEN it is refused too, and no other status is ever set
    coordinator->uninstall(filmGradeID);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logSince(seen), QStringList{"Uninstall blocked for package=" + filmGradeID +
                                          ": another operation is active."});
    EXPECT_EQ(coordinator->statusMessageByID().keys(), QStringList{countdownID});

    // WHEN the held install is let go, THEN it alone completes
    held->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Installed"}));
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + timecodeID));
    EXPECT_TRUE(store.record(filmGradeID));
}

TEST_F(CoordinatorGuardsTest, RequestWhileABulkRunGoesOnIsRefusedEvenBetweenItsPackages) {
    // GIVEN a request made the moment the first package of a bulk run is done
    bool requested = false;
    QObject::connect(coordinator.get(), &InstallationCoordinator::activePackageIDsChanged, [&] {
        const auto& progress = coordinator->bulkInstallProgress();
        if (!requested && coordinator->activePackageIDs().isEmpty() && progress &&
            progress->current == 1) {
            requested = true;
            coordinator->install(builtInPackage(filmGradeID));
        }
    });

    // WHEN a bulk reinstall of two packages is asked, and an install in the same turn
    coordinator->installAll({builtInPackage(countdownID), builtInPackage(timecodeID)});
    coordinator->install(builtInPackage(filmGradeID));
    ASSERT_TRUE(settleBulkRun());

    // THEN both requests were refused and only the run's packages installed
    ASSERT_TRUE(requested);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages().filter(filmGradeID),
              QStringList(2, "Install blocked for package=" + filmGradeID +
                                 ": another operation is active."));
    EXPECT_FALSE(coordinator->statusMessageByID().contains(filmGradeID));
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + filmGradeID));
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installed");
    EXPECT_EQ(coordinator->statusMessageByID().value(timecodeID), "Installed");
}

TEST_F(CoordinatorGuardsTest, MainThreadKeepsHandlingEventsWhileTheEngineWorks) {
    // GIVEN an install whose registration tool waits until the test lets it go
    const auto held = holdRegistration();
    coordinator->install(builtInPackage(countdownID));
    ASSERT_TRUE(held->waitUntilHeld());

    // WHEN an event is posted to the main thread while the tool waits
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return handled; }));

    // THEN it was handled while the install is still in flight
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installing...");
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_FALSE(store.record(countdownID));

    // WHEN the tool is let go, THEN the install completes
    held->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installed");
}

TEST_F(CoordinatorGuardsTest, RequestsWithNothingToDoChangeNothing) {
    // WHEN a removal without a record, a resume with nothing parked and a bulk run of template
    // packages only are asked
    coordinator->uninstall("studio.marlox.unknown");
    coordinator->resumePendingInstall();
    coordinator->installAll({builtInPackage(kineticTitlesID)});
    runQueuedWork();

    // THEN nothing is published, started or logged
    EXPECT_TRUE(coordinator->statusMessageByID().isEmpty());
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_TRUE(progressHistory.isEmpty());
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(logMessages().isEmpty());
}
