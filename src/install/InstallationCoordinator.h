#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "catalog/InstalledPackageStore.h"
#include "install/HostApplicationGuard.h"
#include "install/InstallEngine.h"
#include "install/InstallErrors.h"

#include <QFuture>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace marlox::catalog {
class RemoteArtifactService;
} // namespace marlox::catalog

namespace marlox::install {

class InstallTargetAccessService;
class MotionTemplatesAccessService;

// The per-package texts of `statusMessageByID`, shown by the screens as they stand.
namespace installStatus {
inline const QString blocked = QStringLiteral("Blocked");
inline const QString waitingForAccess = QStringLiteral("Waiting for Access");
inline const QString installing = QStringLiteral("Installing...");
inline const QString installed = QStringLiteral("Installed");
inline const QString failed = QStringLiteral("Failed");
inline const QString removing = QStringLiteral("Removing...");
inline const QString removed = QStringLiteral("Removed");
} // namespace installStatus

inline const QString anotherOperationRunningMessage = QStringLiteral(
    "Another install/remove operation is currently running. Please wait until it finishes.");

// The package a bulk reinstall is handling now.
struct BulkInstallProgress {
    // 1-based position of the package in the run.
    int current = 0;
    int total = 0;
    QString packageName;

    bool operator==(const BulkInstallProgress&) const = default;
};

// What the coordinator makes for itself unless a test hands it in.
struct InstallationCoordinatorDependencies {
    InstallEngine installEngine;
    HostApplicationGuard hostApplicationGuard;

    // Both look at the running processes; the engine runs the system's tools.
    static InstallationCoordinatorDependencies system();
};

// The single owner of every install and remove operation. It runs one at a time: it refuses a
// request while a host application runs or another operation is in flight, parks an install
// whose target folder is not ready, hands the file work to the engine on the low-priority pool,
// and records the outcome. The screens call it and redraw from what it publishes.
class InstallationCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(QSet<QString> activePackageIDs READ activePackageIDs NOTIFY activePackageIDsChanged)
    Q_PROPERTY(QMap<QString, QString> statusMessageByID READ statusMessageByID NOTIFY
                   statusMessageByIDChanged)
    Q_PROPERTY(std::optional<marlox::install::BulkInstallProgress> bulkInstallProgress READ
                   bulkInstallProgress NOTIFY bulkInstallProgressChanged)
    Q_PROPERTY(QStringList blockingHostNames READ blockingHostNames NOTIFY blockingHostNamesChanged)
    Q_PROPERTY(std::optional<marlox::catalog::PackageManifest> pendingPermissionPackage READ
                   pendingPermissionPackage NOTIFY pendingPermissionPackageChanged)
    Q_PROPERTY(bool pendingPermissionNeedsTemplatesAccess READ pendingPermissionNeedsTemplatesAccess
                   NOTIFY pendingPermissionNeedsTemplatesAccessChanged)
    Q_PROPERTY(std::optional<QString> presentedErrorMessage READ presentedErrorMessage WRITE
                   setPresentedErrorMessage NOTIFY presentedErrorMessageChanged)

public:
    InstallationCoordinator(catalog::InstalledPackageStore& installedStore,
                            InstallTargetAccessService& installTargetAccessService,
                            MotionTemplatesAccessService& motionTemplatesAccessService,
                            catalog::RemoteArtifactService& remoteArtifactService,
                            QObject* parent = nullptr);
    InstallationCoordinator(catalog::InstalledPackageStore& installedStore,
                            InstallTargetAccessService& installTargetAccessService,
                            MotionTemplatesAccessService& motionTemplatesAccessService,
                            catalog::RemoteArtifactService& remoteArtifactService,
                            InstallationCoordinatorDependencies dependencies,
                            QObject* parent = nullptr);

    const QSet<QString>& activePackageIDs() const { return m_activePackageIDs; }
    const QMap<QString, QString>& statusMessageByID() const { return m_statusMessageByID; }
    const std::optional<BulkInstallProgress>& bulkInstallProgress() const {
        return m_bulkInstallProgress;
    }
    const QStringList& blockingHostNames() const { return m_blockingHostNames; }
    const std::optional<catalog::PackageManifest>& pendingPermissionPackage() const {
        return m_pendingPermissionPackage;
    }
    bool pendingPermissionNeedsTemplatesAccess() const {
        return m_pendingPermissionNeedsTemplatesAccess;
    }
    const std::optional<QString>& presentedErrorMessage() const { return m_presentedErrorMessage; }
    void setPresentedErrorMessage(const std::optional<QString>& message);
    // The dismissal of the main window's alert or host-application overlay: the message goes,
    // then the host names, so that the next error raises either again.
    void dismissPresentedError();
    // The folder-access overlay's "Not Now".
    void clearPendingPermission();

