#include "app/BlockingOverlayRules.h"

#include "install/HostApplicationGuard.h"

namespace marlox::app {

QString hostApplicationExplanation(const QString& appDisplayName) {
    return appDisplayName +
           QStringLiteral(" cannot install, update, or remove plugins while these apps are open.");
}

QString folderAccessExplanation(const QString& appDisplayName) {
    return appDisplayName +
           QStringLiteral(" needs one-time access before the first install. After both "
                          "permissions are granted, your install will continue automatically.");
}

std::optional<QString> hostIconBundleIdentifier(const QString& hostName) {
    for (const auto& host : install::HostApplicationGuard::hosts()) {
        if (host.displayName == hostName) {
            if (host.bundleIdentifiers.isEmpty()) {
                return std::nullopt;
            }
            return host.bundleIdentifiers.first();
        }
    }
    return std::nullopt;
}

QList<FolderAccessRow> folderAccessRows(install::FolderAccessState installFolder,
                                        install::FolderAccessState motionTemplates,
                                        bool needsTemplatesAccess) {
    using install::FolderAccessState;
    QList<FolderAccessRow> rows{{TargetFolder::installFolder, overlayText::installFolderTitle,
                                 overlayText::installFolderSubtitle,
                                 installFolder == FolderAccessState::granted}};
    if (needsTemplatesAccess) {
        rows.append({TargetFolder::motionTemplates, overlayText::motionTemplatesTitle,
                     overlayText::motionTemplatesSubtitle,
                     motionTemplates == FolderAccessState::granted});
    }
    return rows;
}

std::optional<QString> pendingInstallLine(const std::optional<catalog::PackageManifest>& package) {
    if (!package) {
        return std::nullopt;
    }
    return overlayText::pendingInstallPrefix + package->name;
}

FolderAccessErrorPlace folderAccessErrorPlace(const QStringList& blockingHostNames) {
    return blockingHostNames.isEmpty() ? FolderAccessErrorPlace::operationAlert
                                       : FolderAccessErrorPlace::folderAccessCard;
}

} // namespace marlox::app
