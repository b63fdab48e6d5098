#include "screens/settings/SettingsView.h"

#include "catalog/OperationsLog.h"
#include "platform/ProcessRunner.h"
#include "screens/settings/CacheClearer.h"
#include "support/AppUpdateTestSupport.h"
#include "support/CatalogFixtures.h"
#include "support/HeldThreads.h"
#include "support/SavedSettings.h"
#include "support/ScreenFixture.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/ScreenParts.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLockFile>
#include <QPushButton>
#include <QScrollArea>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <gmock/gmock.h>

#include <atomic>
#include <functional>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;
using marlox::install::FolderAccessState;
using marlox::platform::Bundle;
using marlox::platform::mainBundle;
using marlox::ui::ThumbnailCache;

namespace {

const QColor secondaryText = QColor::fromRgbF(1, 1, 1, 0.68f);

// What a screen is made with instead of the shared services.
struct Using {
    AppSettingsStore* settings = nullptr;
    AppUpdateService* updates = nullptr;
    CatalogService* catalog = nullptr;
    const Bundle* bundle = nullptr;
};

// The catalog loads when a test asks for it.
class SettingsViewTest : public ScreenTest {
protected:
    void SetUp() override { WidgetTest::SetUp(); }

    std::unique_ptr<SettingsView> makeView(const Using& in = {},
                                           ThumbnailCache* thumbnailCache = nullptr) {
        CatalogService& catalog = in.catalog ? *in.catalog : *services.catalogService;
        CacheClearer& clearer = *cacheClearers.emplace_back(std::make_unique<CacheClearer>(
            thumbnailCache ? *thumbnailCache : thumbnails, std::make_shared<CacheWrites>()));
        auto view = std::make_unique<SettingsView>(
            in.bundle ? *in.bundle : mainBundle(), in.settings ? *in.settings : services.settings,
            catalog, in.updates ? *in.updates : appUpdates, services.installAccess,
            services.templatesAccess, services.store, *services.coordinator, clearer,
            services.workspace);
        grab(*view, QSize(1100, 700));
        return view;
    }
    // A catalog service whose remote catalog the server answers, with the built-in catalog or
    // the status, only once the test lets the answer go; its own built-in catalog is the
    // bundle's.
    std::unique_ptr<CatalogService> heldRemoteCatalog(LoopbackHttpServer& server, int status,
                                                      const Bundle& bundle = mainBundle()) {
        const QByteArray body = status == 200 ? readFile(urlForResource("manifest", "json")) : "";
        server.setAnswer("/catalog.json", HttpAnswer{status, body, {}, {}, true});
        DistributionConfiguration configuration;
        configuration.remoteCatalogURL = server.url("/catalog.json");
        return makeCatalogService(configuration, bundle);
    }
    static void letTheCatalogAnswer(LoopbackHttpServer& server) {
        ASSERT_TRUE(server.waitForRequestCount("/catalog.json", 1));
        server.releaseHeldAnswers();
    }

    // The text of a message line and its colour, or nothing while it is hidden.
    static std::optional<std::pair<QString, QColor>> line(QWidget& view, const QString& name) {
        if (!isShown(view, name)) {
            return std::nullopt;
        }
        const QLabel* shown = childNamed<QLabel>(view, name);
        return std::pair(shown->text(), shown->palette().color(QPalette::WindowText));
    }
    // A bundle that holds no catalog and no version keys.
    Bundle brokenBundle() const { return scratchBundle(home, {}); }

    std::shared_ptr<marlox::platform::HttpClient> http =
        std::make_shared<marlox::platform::NetworkHttpClient>();
    UpdaterRecord updaters;
    AppUpdateService appUpdates{DistributionConfiguration{}, mainBundle(), services.defaults, http,
                                updaters.factory()};
    std::vector<std::unique_ptr<CacheClearer>> cacheClearers;
};

TEST_F(SettingsViewTest, GeneralCardShowsTheCatalogErrorInRedOnceTheCatalogHasLoaded) {
    // GIVEN the screen of a bundle without a catalog, once its catalog has loaded
    const Bundle bundle = brokenBundle();
    const auto brokenCatalog = makeCatalogService({}, bundle);
    const auto view = makeView({.catalog = brokenCatalog.get(), .bundle = &bundle});
    ASSERT_TRUE(awaitFuture(brokenCatalog->reload()));

    // THEN the catalog's error shows in red
    const auto error = line(*view, "catalogErrorText");
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->first.startsWith("Failed to load catalog: ")) << error->first.toStdString();
    EXPECT_EQ(error->second, marlox::ui::platformRed());
}

