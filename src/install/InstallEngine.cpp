#include "InstallEngine.h"

#include "FileOperations.h"
#include "InstallEngineSupport.h"
#include "InstallJournal.h"
#include "ItemMoves.h"
#include "MotionTemplatesPlacement.h"
#include "base/SafePath.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/OperationsLog.h"
#include "platform/BackgroundWork.h"
#include "platform/Quarantine.h"
#include "platform/StandardFolders.h"
#include "platform/SystemTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace marlox::install {
namespace {

using catalog::InstalledPackage;

InstallEngineError engineError(InstallEngineError::Kind kind, const QString& subject,
                               const QString& reason = {}) {
    return InstallEngineError{kind, subject, reason};
}

// The files the system leaves in a folder it has shown: they hold nothing of the user's.
bool isSystemMarker(const QString& path) {
    const QFileInfo item(path);
    return (item.fileName() == QLatin1String(".DS_Store") ||
            item.fileName() == QLatin1String(".localized")) &&
           !item.isDir();
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
    // What a killed run left is settled before anything else changes the same folders.
    waitForStartUpSettling();
    if (auto failure = checkHostApplications()) {
        return *failure;
    }
    // Every name and path from the catalog is checked before anything on disk changes.
    if (auto failure = checkCatalogPaths(package)) {
        return *failure;
    }
    if (auto failure = catalog::ensureApplicationDirectories()) {
        return InstallError(SystemError{failure->description()});
    }
    // A template package without a plug-in payload has no install folder; a generator or filter
    // always has one, so a blank payload path is an error for it.
    const bool templatesOnly = package.type == catalog::PackageType::template_ &&
                               package.bundlePayloadPath.trimmed().isEmpty() &&
                               package.hasMotionTemplatePayload();
    StagedInstall staged;
    if (!templatesOnly) {
        auto payload = resolvePluginPayload(package, payloadRoot);
        if (!payload) {
            return payload.error();
        }
        if (auto failure = createFolder(installRoot)) {
            return *failure;
        }
        staged.payload = *payload;
        staged.installPath = installRoot + QLatin1Char('/') + package.id;
    }
    if (auto failure = resolveTemplates(package, templatesRoot, payloadRoot, staged)) {
        return *failure;
    }
    // Every folder the install fills is named in the journal before it is made, and every rename
    // before it is done, so that a crash at any point can be finished or undone at the next start.
    InstallJournal journal(InstallJournal::Operation::install, package.id, previous,
                           package.version);
    if (staged.payload) {
        staged.pluginStaging = newStagingPath(installRoot);
        journal.addStaging(*staged.pluginStaging);
    }
    if (staged.templateTarget) {
        staged.templateStaging = newStagingPath(*staged.templateTarget);
        journal.addStaging(*staged.templateStaging);
    }
    if (auto failure = journal.write()) {
        return *failure;
    }
    auto templatePaths = stageAndMakeLive(staged, previous, journal);
    if (!templatePaths) {
        journal.rollBack(m_registrar);
        return templatePaths.error();
    }
    return InstallResult{staged.installPath, *templatePaths};
}

InstallResultOr<QString>
InstallEngine::resolvePluginPayload(const catalog::PackageManifest& package,
                                    const std::optional<QString>& payloadRoot) const {
    auto payload = resolvePayloadURL(package.bundlePayloadPath, package.name, payloadRoot);
    if (!payload) {
        return payload.error();
    }
    if (!isFolder(*payload) && !(QFileInfo(*payload).isFile() && isZipArchive(*payload))) {
        return InstallError(engineError(InstallEngineError::Kind::unsupportedPayload, *payload));
    }
    return payload;
}

InstallResultOr<QStringList>
InstallEngine::stageAndMakeLive(const StagedInstall& staged,
                                const std::optional<InstalledPackage>& previous,
                                InstallJournal& journal) const {
    QList<ItemMove> pluginMoves;
    if (staged.payload) {
        if (auto failure =
                stagePluginPayload(*staged.payload, *staged.pluginStaging, staged.installPath)) {
            return *failure;
        }
        pluginMoves.append({staged.installPath, *staged.pluginStaging, std::nullopt});
    }
    // The previous templates stay until the new ones are in place, so that a failure keeps them.
    QList<ItemMove> templateMoves =
        recordedItemMoves(previous ? previous->templateInstallPaths : QStringList());
    QStringList templatePaths;
    if (staged.templateTarget) {
        auto entries = stageTemplatePayload(*staged.templateSource, *staged.templateStaging,
                                            *staged.templateTarget);
        if (!entries) {
            return entries.error();
        }
        for (const QString& entry : *entries) {
            const QString live =
                *staged.templateTarget + QLatin1Char('/') + QFileInfo(entry).fileName();
            const auto same = std::find_if(templateMoves.begin(), templateMoves.end(),
                                           [&](const ItemMove& move) { return move.live == live; });
            if (same != templateMoves.end()) {
                same->staged = entry;
            } else {
                templateMoves.append({live, entry, std::nullopt});
            }
            templatePaths.append(live);
        }
    }
    planAsides(pluginMoves, previous);
    planAsides(templateMoves, previous);
    journal.setMoves(pluginMoves + templateMoves);
    // Registering the new plug-ins also drops other copies' registrations of the same ones.
    QStringList identifiers;
    if (staged.pluginStaging) {
        for (const QString& plugin : FxPlugRegistrar::pluginsWithin(*staged.pluginStaging)) {
            identifiers.append(FxPlugRegistrar::bundleIdentifier(plugin));
        }
    }
    journal.noteRegistrationsBefore(m_registrar, identifiers);
    if (auto failure = journal.write()) {
        return *failure;
    }
    if (auto failure = makeLive(pluginMoves)) {
        return *failure;
    }
    if (staged.payload) {
        if (auto failure = registerBundles(staged.installPath)) {
            return *failure;
        }
    }
    if (auto failure = makeLive(templateMoves)) {
        return *failure;
    }
    // What the templates' staging folder still holds was never to be placed: hidden entries and
    // resource forks.
    if (staged.templateStaging) {
        removeQuietly(*staged.templateStaging);
    }
    templatePaths.sort();
    return templatePaths;
}

InstallFailure InstallEngine::stagePluginPayload(const QString& payload, const QString& staging,
                                                 const QString& installPath) const {
    // The staging folder takes the payload folder's place, or holds the archive, and becomes the
    // install folder under the package id whatever the payload's own name.
    if (isFolder(payload)) {
        if (auto failure = copyItem(payload, staging)) {
            return failure;
        }
    } else {
        if (auto failure = createFolder(staging)) {
            return failure;
        }
        if (auto failure =
                copyItem(payload, staging + QLatin1Char('/') + QFileInfo(payload).fileName())) {
            return failure;
        }
    }
    if (auto failure = expandArchives(staging)) {
        return failure;
    }
    return removeQuarantine(staging, installPath);
}

QList<ItemMove> InstallEngine::recordedItemMoves(const QStringList& paths) {
    QList<ItemMove> moves;
    for (const QString& path : paths) {
        if (path.isEmpty() || !itemExists(path)) {
            continue;
        }
        if (!isRemovableRecordedPath(path)) {
            logSkippedRemoval(path);
            continue;
        }
        moves.append({path, std::nullopt, std::nullopt});
    }
    return moves;
}

InstallResultOr<QString>
InstallEngine::resolvePayloadURL(const QString& payloadPath, const QString& packageName,
                                 const std::optional<QString>& payloadRoot) {
    const QString trimmed = payloadPath.trimmed();
    if (trimmed.isEmpty()) {
        return InstallError(engineError(InstallEngineError::Kind::payloadPathMissing, packageName));
    }
    if (hasDotComponent(trimmed)) {
        return InstallError(engineError(InstallEngineError::Kind::unsafePayloadPath, trimmed));
    }
    for (const QString& folder : payloadSearchFolders(payloadRoot)) {
        const QString candidate = QDir::cleanPath(folder + QLatin1Char('/') + trimmed);
        // A broken link holds no payload; a later location may.
        if (!QFileInfo::exists(candidate)) {
            continue;
        }
        // A link inside the bundle must not lead the install elsewhere.
        if (!resolvesInside(candidate, folder)) {
            return InstallError(engineError(InstallEngineError::Kind::unsafePayloadPath, trimmed));
        }
        return candidate;
    }
    return InstallError(engineError(InstallEngineError::Kind::payloadNotFound, trimmed));
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
    // Beside the archive, so that its entries reach their place by renames.
    const QString workFolder = newStagingPath(target);
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
            return engineError(InstallEngineError::Kind::quarantineRemovalFailed,
                               reportedRoot + item.mid(root.size()), *reason);
        }
    }
    return std::nullopt;
}

