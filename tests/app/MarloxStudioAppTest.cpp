#include "app/MarloxStudioApp.h"

#include "AppTestSupport.h"
#include "app/StudioApplicationDelegate.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/InstallLocations.h"
#include "install/InstallJournal.h"
#include "screens/appupdate/AppUpdateService.h"
#include "support/LoopbackHttpServer.h"
#include "ui/kit/AppAlert.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
using marlox::catalog::PackageType;
using marlox::install::InstallJournal;

namespace {

const QString quitKey = "settings.quitAppOnWindowClose";
const QString catalogReload = "Catalog reload";

class MarloxStudioAppTest : public AppTest {
protected:
    // The application with a remote catalog whose failing answer the server holds back until
    // released, and a feed announcing build 120.
    MarloxStudioApp& makeAppWithHeldCatalog() {
        server.setAnswer("/manifest.json", HttpAnswer{500, "down", {}, {}, /*held=*/true});
        server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("120")), {}, {}});
        auto platform = scratchPlatform(updaters.factory());
        platform.configuration.remoteCatalogURL = server.url("/manifest.json");
        platform.configuration.appcastFeedURL = server.url("/appcast.xml");
        return makeApp(std::move(platform));
    }

    LoopbackHttpServer server;
};

TEST_F(MarloxStudioAppTest, FirstLaunchStoresQuitOnCloseAndClosingTheWindowEndsTheApplication) {
    // GIVEN a first launch with empty user defaults
    auto& studio = makeApp();
    EXPECT_EQ(studio.userDefaults().value(quitKey), QVariant(true));
    QSignalSpy termination(&studio, &MarloxStudioApp::terminationRequested);

    // WHEN its only window closes
    studio.openWindow()->close();

    // THEN the application ends
    EXPECT_EQ(termination.count(), 1);
    EXPECT_TRUE(studio.windows().isEmpty());
}

TEST_F(MarloxStudioAppTest, WithQuitOnCloseOffClosingTheLastWindowKeepsRunning) {
    // GIVEN the setting turned off and two windows
    auto& studio = makeApp();
    studio.settingsStore().setQuitAppOnWindowClose(false);
    QSignalSpy termination(&studio, &MarloxStudioApp::terminationRequested);
    auto* first = studio.openWindow();
    auto* second = studio.openWindow();

    // WHEN both close
    first->close();
    second->close();

    // THEN the application stays without a window
    EXPECT_EQ(termination.count(), 0);
    EXPECT_TRUE(studio.windows().isEmpty());
}

TEST_F(MarloxStudioAppTest, ClosingOneOfTwoWindowsNeverEndsTheApplication) {
    // GIVEN the default setting and two windows
    auto& studio = makeApp();
    QSignalSpy termination(&studio, &MarloxStudioApp::terminationRequested);
    auto* first = studio.openWindow();
    studio.openWindow();

    // WHEN one closes THEN the other keeps the application running
    first->close();
    EXPECT_EQ(termination.count(), 0);
    EXPECT_EQ(studio.windows().size(), 1);
}

TEST(StudioApplicationDelegateTest, WithoutSettingsStoreTheLastWindowEndsTheApplication) {
    // GIVEN a delegate that was never handed a store
    const StudioApplicationDelegate delegate;
    // WHEN asked THEN it answers true
    EXPECT_TRUE(delegate.applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(MarloxStudioAppTest, EveryNewWindowOpensOnHomeAndRunsTheStartupTaskAgain) {
    // GIVEN a window that has loaded the catalog, checked the feed and moved to Installed, then
    // closed
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("90")), {}, {}});
    auto platform = scratchPlatform(updaters.factory());
    platform.configuration.appcastFeedURL = server.url("/appcast.xml");
    auto& studio = makeApp(std::move(platform));
    studio.settingsStore().setQuitAppOnWindowClose(false);
    auto* first = studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));
    first->selectSection(AppSection::installed);
    first->close();
    ASSERT_EQ(loggedMessages().filter(catalogReload).size(), 1);
    ASSERT_EQ(server.requestCount("/appcast.xml"), 1);

    // WHEN a window is opened again
    auto* reopened = studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));

    // THEN it shows Home, has reloaded the catalog and checked the feed once more
    EXPECT_EQ(reopened->selectedSection(), AppSection::home);
    EXPECT_EQ(loggedMessages().filter(catalogReload).size(), 2);
    EXPECT_EQ(server.requestCount("/appcast.xml"), 2);
}

TEST_F(MarloxStudioAppTest, LaunchWithoutNetworkFallsBackToBuiltInCatalogWithoutAlert) {
    // GIVEN a remote catalog and a feed on a port where nothing listens
    auto platform = scratchPlatform(updaters.factory());
    platform.configuration.remoteCatalogURL = QUrl("http://127.0.0.1:9/manifest.json");
    platform.configuration.appcastFeedURL = QUrl("http://127.0.0.1:9/appcast.xml");
    auto& studio = makeApp(std::move(platform));

    // WHEN the window's start-up task has run
    studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));

    // THEN the built-in catalog is shown, the update check failed silently, and no alert is raised
    EXPECT_EQ(studio.catalogService().loadSourceLabel(), "Embedded");
    EXPECT_FALSE(studio.catalogService().packages().isEmpty());
    EXPECT_EQ(studio.appUpdateService().lastErrorMessage(), std::nullopt);
    EXPECT_EQ(studio.appUpdateService().availableUpdate(), std::nullopt);
    EXPECT_EQ(studio.installationCoordinator().presentedErrorMessage(), std::nullopt);
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<const marlox::ui::AppAlert*>(widget) && widget->isVisible());
    }
}

