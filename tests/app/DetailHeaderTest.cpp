#include "AppTestSupport.h"
#include "app/DetailHeaderActions.h"
#include "catalog/InstalledPackageStore.h"
#include "support/CatalogFixtures.h"
#include "support/WidgetTesting.h"
#include "ui/installed/InstalledView.h"
#include "ui/kit/ActivitySpinner.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppSwitch.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::catalog::InstalledPackageMap;

namespace {

// Five plug-ins recorded, in catalog order: the third is Edge Matte.
const QStringList fiveRecordedPlugIns = {chromaKeyID, countdownID, edgeMatteID, filmGradeID,
                                         lightWrapID};

// The real application in a scratch home, its engine's registry tool held at the call that
// names a package (any call, without one), and one window of 1100 by 700 points.
class DetailHeaderTest : public AppTest {
protected:
    void SetUp() override { prepareWidgetTests(); }
    ~DetailHeaderTest() override {
        if (registry) {
            registry->release();
        }
    }

    void openWindow(const QString& heldPackageID = {}) {
        registry.emplace(home.filePath("held"), marlox::platform::pluginkitToolPath(),
                         heldPackageID);
        AppTest::openWindow(scratchPlatform(updaters.factory(), toolsRegisteringWith(*registry)));
    }
    // Records of the packages at an older version, in folders that do not exist.
    void record(const QStringList& ids, const QString& version = "0.1") {
        InstalledPackageMap records = app->installedStore().installedByID();
        for (const QString& id : ids) {
            records.insert(id, testRecord(id, version, {}, home.filePath("gone/" + id)));
        }
        app->installedStore().setInstalledByID(records);
    }
    bool reinstallEnabled() const {
        auto* button = window->findChild<QWidget*>("reinstallAllButton");
        return button != nullptr && button->isVisible() && button->isEnabled();
    }

