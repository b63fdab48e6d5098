#include "InstallationCoordinator.h"

#include "base/SafePath.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallJournal.h"
#include "install/InstallTargetAccessService.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/BackgroundWork.h"
#include "platform/Continuation.h"
#include "platform/ProcessList.h"
#include "platform/ProcessRunner.h"

#include <QDateTime>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace marlox::install {
namespace {

using catalog::InstalledPackage;
using catalog::PackageManifest;
using PayloadRoot = InstallResultOr<std::optional<QString>>;

const QString runningHostsMessagePrefix =
    QStringLiteral("Please close host apps before install/update/remove. Running: ");

InstallError asInstallError(const catalog::RemoteArtifactError& error) {
    if (!error.domain().isEmpty()) {
        return ToolError{error.domain(), error.code, error.description()};
    }
    return SystemError{error.description()};
}

QFuture<void> ended() {
    return QtFuture::makeReadyFuture();
}

} // namespace

InstallationCoordinatorDependencies InstallationCoordinatorDependencies::system() {
    const HostApplicationGuard guard(std::make_shared<platform::SystemProcessLister>());
    return {InstallEngine(guard, std::make_shared<platform::SystemProcessRunner>(),
                          InstallTools::systemDefaults()),
            guard};
}

InstallationCoordinator::InstallationCoordinator(
    catalog::InstalledPackageStore& installedStore,
    InstallTargetAccessService& installTargetAccessService,
    MotionTemplatesAccessService& motionTemplatesAccessService,
    catalog::RemoteArtifactService& remoteArtifactService, QObject* parent)
    : InstallationCoordinator(installedStore, installTargetAccessService,
                              motionTemplatesAccessService, remoteArtifactService,
                              InstallationCoordinatorDependencies::system(), parent) {}

InstallationCoordinator::InstallationCoordinator(
    catalog::InstalledPackageStore& installedStore,
    InstallTargetAccessService& installTargetAccessService,
    MotionTemplatesAccessService& motionTemplatesAccessService,
    catalog::RemoteArtifactService& remoteArtifactService,
    InstallationCoordinatorDependencies dependencies, QObject* parent)
    : QObject(parent), m_installEngine(std::move(dependencies.installEngine)),
      m_installedStore(installedStore), m_installTargetAccessService(installTargetAccessService),
      m_motionTemplatesAccessService(motionTemplatesAccessService),
      m_hostApplicationGuard(std::move(dependencies.hostApplicationGuard)),
      m_remoteArtifactService(remoteArtifactService) {}

// Requests and their guards.

void InstallationCoordinator::install(const PackageManifest& package) {
    if (!passesRequestGuards(package.id, QStringLiteral("Install"))) {
        return;
    }
    if (refreshPendingPermission(package)) {
        setStatus(package.id, installStatus::waitingForAccess);
        catalog::log(QStringLiteral("Install paused for package=") + package.id +
                     QStringLiteral(": awaiting sandbox folder approval."));
        return;
    }
    startInstall(package);
}

void InstallationCoordinator::installAll(const QList<PackageManifest>& packages) {
    QList<PackageManifest> candidates;
    for (const PackageManifest& package : packages) {
        if (package.type != catalog::PackageType::template_) {
            candidates.append(package);
        }
    }
    if (candidates.isEmpty()) {
        return;
    }
    if (!verifyHostApplicationsNotRunning()) {
        for (const PackageManifest& candidate : candidates) {
            setStatus(candidate.id, installStatus::blocked);
        }
        catalog::log(QStringLiteral("Bulk install blocked: host app is running."));
        return;
    }
    if (operationInFlight()) {
        setPresentedErrorMessage(anotherOperationRunningMessage);
        catalog::log(QStringLiteral("Bulk install blocked: another operation is active."));
        return;
    }
    m_bulkRunInFlight = true;
    QTimer::singleShot(0, this, [this, candidates] { runBulkInstall(candidates, 0); });
}

