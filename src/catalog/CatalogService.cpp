#include "CatalogService.h"

#include "OperationsLog.h"
#include "base/FileSystem.h"
#include "base/NameOrder.h"
#include "platform/BoundedBody.h"
#include "platform/Continuation.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace marlox::catalog {
namespace {

const QString embeddedManifestFileName = QStringLiteral("manifest.json");
const QString embeddedResourceBundleName = QStringLiteral("MarloxStudio_MarloxStudioApp.bundle");
constexpr int embeddedManifestMissingCode = 1001;
const QString catalogTooLargeMessage = QStringLiteral("The catalog is larger than %1.")
                                           .arg(base::mebibytesBoundText(maximumCatalogBytes));

Result<CatalogManifest, CatalogLoadError> decodeCatalog(const QByteArray& bytes) {
    auto manifest = decodeCatalogManifest(bytes);
    if (!manifest) {
        return CatalogLoadError{manifest.error().description()};
    }
    return std::move(manifest).value();
}

Result<CatalogManifest, CatalogLoadError> readCatalogFile(const QString& path) {
    const auto bytes = base::readWholeFile(path, maximumCatalogBytes);
    if (!bytes) {
        return CatalogLoadError{bytes.error().tooLarge ? catalogTooLargeMessage
                                                       : bytes.error().description()};
    }
    return decodeCatalog(*bytes);
}

QStringList embeddedManifestCandidates(const platform::Bundle& mainBundle) {
    const QString resources = mainBundle.resourcePath();
    QStringList candidates = {
        urlForResource(mainBundle, QStringLiteral("manifest"), QStringLiteral("json")),
        mainBundle.pathForResource(QStringLiteral("manifest"), QStringLiteral("json")),
    };
    if (!resources.isEmpty()) {
        candidates.append(resources + QLatin1Char('/') + embeddedManifestFileName);
    }
    candidates.append(mainBundle.bundlePath() + QLatin1Char('/') + embeddedResourceBundleName +
                      QLatin1Char('/') + embeddedManifestFileName);
    if (!resources.isEmpty()) {
        candidates.append(resources + QLatin1Char('/') + embeddedResourceBundleName +
                          QLatin1Char('/') + embeddedManifestFileName);
    }
    candidates.removeAll(QString());
    return candidates;
}

} // namespace

CatalogService::CatalogService(DistributionConfiguration configuration, platform::Bundle mainBundle,
                               std::shared_ptr<platform::HttpClient> httpClient,
                               std::unique_ptr<RemoteArtifactService> remoteArtifactService,
                               std::shared_ptr<CacheWrites> cacheWrites, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration)),
      m_mainBundle(std::move(mainBundle)), m_httpClient(std::move(httpClient)),
      m_remoteArtifactService(std::move(remoteArtifactService)),
      m_cacheWrites(std::move(cacheWrites)) {
    // Loads wait on the network rather than the processor: on a one-core machine a pool sized by
    // the cores would hold a newer reload back behind a slow fetch.
    m_loadThreads.setMaxThreadCount(std::max(m_loadThreads.maxThreadCount(), 8));
}

CatalogService::~CatalogService() {
    m_loadThreads.waitForDone();
    m_cacheWriter.waitForIdle();
}

QString CatalogService::remoteManifestCachePath() {
    return cacheDirectory() + QLatin1String("/remote-manifest.json");
}

QFuture<void> CatalogService::reload() {
    const quint64 reloadNumber = ++m_newestReload;
    setLoadsInFlight(m_loadsInFlight + 1);
    return platform::continueOn(
        *this, QtConcurrent::run(&m_loadThreads, [this] { return loadManifest(); }),
        [this, reloadNumber](const Result<LoadedCatalog, CatalogLoadError>& outcome) {
            // A reload that an overlapping newer one has overtaken publishes nothing.
            if (reloadNumber == m_newestReload) {
                publish(outcome);
            }
            setLoadsInFlight(m_loadsInFlight - 1);
        });
}

QFuture<void> CatalogService::cacheWritesFinished() {
    return m_cacheWriter.run([] {});
}

void CatalogService::letGoOfReplacedCatalog(std::optional<CatalogManifest> manifest,
                                            QList<PackageManifest> packages) {
    // Ten thousand packages take milliseconds to free. The screens let go of the replaced catalog
    // as they redraw, which they were asked to in this turn of the event loop; after that this is
    // what holds it last, and a worker lets it go.
    QMetaObject::invokeMethod(
        this,
        [this, manifest = std::move(manifest), packages = std::move(packages)]() mutable {
            m_loadThreads.start(
                [manifest = std::move(manifest), packages = std::move(packages)] {});
        },
        Qt::QueuedConnection);
}

void CatalogService::setLoadsInFlight(int count) {
    m_loadsInFlight = count;
    emit isLoadingChanged();
}

