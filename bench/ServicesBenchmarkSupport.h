#pragma once

#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/DesktopWorkspace.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"

#include <QString>

#include <memory>

namespace marlox::bench {

// The services a catalog screen is given, as the application makes them, with the catalog read
// from a file (as a remote catalog would be) once loadCatalog() has run, and no host application
// seen running. Everything lives in the scratch home that the benchmark's main sets up.
struct ScreenServices {
    explicit ScreenServices(const QString& catalogFile);
    // Loads the catalog and waits until it is published.
    bool loadCatalog();

    platform::UserDefaults defaults;
    platform::MainApplicationLoginItem loginItem;
    catalog::AppSettingsStore settings;
    platform::DesktopWorkspace workspace;
    catalog::InstalledPackageStore installedStore;
    install::InstallTargetAccessService installAccess{settings, workspace};
    install::MotionTemplatesAccessService templatesAccess{settings, workspace};
    std::unique_ptr<catalog::RemoteArtifactService> remoteArtifacts;
    std::unique_ptr<install::InstallationCoordinator> coordinator;
    std::unique_ptr<catalog::CatalogService> catalogService;
};

// Writes the packages as a catalog file in the scratch home and returns its path.
QString writtenCatalogFile(const QList<catalog::PackageManifest>& packages);

} // namespace marlox::bench
