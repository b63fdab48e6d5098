#pragma once

#include "app/AppPlatform.h"
#include "app/BlockingOverlay.h"
#include "app/MarloxStudioApp.h"
#include "app/RootView.h"
#include "platform/ApplicationIcons.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "support/AwaitFuture.h"
#include "support/InstallTestSupport.h"
#include "support/LoggedMessages.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/RecordingWorkspace.h"
#include "support/ScratchHome.h"
#include "support/UpdateFixtures.h"
#include "support/WidgetTesting.h"

#include <QLineEdit>
#include <QMap>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace marlox::testing {

// Icons the test hands out by bundle identifier; a null icon for any other.
struct FakeApplicationIcons final : platform::ApplicationIcons {
    QIcon applicationIcon(const QString& bundleIdentifier) const override {
        return icons.value(bundleIdentifier);
    }
    QMap<QString, QIcon> icons;
};

// The machine as the application sees it in a test: the settings file of the scratch home, a
// workspace and desktop that record, no login item, host applications only among this test's
// children, the given updater and an engine running these tools.
inline app::AppPlatform
scratchPlatform(platform::UpdaterFactory updaterFactory,
                const install::InstallTools& tools = install::InstallTools::systemDefaults()) {
    const install::HostApplicationGuard guard(std::make_shared<OwnChildProcessLister>());
    return {
        .mainBundle = platform::mainBundle(),
        .configuration = {},
        .userDefaultsFilePath = platform::UserDefaults::standardFilePath(
            app::applicationBundleIdentifier(platform::mainBundle())),
        .loginItem = std::make_unique<NoLoginItem>(),
        .workspace = std::make_unique<RecordingWorkspace>(),
        .httpClient = std::make_shared<platform::NetworkHttpClient>(),
        .processRunner = std::make_shared<platform::SystemProcessRunner>(),
        .dittoPath = platform::dittoToolPath(),
        .coordinatorDependencies = {install::InstallEngine(
                                        guard, std::make_shared<platform::SystemProcessRunner>(),
                                        tools),
                                    guard},
        .updaterFactory = std::move(updaterFactory),
        .mailComposer = std::make_unique<RecordingMailComposer>(),
        .clipboard = std::make_unique<RecordingClipboard>(),
        .fileChooser = std::make_unique<PreparedFileChooser>(),
        .systemInformation = std::make_unique<FixedSystemInformation>(),
        .applicationIcons = std::make_unique<FakeApplicationIcons>(),
    };
}

// Waits until no blocking overlay under root is fading, so that what shows is final.
inline bool overlaysSettled(const QWidget& root) {
    return waitUntil([&root] {
        const auto overlays = root.findChildren<app::BlockingOverlay*>();
        return std::none_of(
            overlays.cbegin(), overlays.cend(),
            [](const app::BlockingOverlay* overlay) { return overlay->isFading(); });
    });
}

// The real application object in a scratch home with the built-in catalog.
class AppTest : public ScratchHomeTest {
protected:
    ~AppTest() override {
        if (app) {
            awaitFuture(app->startupTask());
            EXPECT_TRUE(waitUntilIdle());
        }
    }

    app::MarloxStudioApp& makeApp() { return makeApp(scratchPlatform(updaters.factory())); }
    app::MarloxStudioApp& makeApp(app::AppPlatform platform) {
        app = std::make_unique<app::MarloxStudioApp>(std::move(platform));
        return *app;
    }

    // Opens a window of the application made now, once its start-up task has ended, laid out at
    // 1100 by 700 points.
    app::RootView& openWindow() { return openWindow(scratchPlatform(updaters.factory())); }
    app::RootView& openWindow(app::AppPlatform platform) {
        makeApp(std::move(platform));
        window = app->openWindow();
        EXPECT_TRUE(awaitFuture(app->startupTask()));
        window->resize(1100, 700);
        settle();
        return *window;
    }
    // Opens Plugins from the sidebar, searches it for the package and gives the package's card.
    QWidget* pluginsCard(const QString& id) {
        if (!clickNamed(*window, "sidebarRow-plugins")) {
            return nullptr;
        }
        settle();
        auto* search = qobject_cast<QLineEdit*>(widgetNamed(*window, "searchField"));
        if (search == nullptr) {
            return nullptr;
        }
        QTest::keyClicks(search, builtInPackage(id).name);
        settle();
        return widgetNamed(*window, "packageCard:" + id);
    }
    // Runs the event loop until no operation runs, a bulk run included.
    bool waitUntilIdle() const {
        return waitUntil(
            [this] {
                const auto& coordinator = app->installationCoordinator();
                return coordinator.activePackageIDs().isEmpty() &&
                       !coordinator.bulkInstallProgress().has_value();
            },
            std::chrono::seconds(30));
    }

    UpdaterRecord updaters;
    std::unique_ptr<app::MarloxStudioApp> app;
    app::RootView* window = nullptr;
};

} // namespace marlox::testing
