#include "AppTestSupport.h"
#include "app/Sidebar.h"
#include "catalog/InstalledPackageStore.h"
#include "support/WidgetTesting.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

// The real application in a scratch home with the built-in catalog, driven through its window.
class MainRoadTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        openWindow();
    }
    // Presses Install on the package's card on Plugins and waits until the install has ended.
    void installFromPluginsCard(const QString& id) {
        QWidget* card = pluginsCard(id);
        ASSERT_NE(card, nullptr);
        ASSERT_TRUE(clickNamed(*card, "actionButton"));
        ASSERT_TRUE(waitUntilIdle());
        settle();
    }
};

TEST_F(MainRoadTest, PluginsCardInstallsAndInstalledListsAndRemovesIt) {
    // GIVEN the Plugins screen WHEN Install is pressed on Countdown Pro's card
    installFromPluginsCard(countdownID);

    // THEN the card shows "Installed" and the record is kept
    QWidget* card = widgetNamed(*window, "packageCard:" + countdownID);
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(widgetNamed(*card, "installedPill") != nullptr);
    ASSERT_TRUE(app->installedStore().record(countdownID).has_value());

    // WHEN the user opens Installed THEN its card is listed
    ASSERT_TRUE(clickNamed(*window, "sidebarRow-installed"));
    settle();
    ASSERT_TRUE(isShown(*window, "installedCard:" + countdownID));

    // WHEN Remove is pressed on it
    ASSERT_TRUE(clickNamed(*window, "removeButton:" + countdownID));
    ASSERT_TRUE(waitUntilIdle());
    settle();

    // THEN the record and its card are gone
    EXPECT_FALSE(app->installedStore().record(countdownID).has_value());
    EXPECT_FALSE(isShown(*window, "installedCard:" + countdownID));
    EXPECT_EQ(app->installationCoordinator().presentedErrorMessage(), std::nullopt);
}

TEST_F(MainRoadTest, UpdatesSectionBringsAnOlderInstallCurrent) {
    // GIVEN Countdown Pro installed from Plugins, then its record set to an older version
    installFromPluginsCard(countdownID);
    auto records = app->installedStore().installedByID();
    records[countdownID].version = "0.9";
    app->installedStore().setInstalledByID(records);

    // WHEN the user opens Updates THEN the package is pending, and the sidebar counts it
    ASSERT_TRUE(clickNamed(*window, "sidebarRow-updates"));
    settle();
    QWidget* row = widgetNamed(*window, "updateRow:" + countdownID);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(window->sidebar()->row(AppSection::updates)->mark().text, "1");

    // WHEN its "Update" is pressed
    ASSERT_TRUE(clickNamed(*row, "updateButton"));
    ASSERT_TRUE(waitUntilIdle());
    settle();

    // THEN the record holds the catalog's version, and nothing is pending any more
    EXPECT_EQ(app->installedStore().record(countdownID)->version,
              builtInPackage(countdownID).version);
    EXPECT_FALSE(isShown(*window, "updateRow:" + countdownID));
    EXPECT_EQ(window->sidebar()->row(AppSection::updates)->mark(), SidebarMark{});
}

} // namespace