TEST_F(SettingsViewTest, LaunchAtLoginThatTheSystemRefusesShowsItsErrorInOrange) {
    // GIVEN a signed copy in the user's Applications folder whose login item cannot be registered
    const QString bundle = home.filePath("home/Applications/Marlox Studio.app");
    writeFile(bundle + "/Contents/_CodeSignature/CodeResources", "signed");
    AppSettingsStore signedCopy(services.defaults, services.loginItem, bundle);
    const auto view = makeView({.settings = &signedCopy});
    auto* toggle = view->findChild<QCheckBox*>("launchAtLoginToggle");
    ASSERT_TRUE(toggle->isEnabled());

    // WHEN the user turns it on
    toggle->click();

    // THEN the toggle shows what the system holds, off, and the store's error is orange
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(line(*view, "launchAtLoginErrorText"),
              std::pair(launchAtLoginChangeFailedMessage, platformOrange()));
    EXPECT_EQ(line(*view, "launchAtLoginAvailabilityText"), std::nullopt);
}

TEST_F(SettingsViewTest, TurningQuitAppOnCloseOffWritesFalseAtOnce) {
    const auto view = makeView();
    auto* toggle = view->findChild<QCheckBox*>("quitOnCloseToggle");
    ASSERT_TRUE(toggle->isChecked());

    toggle->click();

    EXPECT_FALSE(services.settings.quitAppOnWindowClose());
    const auto reread = marlox::testing::savedSettings(services.defaults.filePath());
    EXPECT_TRUE(reread->contains("settings.quitAppOnWindowClose"));
    EXPECT_FALSE(reread->boolean("settings.quitAppOnWindowClose"));
}

TEST_F(SettingsViewTest, AvailableVersionReadsVersionAndBuildAlsoAfterADismissal) {
    // GIVEN a feed announcing build 140, version 1.4.0, newer than the running build
    LoopbackHttpServer server;
    server.setAnswer("/appcast.xml", HttpAnswer{200, appcast(appcastItem("140", "1.4.0")), {}, {}});
    DistributionConfiguration configuration;
    configuration.appcastFeedURL = server.url("/appcast.xml");
    AppUpdateService feedUpdates(configuration, mainBundle(), services.defaults, http,
                                 updaters.factory());
    const auto view = makeView({.updates = &feedUpdates});

    // WHEN the service finds it, and then the user dismisses it in the banner
    ASSERT_TRUE(awaitFuture(feedUpdates.refreshAvailableUpdate(true)));
    const QString found = labelText(*view, "availableVersionValue");
    feedUpdates.dismissAvailableUpdate();

    // THEN the row reads the version and the build in parentheses, before and after
    EXPECT_EQ(found, "1.4.0 (140)");
    EXPECT_TRUE(isShown(*view, "availableVersionRow"));
    EXPECT_EQ(labelText(*view, "availableVersionValue"), "1.4.0 (140)");
}

TEST_F(SettingsViewTest, AppUpdateCheckWithoutAFeedSaysSoInOrange) {
    const auto view = makeView();

    ASSERT_TRUE(clickNamed(*view, "checkAppUpdatesButton"));

    EXPECT_EQ(line(*view, "appUpdateErrorText"),
              std::pair(QString("App update feed is not configured."), platformOrange()));
    EXPECT_EQ(updaters.made, 0);
}

