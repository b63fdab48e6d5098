#pragma once

#include "app/AppPlatform.h"
#include "app/MarloxStudioApp.h"
#include "app/RootView.h"
#include "catalog/OperationsLog.h"
#include "platform/ApplicationIcons.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "support/AwaitFuture.h"
#include "support/InstallTestSupport.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/RecordingWorkspace.h"
#include "support/ScratchHome.h"
#include "support/UpdateFixtures.h"

#include <QFile>
#include <QMap>

#include <gtest/gtest.h>

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
// children, and the given updater.
inline app::AppPlatform scratchPlatform(platform::UpdaterFactory updaterFactory,
                                        RecordingWorkspace** workspace = nullptr) {
    auto recording = std::make_unique<RecordingWorkspace>();
    if (workspace != nullptr) {
        *workspace = recording.get();
    }
    const install::HostApplicationGuard guard(std::make_shared<OwnChildProcessLister>());
    return {
        .mainBundle = platform::mainBundle(),
        .configuration = {},
        .userDefaultsFilePath = platform::UserDefaults::standardFilePath(
            app::applicationBundleIdentifier(platform::mainBundle())),
        .loginItem = std::make_unique<NoLoginItem>(),
        .workspace = std::move(recording),
        .httpClient = std::make_shared<platform::NetworkHttpClient>(),
        .processRunner = std::make_shared<platform::SystemProcessRunner>(),
        .dittoPath = platform::dittoToolPath(),
        .coordinatorDependencies = {install::InstallEngine(
                                        guard, std::make_shared<platform::SystemProcessRunner>(),
                                        install::InstallTools::systemDefaults()),
                                    guard},
        .updaterFactory = std::move(updaterFactory),
        .mailComposer = std::make_unique<RecordingMailComposer>(),
        .clipboard = std::make_unique<RecordingClipboard>(),
        .fileChooser = std::make_unique<PreparedFileChooser>(),
        .systemInformation = std::make_unique<FixedSystemInformation>(),
        .applicationIcons = std::make_unique<FakeApplicationIcons>(),
    };
}

// How often the operations log holds a line containing the text.
inline qsizetype loggedLinesContaining(const QString& text) {
    catalog::flushOperationsLog();
    QFile log(catalog::operationsLogFilePath());
    if (!log.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return QString::fromUtf8(log.readAll()).count(text);
}

// The real application object in a scratch home with the built-in catalog.
class AppTest : public ScratchHomeTest {
protected:
    ~AppTest() override {
        if (app) {
            awaitFuture(app->startupTask());
        }
    }

    app::MarloxStudioApp& makeApp() { return makeApp(scratchPlatform(updaters.factory())); }
    app::MarloxStudioApp& makeApp(app::AppPlatform platform) {
        app = std::make_unique<app::MarloxStudioApp>(std::move(platform));
        return *app;
    }

    UpdaterRecord updaters;
    std::unique_ptr<app::MarloxStudioApp> app;
};

} // namespace marlox::testing