void CatalogService::publish(const Result<LoadedCatalog, CatalogLoadError>& outcome) {
    letGoOfReplacedCatalog(std::move(m_manifest), std::move(m_packages));
    if (outcome) {
        const LoadedCatalog& loaded = *outcome;
        m_manifest = loaded.manifest;
        emit manifestChanged();
        m_packages = loaded.packages;
        emit packagesChanged();
        m_loadSourceLabel = loaded.sourceLabel;
        emit loadSourceLabelChanged();
        m_lastErrorMessage.reset();
        emit lastErrorMessageChanged();
        log(QStringLiteral("Catalog reload succeeded from %1 resources: packageCount=%2")
                .arg(loaded.sourceLabel.toLower())
                .arg(loaded.manifest.packages.size()));
        m_remoteArtifactService->pruneCache(loaded.manifest.packages);
        if (loaded.sourceLabel == CatalogSource::remote) {
            // A failed write keeps the previous cached copy; the catalog is used all the same.
            m_cacheWriter.run([manifest = loaded.manifest, cacheWrites = m_cacheWrites] {
                cacheWrites->write([manifest] {
                    if (const auto failure = saveRemoteManifestCache(manifest)) {
                        log(QStringLiteral("Catalog cache write failed: ") +
                            failure->description());
                    }
                });
            });
        }
        return;
    }
    const QString description = outcome.error().description();
    m_manifest.reset();
    emit manifestChanged();
    m_packages.clear();
    emit packagesChanged();
    m_loadSourceLabel = CatalogSource::failed;
    emit loadSourceLabelChanged();
    m_lastErrorMessage = QStringLiteral("Failed to load catalog: ") + description;
    emit lastErrorMessageChanged();
    log(QStringLiteral("Catalog reload failed: error=") + description);
}

Result<LoadedCatalog, CatalogLoadError> CatalogService::loadManifest() const {
    auto loaded = loadUnsortedManifest();
    if (loaded) {
        // Here rather than on the main thread: ten thousand names take several milliseconds.
        loaded.value().packages = packagesSortedByName(loaded->manifest.packages);
    }
    return loaded;
}

Result<LoadedCatalog, CatalogLoadError> CatalogService::loadUnsortedManifest() const {
    const auto fromEmbedded = [this]() -> Result<LoadedCatalog, CatalogLoadError> {
        auto embedded = loadEmbeddedManifest(m_mainBundle);
        if (!embedded) {
            return embedded.error();
        }
        return LoadedCatalog{std::move(embedded).value(), CatalogSource::embedded, {}};
    };
    if (!m_configuration.remoteCatalogURL) {
        return fromEmbedded();
    }
    // Its cached copy is written once it is published: encoding it takes a while.
    auto fetched = fetchRemoteManifest(*m_configuration.remoteCatalogURL);
    if (fetched) {
        return LoadedCatalog{std::move(fetched).value(), CatalogSource::remote, {}};
    }
    log(QStringLiteral("Remote catalog fetch failed: ") + fetched.error().description());
    if (auto cached = loadRemoteManifestCache()) {
        return LoadedCatalog{std::move(cached).value(), CatalogSource::cachedRemote, {}};
    }
    return fromEmbedded();
}

Result<CatalogManifest, CatalogLoadError>
CatalogService::fetchRemoteManifest(const QUrl& url) const {
    if (url.isLocalFile()) {
        return readCatalogFile(url.toLocalFile());
    }
    platform::BoundedBody body(maximumCatalogBytes);
    platform::HttpGetRequest request{url};
    request.ignoreLocalCache = true;
    const auto response = m_httpClient->get(request, body);
    if (body.exceeded()) {
        return CatalogLoadError{catalogTooLargeMessage};
    }
    if (!response) {
        return CatalogLoadError{response.error().description()};
    }
    if (const auto status = response->statusCode; status && (*status < 200 || *status > 299)) {
        return CatalogLoadError{
            QStringLiteral("Remote catalog request failed with HTTP %1.").arg(*status),
            catalogServiceErrorDomain, *status};
    }
    return decodeCatalog(body.bytes());
}

std::optional<CatalogLoadError> saveRemoteManifestCache(const CatalogManifest& manifest) {
    if (const auto failure = ensureApplicationDirectories()) {
        return CatalogLoadError{failure->description()};
    }
    const QByteArray bytes = encodeCatalogManifest(manifest);
    if (const auto failure =
            base::saveWholeFile(CatalogService::remoteManifestCachePath(), bytes)) {
        return CatalogLoadError{QStringLiteral("The file “%1” could not be written: %2")
                                    .arg(failure->path, failure->reason)};
    }
    return std::nullopt;
}

Result<CatalogManifest, CatalogLoadError> loadRemoteManifestCache() {
    return readCatalogFile(CatalogService::remoteManifestCachePath());
}

Result<CatalogManifest, CatalogLoadError> loadEmbeddedManifest() {
    return loadEmbeddedManifest(platform::mainBundle());
}

Result<CatalogManifest, CatalogLoadError> loadEmbeddedManifest(const platform::Bundle& mainBundle) {
    for (const QString& candidate : embeddedManifestCandidates(mainBundle)) {
        // The first file that exists decides, even when it cannot be read.
        if (QFileInfo::exists(candidate)) {
            return readCatalogFile(candidate);
        }
    }
    return CatalogLoadError{QStringLiteral("manifest.json not found in bundle resources"),
                            catalogServiceErrorDomain, embeddedManifestMissingCode};
}

QList<PackageManifest> packagesSortedByName(const QList<PackageManifest>& packages) {
    QList<PackageManifest> sorted = packages;
    base::sortByLocalizedName(sorted, [](const PackageManifest& package) { return package.name; });
    return sorted;
}

} // namespace marlox::catalog
