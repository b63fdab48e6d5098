#include "AppPlatform.h"

#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/DesktopClipboard.h"
#include "platform/DesktopFileChooser.h"
#include "platform/DesktopWorkspace.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "screens/appupdate/FeedUpdater.h"

#include <QCoreApplication>

namespace marlox::app {

AppPlatform AppPlatform::system() {
    const platform::Bundle& mainBundle = platform::mainBundle();
    auto workspace = std::make_unique<platform::DesktopWorkspace>();
    auto httpClient = std::make_shared<platform::NetworkHttpClient>();
    // The workspace lives as long as the platform, which outlives every service.
    platform::Workspace* updateWorkspace = workspace.get();
    return {
        .mainBundle = mainBundle,
        .configuration = catalog::sharedConfiguration(),
        .userDefaultsFilePath =
            platform::UserDefaults::standardFilePath(applicationBundleIdentifier(mainBundle)),
        .loginItem = std::make_unique<platform::MainApplicationLoginItem>(
            applicationBundleIdentifier(mainBundle), QCoreApplication::applicationFilePath(),
            catalog::appDisplayName(mainBundle)),
        .workspace = std::move(workspace),
        .httpClient = httpClient,
        .processRunner = std::make_shared<platform::SystemProcessRunner>(),
        .dittoPath = platform::dittoToolPath(),
        .coordinatorDependencies = install::InstallationCoordinatorDependencies::system(),
        .updaterFactory =
            [mainBundle, httpClient, updateWorkspace](platform::UpdaterDelegate& delegate) {
                return std::make_unique<screens::FeedUpdater>(delegate, mainBundle, httpClient,
                                                              *updateWorkspace);
            },
        .mailComposer = std::make_unique<platform::XdgEmailComposer>(),
        .clipboard = std::make_unique<platform::DesktopClipboard>(),
        .fileChooser = std::make_unique<platform::DesktopFileChooser>(),
        .systemInformation = std::make_unique<platform::LocalSystemInformation>(),
        .applicationIcons = std::make_unique<platform::DesktopApplicationIcons>(),
    };
}

QString applicationBundleIdentifier(const platform::Bundle& mainBundle) {
    const QString identifier = mainBundle.bundleIdentifier();
    return identifier.isEmpty() ? catalog::fixedBundleIdentifier : identifier;
}

} // namespace marlox::app
