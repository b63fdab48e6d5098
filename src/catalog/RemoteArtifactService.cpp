#include "RemoteArtifactService.h"

#include "Environment.h"
#include "OperationsLog.h"
#include "base/FileSystem.h"
#include "base/SafePath.h"
#include "base/Sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

namespace marlox::catalog {
namespace {

using Kind = RemoteArtifactError::Kind;

const QString archiveFileName = QStringLiteral("payload.zip");
const QString expandedFolderName = QStringLiteral("expanded");
const QString resourceForkFolderName = QStringLiteral("__MACOSX");
// A package archive of some hundred megabytes on a slow line; no download takes longer.
constexpr auto artifactDownloadDeadline = std::chrono::minutes(30);
// The hidden sibling an archive expands into before it becomes `expanded`.
const QString expansionPrefix = QStringLiteral(".expanding-");

RemoteArtifactError error(Kind kind, QString description, int code = 0) {
    return RemoteArtifactError{kind, std::move(description), code};
}

RemoteArtifactError systemError(QString description) {
    return error(Kind::system, std::move(description));
}

bool removeItem(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        return QDir(path).removeRecursively();
    }
    return QFile::remove(path);
}

// The folder's visible entries, sorted by name.
Result<QStringList, QString> visibleItemNames(const QString& folder) {
    auto names = base::visibleEntryNames(folder);
    if (!names) {
        return QStringLiteral("The folder “%1” could not be listed.").arg(folder);
    }
    names->sort();
    return *names;
}

QString decodedToolOutput(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

Result<QString, RemoteArtifactError> archiveDigestText(const QString& archive) {
    auto digest = base::sha256OfFile(archive);
    if (!digest) {
        return systemError(digest.error().description());
    }
    return base::sha256HexString(*digest);
}

bool digestMatches(const QString& actual, const QString& expected) {
    return actual.compare(expected, Qt::CaseInsensitive) == 0;
}

} // namespace

QString RemoteArtifactError::domain() const {
    return kind == Kind::httpStatus || kind == Kind::extractionFailed
               ? remoteArtifactServiceErrorDomain
               : QString();
}

QString remoteArtifactsDirectory() {
    return cacheDirectory() + QLatin1String("/RemoteArtifacts");
}

RemoteArtifactService::RemoteArtifactService(std::shared_ptr<platform::HttpClient> httpClient,
                                             std::shared_ptr<platform::ProcessRunner> processRunner,
                                             QString dittoPath)
    : m_httpClient(std::move(httpClient)), m_processRunner(std::move(processRunner)),
      m_dittoPath(std::move(dittoPath)) {}

RemoteArtifactService::~RemoteArtifactService() = default;

QFuture<Result<RemotePayloadResolution, RemoteArtifactError>>
RemoteArtifactService::resolvePayload(const PackageManifest& package) {
    return m_executor.run([this, package] { return resolveNow(package); });
}

QFuture<void> RemoteArtifactService::pruneCache(const QList<PackageManifest>& packages) {
    return m_executor.run([this, packages] { pruneCacheNow(packages); });
}

void RemoteArtifactService::waitForIdle() {
    m_executor.waitForIdle();
}

Result<RemotePayloadResolution, RemoteArtifactError>
RemoteArtifactService::resolveNow(const PackageManifest& package) {
    const QString urlText = package.downloadURL.value_or(QString()).trimmed();
    if (urlText.isEmpty()) {
        return error(Kind::remoteURLMissing,
                     QStringLiteral("Remote download URL is missing for %1.").arg(package.name));
    }
    const QUrl url(urlText, QUrl::StrictMode);
    if (!url.isValid()) {
        return error(Kind::invalidRemoteURL,
                     QStringLiteral("Remote download URL is invalid: ") + urlText);
    }
    // The id and the version become folder names; anything that would reach outside the cache
    // stops here, before anything is created.
    if (!base::isSafePathComponent(package.id)) {
        return error(
            Kind::unsafeCacheFolderName,
            QStringLiteral("The package id “%1” cannot name a cache folder.").arg(package.id));
    }
    if (!base::isSafePathComponent(package.version)) {
        return error(Kind::unsafeCacheFolderName,
                     QStringLiteral("The version “%1” of %2 cannot name a cache folder.")
                         .arg(package.version, package.name));
    }
    if (const auto failure = ensureApplicationDirectories()) {
        return systemError(failure->description());
    }
    const QString packageFolder = remoteArtifactsDirectory() + QLatin1Char('/') + package.id;
    const QString versionFolder = packageFolder + QLatin1Char('/') + package.version;
    if (const auto failure = base::createFolder(versionFolder)) {
        return systemError(failure->description());
    }
    const QString archive = versionFolder + QLatin1Char('/') + archiveFileName;
    const QString expandedFolder = versionFolder + QLatin1Char('/') + expandedFolderName;

    if (!base::somethingExistsAt(archive)) {
        if (auto failure = download(url, archive)) {
            return *failure;
        }
    }

    const QString expectedDigest = package.sha256.value_or(QString()).trimmed();
    if (!expectedDigest.isEmpty()) {
        auto actual = archiveDigestText(archive);
        if (!actual) {
            return actual.error();
        }
        if (!digestMatches(*actual, expectedDigest)) {
            removeItem(archive);
            if (base::somethingExistsAt(expandedFolder)) {
                removeItem(expandedFolder);
            }
            if (auto failure = download(url, archive)) {
                return *failure;
            }
            actual = archiveDigestText(archive);
            if (!actual) {
                return actual.error();
            }
            if (!digestMatches(*actual, expectedDigest)) {
                removeItem(archive);
                return error(
                    Kind::sha256Mismatch,
                    QStringLiteral("Downloaded artifact checksum mismatch. Expected %1, got %2.")
                        .arg(expectedDigest, *actual));
            }
        }
    }

    if (!base::somethingExistsAt(expandedFolder)) {
        if (auto failure = expandIntoFreshFolder(archive, expandedFolder)) {
            return *failure;
        }
    }

    const auto items = visibleItemNames(expandedFolder);
    if (!items) {
        return systemError(items.error());
    }
    QStringList payloadItems = *items;
    payloadItems.removeAll(resourceForkFolderName);
    if (payloadItems.isEmpty()) {
        return error(Kind::payloadArchiveMissing,
                     QStringLiteral("Downloaded artifact did not contain any payload files."));
    }
    const QString payloadRoot = payloadItems.size() == 1
                                    ? expandedFolder + QLatin1Char('/') + payloadItems.first()
                                    : expandedFolder;

    pruneVersions(packageFolder, package.version);
    return RemotePayloadResolution{payloadRoot, archive};
}

std::optional<RemoteArtifactError> RemoteArtifactService::download(const QUrl& source,
                                                                   const QString& destination) {
    if (source.isLocalFile()) {
        // Like a file-manager copy, this fails when something is already at the destination.
        QFile file(source.toLocalFile());
        if (!file.copy(destination)) {
            return systemError(QStringLiteral("The file “%1” could not be copied to “%2”: %3")
                                   .arg(file.fileName(), destination, file.errorString()));
        }
        return std::nullopt;
    }

    // The body streams into a temporary file beside the destination that only replaces it once
    // the whole answer has arrived with a good status and reached the disk. Unbuffered, so that
    // a full disk stops the transfer at the piece it refused.
    base::WholeFileSave temporary(destination);
    if (const auto failure = temporary.open()) {
        return systemError(QStringLiteral("The file “%1” could not be written: %2")
                               .arg(destination, failure->reason));
    }
    platform::HttpGetRequest request{source};
    request.deadline = artifactDownloadDeadline;
    const auto response = m_httpClient->get(request, temporary.device());
    if (!response) {
        return error(Kind::transport, response.error().description());
    }
    if (const auto status = response->statusCode; status && (*status < 200 || *status > 299)) {
        return error(Kind::httpStatus,
                     QStringLiteral("HTTP %1 while downloading artifact.").arg(*status), *status);
    }
    if (base::somethingExistsAt(destination) && !removeItem(destination)) {
        return systemError(QStringLiteral("The item “%1” could not be removed.").arg(destination));
    }
    if (const auto failure = temporary.commit()) {
        return systemError(QStringLiteral("The file “%1” could not be written: %2")
                               .arg(destination, failure->reason));
    }
    return std::nullopt;
}

std::optional<RemoteArtifactError>
RemoteArtifactService::expandArchive(const QString& archive, const QString& destination) {
    const platform::ProcessResult result = m_processRunner->run(
        m_dittoPath, {QStringLiteral("-x"), QStringLiteral("-k"), archive, destination});
    if (!result.launched) {
        return systemError(result.launchError);
    }
    if (result.succeeded()) {
        return std::nullopt;
    }
    QString output = decodedToolOutput(result.combinedOutput());
    if (output.isEmpty()) {
        output = QStringLiteral("Artifact extraction failed.");
    }
    return error(Kind::extractionFailed, output, result.exitCode);
}

std::optional<RemoteArtifactError>
RemoteArtifactService::expandIntoFreshFolder(const QString& archive,
                                             const QString& expandedFolder) {
    // The tool writes into a hidden sibling that becomes `expanded` only when it succeeded, so a
    // failed or interrupted expansion is never taken for a complete one.
    QTemporaryDir staging(QFileInfo(expandedFolder).path() + QLatin1Char('/') + expansionPrefix +
                          QLatin1String("XXXXXX"));
    if (!staging.isValid()) {
        return systemError(QStringLiteral("The folder “%1” could not be created: %2")
                               .arg(staging.path(), staging.errorString()));
    }
    if (auto failure = expandArchive(archive, staging.path())) {
        return failure;
    }
    if (!QDir().rename(staging.path(), expandedFolder)) {
        // Another instance working on the same cache may have finished the same version first.
        if (QFileInfo(expandedFolder).isDir()) {
            return std::nullopt;
        }
        return systemError(QStringLiteral("The folder “%1” could not be moved to “%2”.")
                               .arg(staging.path(), expandedFolder));
    }
    staging.setAutoRemove(false);
    return std::nullopt;
}

void RemoteArtifactService::pruneCacheNow(const QList<PackageManifest>& packages) {
    const auto logFailure = [](const QString& description) {
        log(QStringLiteral("Remote artifact cache prune failed: ") + description);
    };
    if (const auto failure = ensureApplicationDirectories()) {
        logFailure(failure->description());
        return;
    }
    const QString root = remoteArtifactsDirectory();
    if (!base::somethingExistsAt(root)) {
        return;
    }
    // With an id listed twice, the later entry's version is the one kept.
    QHash<QString, QString> versionByID;
    for (const PackageManifest& package : packages) {
        versionByID.insert(package.id, package.version);
    }
    const auto items = visibleItemNames(root);
    if (!items) {
        logFailure(items.error());
        return;
    }
    for (const QString& name : *items) {
        const QString path = root + QLatin1Char('/') + name;
        if (const auto version = versionByID.constFind(name); version != versionByID.constEnd()) {
            pruneVersions(path, *version);
        } else {
            removeItem(path);
        }
    }
}

void pruneVersions(const QString& packageFolder, const QString& keptVersion) {
    if (!base::somethingExistsAt(packageFolder)) {
        return;
    }
    const auto items = visibleItemNames(packageFolder);
    if (!items) {
        log(QStringLiteral("Remote artifact version prune failed for %1: %2")
                .arg(QFileInfo(packageFolder).fileName(), items.error()));
        return;
    }
    for (const QString& name : *items) {
        if (name != keptVersion) {
            removeItem(packageFolder + QLatin1Char('/') + name);
        }
    }
}

namespace {

// Exactly the names a temporary folder of an expansion gets, in case and shape.
bool isExpansionFolderName(const QString& name) {
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(expansionPrefix) + base::temporaryNameSuffixPattern));
    return shape.match(name).hasMatch();
}

} // namespace

QStringList unfinishedExpansions() {
    const QDir::Filters folders = QDir::Dirs | QDir::NoDotAndDotDot;
    const QDir root(remoteArtifactsDirectory());
    QStringList expansions;
    for (const QString& package : root.entryList(folders)) {
        const QDir packageFolder(root.filePath(package));
        for (const QString& version : packageFolder.entryList(folders)) {
            const QDir versionFolder(packageFolder.filePath(version));
            for (const QString& name : versionFolder.entryList(QDir::AllEntries | QDir::Hidden)) {
                if (isExpansionFolderName(name)) {
                    expansions.append(versionFolder.filePath(name));
                }
            }
        }
    }
    return expansions;
}

} // namespace marlox::catalog