    // Each returns before any file work starts.
    void install(const catalog::PackageManifest& package);
    void installAll(const QList<catalog::PackageManifest>& packages);
    void uninstall(const QString& packageID);
    // Parks the package while a folder it needs is not granted; answers whether access is needed.
    bool refreshPendingPermission(const catalog::PackageManifest& package);
    void resumePendingInstall();

    // The install pipeline without the request guards. It never fails: the outcome is published
    // and logged, and the future finishes when the pipeline has ended.
    QFuture<void> performInstall(const catalog::PackageManifest& package);

    // An install, removal or bulk reinstall is under way, between two packages of a bulk run too.
    bool operationInFlight() const;

    // True when no host application runs; otherwise the names and the alert are published.
    bool verifyHostApplicationsNotRunning();
    // Publishes the names and the alert of a running-hosts error; false for any other error.
    bool handleHostApplicationError(const InstallError& error);

signals:
    void activePackageIDsChanged();
    void statusMessageByIDChanged();
    void bulkInstallProgressChanged();
    void blockingHostNamesChanged();
    void pendingPermissionPackageChanged();
    void pendingPermissionNeedsTemplatesAccessChanged();
    void presentedErrorMessageChanged();

private:
    // The guards an install and a removal share, in order: a running host, the same package
    // already in flight, another operation. `operation` begins their log lines.
    bool passesRequestGuards(const QString& packageID, const QString& operation);
    void startInstall(const catalog::PackageManifest& package);

    InstallResultOr<QString> prepareInstallFolder();
    InstallResultOr<QString> prepareTemplatesFolder();
    QFuture<InstallResultOr<std::optional<QString>>>
    resolvePayloadRoot(const catalog::PackageManifest& package);
    QFuture<void>
    installFromPayloadRoot(const catalog::PackageManifest& package,
                           const std::optional<catalog::InstalledPackage>& previous,
                           const QString& installRoot,
                           const InstallResultOr<std::optional<QString>>& payloadRoot);
    QFuture<void> finishInstall(const catalog::PackageManifest& package,
                                const std::optional<catalog::InstalledPackage>& previous,
                                const InstallResultOr<InstallResult>& result);
    QFuture<void>
    removeMovedPreviousInstall(const QString& packageID,
                               const std::optional<catalog::InstalledPackage>& previous,
                               const InstallResult& result);
    QFuture<void> recordInstall(const catalog::PackageManifest& package,
                                const InstallResult& result);
    // Publishes and saves the records; when the save fails, the records stay as they were and
    // the failure is answered.
    InstallFailure saveRecords(const catalog::InstalledPackageMap& records);
    // Makes the outcome of the saved operation final, deleting what it set aside.
    QFuture<void> finishAfterSave();
    // Undoes the operation whose records could not be saved, putting back what it set aside.
    QFuture<void> rollBackAfterFailedSave();
    void failInstall(const catalog::PackageManifest& package, const InstallError& error);

    void runBulkInstall(const QList<catalog::PackageManifest>& candidates, qsizetype index);

    void performUninstall(const catalog::InstalledPackage& record);
    InstallFailure prepareFoldersForRemoval(const catalog::InstalledPackage& record);
    void recordUninstall(const QString& packageID);
    void failUninstall(const QString& packageID, const InstallError& error);

    void insertActivePackageID(const QString& packageID);
    void removeActivePackageID(const QString& packageID);
    void setStatus(const QString& packageID, const QString& status);
    void setBulkInstallProgress(const std::optional<BulkInstallProgress>& progress);
    void setBlockingHostNames(const QStringList& names);
    void setPendingPermission(const std::optional<catalog::PackageManifest>& package,
                              bool needsTemplatesAccess);

    InstallEngine m_installEngine;
    catalog::InstalledPackageStore& m_installedStore;
    InstallTargetAccessService& m_installTargetAccessService;
    MotionTemplatesAccessService& m_motionTemplatesAccessService;
    HostApplicationGuard m_hostApplicationGuard;
    catalog::RemoteArtifactService& m_remoteArtifactService;

    QSet<QString> m_activePackageIDs;
    QMap<QString, QString> m_statusMessageByID;
    std::optional<BulkInstallProgress> m_bulkInstallProgress;
    QStringList m_blockingHostNames;
    std::optional<catalog::PackageManifest> m_pendingPermissionPackage;
    bool m_pendingPermissionNeedsTemplatesAccess = false;
    std::optional<QString> m_presentedErrorMessage;
    // From the moment a bulk reinstall passes its guards until its last package has ended,
    // including the turns between two packages, when no id is active.
    bool m_bulkRunInFlight = false;
};

} // namespace marlox::install