void InstallationCoordinator::uninstall(const QString& packageID) {
    const std::optional<InstalledPackage> record = m_installedStore.record(packageID);
    if (!record) {
        return;
    }
    if (!passesRequestGuards(packageID, QStringLiteral("Uninstall"))) {
        return;
    }
    insertActivePackageID(packageID);
    setStatus(packageID, installStatus::removing);
    catalog::log(QStringLiteral("Uninstall started: package=") + packageID +
                 QStringLiteral(", path=") + record->installPath);
    QTimer::singleShot(0, this, [this, record = *record] { performUninstall(record); });
}

bool InstallationCoordinator::refreshPendingPermission(const PackageManifest& package) {
    m_installTargetAccessService.refreshAccessState();
    m_motionTemplatesAccessService.refreshAccessState();
    const bool templatesNeeded =
        package.hasMotionTemplatePayload() &&
        m_motionTemplatesAccessService.accessState() != FolderAccessState::granted;
    if (m_installTargetAccessService.accessState() == FolderAccessState::granted &&
        !templatesNeeded) {
        setPendingPermission(std::nullopt, false);
        return false;
    }
    setPendingPermission(package, templatesNeeded);
    return true;
}

void InstallationCoordinator::resumePendingInstall() {
    if (!m_pendingPermissionPackage) {
        return;
    }
    const PackageManifest package = *m_pendingPermissionPackage;
    if (refreshPendingPermission(package)) {
        return;
    }
    if (operationInFlight()) {
        return;
    }
    if (!verifyHostApplicationsNotRunning()) {
        setStatus(package.id, installStatus::blocked);
        return;
    }
    setPendingPermission(std::nullopt, false);
    startInstall(package);
}

void InstallationCoordinator::dismissPresentedError() {
    setPresentedErrorMessage(std::nullopt);
    setBlockingHostNames({});
}

void InstallationCoordinator::clearPendingPermission() {
    setPendingPermission(std::nullopt, false);
}

bool InstallationCoordinator::verifyHostApplicationsNotRunning() {
    const QStringList running = m_hostApplicationGuard.runningHostNames();
    if (running.isEmpty()) {
        setBlockingHostNames({});
        return true;
    }
    handleHostApplicationError(HostApplicationGuardError{running});
    return false;
}

bool InstallationCoordinator::handleHostApplicationError(const InstallError& error) {
    const auto* hostError = std::get_if<HostApplicationGuardError>(&error);
    if (!hostError) {
        return false;
    }
    setBlockingHostNames(hostError->runningHosts);
    setPresentedErrorMessage(runningHostsMessagePrefix +
                             hostError->runningHosts.join(QLatin1String(", ")));
    return true;
}

bool InstallationCoordinator::passesRequestGuards(const QString& packageID,
                                                  const QString& operation) {
    const QString blockedLine = operation + QStringLiteral(" blocked for package=") + packageID;
    if (!verifyHostApplicationsNotRunning()) {
        setStatus(packageID, installStatus::blocked);
        catalog::log(blockedLine + QStringLiteral(": host app is running."));
        return false;
    }
    // A repeated request for what is already in flight is dropped without a word.
    if (m_activePackageIDs.contains(packageID)) {
        return false;
    }
    if (operationInFlight()) {
        setPresentedErrorMessage(anotherOperationRunningMessage);
        catalog::log(blockedLine + QStringLiteral(": another operation is active."));
        return false;
    }
    return true;
}

bool InstallationCoordinator::operationInFlight() const {
    return !m_activePackageIDs.isEmpty() || m_bulkRunInFlight;
}

void InstallationCoordinator::startInstall(const PackageManifest& package) {
    // The id takes its place at once, so that no request passes the guards in the turn before the
    // pipeline begins.
    insertActivePackageID(package.id);
    QTimer::singleShot(0, this, [this, package] { performInstall(package); });
}

// The install pipeline.