InstallFailure InstallEngine::registerBundles(const QString& folder) const {
    const DiscoveredBundles bundles = FxPlugRegistrar::discoverBundles(folder);
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

InstallFailure InstallEngine::uninstall(const InstalledPackage& record,
                                        RecordedTemplates templates) const {
    waitForStartUpSettling();
    if (auto failure = checkHostApplications()) {
        return failure;
    }
    QList<ItemMove> moves = recordedItemMoves({record.installPath});
    if (templates == RecordedTemplates::remove) {
        moves.append(recordedItemMoves(record.templateInstallPaths));
    }
    if (moves.isEmpty()) {
        return std::nullopt;
    }
    // Everything is renamed aside now and deleted only once the record is gone, so that a crash
    // before that puts it all back. Its plug-ins stay registered until then too: the journal
    // unregisters them as it keeps the outcome, and an undo finds them registered as they were.
    planAsides(moves, record);
    InstallJournal journal(InstallJournal::Operation::remove, record.id, record, std::nullopt);
    journal.setMoves(moves);
    journal.noteRegistrationsBefore(m_registrar, {});
    if (auto failure = journal.write()) {
        return failure;
    }
    if (auto failure = makeLive(moves)) {
        journal.rollBack(m_registrar);
        return failure;
    }
    return std::nullopt;
}

QStringList InstallEngine::pruneEmptyDirectories(const QString& start, const QString& stop) {
    const QString stopFolder = QDir::cleanPath(stop);
    QString current = QDir::cleanPath(start);
    QStringList removed;
    // Only folders below the stop folder are ever examined.
    if (!current.startsWith(stopFolder + QLatin1Char('/'))) {
        return removed;
    }
    while (current != stopFolder) {
        if (isFolder(current)) {
            // Any other hidden item keeps a folder: it may be the user's, or the staging and
            // aside items of an operation that is not settled yet. The folder itself goes only
            // once empty, whatever appears in it meanwhile.
            const QStringList entries = QDir(current).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            if (!std::all_of(entries.cbegin(), entries.cend(), [&](const QString& name) {
                    return isSystemMarker(current + QLatin1Char('/') + name);
                })) {
                return removed;
            }
            for (const QString& marker : entries) {
                QFile::remove(current + QLatin1Char('/') + marker);
            }
            if (!QDir().rmdir(current)) {
                return removed;
            }
            removed.append(current);
        }
        current = QFileInfo(current).path();
    }
    return removed;
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

QFuture<InstallFailure> InstallEngine::uninstallInBackground(const InstalledPackage& record,
                                                             RecordedTemplates templates) const {
    return QtConcurrent::run(platform::utilityThreadPool(), [engine = *this, record, templates] {
        return engine.uninstall(record, templates);
    });
}

InstallFailure InstallEngine::resolveTemplates(const catalog::PackageManifest& package,
                                               const std::optional<QString>& templatesRoot,
                                               const std::optional<QString>& payloadRoot,
                                               StagedInstall& staged) const {
    if (!package.hasMotionTemplatePayload()) {
        return std::nullopt;
    }
    auto target = templateTargetDirectory(package, templatesRoot);
    if (!target) {
        return target.error();
    }
    auto source =
        resolvePayloadURL(package.motionTemplatePayloadPath->trimmed(), package.name, payloadRoot);
    if (!source) {
        return source.error();
    }
    staged.templateTarget = *target;
    staged.templateSource = *source;
    return std::nullopt;
}

InstallResultOr<QStringList> InstallEngine::stageTemplatePayload(const QString& source,
                                                                 const QString& staging,
                                                                 const QString& target) const {
    QStringList entries;
    if (isFolder(source)) {
        if (auto failure = createFolder(staging)) {
            return *failure;
        }
        const QString entry = staging + QLatin1Char('/') + QFileInfo(source).fileName();
        if (auto failure = copyItem(source, entry)) {
            return *failure;
        }
        entries.append(entry);
    } else if (QFileInfo(source).isFile() &&
               QFileInfo(source).suffix().toLower() == QLatin1String("zip")) {
        auto expanded = expandIntoWorkFolder(source, staging);
        if (!expanded) {
            return expanded.error();
        }
        entries = *expanded;
    } else {
        return InstallError(
            InstallEngineError{InstallEngineError::Kind::unsupportedPayload, source, {}});
    }
    for (const QString& entry : entries) {
        const QString name = QFileInfo(entry).fileName();
        if (auto failure = removeQuarantine(entry, target + QLatin1Char('/') + name)) {
            return *failure;
        }
    }
    return entries;
}

} // namespace marlox::install
