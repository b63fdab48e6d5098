#include "ServicesBenchmarkSupport.h"

#include "NoHostApplications.h"
#include "catalog/CatalogManifest.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>

namespace marlox::bench {

ScreenServices::ScreenServices(const QString& catalogFile)
    : defaults(QDir::home().filePath(QStringLiteral("settings.conf"))),
      loginItem(QStringLiteral("studio.marlox.bench"), QStringLiteral("/nowhere/bench"),
                QStringLiteral("Bench")),
      settings(defaults, loginItem, QStringLiteral("/nowhere/App.app")) {
    auto http = std::make_shared<platform::NetworkHttpClient>();
    auto runner = std::make_shared<platform::SystemProcessRunner>();
    remoteArtifacts =
        std::make_unique<catalog::RemoteArtifactService>(http, runner, platform::dittoToolPath());
    const install::HostApplicationGuard noHosts(std::make_shared<NoHostApplications>());
    coordinator = std::make_unique<install::InstallationCoordinator>(
        installedStore, installAccess, templatesAccess, *remoteArtifacts,
        install::InstallationCoordinatorDependencies{
            install::InstallEngine(noHosts, runner, install::InstallTools::systemDefaults()),
            noHosts});
    catalog::DistributionConfiguration configuration;
    configuration.remoteCatalogURL = QUrl::fromLocalFile(catalogFile);
    catalogService = std::make_unique<catalog::CatalogService>(
        configuration, platform::mainBundle(), http,
        std::make_unique<catalog::RemoteArtifactService>(http, runner, platform::dittoToolPath()));
}

bool ScreenServices::loadCatalog() {
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(catalogService->reload());
    loop.exec();
    return !catalogService->packages().isEmpty();
}

QString writtenCatalogFile(const QList<catalog::PackageManifest>& packages) {
    const QString path = QDir::home().filePath(QStringLiteral("catalog.json"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(
        catalog::encodeCatalogManifest({QStringLiteral("bench"), QStringLiteral("now"), packages}));
    return path;
}

} // namespace marlox::bench
