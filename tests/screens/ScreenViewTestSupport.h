#pragma once

// The real services a screen is built with, in a scratch home: settings, the built-in catalog,
// records, both folder services, a coordinator whose engine runs the bundled tools, the
// application-update service and the thumbnail cache.
#include "AppUpdateTestSupport.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstallLocations.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "screens/AppUpdateService.h"
#include "support/AwaitFuture.h"
#include "support/CatalogFixtures.h"
#include "support/InstallTestSupport.h"
#include "support/RecordingWorkspace.h"
#include "support/ScreenServices.h"
#include "support/WidgetTesting.h"
#include "ui/ThumbnailCache.h"

#include <memory>

namespace marlox::testing {

class ScreenViewTest : public WidgetTest {
protected:
    // The engine's tools; the coordinator is made anew with them.
    void useInstallTools(const install::InstallTools& tools) {
        coordinator.reset();
        const install::HostApplicationGuard guard(services.processes);
        coordinator = std::make_unique<install::InstallationCoordinator>(
            store, installAccess, templatesAccess, *services.remote,
            install::InstallationCoordinatorDependencies{
                install::InstallEngine(guard, std::make_shared<platform::SystemProcessRunner>(),
                                       tools),
                guard});
    }
    void loadCatalog() { ASSERT_TRUE(awaitFuture(catalog.reload())); }
    // Records built-in packages as installed at the given versions, in their own folders of
    // the shared folder (whose files are not there).
    void recordInstalled(const QList<std::pair<QString, QString>>& versionsByID) {
        catalog::InstalledPackageMap records = store.installedByID();
        const QList<catalog::PackageManifest> packages = builtInPackages();
        for (const auto& [id, version] : versionsByID) {
            const auto package =
                std::find_if(packages.cbegin(), packages.cend(),
                             [&](const auto& package) { return package.id == id; });
            // A record the catalog does not know is a generator.
            catalog::InstalledPackage record = testRecord(
                id, version,
                package == packages.cend() ? catalog::PackageType::generator : package->type);
            record.installPath = catalog::installFolderPath() + '/' + id;
            records.insert(id, record);
        }
        store.setInstalledByID(records);
    }
    bool settleOperations() { return services.settle(); }

    ScreenServices services{home};
    platform::UserDefaults& defaults = services.defaults;
    NoLoginItem& loginItem = services.loginItem;
    catalog::AppSettingsStore& settings = services.settings;
    RecordingWorkspace& workspace = services.workspace;
    catalog::InstalledPackageStore& store = services.store;
    install::InstallTargetAccessService& installAccess = services.installAccess;
    install::MotionTemplatesAccessService& templatesAccess = services.templatesAccess;
    std::unique_ptr<install::InstallationCoordinator>& coordinator = services.coordinator;
    catalog::CatalogService& catalog = *services.catalogService;
    std::shared_ptr<platform::HttpClient> http = std::make_shared<platform::NetworkHttpClient>();
    UpdaterRecord updaters;
    screens::AppUpdateService appUpdates{catalog::DistributionConfiguration{},
                                         platform::mainBundle(), defaults, http,
                                         updaters.factory()};
    ui::ThumbnailCache thumbnails{http, home.filePath("thumbnails")};
};

} // namespace marlox::testing