TEST_F(SettingsViewTest, PluginCheckReportsItsOutcomeInItsColourWithTheTime) {
    using Records = QList<std::pair<QString, QString>>;
    const Records threeOlder = {{countdownID, "1.0"},
                                {filmGradeID, "1.0"},
                                {chromaKeyID, "2.2"},
                                {kineticTitlesID, "1.0"},
                                {"studio.gone", "0.1"}};
    // Records, the remote catalog's status, the message and its colour, the count shown after.
    const std::tuple<const char*, Records, int, QString, QColor, QString> cases[] = {
        {"three newer, a template and a record the catalog lacks", threeOlder, 200,
         "3 plugin update(s) found.", secondaryText, "3"},
        {"catalog load fails", threeOlder, 500, "Plugin update check failed: Failed to load",
         platformOrange(), "0"},
    };
    for (const auto& [name, records, status, message, colour, count] : cases) {
        SCOPED_TRACE(name);
        // GIVEN the case's records, a catalog whose answer waits, and no check run yet
        services.store.setInstalledByID({});
        services.recordInstalled(records);
        LoopbackHttpServer server;
        // A failed answer leaves nothing to fall back on.
        const auto remoteCatalog =
            heldRemoteCatalog(server, status, status == 200 ? mainBundle() : brokenBundle());
        if (status != 200) {
            QFile::remove(CatalogService::remoteManifestCachePath());
        }
        const auto view = makeView({.catalog = remoteCatalog.get()});

        // WHEN the check starts, THEN the button is a disabled "Checking..." beside a spinner
        const QDateTime before = QDateTime::currentDateTime();
        ASSERT_TRUE(clickNamed(*view, "checkPluginUpdatesButton"));
        auto* button = view->findChild<marlox::ui::AppPillButton*>("checkPluginUpdatesButton");
        EXPECT_EQ(button->text(), "Checking...");
        EXPECT_FALSE(button->isEnabled());
        EXPECT_TRUE(isShown(*view, "checkProgress"));

        // WHEN the catalog answers
        letTheCatalogAnswer(server);
        ASSERT_TRUE(waitUntil([&] { return !view->pluginCheck().isChecking; }));
        const QDateTime after = QDateTime::currentDateTime();

        // THEN the message has its colour, the count follows the catalog and the time is shown
        const auto shown = line(*view, "lastCheckMessageText");
        ASSERT_TRUE(shown);
        EXPECT_TRUE(shown->first.startsWith(message)) << shown->first.toStdString();
        EXPECT_EQ(shown->second, colour);
        EXPECT_EQ(labelText(*view, "availableUpdatesValue"), count);
        EXPECT_TRUE(isShown(*view, "lastCheckedRow"));
        EXPECT_THAT(labelText(*view, "lastCheckedValue"),
                    ::testing::AnyOf(lastCheckedText(before), lastCheckedText(after)));
        EXPECT_EQ(button->text(), "Check Plugin Updates");
        EXPECT_FALSE(isShown(*view, "checkProgress"));
    }
}

TEST_F(SettingsViewTest, CheckEndingAfterTheScreenIsGoneTouchesNothing) {
    // GIVEN a check waiting for the catalog
    LoopbackHttpServer server;
    const auto remoteCatalog = heldRemoteCatalog(server, 200);
    auto view = makeView({.catalog = remoteCatalog.get()});
    ASSERT_TRUE(clickNamed(*view, "checkPluginUpdatesButton"));

    // WHEN the screen is left before the catalog answers
    view.reset();
    letTheCatalogAnswer(server);

    // THEN the reload still completes, and its end reaches no screen
    EXPECT_TRUE(waitUntil([&] { return !remoteCatalog->isLoading(); }));
    settle();
    EXPECT_EQ(remoteCatalog->loadSourceLabel(), "Remote");
}

TEST_F(SettingsViewTest, FolderPillsFollowTheServicesAndAreLookedAtEachTimeTheScreenShows) {
    // GIVEN both folders ready: their paths and pills are the golden's
    const auto view = makeView();
    EXPECT_TRUE(childNamed<marlox::ui::FittingLabel>(*view, "installFolderPath")->isSelectable());

    // WHEN the install folder cannot be made any more and the screen is shown again
    view->hide();
    QDir(installFolderPath()).removeRecursively();
    writeFile(installFolderPath(), "in the way");
    view->show();
    settle();

    // THEN its card has no pill while the other keeps its own
    EXPECT_EQ(services.installAccess.accessState(), FolderAccessState::needsAccess);
    EXPECT_FALSE(isShown(*view, "installFolderCardStatus"));
    EXPECT_TRUE(isShown(*view, "templatesFolderCardStatus"));
}