    std::optional<HeldTool> registry;
};

TEST_F(DetailHeaderTest, InstalledBadgeCountsAlsoRecordsOfPackagesNoLongerListed) {
    // GIVEN a record of a package the catalog no longer lists, and one of a template package
    openWindow();
    record({"studio.marlox.retired", kineticTitlesID});

    // WHEN Installed is shown THEN the badge counts both records
    window->selectSection(AppSection::installed);
    EXPECT_EQ(window->findChild<marlox::ui::AppCountBadge*>("installedCountBadge")->title(), "2");
}

TEST_F(DetailHeaderTest, SingleInstallFromACardHoldsReinstallAllBackUntilItEnds) {
    // GIVEN Installed with two plug-ins recorded, and the next registration held
    openWindow();
    record({countdownID, filmGradeID});
    window->selectSection(AppSection::installed);
    settle();
    ASSERT_TRUE(reinstallEnabled());

    // WHEN a single install runs
    app->installationCoordinator().install(builtInPackage(timecodeID));
    ASSERT_TRUE(waitUntil([this] { return registry->isHeld(); }));

    // THEN Reinstall All Plugins is disabled and no progress row shows, until the install ends
    EXPECT_FALSE(reinstallEnabled());
    EXPECT_FALSE(isShown(*window, "reinstallProgressRow"));
    registry->release();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(reinstallEnabled());
}

TEST_F(DetailHeaderTest, BulkRunShowsTheThirdOfFiveWithItsNameOnlyInInstalled) {
    // GIVEN five plug-ins recorded, and the registration of the third held
    openWindow(edgeMatteID);
    SaveGrabOnFailure keep(*window, "window");
    record(fiveRecordedPlugIns);
    window->selectSection(AppSection::installed);
    settle();

    // WHEN Reinstall All Plugins is pressed and the third package installs
    ASSERT_TRUE(clickNamed(*window, "reinstallAllButton"));
    ASSERT_TRUE(waitUntil([this] { return registry->isHeld(); }, std::chrono::seconds(30)));
    settle();

    // THEN the progress row shows (its words are the header's golden) and the button is disabled
    ASSERT_TRUE(isShown(*window, "reinstallProgressRow"));
    EXPECT_FALSE(reinstallEnabled());

    // WHEN another section is shown, THEN the row is not there, and it returns with Installed
    window->selectSection(AppSection::settings);
    ASSERT_TRUE(waitUntil([this] { return !isShown(*window, "reinstallProgressRow"); }));
    window->selectSection(AppSection::installed);
    EXPECT_TRUE(isShown(*window, "reinstallProgressRow"));

    // WHEN the run ends, THEN the row goes and the button can be pressed again
    registry->release();
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_TRUE(waitUntil([this] { return !isShown(*window, "reinstallProgressRow"); }));
    EXPECT_TRUE(reinstallEnabled());
    for (const QString& id : fiveRecordedPlugIns) {
        EXPECT_EQ(app->installedStore().record(id)->version, builtInPackage(id).version);
    }
}

TEST_F(DetailHeaderTest, HeaderDuringABulkRunLooksAsChecked) {
    // GIVEN the third of five packages reinstalling, with the spinner standing still
    openWindow(edgeMatteID);
    record(fiveRecordedPlugIns);
    window->selectSection(AppSection::installed);
    app->installationCoordinator().installAll(window->reinstallCandidates());
    ASSERT_TRUE(waitUntil([this] { return registry->isHeld(); }, std::chrono::seconds(30)));
    auto* progress = window->detailHeader()->progressRow();
    ASSERT_TRUE(waitUntil([&] { return progress->isVisible() && !progress->isFading(); }));
    progress->spinner()->setStandingStill(true);

    // WHEN the window is drawn
    const QImage picture = grab(*window, QSize(1100, 700));

    // THEN the header looks as checked
    const QRect header = geometryIn(*window, *window->detailHeader());
    EXPECT_TRUE(matchesGolden(picture.copy(header), goldenPath("detail-header-bulk-run")));
}

TEST_F(DetailHeaderTest, ShowAllDetailsSwitchIsTheInstalledScreensSettingAndSurvivesARelaunch) {
    // GIVEN Installed with a plug-in recorded
    openWindow();
    record({countdownID});
    window->selectSection(AppSection::installed);
    settle();
    auto* screen = qobject_cast<marlox::ui::InstalledView*>(window->detailScreen());
    ASSERT_NE(screen, nullptr);
    ASSERT_FALSE(screen->showAllDetails());

    // WHEN the switch is turned on
    ASSERT_TRUE(clickNamed(*window, "showAllDetailsSwitch"));

    // THEN the Installed screen shows all details
    EXPECT_TRUE(screen->showAllDetails());

    // WHEN the application starts again, THEN the switch is still on
    registry->release();
    ASSERT_TRUE(waitUntilIdle());
    app.reset();
    openWindow();
    window->selectSection(AppSection::installed);
    auto* toggle = window->findChild<marlox::ui::AppSwitch*>("showAllDetailsSwitch");
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(qobject_cast<marlox::ui::InstalledView*>(window->detailScreen())->showAllDetails());
}

TEST_F(DetailHeaderTest, UpdatesShortcutCountsThePendingUpdatesAndLeadsToUpdates) {
    // GIVEN one plug-in recorded at an older version, and Settings shown
    openWindow();
    record({countdownID});
    window->selectSection(AppSection::settings);
    settle();

    // WHEN the shortcut, which counts the update, is clicked THEN Updates shows
    EXPECT_EQ(childNamed<QAbstractButton>(*window, "updatesShortcutButton")->text(),
              "1 updates available");
    ASSERT_TRUE(clickNamed(*window, "updatesShortcutButton"));
    EXPECT_EQ(window->selectedSection(), AppSection::updates);
}

TEST_F(DetailHeaderTest, SelectingTheSectionShownKeepsItsScreenAndWhatWasTyped) {
    // GIVEN one pending update and an address typed on Support
    openWindow();
    record({countdownID});
    window->selectSection(AppSection::support);
    settle();
    QTest::keyClicks(childNamed<QLineEdit>(*window, "emailField"), "me@example.com");
    const QPointer<QWidget> support = window->detailScreen();

    // WHEN Support's row is clicked again THEN the address is still there
    ASSERT_TRUE(clickNamed(*window, "sidebarRow-support"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(support.isNull());
    EXPECT_EQ(window->detailScreen(), support);
    EXPECT_EQ(childNamed<QLineEdit>(*window, "emailField")->text(), "me@example.com");

    // WHEN the updates shortcut is clicked on Updates itself THEN the same screen stays
    ASSERT_TRUE(clickNamed(*window, "updatesShortcutButton"));
    const QPointer<QWidget> updates = window->detailScreen();
    ASSERT_TRUE(clickNamed(*window, "updatesShortcutButton"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(updates.isNull());
    EXPECT_EQ(window->detailScreen(), updates);
}

} // namespace
