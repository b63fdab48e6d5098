#include "InstallEngine.h"

#include "FileOperations.h"
#include "InstallEngineSupport.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/OperationsLog.h"
#include "catalog/SafePath.h"
#include "platform/BackgroundWork.h"
#include "platform/Quarantine.h"
#include "platform/StandardFolders.h"
#include "platform/SystemTools.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace marlox::install {
namespace {

struct DiscoveredBundles {
    QStringList applications;
    QStringList standalonePlugins;
};

void classifyBundle(const QString& path, QStringList& applications, QStringList& plugins) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("app")) {
        applications.append(path);
    } else if (extension == QLatin1String("pluginkit")) {
        plugins.append(path);
    }
}

void sortWithoutDuplicates(QStringList& paths) {
    paths.removeDuplicates();
    paths.sort();
}

// Applications, and the plug-ins that no application carries: those are registered with their
// application.
DiscoveredBundles discoverBundles(const QString& folder) {
    QStringList applications;
    QStringList plugins;
    classifyBundle(folder, applications, plugins);
    for (const QString& item : enumerateTree(folder, false)) {
        classifyBundle(item, applications, plugins);
    }
    sortWithoutDuplicates(applications);
    sortWithoutDuplicates(plugins);
    QStringList standalone;
    for (const QString& plugin : plugins) {
        const bool insideApplication =
            std::any_of(applications.begin(), applications.end(), [&](const QString& application) {
                return plugin.startsWith(application + QLatin1Char('/'));
            });
        if (!insideApplication) {
            standalone.append(plugin);
        }
    }
    return {applications, standalone};
}

InstallEngineError engineError(InstallEngineError::Case kind, const QString& subject,
                               const QString& reason = {}) {
    return InstallEngineError{kind, subject, reason};
}

bool isZipArchive(const QString& path) {
    return QFileInfo(path).suffix().toLower() == QLatin1String("zip");
}

} // namespace

InstallTools InstallTools::systemDefaults() {
    return {platform::dittoToolPath(), platform::pluginkitToolPath(),
            platform::lsregisterToolPath()};
}

InstallEngine::InstallEngine(HostApplicationGuard hostApplicationGuard,
                             std::shared_ptr<platform::ProcessRunner> processRunner,
                             InstallTools tools)
    : m_hostApplicationGuard(std::move(hostApplicationGuard)),
      m_processRunner(std::move(processRunner)), m_tools(std::move(tools)),
      m_registrar(m_processRunner, m_tools.pluginkit, m_tools.lsregister) {}

InstallFailure InstallEngine::checkHostApplications() const {
    const QStringList running = m_hostApplicationGuard.runningHostNames();
    if (!running.isEmpty()) {
        return HostApplicationGuardError{running};
    }
    return std::nullopt;
}

InstallResultOr<InstallResult>
InstallEngine::install(const catalog::PackageManifest& package, const QString& installRoot,
                       const std::optional<QString>& templatesRoot,
                       const std::optional<catalog::InstalledPackage>& previous,
                       const std::optional<QString>& payloadRoot) const {
    if (auto failure = checkHostApplications()) {
        return *failure;
    }
    // Every name and path from the catalog is checked before anything on disk changes.
    if (auto failure = checkCatalogPaths(package)) {
        return *failure;
    }
    if (auto failure = catalog::ensureApplicationDirectories()) {
        return InstallError(SystemError{failure->description});
    }
    InstallResult result;
    // The install folder this install replaced; it is put back when any later step fails, so a
    // failed update leaves the previous version in place.
    std::optional<QString> previousCopy;
    // A template package without a plug-in payload has no install folder; a generator or filter
    // always has one, so a blank payload path is an error for it.
    const bool templatesOnly = package.type == catalog::PackageType::template_ &&
                               package.bundlePayloadPath.trimmed().isEmpty() &&
                               package.hasMotionTemplatePayload();
    if (!templatesOnly) {
        result.installPath = installRoot + QLatin1Char('/') + package.id;
        if (auto failure = installPluginPayload(package, installRoot, result.installPath,
                                                payloadRoot, previousCopy)) {
            restorePrevious(result.installPath, previousCopy);
            return *failure;
        }
    }
    auto templatePaths = installTemplates(package, templatesRoot, previous, payloadRoot);
    if (!templatePaths) {
        restorePrevious(result.installPath, previousCopy);
        return templatePaths.error();
    }
    discardPrevious(previousCopy);
    result.templateInstallPaths = std::move(templatePaths).value();
    return result;
}

