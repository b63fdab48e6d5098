#include "AppPlatform.h"

#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/DesktopClipboard.h"
#include "platform/DesktopFileChooser.h"
#include "platform/DesktopWorkspace.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "screens/FeedUpdater.h"

#include <QCoreApplication>

namespace marlox::app {

AppPlatform AppPlatform::system() {
    auto workspace = std::make_unique<platform::DesktopWorkspace>();
    auto httpClient = std::make_shared<platform::NetworkHttpClient>();
    // The workspace lives as long as the platform, which outlives every service.
    platform::Workspace* updateWorkspace = workspace.get();
    return {
        .configuration = catalog::sharedConfiguration(),
        .userDefaultsFilePath =
            platform::UserDefaults::standardFilePath(applicationBundleIdentifier()),
        .loginItem = std::make_unique<platform::MainApplicationLoginItem>(
            applicationBundleIdentifier(), QCoreApplication::applicationFilePath(),
            catalog::appDisplayName()),
        .workspace = std::move(workspace),
        .httpClient = httpClient,
        .processRunner = std::make_shared<platform::SystemProcessRunner>(),
        .dittoPath = platform::dittoToolPath(),
        .coordinatorDependencies = install::InstallationCoordinatorDependencies::system(),
        .updaterFactory =
            [httpClient, updateWorkspace](platform::UpdaterDelegate& delegate) {
                return std::make_unique<screens::FeedUpdater>(delegate, httpClient,
                                                              *updateWorkspace);
            },
        .mailComposer = std::make_unique<platform::XdgEmailComposer>(),
        .clipboard = std::make_unique<platform::DesktopClipboard>(),
        .fileChooser = std::make_unique<platform::DesktopFileChooser>(),
        .systemInformation = std::make_unique<platform::LocalSystemInformation>(),
        .applicationIcons = std::make_unique<platform::DesktopApplicationIcons>(),
    };
}

QString applicationBundleIdentifier() {
    const QString identifier = platform::Bundle::main().bundleIdentifier();
    return identifier.isEmpty() ? catalog::fixedBundleIdentifier : identifier;
}

} // namespace marlox::app
