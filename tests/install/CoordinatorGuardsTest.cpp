#include "InstallTestSupport.h"
#include "install/InstallationCoordinator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
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
    // GIVEN Glow 1.0 installed from the server
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const auto previousRecord = store.record(glowID);
    ASSERT_TRUE(previousRecord);
    const QStringList before = diskState();
    const StubTool failingDitto(home.filePath("tools"), "ditto");
    failingDitto.fail("-x", 9, "ditto: archive is damaged");

    struct Case {
        const char* name;
        std::function<PackageManifest()> update;
        std::function<void()> arrange;
        std::function<QString()> expectedError;
    };
    const QString wrongDigest(64, '0');
    const QList<Case> cases = {
        {"wrong digest", [&] { return servedGlowPackage("1.1", wrongDigest); }, [] {},
         [&] {
             return "Downloaded artifact checksum mismatch. Expected " + wrongDigest + ", got " +
                    *servedGlowPackage("1.1").sha256 + ".";
         }},
        {"archive tool fails", [&] { return servedGlowPackage("1.1"); },
         [&] { makeCoordinator(InstallTools::systemDefaults(), failingDitto.path()); },
         [] { return QString("ditto: archive is damaged"); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        test.arrange();
        coordinator->setPresentedErrorMessage(std::nullopt);
        statusHistory.clear();
        const qsizetype seen = logMessages().size();

        // WHEN the update to 1.1 fails
        coordinator->install(test.update());
        ASSERT_TRUE(settle());

        // THEN it is reported as failed, by name, and nothing is left in flight
        const QString error = test.expectedError();
        EXPECT_EQ(statusHistory.value(glowID), (QStringList{"Installing...", "Failed"}));
        EXPECT_EQ(coordinator->presentedErrorMessage(), "Failed to install Glow: " + error);
        EXPECT_EQ(logSince(seen),
                  (QStringList{"Install started: package=" + glowID + ", version=1.1, type=filter",
                               "Install failed: package=" + glowID + ", error=" + error}));
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
    // GIVEN Countdown Pro being installed, its registration held, and a record of Film Grade
    const auto held = holdRegistration();
    InstalledPackage filmGrade;
    filmGrade.id = filmGradeID;
    filmGrade.version = "2.1.0";
    filmGrade.installPath = installFolder() + "/" + filmGradeID;
    store.setInstalledByID({{filmGradeID, filmGrade}});
    coordinator->install(builtInPackage(countdownID));
    ASSERT_TRUE(held->waitUntilHeld());
    const qsizetype seen = logMessages().size();

    // WHEN the same package is asked again
    coordinator->install(builtInPackage(countdownID));

    // THEN nothing changes and nothing is logged
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(statusHistory.value(countdownID), QStringList{"Installing..."});
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(logSince(seen).isEmpty());

    // WHEN another install, a removal and a bulk reinstall are asked
    coordinator->install(builtInPackage(timecodeID));
    coordinator->uninstall(filmGradeID);
    coordinator->installAll({builtInPackage(timecodeID)});
    runQueuedWork();

    // THEN each is refused with the alert and its own log line, and no status is set
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logSince(seen),
              (QStringList{
                  "Install blocked for package=" + timecodeID + ": another operation is active.",
                  "Uninstall blocked for package=" + filmGradeID + ": another operation is active.",
                  "Bulk install blocked: another operation is active."}));
    EXPECT_EQ(coordinator->statusMessageByID().keys(), QStringList{countdownID});
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});

    // WHEN the held install is let go, THEN it alone completes
    held->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Installed"}));
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + timecodeID));
    EXPECT_TRUE(store.record(filmGradeID));
}

TEST_F(CoordinatorGuardsTest, RequestInTheSameTurnAsAnAcceptedOneIsRefused) {
    // Whatever was accepted holds its place before its work has begun.
    struct Case {
        const char* name;
        std::function<void()> first;
        std::function<void()> second;
        QString refusal;
        bool firstIsBulkRun = false;
    };
    const QList<Case> cases = {
        {"install, then another install",
         [&] { coordinator->install(builtInPackage(countdownID)); },
         [&] { coordinator->install(builtInPackage(filmGradeID)); },
         "Install blocked for package=" + filmGradeID + ": another operation is active."},
        {"bulk reinstall, then an install",
         [&] { coordinator->installAll({builtInPackage(countdownID)}); },
         [&] { coordinator->install(builtInPackage(filmGradeID)); },
         "Install blocked for package=" + filmGradeID + ": another operation is active.", true},
        {"install, then a bulk reinstall",
         [&] { coordinator->install(builtInPackage(countdownID)); },
         [&] { coordinator->installAll({builtInPackage(filmGradeID)}); },
         "Bulk install blocked: another operation is active."},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        coordinator->setPresentedErrorMessage(std::nullopt);
        progressHistory.clear();
        const qsizetype seen = logMessages().size();

        // WHEN a second request follows the first before the main loop turns
        test.first();
        test.second();

        // THEN it is refused
        EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
        EXPECT_EQ(logSince(seen), QStringList{test.refusal});
        ASSERT_TRUE(test.firstIsBulkRun ? settleBulkRun() : settle());
        EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + filmGradeID));
    }
}

TEST_F(CoordinatorGuardsTest, RequestBetweenTwoPackagesOfABulkRunIsRefused) {
    // GIVEN a bulk reinstall of two packages, and a request made the moment the first is done
    bool requested = false;
    QObject::connect(coordinator.get(), &InstallationCoordinator::activePackageIDsChanged, [&] {
        const auto& progress = coordinator->bulkInstallProgress();
        if (!requested && coordinator->activePackageIDs().isEmpty() && progress &&
            progress->current == 1) {
            requested = true;
            coordinator->install(builtInPackage(filmGradeID));
        }
    });

    // WHEN the run goes ahead
    coordinator->installAll({builtInPackage(countdownID), builtInPackage(timecodeID)});
    ASSERT_TRUE(settleBulkRun());

    // THEN the request between the two packages was refused and only the run's packages installed
    ASSERT_TRUE(requested);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages().filter(filmGradeID),
              QStringList{"Install blocked for package=" + filmGradeID +
                          ": another operation is active."});
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
