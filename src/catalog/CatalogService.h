#pragma once

#include "CacheWrites.h"
#include "CatalogManifest.h"
#include "Environment.h"
#include "RemoteArtifactService.h"
#include "ServiceError.h"
#include "base/Result.h"
#include "platform/HttpClient.h"
#include "platform/SerialExecutor.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QUrl>

#include <memory>
#include <optional>

namespace marlox::catalog {

inline const QString catalogServiceErrorDomain = QStringLiteral("CatalogService");

// Where the published catalog came from.
namespace CatalogSource {
inline const QString bundle = QStringLiteral("Bundle");
inline const QString remote = QStringLiteral("Remote");
inline const QString cachedRemote = QStringLiteral("Cached Remote");
inline const QString embedded = QStringLiteral("Embedded");
inline const QString failed = QStringLiteral("-");
} // namespace CatalogSource

// A catalog larger than this is refused, whether served or read from a file, before it is held
// whole: a few thousand packages take a few megabytes.
inline constexpr qint64 maximumCatalogBytes = 32 * 1024 * 1024;

// The domain is "CatalogService" for the service's own failures, with the HTTP status or 1001.
using CatalogLoadError = ServiceError;

struct LoadedCatalog {
    CatalogManifest manifest;
    QString sourceLabel;
    // The manifest's packages sorted by name, sorted where the catalog was loaded.
    QList<PackageManifest> packages;
};

// The observable catalog: loaded from the configured remote URL, else the cached copy of the last
// remote catalog, else the manifest.json built into the bundle.
class CatalogService final : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<marlox::catalog::CatalogManifest> manifest READ manifest NOTIFY
                   manifestChanged)
    Q_PROPERTY(
        QList<marlox::catalog::PackageManifest> packages READ packages NOTIFY packagesChanged)
    Q_PROPERTY(QString loadSourceLabel READ loadSourceLabel NOTIFY loadSourceLabelChanged)
    Q_PROPERTY(std::optional<QString> lastErrorMessage READ lastErrorMessage NOTIFY
                   lastErrorMessageChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)

public:
    // `remoteArtifactService` is this service's own instance, used only to prune the cache after
    // each successful load; the built-in catalog is the one in `mainBundle`. The cached copy is
    // written through `cacheWrites`, which holds it while the cache is cleared.
    CatalogService(DistributionConfiguration configuration, platform::Bundle mainBundle,
                   std::shared_ptr<platform::HttpClient> httpClient,
                   std::unique_ptr<RemoteArtifactService> remoteArtifactService,
                   std::shared_ptr<CacheWrites> cacheWrites = std::make_shared<CacheWrites>(),
                   QObject* parent = nullptr);
    ~CatalogService() override;

    const std::optional<CatalogManifest>& manifest() const { return m_manifest; }
    // The manifest's packages sorted by name, or empty without a manifest.
    const QList<PackageManifest>& packages() const { return m_packages; }
    const QString& loadSourceLabel() const { return m_loadSourceLabel; }
    const std::optional<QString>& lastErrorMessage() const { return m_lastErrorMessage; }
    bool isLoading() const { return m_loadsInFlight > 0; }

    // Loads and sorts the catalog off the main thread and publishes the outcome; the future
    // finishes once it is published. Of overlapping reloads only the newest publishes. A remote
    // catalog is written to the cached copy after it is published, off the main thread; a failed
    // write is logged and keeps the previous copy.
    QFuture<void> reload();

    // Finishes once the cached copies of the catalogs published so far are written, or held
    // while the cache is cleared.
    QFuture<void> cacheWritesFinished();

    // The path of the cached copy of the last remote catalog.
    static QString remoteManifestCachePath();

signals:
    void manifestChanged();
    void packagesChanged();
    void loadSourceLabelChanged();
    void lastErrorMessageChanged();
    void isLoadingChanged();

private:
    Result<LoadedCatalog, CatalogLoadError> loadManifest() const;
    Result<LoadedCatalog, CatalogLoadError> loadUnsortedManifest() const;
    Result<CatalogManifest, CatalogLoadError> fetchRemoteManifest(const QUrl& url) const;
    void publish(const Result<LoadedCatalog, CatalogLoadError>& outcome);
    void setLoadsInFlight(int count);

    const DistributionConfiguration m_configuration;
    const platform::Bundle m_mainBundle;
    std::shared_ptr<platform::HttpClient> m_httpClient;
    std::unique_ptr<RemoteArtifactService> m_remoteArtifactService;
    std::shared_ptr<CacheWrites> m_cacheWrites;

    std::optional<CatalogManifest> m_manifest;
    QList<PackageManifest> m_packages;
    std::optional<QString> m_lastErrorMessage;
    QString m_loadSourceLabel = CatalogSource::bundle;
    int m_loadsInFlight = 0;
    quint64 m_newestReload = 0;

    // Last, so that they are destroyed first and wait for the work that still uses the members
    // above.
    platform::SerialExecutor m_cacheWriter;
    QThreadPool m_loadThreads;
};

// Writes the catalog to the cached copy in one step (a temporary file moved into place).
std::optional<CatalogLoadError> saveRemoteManifestCache(const CatalogManifest& manifest);
// The cached copy of the remote catalog.
Result<CatalogManifest, CatalogLoadError> loadRemoteManifestCache();
// The manifest.json built into the main bundle, or into the one given.
Result<CatalogManifest, CatalogLoadError> loadEmbeddedManifest();
Result<CatalogManifest, CatalogLoadError> loadEmbeddedManifest(const platform::Bundle& mainBundle);

// Sorted by name with the user's locale, ignoring case; equal names keep their order.
QList<PackageManifest> packagesSortedByName(const QList<PackageManifest>& packages);

} // namespace marlox::catalog