TEST_F(SettingsViewTest, OpenFolderRevealsTheFolderOrRaisesTheAlertEachTimeItFails) {
    const auto view = makeView();

    // WHEN the templates folder is opened, THEN the workspace shows it
    ASSERT_TRUE(clickNamed(*view, "templatesFolderOpenButton"));
    EXPECT_EQ(services.workspace.openedFolders,
              QStringList{marlox::install::motionTemplatesFolderPath()});

    // GIVEN a file where the install folder belongs
    QDir(installFolderPath()).removeRecursively();
    writeFile(installFolderPath(), "in the way");
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE(attempt);
        // WHEN its "Open Folder" is pressed
        ASSERT_TRUE(clickNamed(*view, "installFolderOpenButton"));

        // THEN the screen's alert shows the error as plain text, and "OK" takes it away
        auto* alert = view->findChild<marlox::ui::AppAlert*>("operationFailedAlert");
        ASSERT_NE(alert, nullptr);
        ASSERT_TRUE(waitUntil([&] { return alert->isVisible(); }));
        EXPECT_EQ(alert->title(), "Operation Failed");
        EXPECT_EQ(alert->findChild<QLabel*>("alertMessage")->textFormat(), Qt::PlainText);
        EXPECT_EQ(std::optional(alert->message()), view->presentedErrorMessage());
        EXPECT_TRUE(alert->message().contains(installFolderPath()))
            << alert->message().toStdString();
        alert->okButton()->click();
        EXPECT_EQ(view->presentedErrorMessage(), std::nullopt);
    }
    EXPECT_EQ(services.workspace.openedFolders.size(), 1);
}

TEST_F(SettingsViewTest, MaintenanceButtonsOpenFoldersClearTheLogAndTheCacheAndReload) {
    const auto view = makeView();
    writeFile(operationsLogFilePath(), "[2026-01-01T00:00:00Z] line\n");
    QDir(cacheDirectory()).removeRecursively();

    for (const char* button :
         {"openAppSupportButton", "openLogsButton", "clearLogsButton", "clearCacheButton"}) {
        ASSERT_TRUE(clickNamed(*view, button)) << button;
    }
    flushOperationsLog();

    EXPECT_EQ(services.workspace.openedFolders,
              (QStringList{applicationSupportDirectory(), logsDirectory()}));
    EXPECT_FALSE(QFileInfo::exists(operationsLogFilePath()));
    // The cache is cleared off the main thread.
    EXPECT_TRUE(waitUntil([&] { return widgetNamed(*view, "clearCacheButton")->isEnabled(); }));
    EXPECT_TRUE(QFileInfo(cacheDirectory()).isDir());
    EXPECT_TRUE(QFileInfo(logsDirectory()).isDir());
    // Last: a reload logs its outcome.
    ASSERT_TRUE(clickNamed(*view, "reloadCatalogButton"));
    EXPECT_TRUE(waitUntil([&] { return !services.catalogService->packages().isEmpty(); }));
    EXPECT_EQ(view->findChild<marlox::ui::AppAlert*>(), nullptr);
}

