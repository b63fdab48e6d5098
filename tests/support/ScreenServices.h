#pragma once

#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/UserDefaults.h"
#include "support/InstallTestSupport.h"

#include <QStringList>
#include <QUrl>

#include <memory>

namespace marlox::testing {

// A catalog service over the configuration and the bundle's resources, on the real network and
// the bundled archive tool; nothing is loaded yet.
std::unique_ptr<catalog::CatalogService>
makeCatalogService(const catalog::DistributionConfiguration& configuration,
                   const platform::Bundle& bundle = platform::mainBundle());

// The real services a screen is built with, made in the current scratch home: the settings, the
// records, both folder services, the catalog service on the built bundle's catalog, and a
// coordinator whose engine runs the bundled tools and sees only this process's own hosts.
class ScreenServices {
public:
    explicit ScreenServices(const ScratchHome& home);
    ~ScreenServices();

    ScreenServices(const ScreenServices&) = delete;
    ScreenServices& operator=(const ScreenServices&) = delete;

    // Remakes the coordinator over an engine that runs these tools (the bundled ones at first).
    void useInstallTools(const install::InstallTools& tools);
    // Remakes the coordinator over an engine whose registry tool, made in the folder, waits at
    // the call naming the argument (at any call, without one) until released.
    HeldTool holdRegistration(const QString& folder, const QString& heldArgument = {});
    // Remakes the catalog service to load its catalog from the URL, as from a server, over the
    // bundle's resources; nothing is loaded yet.
    void useRemoteCatalog(const QUrl& url, const platform::Bundle& bundle = platform::mainBundle());
    // Remakes the catalog service over a catalog written to the file that lists one id twice,
    // which the catalog format lets load: Countdown Pro's entry as "Alpha Dup" 2.0.0 and as
    // "Zulu Dup" 1.0.0, both of id "dup", after the built-in entries of the kept ids; nothing
    // is loaded yet.
    void useCatalogListingOneIDTwice(const QString& file, const QStringList& keptIDs = {});
    // Remakes the catalog service over the built-in catalog written to the file with the package
    // of that id renamed; nothing is loaded yet.
    void useBuiltInCatalogNaming(const QString& file, const QString& id, const QString& name);
    // Publishes the built-in catalog; false when it did not load in time.
    bool loadBuiltInCatalog();
    // Records built-in packages as installed at the given versions, each in its own folder of
    // the shared folder (whose files are not there).
    void recordInstalled(const QList<std::pair<QString, QString>>& versionsByID);
    // Installs through the coordinator and waits until no operation runs.
    bool installAndSettle(const catalog::PackageManifest& package);
    // Runs the event loop until no operation runs, a bulk run included.
    bool settle();

    platform::UserDefaults defaults;
    NoLoginItem loginItem;
    catalog::AppSettingsStore settings;
    RecordingWorkspace workspace;
    catalog::InstalledPackageStore store;
    install::InstallTargetAccessService installAccess;
    install::MotionTemplatesAccessService templatesAccess;
    std::shared_ptr<OwnChildProcessLister> processes = std::make_shared<OwnChildProcessLister>();
    std::unique_ptr<catalog::RemoteArtifactService> remote;
    std::unique_ptr<install::InstallationCoordinator> coordinator;
    std::unique_ptr<catalog::CatalogService> catalogService;
};

} // namespace marlox::testing
