#include "app/MarloxStudioApp.h"

#include "AppTestSupport.h"
#include "app/StudioApplicationDelegate.h"
#include "catalog/AppSettingsStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

const QString quitKey = "settings.quitAppOnWindowClose";
const QString catalogReload = "Catalog reload";

class MarloxStudioAppTest : public AppTest {};

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
    // GIVEN a window that has loaded the catalog and moved to Installed, then closed
    auto& studio = makeApp();
    studio.settingsStore().setQuitAppOnWindowClose(false);
    auto* first = studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));
    first->selectSection(AppSection::installed);
    first->close();
    ASSERT_EQ(loggedLinesContaining(catalogReload), 1);

    // WHEN a window is opened again
    auto* reopened = studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));

    // THEN it shows Home and has reloaded the catalog once more
    EXPECT_EQ(reopened->selectedSection(), AppSection::home);
    EXPECT_EQ(loggedLinesContaining(catalogReload), 2);
}

TEST_F(MarloxStudioAppTest, TwoWindowsKeepSeparateSelectionsOverSharedServices) {
    // GIVEN two windows
    auto& studio = makeApp();
    auto* first = studio.openWindow();
    auto* second = studio.openWindow();

    // WHEN one selects Plugins and the other Settings
    first->selectSection(AppSection::plugins);
    second->selectSection(AppSection::settings);

    // THEN each keeps its own
    EXPECT_EQ(first->selectedSection(), AppSection::plugins);
    EXPECT_EQ(second->selectedSection(), AppSection::settings);
}

TEST_F(MarloxStudioAppTest, LaunchWithoutNetworkFallsBackToBuiltInCatalogWithoutAlert) {
    // GIVEN a remote catalog on a port where nothing listens
    auto platform = scratchPlatform();
    platform.configuration.remoteCatalogURL = QUrl("http://127.0.0.1:9/manifest.json");
    auto& studio = makeApp(std::move(platform));

    // WHEN the window's start-up task has run
    studio.openWindow();
    ASSERT_TRUE(awaitFuture(studio.startupTask()));

    // THEN the built-in catalog is shown and no alert is raised
    EXPECT_EQ(studio.catalogService().loadSourceLabel(), "Embedded");
    EXPECT_FALSE(studio.catalogService().packages().isEmpty());
    EXPECT_EQ(studio.installationCoordinator().presentedErrorMessage(), std::nullopt);
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<const QMessageBox*>(widget) && widget->isVisible());
    }
}

} // namespace