TEST_F(SettingsViewTest, ClearCacheIsRefusedWhileAnInstallRunsWhichThenCompletesWhole) {
    // GIVEN a cached file, and Edge Matte, expanded from its archive, held in its registration
    const HeldTool pluginkit = services.holdRegistration(home.filePath("held"));
    const QString cached = cacheDirectory() + "/remote-manifest.json";
    writeFile(cached, "{}");
    const auto view = makeView();
    services.coordinator->install(builtInPackage(edgeMatteID));
    ASSERT_TRUE(waitUntil([&] { return pluginkit.isHeld(); }));

    // WHEN the user tries to clear the cache
    const bool clicked = clickNamed(*view, "clearCacheButton");

    // THEN the button is disabled and the cache is untouched
    EXPECT_FALSE(clicked);
    EXPECT_FALSE(view->content().clearCacheEnabled);
    EXPECT_TRUE(QFileInfo::exists(cached));

    // WHEN the install is let go, THEN it completes with every file and the button returns
    pluginkit.release();
    ASSERT_TRUE(services.settle());
    const QString installed = installFolderPath() + '/' + edgeMatteID;
    EXPECT_EQ(services.coordinator->statusMessageByID().value(edgeMatteID), "Installed");
    EXPECT_EQ(treeOf(installed),
              (QStringList{"EdgeMatte.pluginkit", "EdgeMatte.pluginkit/Contents",
                           "EdgeMatte.pluginkit/Contents/Info.plist",
                           "EdgeMatte.pluginkit/Contents/MacOS",
                           "EdgeMatte.pluginkit/Contents/MacOS/EdgeMatte",
                           "EdgeMatte.pluginkit/Contents/Resources",
                           "EdgeMatte.pluginkit/Contents/Resources/.defaults",
                           "EdgeMatte.pluginkit/Contents/Resources/EdgeMatte.strings"}));
    EXPECT_EQ(services.store.record(edgeMatteID)->version, "1.3.0");
    EXPECT_TRUE(widgetNamed(*view, "clearCacheButton")->isEnabled());
}

// Holds each transfer until it is cancelled and the test lets it end, or for ten seconds.
class HeldTransfers final : public marlox::platform::HttpClient {
public:
    std::atomic<bool> started = false;
    std::atomic<bool> cancelled = false;
    std::atomic<bool> released = false;

    marlox::Result<marlox::platform::HttpResponse, marlox::platform::HttpTransportError>
    get(const marlox::platform::HttpGetRequest& request, QIODevice&) override {
        started = true;
        QDeadlineTimer deadline(std::chrono::seconds(10));
        while (!(cancelled && released) && !deadline.hasExpired()) {
            cancelled = request.cancellation && request.cancellation->isCancelled();
            QThread::msleep(5);
        }
        return marlox::platform::HttpTransportError{"cancelled"};
    }
    QFuture<marlox::Result<marlox::platform::HttpDownload, marlox::platform::HttpTransportError>>
    fetch(const marlox::platform::HttpGetRequest& request, qint64) override {
        return QtConcurrent::run([this, request] {
            QBuffer body;
            return marlox::Result<marlox::platform::HttpDownload,
                                  marlox::platform::HttpTransportError>(get(request, body).error());
        });
    }
    void abortTransfers() override {}
};

TEST_F(SettingsViewTest, ClearCacheCancelsDownloadsThenDeletesOffTheMainThreadButtonDisabled) {
    // GIVEN a cached file and a thumbnail downloading
    const QString cached = cacheDirectory() + "/remote-manifest.json";
    writeFile(cached, "{}");
    const auto transfers = std::make_shared<HeldTransfers>();
    ThumbnailCache held(transfers, thumbnailCacheDirectory());
    const QFuture<QImage> thumbnail = held.image(QUrl("https://thumbnails.test/a.png"));
    ASSERT_TRUE(waitUntil([&] { return transfers->started.load(); }));
    const auto view = makeView({}, &held);

    // WHEN Clear Cache is clicked
    ASSERT_TRUE(clickNamed(*view, "clearCacheButton"));

    // THEN the button is disabled, the download is cancelled, and nothing is deleted while it
    // still runs
    EXPECT_FALSE(widgetNamed(*view, "clearCacheButton")->isEnabled());
    EXPECT_TRUE(waitUntil([&] { return transfers->cancelled.load(); }));
    EXPECT_TRUE(QFileInfo::exists(cached));

    // WHEN the transfer has stopped, THEN the cache is emptied and the button returns
    transfers->released = true;
    ASSERT_TRUE(waitUntil([&] { return widgetNamed(*view, "clearCacheButton")->isEnabled(); }));
    EXPECT_EQ(treeOf(cacheDirectory()), QStringList());
    EXPECT_TRUE(thumbnail.isCanceled());
}

