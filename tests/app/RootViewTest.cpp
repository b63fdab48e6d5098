#include "app/RootView.h"

#include "AppTestSupport.h"
#include "support/WidgetTesting.h"
#include "ui/kit/AppAlert.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace marlox::app;
using namespace marlox::testing;
using marlox::ui::AppAlert;

namespace {

const QString failure = "Failed to install <b>Glow</b>: /tmp/a&b is full";

class RootViewTest : public AppTest {
protected:
    RootViewTest() {
        makeApp();
        window = app->openWindow();
    }

    marlox::install::InstallationCoordinator& coordinator() {
        return app->installationCoordinator();
    }
    AppAlert* alert() const { return window->findChild<AppAlert*>("operationAlert"); }
};

TEST_F(RootViewTest, ErrorRaisesTheAlertWithTheMessageAsPlainText) {
    // GIVEN a window WHEN the coordinator presents an error without host names
    coordinator().setPresentedErrorMessage(failure);

    // THEN the alert shows the title and the message as it stands
    ASSERT_NE(alert(), nullptr);
    EXPECT_TRUE(alert()->isVisible());
    EXPECT_EQ(alert()->title(), "Operation Failed");
    auto* message = alert()->findChild<QLabel*>("alertMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->text(), failure);
    EXPECT_EQ(message->textFormat(), Qt::PlainText);
}

TEST_F(RootViewTest, AlertDismissedAnyWayClearsTheError) {
    // GIVEN each way an alert can be dismissed
    const std::vector<std::pair<const char*, std::function<void(AppAlert*)>>> dismissals = {
        {"OK", [](AppAlert* box) { box->findChild<QPushButton*>("operationAlertOK")->click(); }},
        {"Escape", [](AppAlert* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"close", [](AppAlert* box) { box->close(); }},
    };
    for (const auto& [way, dismiss] : dismissals) {
        coordinator().setPresentedErrorMessage(failure);
        ASSERT_NE(alert(), nullptr) << way;

        // WHEN it is dismissed
        dismiss(alert());

        // THEN the coordinator holds no error, and the next error raises the alert again
        EXPECT_EQ(coordinator().presentedErrorMessage(), std::nullopt) << way;
        EXPECT_TRUE(coordinator().blockingHostNames().isEmpty()) << way;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(alert(), nullptr) << way;
    }
}

TEST_F(RootViewTest, AlertGoesAwayWhenTheErrorIsClearedElsewhere) {
    // GIVEN an alert in each of two windows
    RootView* other = app->openWindow();
    coordinator().setPresentedErrorMessage(failure);
    auto* otherAlert = other->findChild<AppAlert*>("operationAlert");
    ASSERT_NE(otherAlert, nullptr);

    // WHEN one is dismissed
    alert()->findChild<QPushButton*>("operationAlertOK")->click();

    // THEN the other window's alert closes too
    EXPECT_FALSE(otherAlert->isVisible());
}

TEST_F(RootViewTest, NavigationTextOtherThanARawValueChangesNothing) {
    // GIVEN the window on Plugins
    window->selectSection(AppSection::plugins);
    // WHEN Home navigates with near misses THEN the section stays
    for (const QString text : {"Home", "SETTINGS", " installed", "help", ""}) {
        window->navigate(text);
        EXPECT_EQ(window->selectedSection(), AppSection::plugins) << text.toStdString();
    }
    // WHEN it navigates with a raw value THEN that section shows
    window->navigate("settings");
    EXPECT_EQ(window->selectedSection(), AppSection::settings);
}

TEST_F(RootViewTest, HomeGuideStepShowsTheSectionItNames) {
    // GIVEN Home with the catalog loaded
    ASSERT_TRUE(awaitFuture(app->startupTask()));
    ASSERT_EQ(window->detailScreen()->objectName(), "homeView");

    // WHEN its third guide step is clicked
    ASSERT_TRUE(clickNamed(*window, "guideStep03"));

    // THEN the window shows Settings
    EXPECT_EQ(window->selectedSection(), AppSection::settings);
}

TEST_F(RootViewTest, PluginsSearchStartsEmptyWhenTheSectionIsShownAgain) {
    // GIVEN a search typed on the Plugins screen
    window->selectSection(AppSection::plugins);
    settle();
    const QPointer<QWidget> first = window->detailScreen();
    QTest::keyClicks(qobject_cast<QLineEdit*>(widgetNamed(*window, "searchField")), "glow");

    // WHEN the user goes to Installed and back
    window->selectSection(AppSection::installed);
    window->selectSection(AppSection::plugins);

    // THEN a new screen stands there, with an empty search
    settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(qobject_cast<QLineEdit*>(widgetNamed(*window, "searchField"))->text(), "");
}

TEST_F(RootViewTest, NewWindowShortcutOpensAnotherWindowOnHomeAndEachWindowKeepsItsOwnSection) {
    // GIVEN a window on Installed
    window->selectSection(AppSection::installed);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    // WHEN Ctrl+N is pressed in it
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);

    // THEN a second window opens on Home, and the first keeps its section
    ASSERT_EQ(app->windows().size(), 2);
    EXPECT_EQ(app->windows().last()->selectedSection(), AppSection::home);
    EXPECT_EQ(window->selectedSection(), AppSection::installed);
}

TEST_F(RootViewTest, QuitShortcutEndsTheApplicationWhateverTheCloseSetting) {
    // GIVEN closing the last window set to keep the application running
    app->settingsStore().setQuitAppOnWindowClose(false);
    QSignalSpy termination(app.get(), &MarloxStudioApp::terminationRequested);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    // WHEN Ctrl+Q is pressed THEN the application ends
    QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(termination.count(), 1);
}

TEST_F(RootViewTest, WindowCannotBeMadeSmallerThanItsMinimum) {
    // WHEN the window is asked to shrink THEN it stays at least 1100 by 700
    window->resize(800, 500);
    EXPECT_GE(window->width(), 1100);
    EXPECT_GE(window->height(), 700);
}

} // namespace
