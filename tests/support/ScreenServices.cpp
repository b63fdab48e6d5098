#include "support/ScreenServices.h"

#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "support/AwaitFuture.h"
#include "support/CatalogFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <algorithm>

namespace marlox::testing {

using platform::SystemProcessRunner;

std::unique_ptr<catalog::CatalogService>
makeCatalogService(const catalog::DistributionConfiguration& configuration,
                   const platform::Bundle& bundle) {
    auto http = std::make_shared<platform::NetworkHttpClient>();
    return std::make_unique<catalog::CatalogService>(
        configuration, bundle, http,
        std::make_unique<catalog::RemoteArtifactService>(
            http, std::make_shared<SystemProcessRunner>(), platform::dittoToolPath()));
}

ScreenServices::ScreenServices(const ScratchHome& home)
    : defaults(home.filePath("settings.conf")),
      settings(defaults, loginItem, home.filePath("Elsewhere/Marlox Studio.app")),
      installAccess(settings, workspace), templatesAccess(settings, workspace),
      remote(std::make_unique<catalog::RemoteArtifactService>(
          std::make_shared<platform::NetworkHttpClient>(), std::make_shared<SystemProcessRunner>(),
          platform::dittoToolPath())) {
    useInstallTools(install::InstallTools::systemDefaults());
    catalogService = makeCatalogService({});
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

HeldTool ScreenServices::holdRegistration(const QString& folder, const QString& heldArgument) {
    HeldTool pluginkit(folder, platform::pluginkitToolPath(), heldArgument);
    useInstallTools(toolsRegisteringWith(pluginkit));
    return pluginkit;
}

void ScreenServices::useRemoteCatalog(const QUrl& url, const platform::Bundle& bundle) {
    catalog::DistributionConfiguration configuration;
    configuration.remoteCatalogURL = url;
    catalogService = makeCatalogService(configuration, bundle);
}

void ScreenServices::useCatalogListingOneIDTwice(const QString& file, const QStringList& keptIDs) {
    QJsonObject root =
        QJsonDocument::fromJson(readFile(catalog::urlForResource("manifest", "json"))).object();
    QJsonArray packages;
    QJsonObject countdown;
    for (const QJsonValue& value : root.value("packages").toArray()) {
        const QString id = value.toObject().value("id").toString();
        if (id == countdownID) {
            countdown = value.toObject();
        }
        if (keptIDs.contains(id)) {
            packages.append(value);
        }
    }
    for (const auto& [name, version] :
         {std::pair{"Alpha Dup", "2.0.0"}, std::pair{"Zulu Dup", "1.0.0"}}) {
        QJsonObject package = countdown;
        package.insert("id", "dup");
        package.insert("name", name);
        package.insert("version", version);
        packages.append(package);
    }
    root.insert("packages", packages);
    writeFile(file, QJsonDocument(root).toJson());
    useRemoteCatalog(QUrl::fromLocalFile(file));
}

void ScreenServices::useBuiltInCatalogNaming(const QString& file, const QString& id,
                                             const QString& name) {
    writeChangedBuiltInCatalog(file, [&](QJsonObject& package, qsizetype) {
        if (package.value("id").toString() == id) {
            package.insert("name", name);
        }
    });
    useRemoteCatalog(QUrl::fromLocalFile(file));
}

bool ScreenServices::loadBuiltInCatalog() {
    return awaitFuture(catalogService->reload()) && !catalogService->packages().isEmpty();
}

void ScreenServices::recordInstalled(const QList<std::pair<QString, QString>>& versionsByID) {
    catalog::InstalledPackageMap records = store.installedByID();
    const QList<catalog::PackageManifest> packages = builtInPackages();
    for (const auto& [id, version] : versionsByID) {
        const auto package = std::find_if(packages.cbegin(), packages.cend(),
                                          [&](const auto& package) { return package.id == id; });
        // A record the catalog does not know is a generator.
        records.insert(id, testRecord(id, version,
                                      package == packages.cend() ? catalog::PackageType::generator
                                                                 : package->type,
                                      catalog::installFolderPath() + '/' + id));
    }
    store.setInstalledByID(records);
}

bool ScreenServices::installAndSettle(const catalog::PackageManifest& package) {
    coordinator->install(package);
    return settle() && store.record(package.id).has_value();
}

bool ScreenServices::settle() {
    return QTest::qWaitFor(
        [this] {
            return coordinator->activePackageIDs().isEmpty() &&
                   !coordinator->bulkInstallProgress().has_value();
        },
        20000);
}

} // namespace marlox::testing
