#pragma once

#include "FxPlugRegistrar.h"
#include "HostApplicationGuard.h"
#include "InstallErrors.h"
#include "InstallJournal.h"
#include "ItemMoves.h"
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

// What an uninstall does with the record's template items.
enum class RecordedTemplates { remove, keep };

// The file work of one install and of one removal: copy or expand a package's payload into its
// own folder of the shared plug-in folder, clear quarantine, register the bundles, place the
// Motion Templates; and undo all of it for an installed record. Every operation blocks, so it
// runs on a background thread (see the ...InBackground calls); the engine keeps no state.
//
// Nothing is ever half replaced: new files are staged beside their target and made live by
// renames, and what they replace or what a removal takes away is renamed aside. A successful
// install or uninstall leaves those previous items and its journal behind until the caller has
// saved the records and calls finishInstallJournal(); a failed one puts everything back itself.
class InstallEngine {
public:
    InstallEngine(HostApplicationGuard hostApplicationGuard,
                  std::shared_ptr<platform::ProcessRunner> processRunner, InstallTools tools);

    InstallResultOr<InstallResult> install(const catalog::PackageManifest& package,
                                           const QString& installRoot,
                                           const std::optional<QString>& templatesRoot,
                                           const std::optional<catalog::InstalledPackage>& previous,
                                           const std::optional<QString>& payloadRoot) const;
    InstallFailure uninstall(const catalog::InstalledPackage& record,
                             RecordedTemplates templates = RecordedTemplates::remove) const;

    // The same on the pool of low-priority threads.
    QFuture<InstallResultOr<InstallResult>>
    installInBackground(const catalog::PackageManifest& package, const QString& installRoot,
                        const std::optional<QString>& templatesRoot,
                        const std::optional<catalog::InstalledPackage>& previous,
                        const std::optional<QString>& payloadRoot) const;
    QFuture<InstallFailure>
    uninstallInBackground(const catalog::InstalledPackage& record,
                          RecordedTemplates templates = RecordedTemplates::remove) const;

    // What registers and unregisters the plug-ins; a journal's outcome is kept or undone with it.
    const FxPlugRegistrar& registrar() const { return m_registrar; }

    // The first existing location of a payload named by the catalog.
    static InstallResultOr<QString> resolvePayloadURL(const QString& payloadPath,
                                                      const QString& packageName,
                                                      const std::optional<QString>& payloadRoot);
    // Removes folders that hold nothing but the system's own markers (".DS_Store", ".localized",
    // which go with them) from the start upwards, never reaching the stop folder and never leaving
    // it; answers the folders removed. Any other hidden item keeps its folder.
    static QStringList pruneEmptyDirectories(const QString& start, const QString& stop);
    // Whether the engine may delete a recorded path: absolute, and strictly inside the install
    // folder, the older install folder, the support folder or the Motion Templates library.
    static bool isRemovableRecordedPath(const QString& path);

private:
    // What an install puts in place, settled before anything on disk changes.
    struct StagedInstall {
        std::optional<QString> payload;
        QString installPath;
        std::optional<QString> pluginStaging;
        std::optional<QString> templateSource;
        std::optional<QString> templateTarget;
        std::optional<QString> templateStaging;
    };

    InstallFailure checkHostApplications() const;
    InstallResultOr<QString> resolvePluginPayload(const catalog::PackageManifest& package,
                                                  const std::optional<QString>& payloadRoot) const;
    // Where the package's templates go and where they come from; nothing when it has none.
    InstallFailure resolveTemplates(const catalog::PackageManifest& package,
                                    const std::optional<QString>& templatesRoot,
                                    const std::optional<QString>& payloadRoot,
                                    StagedInstall& staged) const;
    // Fills the staging folders, journals the renames, makes the plug-in folder live, registers
    // it, and makes the templates live; answers the template paths.
    InstallResultOr<QStringList>
    stageAndMakeLive(const StagedInstall& staged,
                     const std::optional<catalog::InstalledPackage>& previous,
                     InstallJournal& journal) const;
    InstallFailure stagePluginPayload(const QString& payload, const QString& staging,
                                      const QString& installPath) const;
    // Copies or expands a template payload into the staging folder and answers its top-level
    // items, ready to be renamed into the target folder.
    InstallResultOr<QStringList> stageTemplatePayload(const QString& source, const QString& staging,
                                                      const QString& target) const;
    // One move per recorded path that may go: empty, missing and outside paths are passed over.
    static QList<ItemMove> recordedItemMoves(const QStringList& paths);
    InstallFailure runProcess(const QString& executablePath, const QStringList& arguments) const;
    InstallFailure expandArchives(const QString& folder) const;
    InstallFailure expandZip(const QString& archive) const;
    // Expands an archive into a new work folder and answers the entries to place.
    InstallResultOr<QStringList> expandIntoWorkFolder(const QString& archive,
                                                      const QString& workFolder) const;
    // Clears the quarantine attribute below the root; a failure names the item as it will be
    // once the root is at `reportedRoot`.
    InstallFailure removeQuarantine(const QString& root, const QString& reportedRoot) const;
    InstallFailure registerBundles(const QString& folder) const;

    HostApplicationGuard m_hostApplicationGuard;
    std::shared_ptr<platform::ProcessRunner> m_processRunner;
    InstallTools m_tools;
    FxPlugRegistrar m_registrar;
};

} // namespace marlox::install
