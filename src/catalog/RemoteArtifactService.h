#pragma once

#include "CatalogManifest.h"
#include "base/DescribedError.h"
#include "base/Result.h"
#include "platform/HttpClient.h"
#include "platform/ProcessRunner.h"
#include "platform/SerialExecutor.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace marlox::catalog {

inline const QString remoteArtifactServiceErrorDomain = QStringLiteral("RemoteArtifactService");

struct RemotePayloadResolution {
    // What the install engine copies from: the single visible item of the expanded folder, or
    // the expanded folder itself when it holds several.
    QString payloadRootURL;
    // The cached payload.zip.
    QString archiveURL;
};

struct RemoteArtifactError : base::DescribedError {
    enum class Kind {
        remoteURLMissing,
        invalidRemoteURL,
        sha256Mismatch,
        payloadArchiveMissing,
        // The package id or version cannot name a cache folder.
        unsafeCacheFolderName,
        // An HTTP status outside 200-299; `code` is the status.
        httpStatus,
        // The archive tool failed; `code` is its exit status.
        extractionFailed,
        // A file or folder could not be created, read, copied, moved or listed, or the tool could
        // not be started; the description is the system's.
        system,
        // The transfer ended without an answer.
        transport,
    };

    RemoteArtifactError(Kind kind, QString description, int code = 0)
        : DescribedError(std::move(description)), kind(kind), code(code) {}

    // "RemoteArtifactService" for the HTTP and tool failures, which carry a code.
    QString domain() const;

    Kind kind;
    int code = 0;
};

// The cache of downloaded package archives under Cache/RemoteArtifacts/<id>/<version>: the archive
// as payload.zip, and what it expands to as `expanded`. The files are the whole state, so two
// instances may work on the same folder. Every job runs on the instance's own worker, one at a
// time, off the main thread.
class RemoteArtifactService final {
public:
    // `dittoPath` is the archive tool run as "<dittoPath> -x -k <archive> <destination>".
    RemoteArtifactService(std::shared_ptr<platform::HttpClient> httpClient,
                          std::shared_ptr<platform::ProcessRunner> processRunner,
                          QString dittoPath);
    ~RemoteArtifactService();

    RemoteArtifactService(const RemoteArtifactService&) = delete;
    RemoteArtifactService& operator=(const RemoteArtifactService&) = delete;

    QFuture<Result<RemotePayloadResolution, RemoteArtifactError>>
    resolvePayload(const PackageManifest& package);

    // Removes the folders of packages the catalog no longer lists and of versions other than the
    // catalog's. Never fails; what goes wrong is written to the operations log.
    QFuture<void> pruneCache(const QList<PackageManifest>& packages);

    // Waits until every job given so far has finished. For tests and orderly shutdown.
    void waitForIdle();

private:
    Result<RemotePayloadResolution, RemoteArtifactError> resolveNow(const PackageManifest& package);
    std::optional<RemoteArtifactError> download(const QUrl& source, const QString& destination);
    std::optional<RemoteArtifactError> expandArchive(const QString& archive,
                                                     const QString& destination);
    std::optional<RemoteArtifactError> expandIntoFreshFolder(const QString& archive,
                                                             const QString& expandedFolder);
    void pruneCacheNow(const QList<PackageManifest>& packages);

    std::shared_ptr<platform::HttpClient> m_httpClient;
    std::shared_ptr<platform::ProcessRunner> m_processRunner;
    QString m_dittoPath;
    // Last, so that it is destroyed first and waits for jobs that still use the members above.
    platform::SerialExecutor m_executor;
};

// Removes every visible item of the package's cache folder except the kept version.
void pruneVersions(const QString& packageFolder, const QString& keptVersion);

// Cache/RemoteArtifacts under the application-support folder.
QString remoteArtifactsDirectory();

// What expansions that a killed run cut short left in the cache. Only at a start, before any
// service works in the cache.
QStringList unfinishedExpansions();

} // namespace marlox::catalog
