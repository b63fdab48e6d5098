#include "AppTestSupport.h"
#include "catalog/InstalledPackageStore.h"
#include "support/WidgetTesting.h"

#include <gtest/gtest.h>

using namespace marlox::app;
using namespace marlox::testing;

namespace {

const QString countdownID = "studio.marlox.countdown-pro";

// The real application in a scratch home with the built-in catalog, driven through its window.
class MainRoadTest : public AppTest {
protected:
    void SetUp() override {
        prepareWidgetTests();
        makeApp();
        window = app->openWindow();
        ASSERT_TRUE(awaitFuture(app->startupTask()));
        window->resize(1100, 700);
        settle();
    }
    ~MainRoadTest() override { EXPECT_TRUE(operationsEnded()); }

    bool operationsEnded() const {
        return waitUntil(
            [this] { return app->installationCoordinator().activePackageIDs().isEmpty(); },
            std::chrono::seconds(30));
    }
    bool shows(const QString& objectName) const {
        const auto* widget = window->findChild<QWidget*>(objectName);
        return widget != nullptr && widget->isVisible();
    }

    RootView* window = nullptr;
};

TEST_F(MainRoadTest, InstalledSectionListsTheRecordAndRemovesIt) {
    // GIVEN Countdown Pro installed
    app->installationCoordinator().install(builtInPackage(countdownID));
    ASSERT_TRUE(operationsEnded());
    ASSERT_TRUE(app->installedStore().record(countdownID).has_value());

    // WHEN the user opens Installed THEN its card is listed
    ASSERT_TRUE(clickNamed(*window, "sidebarRow-installed"));
    settle();
    ASSERT_TRUE(shows("installedCard:" + countdownID));

    // WHEN Remove is pressed on it
    ASSERT_TRUE(clickNamed(*window, "removeButton:" + countdownID));
    ASSERT_TRUE(operationsEnded());
    settle();

    // THEN the record and its card are gone
    EXPECT_FALSE(app->installedStore().record(countdownID).has_value());
    EXPECT_FALSE(shows("installedCard:" + countdownID));
    EXPECT_EQ(app->installationCoordinator().presentedErrorMessage(), std::nullopt);
}

} // namespace