TEST_F(MarloxStudioAppTest, StartupTaskWaitsForTheWindowsFirstFrame) {
    // GIVEN the application with a remote catalog
    auto& studio = makeAppWithHeldCatalog();

    // WHEN a window opens THEN nothing of its start-up task has started: its first frame needs
    // none of it
    QWidget* window = studio.openWindow();
    EXPECT_FALSE(studio.catalogService().isLoading());

    // WHEN the window has been shown on screen THEN the catalog is fetched
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.requestCount("/manifest.json") == 1; }));
    server.releaseHeldAnswers();
    EXPECT_TRUE(awaitFuture(studio.startupTask()));
}

TEST_F(MarloxStudioAppTest, WindowMinimisedBeforeItsFirstFrameLoadsOnceShown) {
    // GIVEN the application with a remote catalog, its window minimised before its first frame
    auto& studio = makeAppWithHeldCatalog();
    QWidget* window = studio.openWindow();
    window->showMinimized();

    // WHEN the window is shown again THEN its start-up task runs: the catalog is fetched
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.requestCount("/manifest.json") == 1; }));
    server.releaseHeldAnswers();
    EXPECT_TRUE(awaitFuture(studio.startupTask()));
}

TEST_F(MarloxStudioAppTest, UpdateCheckStartsOnlyOnceTheCatalogReloadHasEnded) {
    // GIVEN a remote catalog whose failing answer is held back, and a feed
    auto& studio = makeAppWithHeldCatalog();

    // WHEN a window opens and the catalog is still being fetched
    studio.openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount("/manifest.json") == 1; }));
    QTest::qWait(200);

    // THEN the feed has not been asked
    EXPECT_EQ(server.requestCount("/appcast.xml"), 0);
    EXPECT_TRUE(studio.catalogService().isLoading());

    // WHEN the catalog request fails THEN the check follows and finds the newer build
    server.releaseHeldAnswers();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1);
    EXPECT_EQ(studio.catalogService().loadSourceLabel(), "Embedded");
    ASSERT_TRUE(studio.appUpdateService().availableUpdate().has_value());
    EXPECT_EQ(studio.appUpdateService().availableUpdate()->build, "120");
}

TEST_F(MarloxStudioAppTest, WindowClosedDuringTheCatalogReloadStartsNoUpdateCheck) {
    // GIVEN a window whose catalog request is held back, closed
    auto& studio = makeAppWithHeldCatalog();
    studio.settingsStore().setQuitAppOnWindowClose(false);
    auto* window = studio.openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requestCount("/manifest.json") == 1; }));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // WHEN the reload then ends
    server.releaseHeldAnswers();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !studio.catalogService().isLoading(); }));
    QTest::qWait(200);

    // THEN the task went with its window: the feed was never asked
    EXPECT_EQ(server.requestCount("/appcast.xml"), 0);
}

TEST_F(MarloxStudioAppTest, StartUndoesAnUpdateThatACrashCutShortBeforeItWasRecorded) {
    // GIVEN Glow 1.0 recorded, while a crash left its update with 2.0 live and 1.0 kept aside
    const QString installRoot = marlox::catalog::installFolderPath();
    const QString live = installRoot + "/studio.marlox.glow";
    const QString aside = marlox::install::newAsidePath(live, "1.0");
    const InstalledPackage previous{"studio.marlox.glow", "1.0", "2026-01-02T03:04:05Z",
                                    PackageType::filter,  live,  {}};
    writeFile(marlox::catalog::installedRecordsFileURL(),
              marlox::catalog::encodeInstalledPackages({previous}));
    writeFile(live + "/version.txt", "2.0");
    writeFile(aside + "/version.txt", "1.0");
    InstallJournal journal(InstallJournal::Operation::install, previous.id, previous, "2.0");
    const QString staging = marlox::install::newStagingPath(installRoot);
    journal.addStaging(staging);
    journal.setMoves({{live, staging + "/studio.marlox.glow", aside}});
    ASSERT_FALSE(journal.write());

    // WHEN the application starts
    auto& studio = makeApp();

    // THEN the previous version is back in place, matching the record the store read, and once
    // the deletions left to the background have ended nothing but it is left
    EXPECT_EQ(readFile(live + "/version.txt"), "1.0");
    EXPECT_FALSE(QFileInfo::exists(aside));
    EXPECT_EQ(studio.installedStore().record(previous.id), previous);
    marlox::install::waitForStartUpSettling();
    EXPECT_EQ(QDir(installRoot).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"studio.marlox.glow"});
}

} // namespace
