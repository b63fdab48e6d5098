#include "screens/appupdate/AppUpdateService.h"

#include "support/AppUpdateTestSupport.h"

#include <QSignalSpy>

#include <functional>
#include <future>

using namespace marlox::catalog;
using namespace marlox::platform;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

using AppUpdateServiceTest = AppUpdateTest;

TEST_F(AppUpdateServiceTest, RefreshPublishesAnAnnouncedBuildNewerThanTheRunningOne) {
    const QByteArray build120 = appcast(appcastItem("120", "1.2"));
    // The running build (invalid: no CFBundleVersion), the feed, and what is published.
    const std::tuple<const char*, QVariant, QByteArray, std::optional<AppUpdateNotice>> cases[] = {
        {"blank first build, no short version", "100",
         appcast(appcastItem("  ", "1.1") + appcastItem("120")), AppUpdateNotice{"120", "120"}},
        {"build only in an enclosure attribute", "100",
         appcast(R"(<item><enclosure sparkle:version="200"/></item>)"), std::nullopt},
        {"broken markup after a valid item", "100",
         appcast(appcastItem("120") + "<item><sparkle:version></item>"), std::nullopt},
        {"whole numbers by value", "99", appcast(appcastItem("100", "1.0")),
         AppUpdateNotice{"100", "1.0"}},
        {"dotted builds as versions", "1.9", appcast(appcastItem("1.10")),
         AppUpdateNotice{"1.10", "1.10"}},
        {"a 1,000-character version, a shorter one later", "100",
         appcast(appcastItem("120", QByteArray(1000, '1')) + appcastItem("110", "1.1")),
         std::nullopt},
        {"the running build itself", "120", build120, std::nullopt},
        {"an older build", "121", build120, std::nullopt},
        {"no CFBundleVersion counts as 0", QVariant(), appcast(appcastItem("1")),
         AppUpdateNotice{"1", "1"}},
        {"a CFBundleVersion that is no text counts as 0", qint64(500), appcast(appcastItem("5")),
         AppUpdateNotice{"5", "5"}},
    };
    for (const auto& [name, running, feed, expected] : cases) {
        SCOPED_TRACE(name);
        // GIVEN the case's running build and feed
        useMainBundle(running.isValid() ? QVariantMap{{"CFBundleVersion", running}}
                                        : QVariantMap{});
        const auto service = serving(feed);
        QSignalSpy changed(service.get(), &AppUpdateService::availableUpdateChanged);

        // WHEN it refreshes, not silently
        refresh(*service, false);

        // THEN the newer build is published, and nothing counts as a failure
        EXPECT_EQ(service->availableUpdate(), expected);
        EXPECT_EQ(changed.size(), expected ? 1 : 0);
        EXPECT_EQ(service->lastErrorMessage(), std::nullopt);
        EXPECT_EQ(service->shouldShowAvailableUpdate(), expected.has_value());
    }
}

TEST_F(AppUpdateServiceTest, FailedFetchKeepsThePreviousNoticeAndSpeaksOnlyWhenNotSilent) {
    const QByteArray good = appcast(appcastItem("120", "1.2"));
    const QString feedFile = home.filePath("feeds/appcast.xml");
    std::optional<LoopbackHttpServer> ownServer;
    const auto serve = [&](LoopbackHttpServer& on, int status) {
        on.setAnswer("/appcast.xml", HttpAnswer{status, good, {}, {}});
        return on.url("/appcast.xml");
    };
    // Serves a good feed and gives its URL; then makes it fail; the start of the message.
    const std::tuple<const char*, std::function<QUrl()>, std::function<void()>, QString> cases[] = {
        {"informational final status", [&] { return serve(server, 200); },
         [&] { serve(server, 199); }, "App update check failed with HTTP 199."},
        {"not modified", [&] { return serve(server, 200); }, [&] { serve(server, 304); },
         "App update check failed with HTTP 304."},
        {"file removed",
         [&] {
             writeFile(feedFile, good);
             return QUrl::fromLocalFile(feedFile);
         },
         [&] { QFile::remove(feedFile); }, "The file “" + feedFile + "” could not be read: "},
        {"server gone", [&] { return serve(ownServer.emplace(), 200); }, [&] { ownServer.reset(); },
         "Connection refused"},
    };
    for (const auto& [name, goodFeed, breakFeed, message] : cases) {
        for (const bool silent : {true, false}) {
            SCOPED_TRACE(std::string(name) + (silent ? ", silent" : ", not silent"));
            // GIVEN a service that has published build 120 from its feed
            const auto service = makeService(goodFeed());
            refresh(*service, true);
            ASSERT_EQ(service->availableUpdate(), (AppUpdateNotice{"120", "1.2"}));

            // WHEN the feed fails on the next refresh
            breakFeed();
            refresh(*service, silent);

            // THEN the notice stays and only a refresh that is not silent says why
            EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"120", "1.2"}));
            EXPECT_EQ(service->lastErrorMessage().has_value(), !silent);
            EXPECT_TRUE(service->lastErrorMessage().value_or(message).startsWith(message));
        }
    }
}