QFuture<void> InstallationCoordinator::performInstall(const PackageManifest& package) {
    insertActivePackageID(package.id);
    setStatus(package.id, installStatus::installing);
    catalog::log(QStringLiteral("Install started: package=") + package.id +
                 QStringLiteral(", version=") + package.version + QStringLiteral(", type=") +
                 catalog::rawValue(package.type));
    const std::optional<InstalledPackage> previous = m_installedStore.record(package.id);
    const InstallResultOr<QString> installRoot = prepareInstallFolder();
    if (!installRoot) {
        failInstall(package, installRoot.error());
        return ended();
    }
    return platform::continueOn(*this, resolvePayloadRoot(package),
                                [this, package, previous,
                                 installRoot = *installRoot](const PayloadRoot& payloadRoot) {
                                    return installFromPayloadRoot(package, previous, installRoot,
                                                                  payloadRoot);
                                })
        .unwrap();
}

InstallResultOr<QString> InstallationCoordinator::prepareInstallFolder() {
    const auto folder = m_installTargetAccessService.resolveInstallTarget();
    if (!folder) {
        return InstallError(SystemError{folder.error().description()});
    }
    m_installTargetAccessService.publishResolution(*folder);
    return *folder;
}

InstallResultOr<QString> InstallationCoordinator::prepareTemplatesFolder() {
    const auto folder = m_motionTemplatesAccessService.resolveTemplatesRoot();
    if (!folder) {
        return InstallError(SystemError{folder.error().description()});
    }
    m_motionTemplatesAccessService.publishResolution(*folder);
    return *folder;
}

QFuture<PayloadRoot> InstallationCoordinator::resolvePayloadRoot(const PackageManifest& package) {
    if (!package.hasRemotePayload()) {
        // The engine takes the payload from inside the application bundle.
        return QtFuture::makeReadyFuture(PayloadRoot(std::optional<QString>()));
    }
    return m_remoteArtifactService.resolvePayload(package).then(
        [](const Result<catalog::RemotePayloadResolution, catalog::RemoteArtifactError>& resolved) {
            if (!resolved) {
                return PayloadRoot(asInstallError(resolved.error()));
            }
            return PayloadRoot(std::optional<QString>(resolved->payloadRootURL));
        });
}

QFuture<void> InstallationCoordinator::installFromPayloadRoot(
    const PackageManifest& package, const std::optional<InstalledPackage>& previous,
    const QString& installRoot, const PayloadRoot& payloadRoot) {
    if (!payloadRoot) {
        failInstall(package, payloadRoot.error());
        return ended();
    }
    std::optional<QString> templatesRoot;
    if (package.hasMotionTemplatePayload()) {
        const InstallResultOr<QString> folder = prepareTemplatesFolder();
        if (!folder) {
            failInstall(package, folder.error());
            return ended();
        }
        templatesRoot = *folder;
    }
    return platform::continueOn(
               *this,
               m_installEngine.installInBackground(package, installRoot, templatesRoot, previous,
                                                   *payloadRoot),
               [this, package, previous](const InstallResultOr<InstallResult>& result) {
                   return finishInstall(package, previous, result);
               })
        .unwrap();
}

QFuture<void>
InstallationCoordinator::finishInstall(const PackageManifest& package,
                                       const std::optional<InstalledPackage>& previous,
                                       const InstallResultOr<InstallResult>& result) {
    if (!result) {
        failInstall(package, result.error());
        return ended();
    }
    return platform::continueOn(
               *this, removeMovedPreviousInstall(package.id, previous, *result),
               [this, package, installed = *result] { return recordInstall(package, installed); })
        .unwrap();
}

QFuture<void>
InstallationCoordinator::removeMovedPreviousInstall(const QString& packageID,
                                                    const std::optional<InstalledPackage>& previous,
                                                    const InstallResult& result) {
    if (!previous || previous->installPath == result.installPath) {
        return ended();
    }
    // The install has already replaced the previous templates with its own, so only the old
    // folder goes.
    return platform::continueOn(
        *this, m_installEngine.uninstallInBackground(*previous, RecordedTemplates::keep),
        [packageID, oldPath = previous->installPath](const InstallFailure&) {
            // A folder left behind does not undo the install that replaced it.
            catalog::log(QStringLiteral("Previous install removed during migration: package=") +
                         packageID + QStringLiteral(", path=") + oldPath);
        });
}

