#include "support/ScreenServices.h"

#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "support/AwaitFuture.h"

#include <QTest>

namespace marlox::testing {

using platform::SystemProcessRunner;

ScreenServices::ScreenServices(const ScratchHome& home)
    : defaults(home.filePath("settings.conf")),
      settings(defaults, loginItem, home.filePath("Elsewhere/Marlox Studio.app")),
      installAccess(settings, workspace), templatesAccess(settings, workspace) {
    auto http = std::make_shared<platform::NetworkHttpClient>();
    remote = std::make_unique<catalog::RemoteArtifactService>(
        http, std::make_shared<SystemProcessRunner>(), platform::dittoToolPath());
    useInstallTools(install::InstallTools::systemDefaults());
    catalogService = std::make_unique<catalog::CatalogService>(
        catalog::DistributionConfiguration(), platform::mainBundle(), http,
        std::make_unique<catalog::RemoteArtifactService>(
            http, std::make_shared<SystemProcessRunner>(), platform::dittoToolPath()));
}

ScreenServices::~ScreenServices() {
    EXPECT_TRUE(settle());
}

void ScreenServices::useInstallTools(const install::InstallTools& tools) {
    coordinator.reset();
    const install::HostApplicationGuard guard(processes);
    coordinator = std::make_unique<install::InstallationCoordinator>(
        store, installAccess, templatesAccess, *remote,
        install::InstallationCoordinatorDependencies{
            install::InstallEngine(guard, std::make_shared<SystemProcessRunner>(), tools), guard});
}

bool ScreenServices::loadBuiltInCatalog() {
    return awaitFuture(catalogService->reload()) && !catalogService->packages().isEmpty();
}

bool ScreenServices::installAndSettle(const catalog::PackageManifest& package) {
    coordinator->install(package);
    return settle() && store.record(package.id).has_value();
}

bool ScreenServices::settle() {
    return QTest::qWaitFor([this] { return coordinator->activePackageIDs().isEmpty(); }, 20000);
}

} // namespace marlox::testing