// Qt reports these statuses as protocol or proxy errors of its own; each is still the server's
// answer, told by its status.
TEST_F(AppUpdateServiceTest, StatusesQtTurnsIntoErrorsFailTheFetchWithTheirStatus) {
    for (const int status : {302, 400, 407, 418}) {
        SCOPED_TRACE(status);
        // GIVEN a feed answered with the status (the redirection without a Location)
        server.setAnswer("/appcast.xml", HttpAnswer{status, appcast(appcastItem("120")), {}, {}});

        // WHEN it is fetched, off the main thread as the service does
        NetworkHttpClient http;
        const auto fetched = std::async(std::launch::async, [&] {
                                 return fetchAppcastFeed(server.url("/appcast.xml"), http);
                             }).get();

        // THEN the check failed with that status, in the service's domain with it as the code
        ASSERT_FALSE(fetched);
        EXPECT_EQ(fetched.error().description(),
                  QString("App update check failed with HTTP %1.").arg(status));
        EXPECT_EQ(fetched.error().domain, appUpdateServiceErrorDomain);
        EXPECT_EQ(fetched.error().code, status);
    }
}

TEST_F(AppUpdateServiceTest, OfOverlappingRefreshesTheLaterRequestWinsWhicheverAnswersLast) {
    // GIVEN a refresh whose feed, announcing build 120, is held back
    server.setAnswer("/appcast.xml",
                     HttpAnswer{.body = appcast(appcastItem("120", "1.2")), .held = true});
    const auto service = makeService(server.url("/appcast.xml"));
    const QFuture<void> earlier = service->refreshAvailableUpdate(true);
    ASSERT_TRUE(server.waitForRequestCount("/appcast.xml", 1));

    // WHEN a later refresh reads build 130, and only then the earlier one gets its answer
    server.setAnswer("/appcast.xml", HttpAnswer{.body = appcast(appcastItem("130", "1.3"))});
    refresh(*service, true);
    server.releaseHeldAnswers();
    ASSERT_TRUE(awaitFuture(earlier));

    // THEN what the later request read stays published
    EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"130", "1.3"}));
}

TEST_F(AppUpdateServiceTest, DismissedBuildHidesExactlyThatBuildUntilANewerOneIsAnnounced) {
    // GIVEN a service showing build 120
    const auto service = serving(appcast(appcastItem("120", "1.2")));
    refresh(*service, true);
    ASSERT_TRUE(service->shouldShowAvailableUpdate());
    QSignalSpy shown(service.get(), &AppUpdateService::shouldShowAvailableUpdateChanged);

    // WHEN the user dismisses it
    service->dismissAvailableUpdate();

    // THEN its build is stored and announced, and the notice itself stays for the Settings screen
    EXPECT_EQ(defaults.string(dismissedBuildKey), "120");
    EXPECT_EQ(shown.size(), 1);
    EXPECT_FALSE(service->shouldShowAvailableUpdate());
    EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"120", "1.2"}));

    // AND a refresh finding the same build keeps it hidden, one finding 130 shows that one
    refresh(*service, true);
    EXPECT_FALSE(service->shouldShowAvailableUpdate());
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("130")), {}, {}});
    refresh(*service, true);
    EXPECT_TRUE(service->shouldShowAvailableUpdate());
    EXPECT_EQ(defaults.string(dismissedBuildKey), "120");
}