InstallFailure InstallEngine::installPluginPayload(const catalog::PackageManifest& package,
                                                   const QString& installRoot,
                                                   const QString& destination,
                                                   const std::optional<QString>& payloadRoot,
                                                   std::optional<QString>& previousCopy) const {
    const auto payload = resolvePayloadURL(package.bundlePayloadPath, package.name, payloadRoot);
    if (!payload) {
        return payload.error();
    }
    if (!isFolder(*payload) && !QFileInfo(*payload).isFile()) {
        return engineError(InstallEngineError::Case::unsupportedPayload, *payload);
    }
    if (auto failure = createFolder(installRoot)) {
        return failure;
    }
    if (isFolder(*payload)) {
        // The install folder takes the package id as its name, whatever the payload's own; the
        // bundles to register are inside the payload folder.
        if (auto failure = replaceItem(*payload, destination, previousCopy)) {
            return failure;
        }
    } else {
        if (!isZipArchive(*payload)) {
            return engineError(InstallEngineError::Case::unsupportedPayload, *payload);
        }
        // The archive is staged in a folder of its own, which then replaces the install folder
        // as a whole and is expanded there.
        const QString stage = newWorkFolder(QStringLiteral("payload-stage-"));
        if (auto failure = createFolder(stage)) {
            return failure;
        }
        InstallFailure failure =
            copyItem(*payload, stage + QLatin1Char('/') + QFileInfo(*payload).fileName());
        if (!failure) {
            failure = replaceItem(stage, destination, previousCopy);
        }
        removeQuietly(stage);
        if (failure) {
            return failure;
        }
    }
    if (auto failure = expandArchives(destination)) {
        return failure;
    }
    if (auto failure = removeQuarantine(destination, destination)) {
        return failure;
    }
    return registerBundles(destination);
}

InstallResultOr<QString>
InstallEngine::resolvePayloadURL(const QString& payloadPath, const QString& packageName,
                                 const std::optional<QString>& payloadRoot) {
    const QString trimmed = payloadPath.trimmed();
    if (trimmed.isEmpty()) {
        return InstallError(engineError(InstallEngineError::Case::payloadPathMissing, packageName));
    }
    if (hasDotComponent(trimmed)) {
        return InstallError(engineError(InstallEngineError::Case::unsafePayloadPath, trimmed));
    }
    for (const QString& folder : payloadSearchFolders(payloadRoot)) {
        const QString candidate = QDir::cleanPath(folder + QLatin1Char('/') + trimmed);
        // A broken link holds no payload; a later location may.
        if (!QFileInfo::exists(candidate)) {
            continue;
        }
        // A link inside the bundle must not lead the install elsewhere.
        if (!resolvesInside(candidate, folder)) {
            return InstallError(engineError(InstallEngineError::Case::unsafePayloadPath, trimmed));
        }
        return candidate;
    }
    return InstallError(engineError(InstallEngineError::Case::payloadNotFound, trimmed));
}

InstallFailure InstallEngine::replaceItem(const QString& source, const QString& destination,
                                          std::optional<QString>& previousCopy) const {
    if (auto failure = createFolder(QFileInfo(destination).path())) {
        return failure;
    }
    const QString backup = newWorkFolder(QStringLiteral("backup-"));
    const bool hadPrevious = itemExists(destination);
    if (hadPrevious) {
        if (auto failure = moveItem(destination, backup)) {
            return failure;
        }
    }
    if (auto failure = copyReplacing(source, destination)) {
        if (itemExists(destination)) {
            removeItem(destination);
        }
        if (hadPrevious && itemExists(backup)) {
            moveItem(backup, destination);
        }
        return failure;
    }
    if (hadPrevious) {
        previousCopy = backup;
    }
    return std::nullopt;
}

