#include "AppPlatform.h"

#include "catalog/Environment.h"
#include "platform/Bundle.h"
#include "platform/DesktopWorkspace.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"

#include <QCoreApplication>

namespace marlox::app {

AppPlatform AppPlatform::system() {
    return {
        .configuration = catalog::sharedConfiguration(),
        .userDefaultsFilePath =
            platform::UserDefaults::standardFilePath(applicationBundleIdentifier()),
        .loginItem = std::make_unique<platform::MainApplicationLoginItem>(
            applicationBundleIdentifier(), QCoreApplication::applicationFilePath(),
            catalog::appDisplayName()),
        .workspace = std::make_unique<platform::DesktopWorkspace>(),
        .httpClient = std::make_shared<platform::NetworkHttpClient>(),
        .processRunner = std::make_shared<platform::SystemProcessRunner>(),
        .dittoPath = platform::dittoToolPath(),
        .coordinatorDependencies = install::InstallationCoordinatorDependencies::system(),
    };
}

QString applicationBundleIdentifier() {
    const QString identifier = platform::Bundle::main().bundleIdentifier();
    return identifier.isEmpty() ? catalog::fixedBundleIdentifier : identifier;
}

} // namespace marlox::app
