#pragma once

#include "FxPlugRegistrar.h"
#include "HostApplicationGuard.h"
#include "InstallErrors.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackage.h"
#include "platform/ProcessRunner.h"

#include <QFuture>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace marlox::install {

// What an install produced.
struct InstallResult {
    // The install root followed by the package id; empty for a template package that only
    // carries Motion Templates.
    QString installPath;
    // The top-level template items placed in the Motion Templates library.
    QStringList templateInstallPaths;

    bool operator==(const InstallResult&) const = default;
};

// The system tools the engine runs; by default the platform's own.
struct InstallTools {
    QString ditto;
    QString pluginkit;
    QString lsregister;

    static InstallTools systemDefaults();
};

// The file work of one install and of one removal: copy or expand a package's payload into its
// own folder of the shared plug-in folder, clear quarantine, register the bundles, place the
// Motion Templates; and undo all of it for an installed record. Every operation blocks, so it
// runs on a background thread (see the ...InBackground calls); the engine keeps no state.
class InstallEngine {
public:
    InstallEngine(HostApplicationGuard hostApplicationGuard,
                  std::shared_ptr<platform::ProcessRunner> processRunner, InstallTools tools);

    InstallResultOr<InstallResult> install(const catalog::PackageManifest& package,
                                           const QString& installRoot,
                                           const std::optional<QString>& templatesRoot,
                                           const std::optional<catalog::InstalledPackage>& previous,
                                           const std::optional<QString>& payloadRoot) const;
    InstallFailure uninstall(const catalog::InstalledPackage& record) const;

    // The same on the pool of low-priority threads.
    QFuture<InstallResultOr<InstallResult>>
    installInBackground(const catalog::PackageManifest& package, const QString& installRoot,
                        const std::optional<QString>& templatesRoot,
                        const std::optional<catalog::InstalledPackage>& previous,
                        const std::optional<QString>& payloadRoot) const;
    QFuture<InstallFailure> uninstallInBackground(const catalog::InstalledPackage& record) const;

    // Motion Templates placement.
    InstallResultOr<QStringList>
    installTemplates(const catalog::PackageManifest& package,
                     const std::optional<QString>& templatesRoot,
                     const std::optional<catalog::InstalledPackage>& previous,
                     const std::optional<QString>& payloadRoot) const;
    InstallFailure removeTemplatePaths(const QStringList& paths) const;
    static InstallResultOr<QString>
    templateTargetDirectory(const catalog::PackageManifest& package,
                            const std::optional<QString>& templatesRoot);
    static QString normalizeTemplateSubpath(const QString& subpath);
    static std::optional<QString> templatesRootContaining(const QString& path);

    // The first existing location of a payload named by the catalog.
    static InstallResultOr<QString> resolvePayloadURL(const QString& payloadPath,
                                                      const QString& packageName,
                                                      const std::optional<QString>& payloadRoot);
    // Removes folders that hold nothing visible, from the start upwards, never reaching the stop
    // folder and never leaving it.
    static InstallFailure pruneEmptyDirectories(const QString& start, const QString& stop);
    // Whether the engine may delete a recorded path: absolute, and strictly inside the install
    // folder, the older install folder, the support folder or the Motion Templates library.
    static bool isRemovableRecordedPath(const QString& path);

private:
    InstallFailure checkHostApplications() const;
    InstallFailure installPluginPayload(const catalog::PackageManifest& package,
                                        const QString& installRoot, const QString& destination,
                                        const std::optional<QString>& payloadRoot,
                                        std::optional<QString>& previousCopy) const;
    // Replaces the destination with a copy of the source, putting the previous version back when
    // the copy fails. On success the previous version is kept aside in `previousCopy` until the
    // caller restores or discards it.
    InstallFailure replaceItem(const QString& source, const QString& destination,
                               std::optional<QString>& previousCopy) const;
    void restorePrevious(const QString& destination, std::optional<QString>& previousCopy) const;
    void discardPrevious(std::optional<QString>& previousCopy) const;
    InstallFailure copyReplacing(const QString& source, const QString& destination) const;
    InstallFailure runProcess(const QString& executablePath, const QStringList& arguments) const;
    InstallFailure expandArchives(const QString& folder) const;
    InstallFailure expandZip(const QString& archive) const;
    // Expands an archive into a new work folder and answers the entries to place.
    InstallResultOr<QStringList> expandIntoWorkFolder(const QString& archive,
                                                      const QString& workFolder) const;
    // Clears the quarantine attribute below the root; a failure names the item as it will be
    // once the root is at `reportedRoot`.
    InstallFailure removeQuarantine(const QString& root, const QString& reportedRoot) const;
    // Copies or expands a template payload into the staging folder and answers its top-level
    // items, ready to be renamed into the target folder.
    InstallResultOr<QStringList> stageTemplatePayload(const QString& source, const QString& staging,
                                                      const QString& target) const;
    // Prunes the emptied folders above each path that is gone, up to its templates library.
    static void pruneTemplateFolders(const QStringList& paths);
    InstallFailure registerBundles(const QString& folder) const;
    void unregisterBundles(const QString& folder) const;

    HostApplicationGuard m_hostApplicationGuard;
    std::shared_ptr<platform::ProcessRunner> m_processRunner;
    InstallTools m_tools;
    FxPlugRegistrar m_registrar;
};

} // namespace marlox::install
