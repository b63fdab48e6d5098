#include "screens/appupdate/FeedUpdater.h"

#include "support/AppUpdateTestSupport.h"
#include "support/RecordingWorkspace.h"
#include "support/WidgetTesting.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace marlox::screens;
using namespace marlox::testing;
using marlox::platform::UpdaterDelegate;

namespace {

struct FixedFeed final : UpdaterDelegate {
    std::optional<QString> feedURLStringForUpdater() const override { return feed; }
    void updaterDidReadFeed(const std::optional<QByteArray>&) override {}
    std::optional<QString> feed;
};

class FeedUpdaterTest : public AppUpdateTest {
protected:
    std::unique_ptr<FeedUpdater> makeUpdater(UpdaterDelegate& delegate) {
        return std::make_unique<FeedUpdater>(
            delegate, *runningBundle, std::make_shared<marlox::platform::NetworkHttpClient>(),
            workspace, &window);
    }

    QDialog* dialog() const { return window.findChild<QDialog*>("updateCheckDialog"); }
    QString text(const char* label) const { return labelText(*dialog(), label); }

    RecordingWorkspace workspace;
    QWidget window;
};

TEST_F(FeedUpdaterTest, UserCheckShowsTheAnnouncedBuildAndOpensItsDownloadPage) {
    // GIVEN the service with the stand-in updater, and a feed announcing build 140
    FeedUpdater* updater = nullptr;
    QByteArray item =
        appcastItem("140", "1.4.0", "https://example.com/release?v=1.4.0&amp;from=app");
    item.replace("https://example.com/MarloxStudio.zip",
                 server.url("/MarloxStudio.zip").toEncoded());
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(item), {}, {}});
    const auto service = makeService(server.url("/appcast.xml"), [&](UpdaterDelegate& delegate) {
        auto made = makeUpdater(delegate);
        updater = made.get();
        return made;
    });

    // WHEN the user checks
    const QFuture<void> refreshed = service->checkForUpdates();
    const QFuture<void> shown = updater->check();

    // THEN a window-modal dialog says it is checking, then names the build
    ASSERT_NE(dialog(), nullptr);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(dialog()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(text("updateHeadline"), "Checking for updates…");
    ASSERT_TRUE(awaitFuture(refreshed) && awaitFuture(shown));
    EXPECT_EQ(text("updateHeadline"), "Version 1.4.0 (build 140) is available.");
    EXPECT_EQ(dialog()->findChild<QLabel*>("updateHeadline")->textFormat(), Qt::PlainText);

    // AND its button opens the item's page in the browser and downloads nothing
    ASSERT_TRUE(clickNamed(*dialog(), "openDownloadPageButton"));
    EXPECT_EQ(workspace.openedURLs,
              QList<QUrl>{QUrl("https://example.com/release?v=1.4.0&from=app")});
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(server.requestCount("/MarloxStudio.zip"), 0);
    // AND the one request of the check told the application of the build
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1);
    EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"140", "1.4.0"}));
}

TEST_F(FeedUpdaterTest, UserCheckThatFailsShowsWhy) {
    const QString missing = home.filePath("none.xml");
    // The feed (empty: the served one, answering 304) and the reason shown.
    const std::pair<QString, QString> cases[] = {
        {"", "App update check failed with HTTP 304."},
        {QUrl::fromLocalFile(missing).toString(),
         "The file “" + missing + "” could not be read: No such file or directory"},
    };
    server.setAnswer("/appcast.xml", HttpAnswer{304, {}, {}, {}});
    for (const auto& [feed, reason] : cases) {
        SCOPED_TRACE(reason.toStdString());
        // GIVEN the stand-in updater reading the case's feed
        FixedFeed delegate;
        delegate.feed = feed.isEmpty() ? server.url("/appcast.xml").toString() : feed;
        const auto updater = makeUpdater(delegate);

        // WHEN the user checks
        ASSERT_TRUE(awaitFuture(updater->check()));

        // THEN the dialog says the check failed and why, offers no page, and closes
        EXPECT_EQ(text("updateHeadline"), "The update check failed.");
        EXPECT_EQ(text("updateDetail"), reason);
        EXPECT_FALSE(isShown(*dialog(), "openDownloadPageButton"));
        ASSERT_TRUE(clickNamed(*dialog(), "closeButton"));
        EXPECT_FALSE(dialog()->isVisible());
    }
}

