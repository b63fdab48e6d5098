#include "InstallTargetAccessService.h"

#include "base/FileSystem.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/InstallLocations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

namespace marlox::install {
namespace {

// Entries already present in the install folder win; theirs stay behind in the legacy folder.
bool moveMissingChildren(const QString& from, const QString& to) {
    if (base::createFolder(to)) {
        return false;
    }
    const auto names = base::visibleEntryNames(from);
    if (!names) {
        return false;
    }
    for (const QString& name : *names) {
        const QString destination = to + QLatin1Char('/') + name;
        if (base::somethingExistsAt(destination)) {
            continue;
        }
        if (!QDir().rename(from + QLatin1Char('/') + name, destination)) {
            return false;
        }
    }
    return true;
}

bool removeFolderIfEmpty(const QString& folder) {
    const auto names = base::visibleEntryNames(folder);
    if (!names) {
        return false;
    }
    if (!names->isEmpty()) {
        return true;
    }
    // A link is removed itself; following it would empty whatever folder it points at.
    if (QFileInfo(folder).isSymLink()) {
        return QFile::remove(folder);
    }
    return QDir(folder).removeRecursively();
}

std::optional<InstallTargetAccessError> migrateLegacyInstallFolder(const QString& installFolder) {
    const QString legacyFolder = catalog::legacyInstallFolderPath();
    if (QDir::cleanPath(legacyFolder) == QDir::cleanPath(installFolder)) {
        return std::nullopt;
    }
    if (!QFileInfo(legacyFolder).isDir()) {
        return std::nullopt;
    }
    if (!moveMissingChildren(legacyFolder, installFolder) || !removeFolderIfEmpty(legacyFolder)) {
        return InstallTargetAccessError::migrationFailed(legacyFolder);
    }
    return std::nullopt;
}

} // namespace

InstallTargetAccessError InstallTargetAccessError::folderCreationFailed(QString path,
                                                                        QString description) {
    return InstallTargetAccessError(Kind::folderCreationFailed, std::move(path),
                                    std::move(description));
}

InstallTargetAccessError
InstallTargetAccessError::migrationFailed(const QString& legacyFolderPath) {
    return InstallTargetAccessError(
        Kind::migrationFailed, legacyFolderPath,
        QStringLiteral("Could not relocate the install folder into Applications. Resolve the "
                       "folder at %1 and try again.")
            .arg(legacyFolderPath));
}

InstallTargetAccessService::InstallTargetAccessService(catalog::AppSettingsStore& settingsStore,
                                                       platform::Workspace& workspace,
                                                       QObject* parent)
    : FolderAccessService(catalog::installFolderPath(), workspace, parent),
      m_settingsStore(settingsStore) {
    connect(this, &FolderAccessService::resolvedPathChanged, this,
            &InstallTargetAccessService::resolvedInstallTargetPathChanged);
    refreshAccessState();
}

Result<QString, InstallTargetAccessError> InstallTargetAccessService::resolveInstallTarget() {
    const QString installFolder = catalog::installFolderPath();
    if (const auto failure = base::createFolder(installFolder)) {
        return InstallTargetAccessError::folderCreationFailed(failure->path,
                                                              failure->description());
    }
    if (auto failure = migrateLegacyInstallFolder(installFolder)) {
        return std::move(*failure);
    }
    m_settingsStore.clearInstallTargetBookmarkData();
    if (m_settingsStore.lastResolvedInstallPath() != installFolder) {
        m_settingsStore.setLastResolvedInstallPath(installFolder);
    }
    return installFolder;
}

void InstallTargetAccessService::refreshAccessState() {
    publishRefresh(resolveInstallTarget());
}

std::optional<InstallTargetAccessError> InstallTargetAccessService::revealInstallFolder() {
    return publishAndReveal(resolveInstallTarget());
}

} // namespace marlox::install