TEST_F(AppUpdateServiceTest, DismissalIsRemovedOnlyWhenTheRunningBuildHasReachedTheAnnouncedOne) {
    // The running build, the feed, and whether the dismissal of build 120 stays.
    const std::tuple<const char*, QString, QByteArray, bool> cases[] = {
        {"running the dismissed build", "120", appcast(appcastItem("120")), false},
        {"running past the dismissed build", "121", appcast(appcastItem("120")), false},
        {"running past another announced build", "130", appcast(appcastItem("125")), true},
        {"dismissed build still newer", "119", appcast(appcastItem("120")), true},
        {"feed without an item", "130", appcast(appcastItem("")), true},
        {"feed not well-formed", "130", appcast(appcastItem("120")).chopped(8), true},
    };
    for (const auto& [name, running, feed, stays] : cases) {
        SCOPED_TRACE(name);
        // GIVEN build 120 dismissed at an earlier launch
        defaults.setValue(dismissedBuildKey, "120");
        useRunningBuild(running);
        const auto service = serving(feed);

        // WHEN a refresh reads the feed
        refresh(*service, false);

        // THEN the dismissal goes only once the running build has caught up with it
        EXPECT_EQ(defaults.contains(dismissedBuildKey), stays);
    }
}

TEST_F(AppUpdateServiceTest, FeedComesFromInfoPlistAndWithoutOneNothingIsFetchedOrMade) {
    const QString feed = server.url("/appcast.xml").toString();
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("120")), {}, {}});
    for (const std::optional<QString>& configured :
         {std::optional(feed), std::optional<QString>()}) {
        SCOPED_TRACE(configured.value_or("no feed").toStdString());
        // GIVEN a service configured from the bundle's Info.plist
        QVariantMap info{{"CFBundleVersion", "100"}};
        if (configured) {
            info.insert("MarloxAppcastFeedURL", " \n" + *configured + "\t");
        }
        useMainBundle(info);
        updaters = {};
        AppUpdateService service(DistributionConfiguration(*runningBundle), *runningBundle,
                                 defaults, std::make_shared<NetworkHttpClient>(),
                                 updaters.factory());
        EXPECT_EQ(service.feedURLString(), configured);
        EXPECT_EQ(updaters.made, configured ? 1 : 0);

        // WHEN the application refreshes silently, the user checks, and a refresh speaks
        refresh(service, true);
        const std::optional<QString> afterSilent = service.lastErrorMessage();
        service.checkForUpdates();
        const std::optional<QString> afterCheck = service.lastErrorMessage();
        refresh(service, false);

        // THEN with a feed the updater is told it; without, the user hears why and nothing is
        // fetched or made
        if (configured) {
            EXPECT_EQ(updaters.delegate->feedURLStringForUpdater(), configured);
            EXPECT_EQ(service.availableUpdate(), (AppUpdateNotice{"120", "120"}));
            EXPECT_EQ(service.lastErrorMessage(), std::nullopt);
            continue;
        }
        EXPECT_EQ(afterSilent, std::nullopt);
        EXPECT_EQ(afterCheck, feedNotConfiguredMessage);
        EXPECT_EQ(service.lastErrorMessage(), feedNotConfiguredMessage);
        EXPECT_EQ(updaters.made, 0);
    }
    // The updater's check reads the feed itself.
    EXPECT_EQ(server.requestCount("/appcast.xml"), 2);
}

TEST_F(AppUpdateServiceTest, UserCheckClearsTheMessageAndPublishesWhatTheUpdatersCheckRead) {
    // GIVEN a service whose last refresh that spoke failed
    const auto service = serving("", 500);
    refresh(*service, false);
    ASSERT_TRUE(service->lastErrorMessage().has_value());

    // WHEN the user checks twice
    const QFuture<void> first = service->checkForUpdates();
    const QFuture<void> second = service->checkForUpdates();

    // THEN the message is gone at once, the one updater made at the start got both checks, and
    // the service asked the feed nothing itself
    EXPECT_EQ(service->lastErrorMessage(), std::nullopt);
    EXPECT_EQ(updaters.made, 1);
    EXPECT_EQ(updaters.checks, 2);
    EXPECT_EQ(server.requestCount("/appcast.xml"), 1);

    // WHEN the updater's check has read a feed announcing 120 THEN both checks publish it
    updaters.delegate->updaterDidReadFeed(appcast(appcastItem("120")));
    ASSERT_TRUE(awaitFuture(first) && awaitFuture(second));
    EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"120", "120"}));

    // AND a check whose reading failed keeps the notice and says nothing, as a silent refresh
    const QFuture<void> failed = service->checkForUpdates();
    updaters.delegate->updaterDidReadFeed(std::nullopt);
    ASSERT_TRUE(awaitFuture(failed));
    EXPECT_EQ(service->lastErrorMessage(), std::nullopt);
    EXPECT_EQ(service->availableUpdate(), (AppUpdateNotice{"120", "120"}));
}

} // namespace