QFuture<void> InstallationCoordinator::recordInstall(const PackageManifest& package,
                                                     const InstallResult& result) {
    InstalledPackage record;
    record.id = package.id;
    record.version = package.version;
    record.installedAtISO8601 = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    record.packageType = package.type;
    record.installPath = result.installPath;
    record.templateInstallPaths = result.templateInstallPaths;
    catalog::InstalledPackageMap records = m_installedStore.installedByID();
    records.insert(package.id, record);
    if (const auto failure = saveRecords(records)) {
        return platform::continueOn(
            *this, rollBackAfterFailedSave(),
            [this, package, error = InstallError(*failure)] { failInstall(package, error); });
    }
    return platform::continueOn(*this, finishAfterSave(),
                                [this, id = package.id, path = result.installPath] {
                                    setStatus(id, installStatus::installed);
                                    catalog::log(QStringLiteral("Install succeeded: package=") +
                                                 id + QStringLiteral(", path=") + path);
                                    removeActivePackageID(id);
                                });
}

InstallFailure InstallationCoordinator::saveRecords(const catalog::InstalledPackageMap& records) {
    // What the file does not hold did not happen: the operation is undone.
    if (const auto failure = m_installedStore.setInstalledByIDAndSave(records)) {
        return SystemError{failure->description()};
    }
    return std::nullopt;
}

QFuture<void> InstallationCoordinator::rollBackAfterFailedSave() {
    return QtConcurrent::run(
        platform::utilityThreadPool(),
        [registrar = m_installEngine.registrar()] { rollBackInstallJournal(registrar); });
}

QFuture<void> InstallationCoordinator::finishAfterSave() {
    // A save that did not reach the file leaves the outcome to the next start, which decides by
    // what the file then holds.
    if (catalog::readInstalledRecords() != m_installedStore.installedByID()) {
        return ended();
    }
    return QtConcurrent::run(
        platform::utilityThreadPool(),
        [registrar = m_installEngine.registrar()] { finishInstallJournal(registrar); });
}

void InstallationCoordinator::failInstall(const PackageManifest& package,
                                          const InstallError& error) {
    if (handleHostApplicationError(error)) {
        setStatus(package.id, installStatus::blocked);
        catalog::log(QStringLiteral("Install blocked mid-operation for package=") + package.id +
                     QStringLiteral(": host app detected."));
    } else {
        const QString text = description(error);
        setStatus(package.id, installStatus::failed);
        setPresentedErrorMessage(QStringLiteral("Failed to install ") + package.name +
                                 QStringLiteral(": ") + text);
        catalog::log(QStringLiteral("Install failed: package=") + package.id +
                     QStringLiteral(", error=") + text);
    }
    removeActivePackageID(package.id);
}

// The bulk reinstall.

void InstallationCoordinator::runBulkInstall(const QList<PackageManifest>& candidates,
                                             qsizetype index) {
    if (index == candidates.size()) {
        setBulkInstallProgress(std::nullopt);
        m_bulkRunInFlight = false;
        return;
    }
    const PackageManifest& candidate = candidates.at(index);
    setBulkInstallProgress(BulkInstallProgress{
        static_cast<int>(index + 1), static_cast<int>(candidates.size()), candidate.name});
    if (m_activePackageIDs.contains(candidate.id)) {
        runBulkInstall(candidates, index + 1);
        return;
    }
    platform::continueOn(*this, performInstall(candidate),
                         [this, candidates, index] { runBulkInstall(candidates, index + 1); });
}

// The removal.

void InstallationCoordinator::performUninstall(const InstalledPackage& record) {
    if (const InstallFailure failure = prepareFoldersForRemoval(record)) {
        failUninstall(record.id, *failure);
        return;
    }
    platform::continueOn(*this, m_installEngine.uninstallInBackground(record),
                         [this, id = record.id](const InstallFailure& failure) {
                             if (failure) {
                                 failUninstall(id, *failure);
                             } else {
                                 recordUninstall(id);
                             }
                         });
}