TEST_F(SettingsViewTest, WritesAskedForWhileTheCacheIsClearedWaitAndLandInTheClearedFolder) {
    // GIVEN a cache holding an older catalog copy, and a remote catalog and thumbnails that
    // write into it through the clearer's own writes
    LoopbackHttpServer server;
    const QByteArray catalog = readFile(urlForResource("manifest", "json"));
    server.setAnswer("/catalog.json", HttpAnswer{200, catalog, {}, {}});
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly) && picture.save(&png, "PNG"));
    server.setAnswer("/thumbnail.png", HttpAnswer{200, png.data(), {}, {}});
    writeFile(cacheDirectory() + "/remote-manifest.json", "older");
    const auto writes = std::make_shared<CacheWrites>();
    DistributionConfiguration configuration;
    configuration.remoteCatalogURL = server.url("/catalog.json");
    const auto http = std::make_shared<marlox::platform::NetworkHttpClient>();
    CatalogService remoteCatalog(
        configuration, mainBundle(), http,
        std::make_unique<RemoteArtifactService>(
            http, std::make_shared<marlox::platform::SystemProcessRunner>(), "/nonexistent/ditto"),
        writes);
    ThumbnailCache thumbnailCache(http, thumbnailCacheDirectory(), 1,
                                  std::bind_front(&CacheWrites::write, writes));
    CacheClearer clearer(thumbnailCache, writes);
    const QStringList before = treeOf(cacheDirectory());
    // AND every utility thread busy, so that the clearing waits before it deletes
    HeldThreads utilityThreads;

    // WHEN the cache is being cleared, and meanwhile the catalog reloads and a thumbnail arrives
    const QFuture<void> cleared = clearer.clear();
    ASSERT_TRUE(awaitFuture(remoteCatalog.reload()));
    ASSERT_TRUE(awaitFuture(remoteCatalog.cacheWritesFinished()));
    const QUrl thumbnail = server.url("/thumbnail.png");
    const QFuture<QImage> image = thumbnailCache.image(thumbnail);
    ASSERT_TRUE(awaitFuture(image));
    EXPECT_FALSE(image.result().isNull());

    // THEN nothing was written into the folder meanwhile
    EXPECT_EQ(treeOf(cacheDirectory()), before);
    EXPECT_EQ(readFile(cacheDirectory() + "/remote-manifest.json"), "older");

    // WHEN the clearing has run, THEN the folder holds what was written after it began
    utilityThreads.letGo();
    ASSERT_TRUE(awaitFuture(cleared));
    EXPECT_EQ(readFile(cacheDirectory() + "/remote-manifest.json"),
              encodeCatalogManifest(*decodeCatalogManifest(catalog)));
    EXPECT_TRUE(QFileInfo::exists(thumbnailCacheDirectory() + "/" +
                                  ThumbnailCache::diskFileName(thumbnail)));
}

// At most 860 points wide and centred in a wider window, as the goldens show.
TEST_F(SettingsViewTest, ColumnShrinksWithANarrowWindow) {
    const auto view = makeView();
    grab(*view, QSize(700, 700));
    EXPECT_EQ(view->column().width(), view->scrollArea().viewport()->width());
}

TEST_F(SettingsViewTest, ScreenLooksAsChecked) {
    // The folder paths are shown: the picture needs a home whose path is always the same, which
    // only one test run at a time may use.
    QLockFile lock("/tmp/marlox-settings-golden.lock");
    ASSERT_TRUE(lock.tryLock(60000));
    const QString fixedHome = "/tmp/marlox-settings-golden";
    QDir(fixedHome).removeRecursively();
    qputenv("HOME", QFile::encodeName(fixedHome));
    loadCatalog();
    services.recordInstalled({{countdownID, "2.2.0"}, {filmGradeID, "1.9.4"}});

    const auto view = makeView();
    SaveGrabOnFailure saved(*view, "settings");
    EXPECT_TRUE(matchesGolden(grabWhole(*view, QSize(1100, 700)), goldenPath("settings")));

    qputenv("HOME", QFile::encodeName(home.filePath("home")));
    QDir(fixedHome).removeRecursively();
}

} // namespace
