// Installs, updates and removes one package through the real store, coordinator and engine, as
// the application does, so that the crash-safety test can kill it at any point (see
// FileOperationKill.cpp) and then look at what a fresh start makes of the disk.
//
//   install_crash_driver <bundle> prepare|update|update-remove|install-repair|repair|remove|start
//
// The bundle's resources hold the payloads and the catalog, which lists the package's first
// version, then the version it is updated to. "install-repair" installs the first version and
// then installs it again over itself, as a repair does, and "repair" only installs it again;
// "remove" removes every package the
// records hold, whatever the catalog lists. It starts as the application does: what
// a killed run left is settled before the records are read; "start" does only that, and waits
// for the deletions the settling leaves to the background. MARLOX_DITTO names another archive
// tool, MARLOX_PLUGINKIT the plug-in registry's tool.
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogManifest.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallJournal.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/Bundle.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "support/RecordingWorkspace.h"
#include "support/StandIns.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

using namespace marlox;

namespace {

// Runs the event loop until no operation is in flight; false when it ended in a failure.
bool settle(install::InstallationCoordinator& coordinator, const QString& packageID,
            const QString& expectedStatus) {
    while (!coordinator.activePackageIDs().isEmpty()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const QString status = coordinator.statusMessageByID().value(packageID);
    if (status != expectedStatus) {
        std::fprintf(stderr, "%s ended %s: %s\n", qPrintable(packageID), qPrintable(status),
                     qPrintable(coordinator.presentedErrorMessage().value_or(QString())));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: install_crash_driver <bundle> "
                   "prepare|update|update-remove|install-repair|install-reinstall|repair|remove|"
                   "start\n",
                   stderr);
        return 2;
    }
    platform::setUpMainBundle(QString::fromLocal8Bit(argv[1]));
    const auto catalog = catalog::loadEmbeddedManifest();
    if (!catalog || catalog->packages.size() != 2) {
        std::fputs("the catalog must list a package's first and second version\n", stderr);
        return 2;
    }
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const catalog::PackageManifest& first = catalog->packages.at(0);
    const catalog::PackageManifest& second = catalog->packages.at(1);
    const QString ditto = qEnvironmentVariable("MARLOX_DITTO", QStringLiteral(MARLOX_DITTO_PATH));
    // Registration is tried only where a test asks for it: the registry tools only answer.
    const QString pluginkit = qEnvironmentVariable("MARLOX_PLUGINKIT", QStringLiteral("/bin/true"));
    const install::HostApplicationGuard guard(std::make_shared<testing::FakeProcessLister>());
    const install::InstallEngine engine(guard, std::make_shared<platform::SystemProcessRunner>(),
                                        {ditto, pluginkit, QStringLiteral("/bin/true")});

    install::settleAtStartUp(engine.registrar()).waitForFinished();
    if (mode == QLatin1String("start")) {
        return 0;
    }
    platform::UserDefaults defaults(QDir::homePath() + QStringLiteral("/.config/driver.conf"));
    testing::NoLoginItem loginItem;
    catalog::AppSettingsStore settings(defaults, loginItem,
                                       QCoreApplication::applicationFilePath());
    testing::RecordingWorkspace workspace;
    install::InstallTargetAccessService installAccess(settings, workspace);
    install::MotionTemplatesAccessService templatesAccess(settings, workspace);
    catalog::InstalledPackageStore store;
    catalog::RemoteArtifactService remote(std::make_shared<platform::NetworkHttpClient>(),
                                          std::make_shared<platform::SystemProcessRunner>(), ditto);
    install::InstallationCoordinator coordinator(
        store, installAccess, templatesAccess, remote,
        install::InstallationCoordinatorDependencies{engine, guard});

    if (mode == QLatin1String("repair")) {
        coordinator.install(first);
        return settle(coordinator, first.id, install::installStatus::installed) ? 0 : 1;
    }
    if (mode == QLatin1String("prepare") || mode == QLatin1String("install-repair")) {
        coordinator.install(first);
        if (!settle(coordinator, first.id, install::installStatus::installed)) {
            return 1;
        }
        if (mode == QLatin1String("prepare")) {
            return 0;
        }
        coordinator.install(first);
        return settle(coordinator, first.id, install::installStatus::installed) ? 0 : 1;
    }
    if (mode == QLatin1String("install-reinstall")) {
        coordinator.install(first);
        if (!settle(coordinator, first.id, install::installStatus::installed)) {
            return 1;
        }
        // Reinstall All runs its packages once the event loop turns, and clears its progress at
        // its end.
        bool bulkEnded = false;
        QObject::connect(&coordinator,
                         &install::InstallationCoordinator::bulkInstallProgressChanged,
                         [&] { bulkEnded = !coordinator.bulkInstallProgress(); });
        coordinator.installAll({first});
        while (!bulkEnded) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return settle(coordinator, first.id, install::installStatus::installed) ? 0 : 1;
    }
    if (mode == QLatin1String("remove")) {
        for (const QString& packageID : store.installedByID().keys()) {
            coordinator.uninstall(packageID);
            if (!settle(coordinator, packageID, install::installStatus::removed)) {
                return 1;
            }
        }
        return 0;
    }
    coordinator.install(second);
    if (!settle(coordinator, second.id, install::installStatus::installed)) {
        return 1;
    }
    if (mode == QLatin1String("update-remove")) {
        coordinator.uninstall(second.id);
        if (!settle(coordinator, second.id, install::installStatus::removed)) {
            return 1;
        }
    }
    return 0;
}