InstallFailure InstallationCoordinator::prepareFoldersForRemoval(const InstalledPackage& record) {
    // A folder inside the support folder needs no access to the shared plug-in folder.
    if (!base::isPathWithin(record.installPath, catalog::applicationSupportDirectory())) {
        if (const auto folder = prepareInstallFolder(); !folder) {
            return folder.error();
        }
    }
    if (!record.templateInstallPaths.isEmpty()) {
        if (const auto folder = prepareTemplatesFolder(); !folder) {
            return folder.error();
        }
    }
    return std::nullopt;
}

void InstallationCoordinator::recordUninstall(const QString& packageID) {
    catalog::InstalledPackageMap records = m_installedStore.installedByID();
    records.remove(packageID);
    if (const auto failure = saveRecords(records)) {
        platform::continueOn(
            *this, rollBackAfterFailedSave(),
            [this, packageID, error = InstallError(*failure)] { failUninstall(packageID, error); });
        return;
    }
    platform::continueOn(*this, finishAfterSave(), [this, packageID] {
        setStatus(packageID, installStatus::removed);
        catalog::log(QStringLiteral("Uninstall succeeded: package=") + packageID);
        removeActivePackageID(packageID);
    });
}

void InstallationCoordinator::failUninstall(const QString& packageID, const InstallError& error) {
    const QString text = description(error);
    setStatus(packageID, installStatus::failed);
    setPresentedErrorMessage(QStringLiteral("Failed to remove package ") + packageID +
                             QStringLiteral(": ") + text);
    catalog::log(QStringLiteral("Uninstall failed: package=") + packageID +
                 QStringLiteral(", error=") + text);
    removeActivePackageID(packageID);
}

// Published state.

void InstallationCoordinator::insertActivePackageID(const QString& packageID) {
    if (m_activePackageIDs.contains(packageID)) {
        return;
    }
    m_activePackageIDs.insert(packageID);
    emit activePackageIDsChanged();
}

void InstallationCoordinator::removeActivePackageID(const QString& packageID) {
    if (m_activePackageIDs.remove(packageID)) {
        emit activePackageIDsChanged();
    }
}

void InstallationCoordinator::setStatus(const QString& packageID, const QString& status) {
    const auto found = m_statusMessageByID.constFind(packageID);
    if (found != m_statusMessageByID.constEnd() && *found == status) {
        return;
    }
    m_statusMessageByID.insert(packageID, status);
    emit statusMessageByIDChanged();
}

void InstallationCoordinator::setBulkInstallProgress(
    const std::optional<BulkInstallProgress>& progress) {
    if (m_bulkInstallProgress == progress) {
        return;
    }
    m_bulkInstallProgress = progress;
    emit bulkInstallProgressChanged();
}

void InstallationCoordinator::setBlockingHostNames(const QStringList& names) {
    if (m_blockingHostNames == names) {
        return;
    }
    m_blockingHostNames = names;
    emit blockingHostNamesChanged();
}

void InstallationCoordinator::setPendingPermission(const std::optional<PackageManifest>& package,
                                                   bool needsTemplatesAccess) {
    if (m_pendingPermissionPackage != package) {
        m_pendingPermissionPackage = package;
        emit pendingPermissionPackageChanged();
    }
    if (m_pendingPermissionNeedsTemplatesAccess != needsTemplatesAccess) {
        m_pendingPermissionNeedsTemplatesAccess = needsTemplatesAccess;
        emit pendingPermissionNeedsTemplatesAccessChanged();
    }
}

void InstallationCoordinator::setPresentedErrorMessage(const std::optional<QString>& message) {
    if (m_presentedErrorMessage == message) {
        return;
    }
    m_presentedErrorMessage = message;
    emit presentedErrorMessageChanged();
}

} // namespace marlox::install