TEST_F(FeedUpdaterTest, CheckAskedForWhileOneRunsJoinsItAndClosingCancelsIt) {
    // GIVEN a check waiting for a held answer
    server.setAnswer("/appcast.xml",
                     HttpAnswer{200, appcast(appcastItem("140", "1.4.0")), {}, {}, true});
    FixedFeed delegate;
    delegate.feed = server.url("/appcast.xml").toString();
    const auto updater = makeUpdater(delegate);
    const QFuture<void> first = updater->check();
    ASSERT_TRUE(server.waitForRequestCount("/appcast.xml", 1));

    // WHEN the user asks again, then cancels before the answer comes
    const QFuture<void> second = updater->check();
    EXPECT_EQ(childNamed<QPushButton>(*dialog(), "closeButton")->text(), "Cancel");
    ASSERT_TRUE(clickNamed(*dialog(), "closeButton"));
    server.releaseHeldAnswers();

    // THEN one request served both, and the cancelled check shows nothing
    ASSERT_TRUE(awaitFuture(first) && awaitFuture(second));
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1);
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(text("updateHeadline"), "Checking for updates…");
}

TEST_F(FeedUpdaterTest, TheDialogGrowsToShowItsWholeText) {
    // GIVEN a feed announcing build 99999999999999999999
    server.setAnswer(
        "/appcast.xml",
        HttpAnswer{200, appcast(appcastItem("99999999999999999999", "9.9.9")), {}, {}});
    FixedFeed delegate;
    delegate.feed = server.url("/appcast.xml").toString();
    const auto updater = makeUpdater(delegate);

    // WHEN the user checks
    ASSERT_TRUE(awaitFuture(updater->check()));
    settle();

    // THEN the dialog is as tall as its headline's two lines need, the button below them
    auto* headline = dialog()->findChild<QLabel*>("updateHeadline");
    EXPECT_EQ(headline->text(), "Version 9.9.9 (build 99999999999999999999) is available.");
    EXPECT_GE(headline->height(), headline->heightForWidth(headline->width()));
    EXPECT_GT(headline->heightForWidth(headline->width()), headline->fontMetrics().height());
    EXPECT_LE(childNamed<QPushButton>(*dialog(), "closeButton")->geometry().bottom(),
              dialog()->height());
}

TEST_F(FeedUpdaterTest, TheDialogStandsCentredOnTheWindowItWasAskedFrom) {
    // GIVEN an updater given no window, and two windows, the second active
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("140", "1.4.0")), {}, {}});
    FixedFeed delegate;
    delegate.feed = server.url("/appcast.xml").toString();
    FeedUpdater updater(delegate, *runningBundle,
                        std::make_shared<marlox::platform::NetworkHttpClient>(), workspace);
    QWidget first;
    QWidget second;
    const auto activate = [](QWidget& shown) {
        shown.activateWindow();
        return QTest::qWaitForWindowActive(&shown);
    };
    first.setGeometry(20, 20, 500, 360);
    second.setGeometry(260, 200, 500, 360);
    first.show();
    second.show();
    ASSERT_TRUE(activate(second));
    const auto dialogOf = [](QWidget& shown) {
        return shown.findChild<QDialog*>("updateCheckDialog");
    };
    const auto offCentre = [](const QDialog* shown, const QWidget& window) {
        return (shown->geometry().center() - window.geometry().center()).manhattanLength();
    };

    // WHEN the user checks THEN the dialog stands centred on the second window
    ASSERT_TRUE(awaitFuture(updater.check()));
    ASSERT_NE(dialogOf(second), nullptr);
    EXPECT_LE(offCentre(dialogOf(second), second), 2);

    // WHEN it is closed and the user checks from the first window, moved meanwhile
    ASSERT_TRUE(clickNamed(*dialogOf(second), "closeButton"));
    first.move(60, 120);
    ASSERT_TRUE(activate(first));
    ASSERT_TRUE(awaitFuture(updater.check()));

    // THEN it stands centred on the first window
    ASSERT_NE(dialogOf(first), nullptr);
    EXPECT_LE(offCentre(dialogOf(first), first), 2);
}

} // namespace