void InstallEngine::restorePrevious(const QString& destination,
                                    std::optional<QString>& previousCopy) const {
    if (!previousCopy || !itemExists(*previousCopy)) {
        return;
    }
    if (itemExists(destination)) {
        removeItem(destination);
    }
    if (auto failure = moveItem(*previousCopy, destination)) {
        catalog::log(QStringLiteral("Could not restore the previous version kept at ") +
                     *previousCopy + QLatin1String(": ") + describe(*failure));
    }
    previousCopy.reset();
}

void InstallEngine::discardPrevious(std::optional<QString>& previousCopy) const {
    // The new copy is complete. A backup that cannot be removed entirely may be damaged by the
    // attempt, so it is never put back over the good copy; what is left of it stays in Cache.
    if (previousCopy && itemExists(*previousCopy)) {
        if (auto failure = removeItem(*previousCopy)) {
            catalog::log(QStringLiteral("Could not remove the previous version kept at ") +
                         *previousCopy + QLatin1String(": ") + describe(*failure));
        }
    }
    previousCopy.reset();
}

InstallFailure InstallEngine::copyReplacing(const QString& source,
                                            const QString& destination) const {
    if (itemExists(destination)) {
        if (auto failure = removeItem(destination)) {
            return failure;
        }
    }
    return copyItem(source, destination);
}

InstallFailure InstallEngine::runProcess(const QString& executablePath,
                                         const QStringList& arguments) const {
    const platform::ProcessResult result = m_processRunner->run(executablePath, arguments);
    if (!result.launched) {
        return launchFailure(executablePath, result.launchError);
    }
    if (result.succeeded()) {
        return std::nullopt;
    }
    QString output = platform::decodeToolOutput(result.combinedOutput());
    if (output.isEmpty()) {
        output = QStringLiteral("Tool failed: ") + executablePath;
    }
    return ToolError{QStringLiteral("InstallEngine"), result.exitCode, output};
}

InstallFailure InstallEngine::expandArchives(const QString& folder) const {
    if (!isFolder(folder)) {
        return std::nullopt;
    }
    // Listed once: an archive that an expansion brings in stays as it is.
    QStringList archives;
    for (const QString& item : enumerateTree(folder, false)) {
        if (isZipArchive(item)) {
            archives.append(item);
        }
    }
    archives.sort();
    for (const QString& archive : archives) {
        if (auto failure = expandZip(archive)) {
            return failure;
        }
    }
    return std::nullopt;
}

InstallResultOr<QStringList> InstallEngine::expandIntoWorkFolder(const QString& archive,
                                                                 const QString& workFolder) const {
    if (auto failure = createFolder(workFolder)) {
        return *failure;
    }
    if (auto failure = runProcess(
            m_tools.ditto, {QStringLiteral("-x"), QStringLiteral("-k"), archive, workFolder})) {
        removeQuietly(workFolder);
        return *failure;
    }
    auto entries = visibleEntries(workFolder);
    if (!entries) {
        removeQuietly(workFolder);
        return entries.error();
    }
    // A Mac's archiver adds its resource forks under "__MACOSX"; they are never installed.
    QStringList placed;
    for (const QString& entry : *entries) {
        if (QFileInfo(entry).fileName() != macResourceForkFolder) {
            placed.append(entry);
        }
    }
    return placed;
}

InstallFailure InstallEngine::expandZip(const QString& archive) const {
    const QString target = QFileInfo(archive).path();
    const QString workFolder = newWorkFolder(QStringLiteral("payload-expand-"));
    const auto entries = expandIntoWorkFolder(archive, workFolder);
    if (!entries) {
        return entries.error();
    }
    const auto place = [&]() -> InstallFailure {
        if (itemExists(archive)) {
            if (auto failure = removeItem(archive)) {
                return failure;
            }
        }
        for (const QString& entry : *entries) {
            const QString destination = target + QLatin1Char('/') + QFileInfo(entry).fileName();
            if (auto failure = moveReplacing(entry, destination)) {
                return failure;
            }
        }
        return std::nullopt;
    };
    const InstallFailure failure = place();
    removeQuietly(workFolder);
    return failure;
}

InstallFailure InstallEngine::removeQuarantine(const QString& root,
                                               const QString& reportedRoot) const {
    QStringList items{root};
    items.append(enumerateTree(root, true));
    for (const QString& item : items) {
        // A link is followed to its target, but never out of the folder being cleared.
        if (QFileInfo(item).isSymLink() && itemExists(canonicalPath(item)) &&
            !resolvesInside(item, root)) {
            continue;
        }
        if (auto reason = platform::removeQuarantineAttribute(item)) {
            return engineError(InstallEngineError::Case::quarantineRemovalFailed,
                               reportedRoot + item.mid(root.size()), *reason);
        }
    }
    return std::nullopt;
}

InstallFailure InstallEngine::registerBundles(const QString& folder) const {
    const DiscoveredBundles bundles = discoverBundles(folder);
    for (const QString& application : bundles.applications) {
        if (auto failure = m_registrar.registerApplication(application)) {
            return failure;
        }
    }
    for (const QString& plugin : bundles.standalonePlugins) {
        if (auto failure = m_registrar.registerPlugin(plugin)) {
            return failure;
        }
    }
    return std::nullopt;
}

void InstallEngine::unregisterBundles(const QString& folder) const {
    const DiscoveredBundles bundles = discoverBundles(folder);
    QStringList plugins = bundles.standalonePlugins;
    for (const QString& application : bundles.applications) {
        plugins.append(FxPlugRegistrar::embeddedPlugins(application));
    }
    for (const QString& plugin : plugins) {
        m_registrar.runTool(m_tools.pluginkit, {QStringLiteral("-r"), plugin}, plugin);
    }
}

InstallFailure InstallEngine::uninstall(const catalog::InstalledPackage& record) const {
    if (auto failure = checkHostApplications()) {
        return failure;
    }
    const QString installFolder = record.installPath;
    if (itemExists(installFolder)) {
        if (!isRemovableRecordedPath(installFolder)) {
            logSkippedRemoval(installFolder);
        } else {
            unregisterBundles(installFolder);
            if (auto failure = removeItem(installFolder)) {
                return failure;
            }
            if (auto failure =
                    pruneEmptyDirectories(QFileInfo(QDir::cleanPath(installFolder)).path(),
                                          platform::userApplicationsFolder())) {
                return failure;
            }
        }
    }
    return removeTemplatePaths(record.templateInstallPaths);
}

InstallFailure InstallEngine::pruneEmptyDirectories(const QString& start, const QString& stop) {
    const QString stopFolder = QDir::cleanPath(stop);
    QString current = QDir::cleanPath(start);
    // Only folders below the stop folder are ever examined.
    if (!current.startsWith(stopFolder + QLatin1Char('/'))) {
        return std::nullopt;
    }
    while (current != stopFolder) {
        if (isFolder(current)) {
            const auto entries = visibleEntries(current);
            if (!entries) {
                return entries.error();
            }
            if (!entries->isEmpty()) {
                return std::nullopt;
            }
            if (auto failure = removeItem(current)) {
                return failure;
            }
        }
        current = QFileInfo(current).path();
    }
    return std::nullopt;
}

bool InstallEngine::isRemovableRecordedPath(const QString& path) {
    const QStringList roots = {catalog::installFolderPath(), catalog::legacyInstallFolderPath(),
                               catalog::applicationSupportDirectory(), defaultTemplatesRoot()};
    return std::any_of(roots.begin(), roots.end(),
                       [&](const QString& root) { return liesStrictlyInside(path, root); });
}

QFuture<InstallResultOr<InstallResult>>
InstallEngine::installInBackground(const catalog::PackageManifest& package,
                                   const QString& installRoot,
                                   const std::optional<QString>& templatesRoot,
                                   const std::optional<catalog::InstalledPackage>& previous,
                                   const std::optional<QString>& payloadRoot) const {
    return QtConcurrent::run(platform::utilityThreadPool(), [engine = *this, package, installRoot,
                                                             templatesRoot, previous, payloadRoot] {
        return engine.install(package, installRoot, templatesRoot, previous, payloadRoot);
    });
}

QFuture<InstallFailure>
InstallEngine::uninstallInBackground(const catalog::InstalledPackage& record) const {
    return QtConcurrent::run(platform::utilityThreadPool(),
                             [engine = *this, record] { return engine.uninstall(record); });
}

} // namespace marlox::install
